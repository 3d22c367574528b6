// A chart file drawn by gnuplot: made whole or not at all, never over a
// folder, with the chart's path given to gnuplot as an argument, never
// inside its script.
#pragma once

#include <string>

// Runs `script` with gnuplot (`gnuplot -c script drawing`, nothing on its
// standard input, its output sent to stderr), drawing into a scratch file
// beside `chart` that is renamed over `chart` once it holds a PNG. Missing
// folders of `chart` are made first (mkdir -p; they stay). Returns false
// after one line on stderr ("diagsum-report: ...") when the chart cannot be
// drawn; no partial chart or scratch file is left.
bool drawChart(const std::string& script, const std::string& chart);
