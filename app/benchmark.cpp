#include "app/benchmark.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>  // environ

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "app/diagrun.h"
#include "app/poolrun.h"
#include "app/runlog.h"
#include "app/settings.h"
#include "app/workerstart.h"
#include "counters/perfcounters.h"
#include "export/sweepjson.h"
#include "i18n/messages.h"
#include "machine/fingerprint.h"
#include "outputs/driveroutputs.h"
#include "plan/sweepsetup.h"
#include "progress/progress.h"

namespace {

constexpr BuildSettings thisBuild{getInputFromUser, generateExecutionData, printInfoProcess, default_M,
                                  default_N,        default_NumThreads};

// How the runs of the sweep are made: its setup, and the start notes of
// bound workers, sized once for the largest count.
struct RunMaker {
    const SweepOptions* options;
    const SweepSetup* setup;
    WorkerStart start;
};

// One run of `variant` with `workers` workers, timed; a pool run needs the
// count's team to be up. Spawn runs with default attributes go through
// timeDiagRun, as in a sweep without stack size or placement. False when
// the run could not be made.
bool measureRun(RunMaker* maker, const Variant& variant, int32_t workers, DiagRun* run, RunTime* time) {
    const SweepOptions& options = *maker->options;
    int32_t* startCpus = maker->setup->bound ? maker->start.startCpus.data() : nullptr;
    if (variant.mode == RunMode::pool) {
        return timePoolRun(run, options.rows, options.columns, workers, time, startCpus);
    }
    maker->start.stackSize = options.stackSizes[variant.stack];
    if (maker->start.stackSize == 0 && !maker->setup->bound) {
        return timeDiagRun(run, options.rows, options.columns, workers, time);
    }
    return timeStartedRun(run, options.rows, options.columns, workers, &maker->start, time);
}

// A run whose time is not wanted: it only brings caches, allocator and
// kernel to the state the timed runs meet.
bool warmupRun(RunMaker* maker, const Variant& variant, int32_t workers) {
    DiagRun run;
    RunTime ignored;
    if (!measureRun(maker, variant, workers, &run, &ignored)) {
        return false;
    }
    releaseDiagRun(&run);
    return true;
}

// Whether runs of `mode` go to the log: its five fields cannot tell the
// modes apart, so pool runs go only to a log the user named.
bool logsMode(const SweepOptions& options, RunMode mode) {
    return generateExecutionData && options.log && (mode == RunMode::spawn || options.logNamed);
}

// What became of a timed run.
enum class RunEnd {
    measured,        // timed, its sums written (or their failure reported) and logged
    notMade,         // a part of it could not be made (said on stdout)
    sumsOutOfMemory  // timed and logged, but no memory was left to write its sums (said on stderr)
};

// One timed run, its sums written to out.txt and the run logged. A file
// that cannot be written is reported and the sweep goes on: the times are
// still true. A run whose sums' text finds no memory is still logged, its
// time being true, but the sweep cannot go on making runs of that size.
RunEnd timedRun(RunMaker* maker, DriverOutputs* outputs, const Variant& variant, int32_t workers,
                TimedRun* timed) {
    DiagRun run;
    if (!measureRun(maker, variant, workers, &run, &timed->time)) {
        return RunEnd::notMade;
    }
    const bool sumsMade = writeRunSums(&outputs->out, run.results, "diagsum");
    releaseDiagRun(&run);
    if (logsMode(*maker->options, variant.mode)) {
        appendToLog(&outputs->log, ExecutionData{timed->time.ticks, run.matrix.rows, run.matrix.columns,
                                                 run.matrix.diagonals, workers});
    }
    if (maker->setup->bound) {
        const PlacementCheck check =
            checkPlacement(maker->setup->masks, maker->start.startCpus.data(), workers);
        timed->cpusUsed = check.cpusUsed;
        timed->placementMisses = check.misses;
    }
    return sumsMade ? RunEnd::measured : RunEnd::sumsOutOfMemory;
}

bool usesMode(const SweepOptions& options, RunMode wanted) {
    return std::find(options.modes.begin(), options.modes.end(), wanted) != options.modes.end();
}

// Written once the sweep is over: after a stop, a pipe is still waited for
// until a reader comes (a second signal ends the program at once). False
// when there was not memory to build it (said on stderr; the old file stays).
bool writeJson(const SweepOptions& options, const SweepSetup& setup, DriverOutputs* outputs,
               const std::vector<TimedRun>& runs, const std::string& executable, const SweepFacts& facts) {
    if (options.jsonPath.empty()) {
        return true;
    }
    try {
        const SweepRecord record{setup.seed, setup.bound ? setup.masks.cpus : std::vector<int32_t>{}, stopSignal()};
        writeWholeFile(&outputs->json, sweepJson(options, runs, executable, thisBuild, facts, record),
                       PipeWait::untilNextStop);
        return true;
    } catch (const std::bad_alloc&) {
        fprintf(stderr, _("diagsum: not enough memory to build %s; it is not written\n"),
                outputs->json.name.c_str());
        return false;
    }
}

// The timed runs of the sweep so far: every one counted, kept for the JSON
// file when there is one.
struct SweepRuns {
    std::vector<TimedRun> timed;
    size_t made = 0;
};

// Says on stderr that the sweep stopped and where its runs are kept.
void reportStop(const SweepOptions& options, const SweepSetup& setup, const DriverOutputs& outputs,
                size_t made) {
    const size_t planned = options.threadCounts.size() * setup.variants.size() * static_cast<size_t>(options.runs);
    const std::string kept = keptRunsText(outputs);
    if (kept.empty()) {
        // TRANSLATORS: the signal's name (SIGINT), the runs made, the runs planned.
        fprintf(stderr, _("diagsum: sweep stopped by %s after %zu of %zu timed runs; no file keeps them\n"),
                signalName(stopSignal()), made, planned);
        return;
    }
    // TRANSLATORS: the signal's name (SIGINT), the runs made, the runs
    // planned, the files that keep them ("infoData.csv, sweep.json").
    fprintf(stderr, _("diagsum: sweep stopped by %s after %zu of %zu timed runs; they are kept in %s\n"),
            signalName(stopSignal()), made, planned, kept.c_str());
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

// What ends a sweep early: a run that could not be made, or a stop signal.
enum class SweepEnd { finished, runFailed, stopped };

// The means of the counts, printed in the order of the counts as each one
// and every count before it have all their timed runs.
struct MeanLines {
    std::vector<double> totals;  // per count and variant: the sum of ticks
    std::vector<int64_t> left;   // per count: timed runs still to make
    size_t printed = 0;          // counts printed so far
    Progress* progress = nullptr;  // taken off the terminal before a mean line
};

void printCountMeans(const SweepOptions& options, const SweepSetup& setup, DriverOutputs* outputs,
                     const MeanLines& means, size_t count) {
    clearProgress(means.progress);  // the mean lines may go to the same terminal
    for (size_t v = 0; v < setup.variants.size(); v++) {
        const std::string label = variantLabel(options, setup.variants[v]);
        printMeanLine(&outputs->console, stdout, options.threadCounts[count],
                      means.totals[count * setup.variants.size() + v] / options.runs,
                      label.empty() ? nullptr : label.c_str());
    }
}

// Prints every count that is complete and has no incomplete count before
// it; at the end of a sweep cut short (`ended`), every complete count,
// skipping the incomplete ones, so no true mean is lost.
void printReadyMeans(const SweepOptions& options, const SweepSetup& setup, DriverOutputs* outputs,
                     MeanLines* means, bool ended) {
    for (; means->printed < means->left.size(); means->printed++) {
        if (means->left[means->printed] == 0) {
            printCountMeans(options, setup, outputs, *means, means->printed);
        } else if (!ended) {
            return;
        }
    }
}

// No pool team is up.
constexpr size_t noTeam = SIZE_MAX;

// Brings up the pool team of the count at `count` (of `workers` workers)
// when a run of that count comes next. `team` is the index of the count
// whose team is up, or noTeam: a count listed twice gets a team each time.
bool switchPoolTeam(const SweepSetup& setup, size_t count, int32_t workers, size_t* team) {
    if (*team == count) {
        return true;
    }
    if (*team != noTeam) {
        endPoolTeam();
        *team = noTeam;
    }
    if (!startPoolTeam(workers, setup.bound ? &setup.masks : nullptr)) {
        return false;
    }
    *team = count;
    return true;
}

// Makes the planned runs in turn. A pool team is up from the first run of
// a count until a run of another count comes, outside every measured
// interval. A stop signal is honoured between runs.
SweepEnd makePlannedRuns(RunMaker* maker, DriverOutputs* outputs, MeanLines* means, size_t* team,
                         SweepRuns* runs) {
    const SweepOptions& options = *maker->options;
    const SweepSetup& setup = *maker->setup;
    const bool pool = usesMode(options, RunMode::pool);
    const uint64_t total = plannedRunCount(setup.plan.shape);
    uint64_t sequence = 0;
    for (uint64_t i = 0; i < total; i++) {
        const PlannedRun planned = plannedRun(setup.plan, i);
        const int32_t workers = options.threadCounts[planned.count];
        const Variant& variant = setup.variants[planned.variant];
        if (pool && !switchPoolTeam(setup, planned.count, workers, team)) {
            return SweepEnd::runFailed;
        }
        if (getInputFromUser && !planned.warmup) {
            runlog::pause();  // a signal while waiting stops before the run
        }
        if (stopSignal() != 0) {
            return SweepEnd::stopped;
        }
        if (planned.warmup) {
            if (!warmupRun(maker, variant, workers)) {
                return SweepEnd::runFailed;
            }
            continue;
        }
        TimedRun run{planned.count, variant.mode, RunTime{}, variant.stack, sequence++};
        const RunEnd made = timedRun(maker, outputs, variant, workers, &run);
        if (made == RunEnd::notMade) {
            return SweepEnd::runFailed;
        }
        means->totals[planned.count * setup.variants.size() + planned.variant] += run.time.ticks;
        means->left[planned.count]--;
        runs->made++;
        // The line counts the count's runs of every variant, within int32_t.
        const int64_t perCount = std::min<int64_t>(
            int64_t{options.runs} * static_cast<int64_t>(setup.variants.size()), INT32_MAX);
        progressRunDone(means->progress, workers,
                        static_cast<int32_t>(std::max<int64_t>(perCount - means->left[planned.count], 1)),
                        static_cast<int32_t>(perCount));
        if (!options.jsonPath.empty()) {
            runs->timed.push_back(run);
        }
        if (made == RunEnd::sumsOutOfMemory) {
            return SweepEnd::runFailed;  // its time is kept, but no further run of this size fits
        }
        printReadyMeans(options, setup, outputs, means, false);
    }
    return SweepEnd::finished;
}

// The whole plan, each count's means printed once all its runs are timed.
SweepEnd sweepPlan(const SweepOptions& options, const SweepSetup& setup, DriverOutputs* outputs,
                   SweepRuns* runs, Progress* progress) {
    RunMaker maker{&options, &setup, WorkerStart{}};
    if (setup.bound) {
        maker.start.masks = &setup.masks;
        reserveWorkerStarts(&maker.start,
                            *std::max_element(options.threadCounts.begin(), options.threadCounts.end()));
    }
    MeanLines means;
    means.progress = progress;
    means.totals.assign(options.threadCounts.size() * setup.variants.size(), 0.0);
    means.left.assign(options.threadCounts.size(),
                      int64_t{options.runs} * static_cast<int64_t>(setup.variants.size()));
    size_t team = noTeam;
    const SweepEnd end = makePlannedRuns(&maker, outputs, &means, &team, runs);
    if (team != noTeam) {
        endPoolTeam();
    }
    printReadyMeans(options, setup, outputs, &means, true);
    return end;
}

}  // namespace

int benchmarkSweep() {
    return runSweep(defaultSweepOptions(), "diagsum");
}

int runSweep(const SweepOptions& options, const std::string& executable) {
    DriverOutputs outputs;
    bool logged = false;  // the log is opened only when a run will go there
    for (RunMode mode : options.modes) {
        logged = logged || logsMode(options, mode);
    }
    const std::string logPath = logged ? options.logPath : "";
    if (outputsClash("diagsum", logPath, options.outPath, options.jsonPath) ||
        (options.logNamed && logRefused("diagsum", logPath))) {
        return usageExitStatus;
    }
    SweepSetup setup;
    if (!setUpSweep(options, &setup)) {
        return usageExitStatus;
    }
    if (!openDriverOutputs(&outputs, logPath, options.outPath, options.jsonPath)) {
        closeDriverOutputs(&outputs);
        return 1;
    }
    SweepFacts facts = openSweepFacts(options);
    SweepRuns runs;
    Progress progress;
    startProgress(&progress,
                  options.threadCounts.size() * setup.variants.size() * static_cast<size_t>(options.runs),
                  getInputFromUser ? ProgressChoice::off : options.progress);
    SweepEnd end;
    try {
        end = sweepPlan(options, setup, &outputs, &runs, &progress);
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
    const bool jsonBuilt = writeJson(options, setup, &outputs, runs.timed, executable, facts);
    closeDriverOutputs(&outputs);
    if (end == SweepEnd::stopped) {
        reportStop(options, setup, outputs, runs.made);
    }
    return end == SweepEnd::runFailed || !jsonBuilt ? -1 : driverExitStatus(outputs);
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
    return endByStopSignal(runSweep(options, argc > 0 ? argv[0] : "diagsum"));
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
