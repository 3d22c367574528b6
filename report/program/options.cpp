#include "report/program/options.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "cli/version.h"
#include "i18n/messages.h"

namespace {

constexpr const char* usageText =
    N_("usage: diagsum-report [-o scaling.png] [-s speedup.png] [-c cost.png] [-M model.png] [-T timeline.png]\n"
       "                      [--predict N,...] [--no-chart] [--pool] FILE...\n"
       "       diagsum-report --compare [--label NAME]... [-o compare.png] A.json B.json...");

// "Usage:" and "Options:" as GNU programs write them: help2man makes the man
// page's synopsis and options from them.
constexpr const char* helpUsage =
    N_("Usage: diagsum-report [-o scaling.png] [-s speedup.png] [-c cost.png] [-M model.png] [-T timeline.png] "
       "[--no-chart] FILE");

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
       "                            (default cost.png beside the scaling chart; named otherwise: exit 2)\n"
       "  -M, --model PATH          the measured throughput with the Amdahl and USL fits (6 worker counts\n"
       "                            or more), JSON input only (default model.png beside the scaling chart)\n"
       "  -T, --timeline PATH       the driver and each worker of the run shown for a few counts, from the\n"
       "                            trace file of diagsum --trace the JSON names (default timeline.png)\n"
       "      --predict N,...       also the throughput both fits predict at these worker counts\n"
       "  -D, --drift PATH          also draw each run's time relative to its count's median against\n"
       "                            its sequence, one colour per invocation (not drawn unless named)\n"
       "  -n, --no-chart            print the table only\n"
       "  -x, --x-scale lin|log     the worker axis (default: log when the counts are spread\n"
       "                            geometrically over 3 doublings or more, such as powers of two)\n"
       "      --pool                pool the runs of sweeps that share a series (appended to one log,\n"
       "                            or in several files) instead of reporting each sweep apart\n"
       "      --export-json FILE    also write what the report found as JSON, for scripts\n"
       "  -v, --verbose             list every warning and skipped entry\n"
       "  -q, --quiet               no warnings and no skipped entries\n"
       "\n"
       "Several FILEs are read as one (sweeps of other sizes or modes, all logs or all JSON); sweeps\n"
       "that share a series are reported apart as sweep 1, sweep 2, ... unless --pool is given.\n"
       "With --compare the files are compared count by count with the first one: medians, their\n"
       "ratio with a 95 % bootstrap interval, the Mann-Whitney U test, a verdict per count and a\n"
       "summary, and compare.png (-o names another path).\n"
       "      --compare             compare the files instead of summarising one sweep\n"
       "  -l, --label NAME          name of the next file in the comparison (repeatable; default\n"
       "                            host and date from the JSON, else the path)\n"
       "  -h, --help                show this help\n"
       "  -V, --version             show the version\n"
       "\n"
       "Exit status: 0 done; 1 a file cannot be read, holds no run, or the table or the exported JSON\n"
       "cannot be written; 2 a chart cannot be drawn (the table is printed all the same); 64 wrong usage.\n");

// Long options without a letter: -c names the cost chart, so --compare has none.
enum LongOnly { optCompare = 256, optPool, optExport, optPredict };

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

// A file option's value; an empty name would quietly stand for the default.
int takePath(const char* name, std::string* path) {
    if (*optarg == '\0') {
        return usageError(formatMessage(_("option '%s' needs a file name"), name));
    }
    *path = optarg;
    return -1;
}

// "256,512": worker counts from 1 to 65536, comma-separated.
int takeCounts(const char* text, std::vector<int32_t>* counts) {
    counts->clear();
    for (std::string_view rest = text;;) {
        const std::string_view item = rest.substr(0, rest.find(','));
        int32_t count = 0;
        const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), count);
        if (item.empty() || error != std::errc() || end != item.data() + item.size() || count < 1 ||
            count > 65536) {
            return usageError(
                formatMessage(_("--predict takes worker counts from 1 to 65536, not '%s'"), text));
        }
        counts->push_back(count);
        if (item.size() == rest.size()) {
            return -1;
        }
        rest.remove_prefix(item.size() + 1);
    }
}

