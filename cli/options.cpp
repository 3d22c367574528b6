#include "cli/options.h"

#include <getopt.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>

#include "cli/version.h"
#include "counters/perfcounters.h"
#include "i18n/messages.h"
#include "outputs/stdfds.h"

namespace {

constexpr int64_t int32Max = std::numeric_limits<int32_t>::max();

const char sweepUsage[] =
    N_("Usage: diagsum [options]\n"
       "Measures how much processor time (and how much wall time) T threads take to sum\n"
       "every diagonal of a matrix of ones. No options: 500x500, 1 to 127 threads, 50 runs.\n"
       "\n"
       "Options:\n"
       "  -s, --size ROWSxCOLUMNS    matrix size (default 500x500)\n"
       "  -t, --threads LIST         thread counts, in the order given: 1-127 (default),\n"
       "                             1,2,4,8 or 1-8,16,32; from 1 to 65536\n"
       "  -r, --runs N               measured runs per count (default 50)\n"
       "  -w, --warmup N             unmeasured runs before each count (default 0)\n"
       "  -m, --mode LIST            spawn (default: threads created and joined in each run),\n"
       "                             pool (threads created once per count) or spawn,pool\n"
       "                             (alternating run by run)\n"
       "      --log FILE             log of the runs (default infoData.csv)\n"
       "      --no-log               do not log the runs\n"
       "      --out FILE             sums of the last run (default out.txt)\n"
       "      --json FILE            every run in Google Benchmark's JSON format\n"
       "      --progress, --no-progress\n"
       "                             show (or hide) the progress line on stderr; shown by default\n"
       "                             only when stderr is a terminal\n"
       "  -h, --help                 show this help\n"
       "      --version              show the version\n"
       "\n"
       "Prints one line \"T - mean\" per count: the mean processor ticks\n"
       "(clock(), all threads) of the measured runs.\n");

const char sweepShapeUsage[] =
    N_("\n"
       "How the runs are made:\n"
       "      --stack-size LIST      each worker's stack: default (the system's), 64k, 1m, 8m or bytes;\n"
       "                             several, such as default,64k, alternate run by run\n"
       "      --bind POLICY          where the workers run: none (default), compact, scatter or\n"
       "                             list:CPUS (such as list:0,2,4-7, dealt round-robin)\n"
       "      --order ORDER          sequential (default), interleaved (the counts take turns) or\n"
       "                             random[:SEED] (the whole sweep shuffled)\n");

const char sweepCounterUsage[] = N_(
    "\n"
    "Counters and context (in the JSON file):\n"
    "      --perf LIST            also count these perf events per run, e.g.\n"
    "                             task-clock,context-switches,cpu-migrations,page-faults,\n"
    "                             cycles,instructions,cache-misses (off by default:\n"
    "                             counting makes thread starts dearer)\n"
    "      --context KEY=VALUE    add KEY=VALUE to the JSON context; repeatable\n");

const char singleUsage[] =
    N_("Usage: diagsum-single [options]\n"
       "One run with the full report: sizes, the sum of each diagonal and the\n"
       "processor time.\n"
       "\n"
       "Options:\n"
       "  -s, --size ROWSxCOLUMNS    matrix size\n"
       "  -t, --threads N            thread count, from 1 to 65536\n"
       "      --log FILE             log of the run (default infoData.csv)\n"
       "      --no-log               do not log the run\n"
       "      --out FILE             sums of the diagonals (default out.txt)\n"
       "  -h, --help                 show this help\n"
       "      --version              show the version\n");

// Long-only options get values past the range of characters.
enum : int { optLog = 256, optNoLog, optOut, optJson, optVersion, optStackSize, optBind, optOrder, optPerf, optContext,
             optProgress, optNoProgress };

// Reports a refused command line in one line on stderr.
CommandLine refuse(const char* program, const std::string& what) {
    // TRANSLATORS: the program's name, the refusal, the program's name again.
    fprintf(stderr, _("%s: %s (see %s --help)\n"), program, what.c_str(), program);
    return CommandLine::refused;
}

// The option as the user typed it, for messages: "--runs" or "-r".
std::string optionText(char** argv, int index) {
    const std::string text = argv[index];
    const auto equals = text.find('=');
    return text.rfind("--", 0) == 0 ? text.substr(0, equals) : text.substr(0, 2);
}

// The option getopt_long just returned, for messages; its value may stand in
// its own argument, so the option is named from the table, not from argv.
std::string optionName(const option* options, int longIndex, int result) {
    if (longIndex >= 0) {
        return std::string("--") + options[longIndex].name;
    }
    return std::string("-") + static_cast<char>(result);
}

// getopt_long keeps its state in globals; every parse starts afresh so that
// tests may parse several command lines in one process.
void resetGetopt() {
    optind = 0;
    opterr = 0;
}

// The messages for what getopt itself refuses: an unknown option, one
// without its value, or one given a value it does not take.
CommandLine refuseGetopt(const char* program, int result, char** argv) {
    const std::string typed = argv[optind - 1];
    if (result == ':') {
        return refuse(program,
                      formatMessage(_("option %s needs a value"), optionText(argv, optind - 1).c_str()));
    }
    if (optopt != 0 && typed.rfind("--", 0) != 0) {
        return refuse(program, formatMessage(_("unknown option: -%c"), optopt));
    }
    // getopt names a known long option given a value it does not take.
    if (optopt != 0) {
        return refuse(program,
                      formatMessage(_("option %s takes no value"), optionText(argv, optind - 1).c_str()));
    }
    return refuse(program, formatMessage(_("unknown option: %s"), typed.c_str()));
}

std::string invalid(const std::string& option, const char* value, const std::string& allowed) {
    // TRANSLATORS: the option, the value refused, and what it accepts.
    return formatMessage(_("%s '%s' is invalid: %s"), option.c_str(), value, allowed.c_str());
}

bool parseCount(std::string_view text, int32_t* count) {
    return parseBoundedInt(text, 1, maxWorkers, count);
}

// The options both programs share: --log FILE, --no-log and --out FILE.
// False when `result` is none of them; `outcome` is then left alone, and
// otherwise says whether the value was refused.
bool parseOutputOption(const char* program, int result, bool* log, std::string* logPath, std::string* outPath,
                       CommandLine* outcome) {
    *outcome = CommandLine::run;
    switch (result) {
        case optLog:
        case optOut:
            if (*optarg == '\0') {
                *outcome = refuse(
                    program, formatMessage(_("%s needs a file name"), result == optLog ? "--log" : "--out"));
                return true;
            }
            if (result == optLog) {
                *log = true;
                *logPath = optarg;
            } else {
                *outPath = optarg;
            }
            return true;
        case optNoLog:
            *log = false;
            return true;
        default:
            return false;
    }
}

// What a command line whose options were all accepted still refuses: an
// argument that is no option.
CommandLine refuseStrayArgument(const char* program, int argc, char** argv) {
    if (optind < argc) {
        return refuse(program, formatMessage(_("unexpected argument: '%s'"), argv[optind]));
    }
    return CommandLine::run;
}

// Adds a --context pair; refuses a malformed one and a key given twice.
bool addContextPair(const char* text, std::vector<std::pair<std::string, std::string>>* pairs,
                    std::string* why) {
    std::pair<std::string, std::string> pair;
    if (!parseContextPair(text, &pair)) {
        *why = _("use KEY=VALUE, with a key of at least one character");
        return false;
    }
    for (const auto& seen : *pairs) {
        if (seen.first == pair.first) {
            *why = _("the key was given before");
            return false;
        }
    }
    pairs->push_back(std::move(pair));
    return true;
}

}  // namespace

