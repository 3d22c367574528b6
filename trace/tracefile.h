// The trace file: chosen runs' records (trace/runtrace.h) in the Chrome Trace
// Event Format, which Perfetto, chrome://tracing and speedscope open.
//
// The file is {"traceEvents": [...], "otherData": {...}}. Each run is one
// process (pid 1, 2, ... in the order given), named like "500 × 500, 8
// workers, run 12 (median)". Its lanes are threads: tid 0, "driver", holds
// the run's interval ("run") with each pthread_create ("create worker k")
// and pthread_join ("join worker k") inside it; tid k + 1, "worker k", holds
// the worker's summing ("sum"), with its processor time in args. Every
// event is complete ("ph": "X", ts and dur in µs); every process and lane is
// named by metadata ("ph": "M") and sorted by its number.
//
// Times count from each run's own start, so the runs line up at 0. Every
// edge is rounded down to a whole µs on its own and dur is the difference
// of the rounded edges, so an event that lies inside another (or ends
// before the next begins) still does after rounding, and ts and dur are
// whole numbers that any reader adds exactly. args keep the exact
// durations (µs, to the ns). Edges
// never read (a worker that did not start, a pool run's missing creates and
// joins) give no event. The text is the same in every language.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "trace/runtrace.h"

// One run to show, as its caller chose it.
struct TracedRun {
    const RunTrace* trace;  // the run's record, read only
    int32_t rows;
    int32_t columns;
    int32_t run;          // which run of its count, from 1
    std::string setting;  // a setting the name shows after the workers ("pool", "blocks"); may be empty
    std::string reason;   // why it was chosen ("median"); may be empty
};

// The process name of `run`: "500 × 500, 8 workers, run 12 (median)", or
// with a setting "500 × 500, 8 workers, pool, run 12 (median)".
std::string tracedRunName(const TracedRun& run);

// The whole trace document for `runs`.
nlohmann::json traceDocument(const std::vector<TracedRun>& runs);

// traceDocument as the file's text, ending with a newline.
std::string traceFileText(const std::vector<TracedRun>& runs);