// One option; -1 to go on, else the exit status.
int takeOption(int option, char** argv, ReportOptions* options) {
    switch (option) {
        case 'o':
            return takePath("--output", &options->chartPath);
        case 's':
            return takePath("--speedup-chart", &options->speedupPath);
        case 'c':
            return takePath("--cost-chart", &options->costPath);
        case 'D':
            return takePath("--drift", &options->driftPath);
        case optExport:
            return takePath("--export-json", &options->exportPath);
        case 'M':
            return takePath("--model", &options->modelPath);
        case 'T':
            return takePath("--timeline", &options->timelinePath);
        case optPredict:
            return takeCounts(optarg, &options->predict);
        case 'n':
            options->charts = false;
            return -1;
        case 'x':
            if (std::string_view(optarg) != "lin" && std::string_view(optarg) != "log") {
                return usageError(formatMessage(_("--x-scale takes lin or log, not '%s'"), optarg));
            }
            options->chart.xScale = std::string_view(optarg) == "lin" ? XScale::linear : XScale::log;
            return -1;
        case 'v':
        case 'q':
            options->verbosity = option == 'v' ? Verbosity::verbose : Verbosity::quiet;
            return -1;
        case optCompare:
            options->compare = true;
            return -1;
        case optPool:
            options->pool = true;
            return -1;
        case 'l':
            options->labels.push_back(optarg);
            return -1;
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
                return usageError(formatMessage(_("option '%s' takes no value"), optionText(argv).c_str()));
            }
            return usageError(formatMessage(_("unknown option '%s'"), optionText(argv).c_str()));
    }
}

// A label is a cell of the table and names a side in the charts and the
// export: one line, no cell separator, and each file's own. -1 when all are.
int checkLabels(const std::vector<std::string>& labels) {
    for (auto label = labels.begin(); label != labels.end(); ++label) {
        if (label->empty() || label->find_first_of("|\n\r") != std::string::npos) {
            // Not repeated in the message: it would break the message's one line.
            return usageError(_("--label takes a name of one line, not empty and without '|'"));
        }
        if (std::find(labels.begin(), label, *label) != label) {
            return usageError(
                formatMessage(_("--label '%s' is given twice: each file needs its own"), label->c_str()));
        }
    }
    return -1;
}

// What the options ask that cannot go together; -1 when nothing.
int checkOptions(ReportOptions* options) {
    if (options->inputs.empty()) {
        return usageError(_("no input file"));
    }
    if (options->compare && options->inputs.size() < 2) {
        return usageError(_("--compare needs two files or more"));
    }
    if (options->compare && !options->costPath.empty()) {
        return usageError(_("--cost-chart draws one sweep's chart, not a comparison's"));
    }
    if (options->compare && !options->driftPath.empty()) {
        return usageError(_("--drift draws one sweep's chart, not a comparison's"));
    }
    if (options->compare && !options->speedupPath.empty()) {
        return usageError(_("--speedup-chart draws one sweep's chart, not a comparison's"));
    }
    if (options->compare && (!options->modelPath.empty() || !options->timelinePath.empty())) {
        return usageError(_("--model and --timeline draw one sweep's charts, not a comparison's"));
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
    for (const std::string& input : options->inputs) {
        if (!options->exportPath.empty() && samePath(options->exportPath, input)) {
            return usageError(formatMessage(_("--export-json would replace the input %s"), input.c_str()));
        }
    }
    if (!options->compare && !options->labels.empty()) {
        return usageError(_("--label names the files of --compare"));
    }
    if (options->labels.size() > options->inputs.size()) {
        return usageError(_("more labels than files"));
    }
    return checkLabels(options->labels);
}

}  // namespace

bool samePath(const std::string& a, const std::string& b) {
    std::error_code error;
    const std::filesystem::path first = std::filesystem::weakly_canonical(a, error);
    if (error) {
        return a == b;
    }
    const std::filesystem::path second = std::filesystem::weakly_canonical(b, error);
    return error ? a == b : first == second;
}

int parseOptions(int argc, char** argv, ReportOptions* options) {
    static const option longOptions[] = {
        {"output", required_argument, nullptr, 'o'},      {"speedup-chart", required_argument, nullptr, 's'},
        {"no-chart", no_argument, nullptr, 'n'},          {"x-scale", required_argument, nullptr, 'x'},
        {"verbose", no_argument, nullptr, 'v'},           {"quiet", no_argument, nullptr, 'q'},
        {"compare", no_argument, nullptr, optCompare},    {"label", required_argument, nullptr, 'l'},
        {"cost-chart", required_argument, nullptr, 'c'},  {"pool", no_argument, nullptr, optPool},
        {"export-json", required_argument, nullptr, optExport}, {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},           {"model", required_argument, nullptr, 'M'},
        {"timeline", required_argument, nullptr, 'T'},    {"predict", required_argument, nullptr, optPredict},
        {"drift", required_argument, nullptr, 'D'},       {nullptr, 0, nullptr, 0}};
    opterr = 0;
    int option;
    while ((option = getopt_long(argc, argv, ":o:s:c:M:T:D:nx:vql:hV", longOptions, nullptr)) != -1) {
        const int status = takeOption(option, argv, options);
        if (status >= 0) {
            return status;
        }
    }
    options->inputs.assign(argv + optind, argv + argc);
    return checkOptions(options);
}
