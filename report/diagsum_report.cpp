// diagsum-report: reads the execution log (infoData.csv) or the JSON a sweep
// writes, prints per matrix size, start-up mode and worker count the
// statistics of the runs as Markdown, warns on stderr about noisy groups,
// and draws scaling.png, and from the JSON also speedup.png (and cost.png
// when it has resource counters), with gnuplot.
//
//   diagsum-report [-o scaling.png] [-s speedup.png] [-c cost.png] [--no-chart] FILE...
//   diagsum-report --compare [--label NAME]... [-o compare.png] A.json B.json...
#include <getopt.h>
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cli/version.h"
#include "i18n/messages.h"
#include "report/charts.h"
#include "report/costchart.h"
#include "report/costsplit.h"
#include "report/compare.h"
#include "report/comparechart.h"
#include "report/drawchart.h"
#include "report/inputfile.h"
#include "report/scaling.h"
#include "report/warnings.h"

namespace {

constexpr const char* usageText =
    N_("usage: diagsum-report [-o scaling.png] [-s speedup.png] [-c cost.png] [--no-chart] FILE...\n"
       "       diagsum-report --compare [--label NAME]... [-o compare.png] A.json B.json...");

// "Usage:" and "Options:" as GNU programs write them: help2man makes the man
// page's synopsis and options from them.
constexpr const char* helpUsage =
    N_("Usage: diagsum-report [-o scaling.png] [-s speedup.png] [-c cost.png] [--no-chart] FILE");

constexpr const char* helpText =
    N_("Summarises diagsum's runs per matrix size and worker count as a Markdown table and draws the\n"
       "charts with gnuplot. FILE is the execution log (infoData.csv) or the JSON of `diagsum --json`,\n"
       "told apart by their content.\n"
       "\n"
       "Options:\n"
       "  -o, --output PATH         the scaling chart (default scaling.png); missing folders are made\n"
       "  -s, --speedup-chart PATH  the speedup chart, JSON input only (default speedup.png beside\n"
       "                            the scaling chart; named for a log, it is not drawn: exit 2)\n"
       "  -c, --cost-chart PATH     the chart of user and system time, one JSON with counters only\n"
       "                            (default cost.png beside the scaling chart)\n"
       "  -n, --no-chart            print the table only\n"
       "  -x, --x-scale lin|log     the worker axis (default: log when the counts span 3 doublings)\n"
       "  -v, --verbose             list every warning and skipped entry\n"
       "  -q, --quiet               no warnings and no skipped entries\n"
       "\n"
       "Several FILEs are read as one (sweeps of other sizes or modes, all logs or all JSON).\n"
       "With --compare the files are compared count by count with the first one: medians, their\n"
       "ratio with a 95 % bootstrap interval, the Mann-Whitney U test, a verdict per count and a\n"
       "summary, and compare.png (-o names another path).\n"
       "      --compare             compare the files instead of summarising one sweep\n"
       "  -l, --label NAME          name of the next file in the comparison (repeatable; default\n"
       "                            host and date from the JSON, else the path)\n"
       "  -h, --help                show this help\n"
       "  -V, --version             show the version\n"
       "\n"
       "Exit status: 0 done; 1 the file cannot be read, holds no run, or the table cannot be written;\n"
       "2 a chart cannot be drawn (the table is printed all the same); 64 wrong usage.\n");

// How much of the warnings and skipped entries goes to stderr.
enum class Verbosity { quiet, normal, verbose };

// Skipped entries shown per file before a count of the rest.
constexpr size_t skippedShown = 5;

struct ReportOptions {
    std::string chartPath;
    std::string speedupPath;
    std::string costPath;
    bool charts = true;
    bool compare = false;
    std::vector<std::string> labels;
    ChartOptions chart;
    Verbosity verbosity = Verbosity::normal;
    std::vector<std::string> inputs;
};

// One line: what is wrong, then the first line of the usage.
int usageError(const std::string& what) {
    const std::string usage = _(usageText);
    fprintf(stderr, "diagsum-report: %s; %s\n", what.c_str(), usage.substr(0, usage.find('\n')).c_str());
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

void warn(const std::string& line) {
    fprintf(stderr, "diagsum-report: %s %s\n", _("warning:"), line.c_str());
}

// The entries a file's reading skipped: the first few, then how many more.
void reportSkipped(const InputFile& file, Verbosity verbosity) {
    const std::vector<InputProblem>& problems = file.runs.problems;
    if (verbosity == Verbosity::quiet) {
        return;
    }
    const size_t shown = verbosity == Verbosity::verbose ? problems.size() : std::min(problems.size(), skippedShown);
    for (size_t i = 0; i < shown; i++) {
        // TRANSLATORS: the file, the line or entry, why it was skipped.
        fprintf(stderr, _("diagsum-report: %s:%s: skipped: %s\n"), file.path.c_str(), problems[i].where.c_str(),
                problems[i].reason.c_str());
    }
    if (shown < problems.size()) {
        fprintf(stderr, _("diagsum-report: %s: %zu more entries skipped (--verbose lists them)\n"), file.path.c_str(),
                problems.size() - shown);
    }
}

// Draws one chart unless its path is one of `taken` (the inputs and the
// charts drawn before it): a chart never replaces them.
bool drawUnlessTaken(const std::string& script, const std::string& path, const std::vector<std::string>& taken,
                     const char* what, const char* option) {
    for (const std::string& other : taken) {
        if (samePath(path, other)) {
            fprintf(stderr, _("diagsum-report: cannot draw the %s chart over '%s'; name another with %s\n"), what,
                    other.c_str(), option);
            return false;
        }
    }
    return drawChart(script, path);
}

bool writeTable(const std::string& table) {
    if (fwrite(table.data(), 1, table.size(), stdout) != table.size() || fflush(stdout) != 0) {
        fprintf(stderr, _("diagsum-report: cannot write the table: %s\n"), strerror(errno));
        return false;
    }
    return true;
}

// The first processor count a file's context gives; 0 when none does.
int32_t machineCpus(const std::vector<InputFile>& files) {
    for (const InputFile& file : files) {
        if (file.context.cpus > 0) {
            return file.context.cpus;
        }
    }
    return 0;
}

int summarise(const ReportOptions& options, std::vector<InputFile>& files) {
    RunSet runs = std::move(files.front().runs);
    for (size_t i = 1; i < files.size(); i++) {
        if (files[i].runs.hasWall != runs.hasWall) {
            fprintf(stderr, _("diagsum-report: cannot read a log and a sweep's JSON as one: %s\n"),
                    files[i].path.c_str());
            return 1;
        }
        mergeRuns(&runs, files[i].runs);
    }
    ScalingReport report = analyse(runs);
    // The cost split reads one JSON's counters: the runs of several files
    // are summed up without them.
    const CostReport cost = files.size() == 1 ? files.front().cost : CostReport{};
    addSystemSlopes(&report, cost);
    if (options.verbosity == Verbosity::verbose) {
        for (const std::string& warning : report.warnings) {
            warn(warning);
        }
    } else if (options.verbosity == Verbosity::normal) {
        for (const std::string& warning : warningSummary(report)) {
            warn(warning);
        }
    }
    if (!writeTable(reportText(report) + costTable(cost, report))) {
        return 1;
    }
    if (!options.charts) {
        return 0;
    }
    ChartOptions chart = options.chart;
    chart.cpus = machineCpus(files);
    const std::string chartPath = options.chartPath.empty() ? "scaling.png" : options.chartPath;
    std::string speedupPath = options.speedupPath;
    if (speedupPath.empty()) {
        speedupPath = (std::filesystem::path(chartPath).parent_path() / "speedup.png").string();
    }
    std::vector<std::string> taken = options.inputs;
    bool drawn = drawUnlessTaken(scalingChartScript(report, chart), chartPath, taken, _("scaling"), "-o");
    if (!report.hasWall) {
        if (!options.speedupPath.empty()) {
            // Only a sweep's JSON holds the wall times a speedup is made of.
            fprintf(stderr,
                    _("diagsum-report: the speedup chart needs the JSON of a sweep (diagsum --json); "
                      "%s is a log, so %s is not drawn\n"),
                    files.front().path.c_str(), speedupPath.c_str());
            return 2;
        }
        return drawn ? 0 : 2;
    }
    taken.push_back(chartPath);
    drawn = drawUnlessTaken(speedupChartScript(report, chart), speedupPath, taken, _("speedup"), "-s") && drawn;
    if (cost.groups.empty()) {
        return drawn ? 0 : 2;
    }
    std::string costPath = options.costPath;
    if (costPath.empty()) {
        costPath = (std::filesystem::path(chartPath).parent_path() / "cost.png").string();
    }
    taken.push_back(speedupPath);
    return drawUnlessTaken(costChartScript(cost, report), costPath, taken, _("cost"), "-c") && drawn ? 0 : 2;
}

int compare(const ReportOptions& options, const std::vector<InputFile>& files) {
    std::vector<const RunSet*> sweeps;
    std::vector<std::string> labels;
    std::vector<ScalingReport> reports;
    for (size_t i = 0; i < files.size(); i++) {
        sweeps.push_back(&files[i].runs);
        labels.push_back(i < options.labels.size() ? options.labels[i] : contextLabel(files[i]));
        reports.push_back(analyse(files[i].runs));
    }
    const CompareReport report = compareSweeps(sweeps, labels);
    if (report.counts.empty()) {
        fprintf(stderr, _("diagsum-report: the files share no matrix size, mode and worker count\n"));
        return 1;
    }
    if (options.verbosity != Verbosity::quiet && !fewRunsWarning(report).empty()) {
        warn(fewRunsWarning(report));
    }
    if (!writeTable(compareText(report))) {
        return 1;
    }
    if (!options.charts) {
        return 0;
    }
    ChartOptions chart = options.chart;
    chart.cpus = files.front().context.cpus;
    const std::string path = options.chartPath.empty() ? "compare.png" : options.chartPath;
    return drawUnlessTaken(compareChartScript(reports, labels, chart), path, options.inputs, _("comparison"), "-o")
               ? 0
               : 2;
}

// Parses the command line into `options`; -1 to go on, else the exit status.
int parseOptions(int argc, char** argv, ReportOptions* options) {
    // -c names the cost chart, so --compare has no letter.
    constexpr int optCompare = 256;
    static const option longOptions[] = {
        {"output", required_argument, nullptr, 'o'}, {"speedup-chart", required_argument, nullptr, 's'},
        {"no-chart", no_argument, nullptr, 'n'},     {"x-scale", required_argument, nullptr, 'x'},
        {"verbose", no_argument, nullptr, 'v'},      {"quiet", no_argument, nullptr, 'q'},
        {"compare", no_argument, nullptr, optCompare}, {"label", required_argument, nullptr, 'l'},
        {"cost-chart", required_argument, nullptr, 'c'},
        {"help", no_argument, nullptr, 'h'},         {"version", no_argument, nullptr, 'V'},
        {nullptr, 0, nullptr, 0}};
    opterr = 0;
    int option;
    while ((option = getopt_long(argc, argv, ":o:s:c:nx:vql:hV", longOptions, nullptr)) != -1) {
        switch (option) {
            case 'o':
            case 's':
            case 'c':
                // An empty name would quietly stand for the default chart.
                if (*optarg == '\0') {
                    const char* name = option == 'o' ? "--output" : option == 's' ? "--speedup-chart" : "--cost-chart";
                    return usageError(formatMessage(_("option '%s' needs a file name"), name));
                }
                (option == 'o' ? options->chartPath : option == 's' ? options->speedupPath : options->costPath) =
                    optarg;
                break;
            case 'n':
                options->charts = false;
                break;
            case 'x':
                if (std::string_view(optarg) != "lin" && std::string_view(optarg) != "log") {
                    return usageError(formatMessage(_("--x-scale takes lin or log, not '%s'"), optarg));
                }
                options->chart.xScale = std::string_view(optarg) == "lin" ? XScale::linear : XScale::log;
                break;
            case 'v':
            case 'q':
                options->verbosity = option == 'v' ? Verbosity::verbose : Verbosity::quiet;
                break;
            case optCompare:
                options->compare = true;
                break;
            case 'l':
                options->labels.push_back(optarg);
                break;
            case 'h':
                printf("%s\n\n%s", _(helpUsage), _(helpText));
                return fflush(stdout) == 0 ? 0 : 1;
            case 'V':
                printVersion("diagsum-report");
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
    options->inputs.assign(argv + optind, argv + argc);
    if (options->inputs.empty()) {
        return usageError(_("no input file"));
    }
    if (options->compare && options->inputs.size() < 2) {
        return usageError(_("--compare needs two files or more"));
    }
    if (options->compare && !options->costPath.empty()) {
        return usageError(_("--cost-chart draws one sweep's chart, not a comparison's"));
    }
    if (options->compare && !options->speedupPath.empty()) {
        return usageError(_("--speedup-chart draws one sweep's chart, not a comparison's"));
    }
    // Read twice, one sweep's runs would count twice; a comparison may
    // compare a file with itself.
    for (size_t i = 0; !options->compare && i < options->inputs.size(); i++) {
        for (size_t j = 0; j < i; j++) {
            if (samePath(options->inputs[i], options->inputs[j])) {
                return usageError(formatMessage(_("%s is given twice"), options->inputs[i].c_str()));
            }
        }
    }
    if (!options->compare && !options->labels.empty()) {
        return usageError(_("--label names the files of --compare"));
    }
    if (options->labels.size() > options->inputs.size()) {
        return usageError(_("more labels than files"));
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    // A closed stdout shows as a failed write, which is reported, instead of
    // ending the program silently.
    initMessages();
    signal(SIGPIPE, SIG_IGN);
    ReportOptions options;
    const int parsed = parseOptions(argc, argv, &options);
    if (parsed >= 0) {
        return parsed;
    }
    std::vector<InputFile> files(options.inputs.size());
    for (size_t i = 0; i < files.size(); i++) {
        std::string error;
        if (!readInputFile(options.inputs[i], &files[i], &error)) {
            fprintf(stderr, "diagsum-report: %s\n", error.c_str());
            return 1;
        }
        reportSkipped(files[i], options.verbosity);
    }
    return options.compare ? compare(options, files) : summarise(options, files);
}
