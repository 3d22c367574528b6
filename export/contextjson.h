// The "context" object of the sweep's JSON file: Google Benchmark's keys
// (date, host, processors, caches, load), then the build, the sweep's
// options and settings, the machine's fingerprint, how the runs were shaped
// (stack sizes, placement, order) and how far the sweep got.
#pragma once

#include <cstddef>
#include <string>

#include <nlohmann/json.hpp>

#include "export/factsjson.h"
#include "export/sweepjson.h"

// The context of a sweep that made `runsMade` of its planned timed runs;
// facts that cannot be read are "unknown" or left at zero, never a failure.
nlohmann::ordered_json sweepContext(const SweepOptions& options, const std::string& executable,
                                    const BuildSettings& settings, const SweepFacts& facts,
                                    const SweepRecord& record, size_t runsMade);
