// What one run's record (trace/runtrace.h) says about the run as a whole:
// how long the last worker waited to start, how busy the workers were and
// how evenly, and how much of the run's worker-time went into summing.
// Every figure is one run's; it is exact to the clocks' resolution (1 ns
// here) and carries no spread of its own: spreads come from many runs.
#pragma once

#include <optional>

#include "trace/runtrace.h"

struct RunTraceSummary {
    // From the start of the measured interval to the start of the last
    // worker to start (µs).
    double startLatencyUs;
    // The workers' own processor time (µs): the most one used, and the mean.
    double busyMaxUs;
    double busyMeanUs;
    // busyMean / busyMax: 1 when every worker was as busy as the busiest.
    // None when no worker used any processor time the clock could see.
    std::optional<double> loadBalance;
    // The workers' summed processor time over T x the interval's wall time:
    // the share of the run's worker-time spent working. None for an
    // interval of no wall time.
    std::optional<double> parallelEfficiency;
};

// The summary of `trace`; none when the record cannot give one: no worker,
// an edge of the interval or of a worker never read, an edge read before
// the one it should follow, or a worker outside the interval.
std::optional<RunTraceSummary> summarizeRunTrace(const RunTrace& trace);
