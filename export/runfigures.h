// What one run's own work says about it, beside its clocks and counters:
// how many cells its busiest worker summed and, for a run whose workers
// were recorded (trace/runtrace.h), how long the last one waited to start,
// how busy they were and how evenly. Written as extra numeric fields of the
// run's JSON entry, as the counters are.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "trace/runtrace.h"

// A field and its value; none when the run's record cannot give it (null
// in the file, left out of the aggregates).
using RunFigure = std::pair<std::string, std::optional<double>>;

// In the order written: elements_max (when `elementsMax` is not negative),
// then with a record start_latency_us, busy_max_us, busy_mean_us,
// load_balance and parallel_efficiency (trace/tracesummary.h). None
// without a record.
std::vector<RunFigure> runFigureFields(int64_t elementsMax, const std::optional<RunTrace>& trace);
