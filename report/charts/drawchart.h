// Drawing a chart with gnuplot so that nothing half-drawn is ever left and
// no chart is claimed that was not drawn: the script and the picture go to
// scratch files beside the chart (known to the stop handlers through
// outputs/tempregistry.h), the picture is renamed over the chart only when
// gnuplot drew a whole PNG (report/charts/pngfile.h), and the chart's path
// reaches gnuplot as an argument, never inside its script.
#pragma once

#include <string>

// Draws `script` (which writes to ARG1) into `chart`, making its missing
// folders first (mkdir -p; they stay). False after one line on stderr
// saying why; then no chart and no scratch file is left, except when only
// the final rename failed (a chart the user may not replace): the whole
// picture then stays in its scratch file, which the line names.
bool drawChart(const std::string& script, const std::string& chart);

// Installs the whole picture `drawing` (open on `fd`) as `chart`: the usual
// permissions, then the rename. False after one line on stderr, the
// picture kept and named.
bool installDrawing(int fd, const std::string& drawing, const std::string& chart);

// Ends the gnuplot drawing now, if one is running (SIGTERM). Async-signal-
// safe: for the stop handlers, which then remove the scratch files.
void endChartDrawing();
