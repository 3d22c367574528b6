// Drawing a chart with gnuplot so that nothing half-drawn is ever left: the
// script and the picture go to scratch files beside the chart, the picture
// is renamed over the chart only when gnuplot drew a whole PNG, and the
// chart's path reaches gnuplot as an argument, never inside its script.
#pragma once

#include <string>

// Draws `script` (which writes to ARG1) into `chart`, making its missing
// folders first (mkdir -p; they stay). False after one line
// on stderr saying why; then no chart and no scratch file is left.
bool drawChart(const std::string& script, const std::string& chart);
