#include "app/benchmark.h"

#include <cerrno>
#include <unistd.h>  // environ

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "app/invocationchild.h"
#include "app/invocations.h"
#include "app/poolrun.h"
#include "app/settings.h"
#include "app/sweeploop.h"
#include "counters/perfcounters.h"
#include "export/sweepjson.h"
#include "export/sweeptrace.h"
#include "i18n/messages.h"
#include "machine/fingerprint.h"
#include "outputs/driveroutputs.h"
#include "plan/invocations.h"
#include "plan/sweepsetup.h"
#include "progress/progress.h"
#include "progress/stopreport.h"

namespace {

constexpr BuildSettings thisBuild{getInputFromUser, generateExecutionData, printInfoProcess, default_M,
                                  default_N,        default_NumThreads};

// Writes `file` with what `build` makes, once the sweep is over: after a
// stop, a pipe is still waited for until a reader comes (a second signal
// ends the program at once). False when there was not memory to build it
// (said on stderr; the old file stays).
template <typename Build>
bool writeAtEnd(OutputFile* file, const Build& build) {
    if (file->name.empty()) {
        return true;
    }
    try {
        writeWholeFile(file, build(), PipeWait::untilNextStop);
        return true;
    } catch (const std::bad_alloc&) {
        fprintf(stderr, _("diagsum: not enough memory to build %s; it is not written\n"), file->name.c_str());
        return false;
    }
}

// The JSON file and the trace file, each of them when asked for.
bool writeRunFiles(const SweepOptions& options, const SweepSetup& setup, DriverOutputs* outputs,
                   const std::vector<TimedRun>& runs, const std::string& executable,
                   const SweepFacts& facts) {
    const bool json = writeAtEnd(&outputs->json, [&] {
        SweepRecord record;
        record.seed = setup.seed;
        record.bindCpus = setup.bound ? setup.masks.cpus : std::vector<int32_t>{};
        record.stopSignal = stopSignal();
        for (int32_t i = 0; options.invocations > 1 && options.order.order == RunOrder::random &&
                            i < options.invocations;
             i++) {
            record.invocationSeeds.push_back(invocationSeed(setup.seed, i));
        }
        return sweepJson(options, runs, executable, thisBuild, facts, record);
    });
    const bool trace =
        writeAtEnd(&outputs->trace, [&] { return sweepTraceText(options, setup.variants, runs); });
    return json && trace;
}

// The circumstances of the sweep, read before its first run, and the perf
// counters asked for opened (each one the machine cannot give named once on
// stderr). A sweep that records itself in a JSON file is warned about a
// machine that is a poor place to measure right now; the sweep goes on.
SweepFacts openSweepFacts(const SweepOptions& options) {
    SweepFacts facts;
    facts.machine = readMachineFingerprint("");
    facts.process = readProcessFacts(environ);
    facts.userContext = options.userContext;
    if (!options.jsonPath.empty()) {
        for (const std::string& warning : measurementWarnings(facts.machine)) {
            fprintf(stderr, _("diagsum: warning: %s\n"), warning.c_str());
        }
    }
    if (!options.perfEvents.empty()) {
        facts.perfEvents = openPerfCounters(options.perfEvents);
    }
    return facts;
}

}  // namespace

int benchmarkSweep() {
    return runSweep(defaultSweepOptions(), "diagsum");
}

int runSweep(const SweepOptions& options, const std::string& executable, char** argv) {
    DriverOutputs outputs;
    bool logged = false;  // the log is opened only when a run will go there
    for (const Variant& variant : sweepVariants(options)) {
        logged = logged || logsVariant(options, variant);
    }
    const std::string logPath = logged ? options.logPath : "";
    if (outputsClash("diagsum", logPath, options.outPath, options.jsonPath, options.tracePath) ||
        (options.logNamed && logRefused("diagsum", logPath))) {
        return usageExitStatus;
    }
    SweepSetup setup;
    if (!setUpSweep(options, &setup)) {
        return usageExitStatus;
    }
    if (!openDriverOutputs(&outputs, logPath, options.outPath, options.jsonPath, options.tracePath)) {
        closeDriverOutputs(&outputs);
        return 1;
    }
    SweepFacts facts = openSweepFacts(options);
    const bool invocations = options.invocations > 1 && argv != nullptr;
    if (invocations) {
        closePerfCounters();  // the children count; open here, they would count them twice
    }
    SweepRuns runs;
    Progress progress;
    startProgress(&progress, plannedTimedRuns(setup.plan.shape),
                  getInputFromUser ? ProgressChoice::off : options.progress);
    SweepEnd end;
    try {
        end = invocations ? sweepInvocations(options, setup, argv, facts.perfEvents, &outputs, &runs, &progress)
                          : sweepPlan(options, setup, &outputs, &runs, &progress);
    } catch (const std::bad_alloc&) {
        // The bookkeeping outside the C allocations (the list of timed runs,
        // a log line, a file's name) found no memory: a part of a run that
        // could not be made, like the others.
        clearProgress(&progress);
        fprintf(stderr, _("diagsum: not enough memory to go on; the sweep stopped\n"));
        end = SweepEnd::runFailed;
    }
    clearProgress(&progress);
    closePerfCounters();
    facts.loadAtEnd = readLoadAverage("");
    // A closed standard output seen at the last mean line stops nothing but
    // still ends the program as a pipe death.
    if (end == SweepEnd::finished && stopSignal() != 0) {
        end = SweepEnd::stopped;
    }
    // The runs completed so far are kept whatever ended the sweep.
    const bool filesBuilt = writeRunFiles(options, setup, &outputs, runs.timed, executable, facts);
    closeDriverOutputs(&outputs);
    if (end == SweepEnd::stopped) {
        reportSweepStop(stopSignal(), runs.made, plannedTimedRuns(setup.plan.shape), keptRunsText(outputs));
    }
    return end == SweepEnd::runFailed || !filesBuilt ? -1 : driverExitStatus(outputs);
}

int sweepMain(int argc, char** argv) try {
    holdStandardDescriptors();
    SweepOptions options = defaultSweepOptions();
    const int ended = commandLineExitStatus(parseSweepOptions(argc, argv, &options));
    if (ended >= 0) {
        return ended;
    }
    // libgomp reads the team's stack size once, when the program starts: a
    // sweep with pool runs and a stack size starts afresh with it set.
    const size_t poolStack = options.stackSizes.front();
    if (usesMode(options, RunMode::pool) && poolStack != 0 && !poolStackSizeIs(poolStack)) {
        restartWithPoolStackSize(poolStack, argv);
        fprintf(
            stderr,
            _("diagsum: --stack-size %s cannot be given to pool runs: cannot start afresh with %s set: %s\n"),
            stackSizeName(poolStack).c_str(), poolStackVariable, strerror(errno));
        return usageExitStatus;
    }
    installStopHandlers();
    // Stopped, it ends by the signal once everything is written, as any
    // program killed by it would: a calling shell loop stops too.
    if (const char* share = invocationShareGiven(); share != nullptr) {
        return endByStopSignal(runInvocationChild(options, share));
    }
    return endByStopSignal(runSweep(options, argc > 0 ? argv[0] : "diagsum", argv));
} catch (const std::bad_alloc&) {
    fprintf(stderr, _("diagsum: not enough memory\n"));
    return -1;
}

#ifndef DIAGSUM_NO_ENTRY_POINT
int main(int argc, char** argv) {
    initMessages();
    return sweepMain(argc, argv);
}
#endif
