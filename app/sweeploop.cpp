#include "app/sweeploop.h"

#include <algorithm>
#include <cstdint>

#include "app/diagrun.h"
#include "app/invocationstream.h"
#include "app/poolrun.h"
#include "app/poolteam.h"
#include "app/runlog.h"
#include "app/settings.h"
#include "app/workerstart.h"
#include "plan/meanlines.h"

namespace {

// How the runs of the sweep are made: its setup, and the start notes of
// bound workers, sized once for the largest count.
struct RunMaker {
    const SweepOptions* options;
    const SweepSetup* setup;
    WorkerStart start;
};

// One run of `variant` with `workers` workers, timed; a pool run needs the
// count's team to be up. False when the run could not be made.
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
    if (!options.jsonPath.empty()) {
        runs->timed.push_back(run);
    }
}

SweepEnd sweepPlan(const SweepOptions& options, const SweepSetup& setup, DriverOutputs* outputs,
                   SweepRuns* runs, Progress* progress) {
    RunMaker maker{&options, &setup, WorkerStart{}};
    if (setup.bound) {
        maker.start.masks = &setup.masks;
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
