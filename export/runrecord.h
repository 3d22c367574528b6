// One timed run as a JSON object and back, every field of TimedRun exactly
// (the doubles written with the digits that read back to the same value):
// the one place that serialises and parses a run, so that a run made by a
// child invocation reaches the parent as it was made.
//
// A run's record of its workers (RunTrace, with --trace) goes with it,
// every edge as it was read. Adding a field to TimedRun (or to the RunTime,
// ResourceUse, PerfCounts or RunTrace it holds) stops runRecord from compiling until the field is written here
// and read back in parseRunRecord; the round-trip test compares each field.
#pragma once

#include <nlohmann/json.hpp>

#include "export/sweepjson.h"

// The run's fields, named as the JSON file names them where it has them.
nlohmann::ordered_json runRecord(const TimedRun& run);

// Reads a record written by runRecord into `run`. False, leaving `run` as
// it was, when a field is missing or of another type.
bool parseRunRecord(const nlohmann::json& record, TimedRun* run);
