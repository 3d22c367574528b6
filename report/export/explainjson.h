// The export's parts that explain the curve (--export-json):
//   "models": per series its one name, then "usl" and "amdahl", each
//             "outcome" (fitted, too_few_counts, unusable_point,
//             not_converged), "counts", "sigma", "kappa", "lambda", each
//             with "_se" (null at a bound, and for Amdahl's κ, which the
//             model fixes at 0), "r2", "peak_workers" and "peak_throughput"
//             (null unless the curve peaks) and "predictions" ({"workers",
//             "throughput", "ci_low", "ci_high", "extrapolated"});
//   per count of a series, from a sweep recorded with --trace,
//             "start_latency_us", "load_balance" and "parallel_efficiency",
//             each {"value", "ci_low", "ci_high"}, the medians of the runs.
#pragma once

#include <nlohmann/json.hpp>

#include "report/analysis/scaling.h"

// The "models" list; empty until addExplanations has run.
nlohmann::ordered_json modelsJson(const ScalingReport& report);

// Adds the trace figures of group `key` to its count's object, when its
// runs carry them.
void addTraceFigures(nlohmann::ordered_json* count, const ScalingReport& report, const GroupKey& key);
