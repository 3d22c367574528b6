#include "app/sweeploop.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "app/diagrun.h"
#include "app/invocationstream.h"
#include "app/poolrun.h"
#include "app/poolteam.h"
#include "app/runlog.h"
#include "app/settings.h"
#include "app/workerstart.h"
#include "plan/meanlines.h"
#include "splits/split.h"
#include "splits/splitworker.h"
#include "trace/runtrace.h"

namespace {

// How the runs of the sweep are made: its setup, the start notes of bound
// or recorded workers (sized once for the largest count), the split's
// shared work and the record of the run being made.
struct RunMaker {
    const SweepOptions* options = nullptr;
    const SweepSetup* setup = nullptr;
    WorkerStart start;
    SplitWork split;
    RunTrace trace;
    bool tracing = false;
};

// Whether the sweep keeps its timed runs: a file will hold them.
bool keepsRuns(const SweepOptions& options) {
    return !options.jsonPath.empty() || !options.tracePath.empty();
}

// A spawn run as the program always made it: default attributes,
// threadSumFunc's round-robin, nothing recorded.
bool plainSpawnRun(const RunMaker& maker, const Variant& variant) {
    return maker.options->stackSizes[variant.stack] == 0 && !maker.setup->bound &&
           variant.split == defaultSplit && !maker.tracing;
}

// One run of `variant` with `workers` workers, timed; a pool run needs the
// count's team to be up. The split's work and the record are readied
// first, outside the interval; the record's run span is the interval's own
// wall clock. False when the run could not be made.
bool measureRun(RunMaker* maker, const Variant& variant, int32_t workers, DiagRun* run, RunTime* time) {
    const SweepOptions& options = *maker->options;
    RunTrace* trace = maker->tracing ? &maker->trace : nullptr;
    if (trace != nullptr) {
        reserveRunTrace(trace, workers);
    }
    SplitWork* split = nullptr;
    if (variant.split != defaultSplit) {
        split = &maker->split;
        prepareSplitWork(split, variant.split, &run->matrix, &run->results, workers);
    }
    int32_t* startCpus = maker->setup->bound ? maker->start.startCpus.data() : nullptr;
    bool made;
    if (variant.mode == RunMode::pool) {
        made = timePoolRun(run, options.rows, options.columns, workers, time,
                           PoolRunWork{startCpus, split, trace});
    } else if (plainSpawnRun(*maker, variant)) {
        made = timeDiagRun(run, options.rows, options.columns, workers, time);
    } else {
        maker->start.stackSize = options.stackSizes[variant.stack];
        maker->start.split = split;
        maker->start.trace = trace;
        made = timeStartedRun(run, options.rows, options.columns, workers, &maker->start, time);
    }
    if (made && trace != nullptr) {
        trace->run = Span{time->wallBeginNs, time->wallEndNs};
    }
    return made;
}

// The most cells one worker of the run summed: the dynamic split's
// workers counted theirs, the static splits' follow from the geometry.
int64_t elementsMaxOf(const RunMaker& maker, const Variant& variant, int32_t workers) {
    const std::optional<int64_t> most =
        variant.split == Split::dynamic
            ? splitElementsMax(maker.split)
            : staticElementsMax(variant.split, maker.options->rows, maker.options->columns, workers);
    return most.value_or(-1);
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

// What became of a timed run.
enum class RunEnd {
    measured,        // timed, its sums written (or their failure reported) and logged
    notMade,         // a part of it could not be made (said on stdout)
    sumsOutOfMemory  // timed and logged, but no memory was left to write its sums (said on stderr)
};

// One timed run, its sums written to out.txt (or, in a child invocation,
// kept for the parent); with bound workers, where they started is checked
// against the plan.
RunEnd timedRun(RunMaker* maker, DriverOutputs* outputs, InvocationStream* stream, const Variant& variant,
                int32_t workers, TimedRun* timed) {
    DiagRun run;
    if (!measureRun(maker, variant, workers, &run, &timed->time)) {
        return RunEnd::notMade;
    }
    const bool sumsMade = stream != nullptr ? keepRunSums(stream, run.results, outputs->out.name)
                                            : writeRunSums(&outputs->out, run.results, "diagsum");
    releaseDiagRun(&run);
    if (maker->setup->bound) {
        const PlacementCheck check =
            checkPlacement(maker->setup->masks, maker->start.startCpus.data(), workers);
        timed->cpusUsed = check.cpusUsed;
        timed->placementMisses = check.misses;
    }
    // A child invocation sends every run to its parent, which may keep it.
    if (keepsRuns(*maker->options) || stream != nullptr) {
        timed->elementsMax = elementsMaxOf(*maker, variant, workers);
        if (maker->tracing) {
            timed->trace = maker->trace;
        }
    }
    return sumsMade ? RunEnd::measured : RunEnd::sumsOutOfMemory;
}

// Makes the planned runs in turn; a stop signal is honoured between runs.
SweepEnd makePlannedRuns(RunMaker* maker, DriverOutputs* outputs, MeanLines* means, PoolTeam* team,
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
        if (pool && !usePoolTeamOf(team, planned.count, workers, setup.bound ? &setup.masks : nullptr)) {
            return SweepEnd::runFailed;
        }
        if (getInputFromUser && !planned.warmup) {
            runlog::pause();  // a signal while waiting stops before the run
        }
        if (stopSignal() != 0 || stopAsked(runs->stream)) {
            return SweepEnd::stopped;
        }
        if (planned.warmup) {
            if (!warmupRun(maker, variant, workers)) {
                return SweepEnd::runFailed;
            }
            continue;
        }
        TimedRun run{planned.count, variant.mode, RunTime{}, variant.stack, sequence++};
        run.split = variant.split;
        const RunEnd made = timedRun(maker, outputs, runs->stream, variant, workers, &run);
        if (made == RunEnd::notMade) {
            return SweepEnd::runFailed;
        }
        recordTimedRun(options, setup, planned, run, outputs, means, runs);
        if (runs->stream != nullptr && !streamRun(runs->stream, planned.variant, run)) {
            return SweepEnd::stopped;  // the parent is gone
        }
        if (made == RunEnd::sumsOutOfMemory) {
            return SweepEnd::runFailed;  // its time is kept, but no further run of this size fits
        }
        if (runs->stream == nullptr) {
            printReadyMeans(means, options, setup, &outputs->console, false);
        }
    }
    return SweepEnd::finished;
}

}  // namespace