int commandLineExitStatus(CommandLine parsed) {
    switch (parsed) {
        case CommandLine::done: {
            OutputFile console = standardOutputFile();
            return flushOutput(&console, stdout) ? 0 : 1;
        }
        case CommandLine::refused:
            return usageExitStatus;
        case CommandLine::run:
            break;
    }
    return -1;
}

SweepOptions defaultSweepOptions() {
    SweepOptions options;
    for (int32_t t = 1; t <= 127; t++) {
        options.threadCounts.push_back(t);
    }
    return options;
}

CommandLine parseSweepOptions(int argc, char** argv, SweepOptions* options) {
    const char* program = "diagsum";
    static const option longOptions[] = {
        {"size", required_argument, nullptr, 's'},
        {"threads", required_argument, nullptr, 't'},
        {"runs", required_argument, nullptr, 'r'},
        {"warmup", required_argument, nullptr, 'w'},
        {"mode", required_argument, nullptr, 'm'},
        {"log", required_argument, nullptr, optLog},
        {"no-log", no_argument, nullptr, optNoLog},
        {"out", required_argument, nullptr, optOut},
        {"json", required_argument, nullptr, optJson},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, optVersion},
        {"stack-size", required_argument, nullptr, optStackSize},
        {"bind", required_argument, nullptr, optBind},
        {"order", required_argument, nullptr, optOrder},
        {"perf", required_argument, nullptr, optPerf},
        {"context", required_argument, nullptr, optContext},
        {"progress", no_argument, nullptr, optProgress},
        {"no-progress", no_argument, nullptr, optNoProgress},
        {nullptr, 0, nullptr, 0},
    };
    resetGetopt();
    int result;
    int longIndex = -1;
    while ((result = getopt_long(argc, argv, ":s:t:r:w:m:h", longOptions, &longIndex)) != -1) {
        const std::string option = optionName(longOptions, longIndex, result);
        longIndex = -1;
        CommandLine outcome;
        if (parseOutputOption(program, result, &options->log, &options->logPath, &options->outPath,
                              &outcome)) {
            options->logNamed = options->logNamed || result == optLog;
            if (outcome == CommandLine::refused) {
                return outcome;
            }
            continue;
        }
        std::string why;
        switch (result) {
            case 's':
                if (!parseMatrixSize(optarg, &options->rows, &options->columns, &why)) {
                    return refuse(program, invalid(option, optarg, why));
                }
                break;
            case 't':
                if (!parseThreadList(optarg, &options->threadCounts, &why)) {
                    return refuse(program, invalid(option, optarg, why));
                }
                break;
            case 'r':
                if (!parseBoundedInt(optarg, 1, int32Max, &options->runs)) {
                    return refuse(program, invalid(option, optarg, _("use an integer from 1 to 2147483647")));
                }
                break;
            case 'w':
                if (!parseBoundedInt(optarg, 0, int32Max, &options->warmup)) {
                    return refuse(program, invalid(option, optarg, _("use an integer from 0 to 2147483647")));
                }
                break;
            case 'm':
                if (!parseModeList(optarg, &options->modes, &why)) {
                    return refuse(program, invalid(option, optarg, why));
                }
                options->modesNamed = true;
                break;
            case optJson:
                if (*optarg == '\0') {
                    return refuse(program, formatMessage(_("%s needs a file name"), "--json"));
                }
                options->jsonPath = optarg;
                break;
            case optStackSize:
                if (!parseStackSizes(optarg, &options->stackSizes, &why)) {
                    return refuse(program, invalid(option, optarg, why));
                }
                break;
            case optBind:
                if (!parsePlacement(optarg, &options->placement, &why)) {
                    return refuse(program, invalid(option, optarg, why));
                }
                break;
            case optOrder:
                if (!parseRunOrder(optarg, &options->order, &why)) {
                    return refuse(program, invalid(option, optarg, why));
                }
                break;
            case optPerf:
                if (!parsePerfList(optarg, &options->perfEvents, &why)) {
                    return refuse(program, option + " '" + optarg + "': " + why);
                }
                break;
            case optContext:
                if (!addContextPair(optarg, &options->userContext, &why)) {
                    return refuse(program, option + " '" + optarg + "': " + why);
                }
                break;
            case optProgress:
            case optNoProgress:
                options->progress = result == optProgress ? ProgressChoice::on : ProgressChoice::off;
                break;
            case 'h':
                fputs(_(sweepUsage), stdout);
                fputs(_(sweepShapeUsage), stdout);
                fputs(_(sweepCounterUsage), stdout);
                return CommandLine::done;
            case optVersion:
                printVersion(program);
                return CommandLine::done;
            default:
                return refuseGetopt(program, result, argv);
        }
    }
    // libgomp gives every team thread of the process one stack size.
    if (options->stackSizes.size() > 1 &&
        std::find(options->modes.begin(), options->modes.end(), RunMode::pool) != options->modes.end()) {
        return refuse(program, _("pool runs take one --stack-size per sweep: OpenMP sets its threads' stack "
                                 "once, when the program starts"));
    }
    return refuseStrayArgument(program, argc, argv);
}

