// The sweep's trace file: for each worker count and variant, the one run
// whose processor time is nearest the median of its runs, shown as a Chrome
// trace (trace/tracefile.h) of what each of its workers did, and when. One
// run stands for its count: the one a reader would call typical, not the
// fastest or the slowest.
#pragma once

#include <string>
#include <vector>

#include "export/sweepjson.h"
#include "plan/sweepsetup.h"
#include "trace/tracefile.h"

// The runs chosen from `runs` (those that carry a record), in the order of
// the counts, then of `variants`. Each is named with the settings its JSON
// name carries (runSettings, "pool, split:blocks") and its run number
// within its count and variant, from 1;
// its reason says it is the nearest the median and of how many runs (the
// earliest made of those equally near). A count and variant with no
// recorded run (a sweep stopped before it) has none. The records are read
// in place: `runs` must outlive the result.
std::vector<TracedRun> medianTracedRuns(const SweepOptions& options, const std::vector<Variant>& variants,
                                        const std::vector<TimedRun>& runs);

// The trace file's text: medianTracedRuns in the trace format.
std::string sweepTraceText(const SweepOptions& options, const std::vector<Variant>& variants,
                           const std::vector<TimedRun>& runs);
