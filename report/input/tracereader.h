// Reading the trace file a sweep wrote with diagsum --trace (a Chrome Trace
// Event file, trace/tracefile.h) back into what the report draws: per run
// shown, its name, its worker count and the spans of its lanes: the driver
// (lane 0) with the run's interval, each pthread_create and each
// pthread_join, and each worker k (lane k + 1) with its summing. Times are
// µs from the run's start, as the file has them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "report/sweep/model.h"

enum class TraceSpanKind { run, create, join, sum };

struct TraceSpan {
    TraceSpanKind kind;
    int32_t lane;  // 0 the driver, k + 1 worker k
    double begin;  // µs from the run's start
    double end;
};

struct TracedRunLanes {
    std::string name;     // "500 × 500, 8 workers, run 12 (nearest the median of 10 runs)"
    int32_t workers = 0;  // its worker lanes
    std::vector<TraceSpan> spans;
};

// The runs of a trace file's text in the order of their process numbers.
// False with a short reason when it is not JSON, has no "traceEvents" list
// or shows no run with workers; events of other kinds are passed over.
bool parseTrace(std::string_view text, std::vector<TracedRunLanes>* runs, std::string* error);

// parseTrace of the file at `path`; the reason then names the file.
bool readTraceFile(const std::string& path, std::vector<TracedRunLanes>* runs, std::string* error);

// Where the trace file named in a sweep's context lies: as given when that
// exists or is absolute, else beside the input's JSON file (a sweep run in
// the JSON's folder with a relative name); "" when the context names none.
std::string tracePathOf(const InputFile& file);

// The runs of the trace file named by the first input that names one (see
// tracePathOf). True with none when no input names one; false with the
// reason when the one named cannot be read.
bool readSweepTrace(const SweepModel& model, std::vector<TracedRunLanes>* runs, std::string* error);
