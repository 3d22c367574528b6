// cost.png: the median processor time per run of each worker count, split
// into its user and its system part by the shares of report/costsplit.h.
#pragma once

#include <string>

#include "report/costsplit.h"
#include "report/scaling.h"

// gnuplot script (drawing into ARG1): per worker count a bar of the median
// processor time, its system part dark below its user part light, one bar
// per series (matrix size and mode) side by side.
std::string costChartScript(const CostReport& cost, const ScalingReport& report);
