#include "cli/options.h"

#include <algorithm>

#include "cli/parsing.h"
#include "counters/perfcounters.h"
#include "i18n/messages.h"

namespace {

// A file option's value: any name but the empty one, and none that starts
// with '-': "--json --no-log" lacks its value rather than naming a file
// "--no-log". Such a file is named as a path ("./-x").
std::string takeFileName(const GivenOption& given, std::string* path) {
    if (*given.text == '\0') {
        return formatMessage(_("%s needs a file name"), given.name.c_str());
    }
    if (*given.text == '-') {
        // TRANSLATORS: the option, the word after it, and that word again.
        return formatMessage(_("%s needs a file name, not '%s' (name a file that starts with '-' as ./%s)"),
                             given.name.c_str(), given.text, given.text);
    }
    *path = given.text;
    return "";
}

// The options both programs share: --log FILE, --no-log, --out FILE and
// --size RxC. False when `given` is none of them; `refusal` then stays
// empty.
template <typename Options>
bool applySharedOption(const GivenOption& given, Options* options, std::string* refusal) {
    std::string why;
    switch (given.value) {
        case 's':
            if (!parseMatrixSize(given.text, &options->rows, &options->columns, &why)) {
                *refusal = invalidValue(given, why);
            }
            return true;
        case optLog:
            *refusal = takeFileName(given, &options->logPath);
            options->log = true;  // a refused name ends the parse: nothing runs
            options->logNamed = true;
            return true;
        case optOut:
            *refusal = takeFileName(given, &options->outPath);
            return true;
        case optNoLog:
            options->log = false;
            return true;
        default:
            return false;
    }
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

// A count option's value: an integer from `low` to 2147483647.
std::string takeCount(const GivenOption& given, int32_t low, int32_t* count) {
    if (parseBoundedInt(given.text, low, int32Max, count)) {
        return "";
    }
    // TRANSLATORS: the smallest value allowed (0 or 1).
    return invalidValue(given, formatMessage(_("use an integer from %d to 2147483647"), low));
}

// The refusal of a list option whose `why` already names what is allowed.
std::string refusedList(const GivenOption& given, const std::string& why) {
    return given.name + " '" + given.text + "': " + why;
}

// The options that shape how the sweep's runs are made.
std::string applyRunShapeOption(const GivenOption& given, SweepOptions* options) {
    std::string why;
    switch (given.value) {
        case optStackSize:
            return parseStackSizes(given.text, &options->stackSizes, &why) ? "" : invalidValue(given, why);
        case optBind:
            return parsePlacement(given.text, &options->placement, &why) ? "" : invalidValue(given, why);
        case optOrder:
            return parseRunOrder(given.text, &options->order, &why) ? "" : invalidValue(given, why);
        case optInvocations:
            return takeCount(given, 1, &options->invocations);
        case optSplit:
            return parseSplitList(given.text, &options->splits, &why) ? "" : invalidValue(given, why);
        default:
            return "";
    }
}

std::string applySweepOption(const GivenOption& given, SweepOptions* options) {
    std::string refusal;
    if (applySharedOption(given, options, &refusal)) {
        return refusal;
    }
    std::string why;
    switch (given.value) {
        case 't':
            return parseThreadList(given.text, &options->threadCounts, &why) ? "" : invalidValue(given, why);
        case 'r':
            return takeCount(given, 1, &options->runs);
        case 'w':
            return takeCount(given, 0, &options->warmup);
        case 'm':
            options->modesNamed = true;
            return parseModeList(given.text, &options->modes, &why) ? "" : invalidValue(given, why);
        case optJson:
            return takeFileName(given, &options->jsonPath);
        case optTrace:
            return takeFileName(given, &options->tracePath);
        case optPerf:
            return parsePerfList(given.text, &options->perfEvents, &why) ? "" : refusedList(given, why);
        case optContext:
            return addContextPair(given.text, &options->userContext, &why) ? "" : refusedList(given, why);
        case optProgress:
        case optNoProgress:
            options->progress = given.value == optProgress ? ProgressChoice::on : ProgressChoice::off;
            return "";
        default:
            return applyRunShapeOption(given, options);
    }
}

// What the options refuse together: several stack sizes with pool runs
// (libgomp gives every team thread of the process one stack size), counters
// and context with nowhere to record them, and invocations that would make
// no run of a count.
std::string checkSweepOptions(const SweepOptions& options) {
    if (options.stackSizes.size() > 1 && usesMode(options, RunMode::pool)) {
        return _(
            "pool runs take one --stack-size per sweep: OpenMP sets its threads' stack once, when the "
            "program starts");
    }
    if (options.jsonPath.empty() && (!options.perfEvents.empty() || !options.userContext.empty())) {
        // TRANSLATORS: the option (--perf or --context).
        return formatMessage(_("%s records into the JSON file: give --json FILE with it"),
                             options.perfEvents.empty() ? "--context" : "--perf");
    }
    if (options.runs < options.invocations) {
        return formatMessage(_("--invocations %d would leave an invocation without runs: give --runs at "
                               "least %d (the runs per count of the whole sweep)"),
                             options.invocations, options.invocations);
    }
    return "";
}

std::string applySingleOption(const GivenOption& given, SingleOptions* options) {
    if (given.value == 's') {
        options->sizeGiven = true;
    }
    std::string refusal;
    if (applySharedOption(given, options, &refusal)) {
        return refusal;
    }
    switch (given.value) {
        case 't':
            options->threadsGiven = true;
            return parseWorkerCount(given.text, &options->threads)
                       ? ""
                       : invalidValue(given, formatMessage(_("use an integer from 1 to %d"), maxWorkers));
        default:
            return "";
    }
}

}  // namespace

SweepOptions defaultSweepOptions() {
    SweepOptions options;
    for (int32_t t = 1; t <= 127; t++) {
        options.threadCounts.push_back(t);
    }
    return options;
}

bool usesMode(const SweepOptions& options, RunMode mode) {
    return std::find(options.modes.begin(), options.modes.end(), mode) != options.modes.end();
}

CommandLine parseSweepOptions(int argc, char** argv, SweepOptions* options) {
    return parseCommandLine(
        Driver::sweep, argc, argv,
        [options](const GivenOption& given) { return applySweepOption(given, options); },
        [options] { return checkSweepOptions(*options); });
}

CommandLine parseSingleOptions(int argc, char** argv, SingleOptions* options) {
    return parseCommandLine(Driver::single, argc, argv, [options](const GivenOption& given) {
        return applySingleOption(given, options);
    });
}