bool logsVariant(const SweepOptions& options, const Variant& variant) {
    return generateExecutionData && options.log && (options.logNamed || variantInDefaultLog(options, variant));
}

void recordTimedRun(const SweepOptions& options, const SweepSetup& setup, const PlannedRun& planned,
                    const TimedRun& run, DriverOutputs* outputs, MeanLines* means, SweepRuns* runs) {
    const int32_t workers = options.threadCounts[planned.count];
    if (logsVariant(options, setup.variants[planned.variant])) {
        // The run's matrix had these sizes: the options were checked to fit.
        appendToLog(&outputs->log, ExecutionData{run.time.ticks, options.rows, options.columns,
                                                 options.rows + options.columns - 1, workers});
    }
    const PlanShape& shape = setup.plan.shape;
    addToMean(means, shape, planned, run.time.ticks);
    runs->made++;
    // The line counts the count's runs of every variant, within int32_t.
    const int64_t perCount = std::min<int64_t>(timedRunsPerCount(shape), INT32_MAX);
    progressRunDone(means->progress, workers,
                    static_cast<int32_t>(std::max<int64_t>(perCount - means->left[planned.count], 1)),
                    static_cast<int32_t>(perCount));
    if (keepsRuns(options) && runs->stream == nullptr) {  // a child sends its runs instead
        runs->timed.push_back(run);
    }
}

SweepEnd sweepPlan(const SweepOptions& options, const SweepSetup& setup, DriverOutputs* outputs,
                   SweepRuns* runs, Progress* progress) {
    RunMaker maker;
    maker.options = &options;
    maker.setup = &setup;
    maker.tracing = !options.tracePath.empty();
    maker.start.masks = setup.bound ? &setup.masks : nullptr;
    maker.start.trace = maker.tracing ? &maker.trace : nullptr;
    const bool split =
        std::any_of(options.splits.begin(), options.splits.end(), [](Split s) { return s != defaultSplit; });
    maker.start.split = split ? &maker.split : nullptr;
    if (setup.bound || maker.tracing || split) {
        reserveWorkerStarts(&maker.start,
                            *std::max_element(options.threadCounts.begin(), options.threadCounts.end()));
    }
    MeanLines means = startMeanLines(setup.plan.shape, progress);
    PoolTeam team;
    const SweepEnd end = makePlannedRuns(&maker, outputs, &means, &team, runs);
    endPoolTeamOf(&team);
    if (runs->stream == nullptr) {
        printReadyMeans(&means, options, setup, &outputs->console, true);
    }
    return end;
}
