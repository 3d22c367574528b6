// Reading the JSON file a sweep writes (Google Benchmark's format, written
// with nlohmann/json and read back with it) into the model, parsed once:
// its context (report/input/jsoncontext.h) and one run per timed entry,
// with its wall time ("real_time") and processor time ("cpu_time") in µs
// from any of Google Benchmark's units, its "sequence" and "invocation",
// and every other numeric member as a named field (the resource counters,
// perf_* events, and whatever per-run figures the program adds). The
// aggregates Google Benchmark adds after each count are computed again from
// the runs, and so skipped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "report/sweep/model.h"

// Reads `text` as input `file` of `model` (model->files[file] exists; its
// context, problems and runs are filled) into one new sweep. Entries that
// are not runs of the program are listed in the file's problems and
// skipped. False, with `error` set, when the text is not JSON or has no
// "benchmarks" list. The groups are left unfinished (finishRuns).
bool readBenchJson(std::string_view text, SweepModel* model, size_t file, std::string* error);
