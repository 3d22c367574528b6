// The chart of a comparison, compare.png: per matrix size a row of two
// panels, the median processor time and the speedup per worker count, one
// curve per file (and mode), each labelled with the file's label.
#pragma once

#include <string>
#include <vector>

#include "report/charts.h"
#include "report/scaling.h"

// `reports` are the files' own analyses, in the order of `labels`. The worker
// axis follows `options` over all files' counts; the CPU mark is the first
// file's.
std::string compareChartScript(const std::vector<ScalingReport>& reports, const std::vector<std::string>& labels,
                               const ChartOptions& options);
