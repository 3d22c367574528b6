// diagsum-report: reads the execution log (infoData.csv) or the JSON a sweep
// writes, prints per matrix size, start-up mode and worker count the
// statistics of the runs as Markdown, warns on stderr about noisy groups,
// and draws scaling.png, and from the JSON also speedup.png, with gnuplot.
//
//   diagsum-report [-o scaling.png] [-s speedup.png] [--no-chart] FILE
#include <fcntl.h>
#include <getopt.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "i18n/messages.h"
#include "report/benchjson.h"
#include "report/chartfile.h"
#include "report/logstats.h"
#include "report/scaling.h"

namespace {

constexpr const char* usageText =
    N_("usage: diagsum-report [-o scaling.png] [-s speedup.png] [--no-chart] FILE");

constexpr const char* helpText =
    N_("Summarises diagsum's runs per matrix size and worker count as a Markdown table and draws the\n"
       "charts with gnuplot. FILE is the execution log (infoData.csv) or the JSON of `diagsum --json`,\n"
       "told apart by their content.\n"
       "\n"
       "  -o, --output PATH         the scaling chart (default scaling.png); missing folders are made\n"
       "  -s, --speedup-chart PATH  the speedup chart, JSON input only (default speedup.png beside\n"
       "                            the scaling chart; named for a log, it is not drawn: exit 2)\n"
       "  -n, --no-chart            print the table only\n"
       "  -h, --help                show this help\n"
       "  -V, --version             show the version\n"
       "\n"
       "Exit status: 0 done; 1 the file cannot be read, holds no run, or the table cannot be written;\n"
       "2 a chart cannot be drawn (the table is printed all the same); 64 wrong usage.\n");

int usageError(const std::string& what) {
    fprintf(stderr, "diagsum-report: %s; %s\n", what.c_str(), _(usageText));
    return 64;
}

// The option getopt_long has just refused, as typed: "--output" (without
// any "=value") or "-o".
std::string optionText(char** argv) {
    const std::string typed = argv[optind - 1];
    if (typed.rfind("--", 0) == 0) {
        return typed.substr(0, typed.find('='));
    }
    return optopt != 0 ? std::string("-") + static_cast<char>(optopt) : typed;
}

// Whether two paths name the same file, whether it exists yet or not:
// "./a.png" and "a.png" do.
bool samePath(const std::string& a, const std::string& b) {
    std::error_code error;
    const std::filesystem::path first = std::filesystem::weakly_canonical(a, error);
    if (error) {
        return a == b;
    }
    const std::filesystem::path second = std::filesystem::weakly_canonical(b, error);
    return error ? a == b : first == second;
}

bool readWhole(const char* path, std::string* text) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        text->reserve(static_cast<size_t>(info.st_size));
    }
    char block[1 << 16];
    ssize_t got;
    while ((got = read(fd, block, sizeof block)) != 0) {
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int error = errno;
            close(fd);
            errno = error;
            return false;
        }
        text->append(block, static_cast<size_t>(got));
    }
    close(fd);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // A closed stdout shows as a failed write, which is reported, instead of
    // ending the program silently.
    initMessages();
    signal(SIGPIPE, SIG_IGN);
    std::string chartPath = "scaling.png";
    std::string speedupPath;
    bool charts = true;
    static const option longOptions[] = {
        {"output", required_argument, nullptr, 'o'}, {"speedup-chart", required_argument, nullptr, 's'},
        {"no-chart", no_argument, nullptr, 'n'},     {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},      {nullptr, 0, nullptr, 0}};
    opterr = 0;
    int option;
    while ((option = getopt_long(argc, argv, ":o:s:nhV", longOptions, nullptr)) != -1) {
        switch (option) {
            case 'o':
                chartPath = optarg;
                break;
            case 's':
                speedupPath = optarg;
                break;
            case 'n':
                charts = false;
                break;
            case 'h':
                printf("%s\n\n%s", _(usageText), _(helpText));
                return fflush(stdout) == 0 ? 0 : 1;
            case 'V':
                printf("diagsum-report %s\n", DIAGSUM_VERSION);
                return fflush(stdout) == 0 ? 0 : 1;
            case ':':
                return usageError(formatMessage(_("option '%s' needs a value"), optionText(argv).c_str()));
            default:
                // getopt names a known long option given a value it does not take.
                if (optopt != 0 && std::string_view(argv[optind - 1]).starts_with("--")) {
                    return usageError(
                        formatMessage(_("option '%s' takes no value"), optionText(argv).c_str()));
                }
                return usageError(formatMessage(_("unknown option '%s'"), optionText(argv).c_str()));
        }
    }
    if (optind != argc - 1) {
        return usageError(optind == argc ? _("no input file") : _("one input file only"));
    }
    const bool speedupNamed = !speedupPath.empty();
    if (speedupPath.empty()) {
        const std::filesystem::path folder = std::filesystem::path(chartPath).parent_path();
        speedupPath = (folder / "speedup.png").string();
    }
    const char* inputPath = argv[optind];
    std::string text;
    if (!readWhole(inputPath, &text)) {
        fprintf(stderr, _("diagsum-report: cannot read %s: %s\n"), inputPath, strerror(errno));
        return 1;
    }
    RunSet runs;
    if (detectInput(text) == InputKind::json) {
        std::string error;
        if (!readBenchJson(text, &runs, &error)) {
            fprintf(stderr, _("diagsum-report: %s is not a sweep's JSON: %s\n"), inputPath, error.c_str());
            return 1;
        }
    } else {
        runs = readLog(text);
    }
    for (const InputProblem& problem : runs.problems) {
        // TRANSLATORS: the file, the line or entry, why it was skipped.
        fprintf(stderr, _("diagsum-report: %s:%s: skipped: %s\n"), inputPath, problem.where.c_str(),
                problem.reason.c_str());
    }
    if (runs.runs == 0) {
        fprintf(stderr, _("diagsum-report: %s holds no runs\n"), inputPath);
        return 1;
    }
    const ScalingReport report = analyse(runs);
    for (const std::string& warning : report.warnings) {
        fprintf(stderr, _("diagsum-report: warning: %s\n"), warning.c_str());
    }
    const std::string table = reportText(report);
    if (fwrite(table.data(), 1, table.size(), stdout) != table.size() || fflush(stdout) != 0) {
        fprintf(stderr, _("diagsum-report: cannot write the table: %s\n"), strerror(errno));
        return 1;
    }
    if (!charts) {
        return 0;
    }
    // A chart never replaces the input or the other chart.
    bool drawn = false;
    if (samePath(chartPath, inputPath)) {
        fprintf(
            stderr,
            _("diagsum-report: cannot draw the scaling chart over the input '%s'; name another with -o\n"),
            inputPath);
    } else {
        drawn = drawChart(scalingChartScript(report), chartPath);
    }
    if (!report.hasWall) {
        if (speedupNamed) {
            // Only a sweep's JSON holds the wall times a speedup is made of.
            fprintf(stderr,
                    _("diagsum-report: the speedup chart needs the JSON of a sweep (diagsum --json); "
                      "%s is a log, so %s is not drawn\n"),
                    inputPath, speedupPath.c_str());
            return 2;
        }
        return drawn ? 0 : 2;
    }
    if (samePath(speedupPath, inputPath) || samePath(speedupPath, chartPath)) {
        fprintf(
            stderr,
            samePath(speedupPath, inputPath)
                ? _("diagsum-report: cannot draw the speedup chart over the input '%s'; name another with "
                    "-s\n")
                : _("diagsum-report: cannot draw the speedup chart over the scaling chart '%s'; name another "
                    "with -s\n"),
            speedupPath.c_str());
        return 2;
    }
    return drawChart(speedupChartScript(report), speedupPath) && drawn ? 0 : 2;
}
