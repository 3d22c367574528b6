// The sweep's runs, made one after the other in the plan's order
// (plan/runplan.h): each warmup run untimed, each timed run measured, its
// sums written to out.txt, logged, added to its count's mean (printed as
// soon as the count is complete, plan/meanlines.h) and kept for the JSON
// file. A stop is honoured between runs.
#pragma once

#include <cstddef>
#include <vector>

#include "cli/options.h"
#include "export/sweepjson.h"
#include "outputs/driveroutputs.h"
#include "plan/meanlines.h"
#include "plan/sweepsetup.h"
#include "progress/progress.h"

struct InvocationStream;  // app/invocationstream.h

// The timed runs of the sweep so far: every one counted, kept for the JSON
// file or the trace file when there is one.
struct SweepRuns {
    std::vector<TimedRun> timed;
    size_t made = 0;
    // A child invocation's channel to its parent (--invocations), or null.
    // A child sends each timed run and its last run's sums there, writes no
    // out.txt and no mean line, and stops when the parent asks.
    InvocationStream* stream = nullptr;
};

// What ended the sweep: the last planned run, a run that could not be made,
// or a stop signal.
enum class SweepEnd { finished, runFailed, stopped };

// Whether runs of `variant` go to the log: the default log takes only the
// variants it can tell apart (variantInDefaultLog, plan/sweepsetup.h), a
// log the user named takes every run, and none is written with
// generateExecutionData off or --no-log.
bool logsVariant(const SweepOptions& options, const Variant& variant);

// Counts a timed run of `planned`'s count and variant, made in this process
// or by a child invocation: its log line (logsVariant), its count's mean,
// the progress line and, with a JSON or trace file, the runs kept for it.
void recordTimedRun(const SweepOptions& options, const SweepSetup& setup, const PlannedRun& planned,
                    const TimedRun& run, DriverOutputs* outputs, MeanLines* means, SweepRuns* runs);

// Makes every planned run of `setup`. Spawn runs with default attributes,
// dealt round-robin and not recorded go through timeDiagRun, as in a sweep
// without any of these options; other spawn runs through timeStartedRun,
// pool runs through timePoolRun with the count's team up (app/poolteam.h)
// from its first run until a run of another count comes. Everything a split
// or a record needs is made before each run's interval; each timed run then
// gets its elements_max (from the geometry, or the dynamic split's own
// count) and, with --trace, its record, after the interval. A file that cannot be written is reported and the
// sweep goes on: the times are still true. runFailed when a part of a run
// could not be made (said on stdout), or when a run's sums found no memory
// for their text (said on stderr; that run is still logged and kept, but no
// further run of its size fits). With getInputFromUser, waits for Enter
// before each timed run. Every complete count's means are printed before it
// returns, whatever ended the sweep.
SweepEnd sweepPlan(const SweepOptions& options, const SweepSetup& setup, DriverOutputs* outputs,
                   SweepRuns* runs, Progress* progress);
