// The charts of one report, as gnuplot scripts that hold their data inline
// and draw into the path given as the script's first argument (ARG1), so no
// path is ever part of a script. Shared pieces (the worker axis, the CPU
// mark, panels) serve the comparison chart too (report/comparechart.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/scaling.h"

// The worker axis: logarithmic (base 2) when the counts span three doublings
// or more, linear otherwise, unless the user chose.
enum class XScale { automatic, linear, log };

struct ChartOptions {
    XScale xScale = XScale::automatic;
    int32_t cpus = 0;  // the machine's processors; 0 when unknown (no mark)
};

// Size of a chart of one panel (or one row of panels), in pixels; charts of
// several rows grow by chartRowHeight per row.
inline constexpr int chartWidth = 1000;
inline constexpr int chartHeight = 600;
inline constexpr int chartRowHeight = 420;

// The scaling chart: per matrix size a panel of its own (its own y range),
// in it per mode the median processor time per count with the
// interquartile range as a band.
std::string scalingChartScript(const ScalingReport& report, const ChartOptions& options = {});

// The speedup chart (wall times only): per matrix size a row of two panels,
// the measured speedup with the ideal S = T drawn up to the top of the
// panel, and the efficiency (on a logarithmic axis when it falls below 0.1).
std::string speedupChartScript(const ScalingReport& report, const ChartOptions& options = {});

// Shared pieces.

bool logWorkerAxis(XScale scale, int32_t smallest, int32_t largest);

// `text` as a gnuplot string literal: single quotes, a quote doubled,
// control characters (a newline would end the command) made spaces.
std::string gnuplotString(const std::string& text);

// The terminal, the output (ARG1) and, for rows x columns panels, the
// multiplot layout under `title`.
std::string chartBegin(const std::string& title, int rows, int columns);
std::string chartEnd();

// Resets what one panel set, then sets the panel's title, the worker axis
// and, when `cpus` lies within the counts, a dashed vertical mark at it
// labelled "2 CPUs".
std::string panelBegin(const std::string& title, bool logAxis, int32_t smallest, int32_t largest, int32_t cpus);

// A colour per curve, distinct for the first eight.
std::string curveColour(size_t index);

// The fewest and the most workers among the report's groups.
struct CountRange {
    int32_t smallest;
    int32_t largest;
};
CountRange countRange(const ScalingReport& report);

// The series of each matrix size, sizes in order: one panel each.
struct SizePanel {
    int32_t rows;
    int32_t columns;
    std::vector<size_t> series;  // indexes into ScalingReport::series
};
std::vector<SizePanel> panelsBySize(const ScalingReport& report);