CommandLine parseSingleOptions(int argc, char** argv, SingleOptions* options) {
    const char* program = "diagsum-single";
    static const option longOptions[] = {
        {"size", required_argument, nullptr, 's'},     {"threads", required_argument, nullptr, 't'},
        {"log", required_argument, nullptr, optLog},   {"no-log", no_argument, nullptr, optNoLog},
        {"out", required_argument, nullptr, optOut},   {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, optVersion}, {nullptr, 0, nullptr, 0},
    };
    resetGetopt();
    int result;
    int longIndex = -1;
    while ((result = getopt_long(argc, argv, ":s:t:h", longOptions, &longIndex)) != -1) {
        const std::string option = optionName(longOptions, longIndex, result);
        longIndex = -1;
        CommandLine outcome;
        if (parseOutputOption(program, result, &options->log, &options->logPath, &options->outPath,
                              &outcome)) {
            if (outcome == CommandLine::refused) {
                return outcome;
            }
            options->logNamed = options->logNamed || result == optLog;
            continue;
        }
        std::string why;
        switch (result) {
            case 's':
                if (!parseMatrixSize(optarg, &options->rows, &options->columns, &why)) {
                    return refuse(program, invalid(option, optarg, why));
                }
                options->sizeGiven = true;
                break;
            case 't':
                if (!parseCount(optarg, &options->threads)) {
                    return refuse(
                        program,
                        invalid(option, optarg, formatMessage(_("use an integer from 1 to %d"), maxWorkers)));
                }
                options->threadsGiven = true;
                break;
            case 'h':
                fputs(_(singleUsage), stdout);
                return CommandLine::done;
            case optVersion:
                printVersion(program);
                return CommandLine::done;
            default:
                return refuseGetopt(program, result, argv);
        }
    }
    return refuseStrayArgument(program, argc, argv);
}
