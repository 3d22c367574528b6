// Pieces every chart script shares: the worker axis and its scale, the CPU
// mark, panels, curve titles and colours, and gnuplot's text and numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/charts/charts.h"

// Whether the worker axis is logarithmic (base 2). Chosen by the user, or
// by the counts: logarithmic when they span three doublings or more
// (largest >= 8 x smallest) and are spread geometrically: the steps between
// consecutive counts vary less on a logarithmic axis than on a linear one
// (their coefficients of variation compared), as powers of two do. A dense
// sweep (every count from 1 to 127) takes the linear axis, where its
// points lie evenly.
bool logWorkerAxis(XScale scale, const std::vector<int32_t>& counts);

// Every distinct worker count of the report, ascending.
std::vector<int32_t> workerCounts(const ScalingReport& report);

// `text` as a gnuplot string literal: single quotes, a quote doubled,
// control characters (a newline would end the command) made spaces.
std::string gnuplotString(const std::string& text);

// A number for a data block or a range: "%.6g", NaN (gnuplot leaves the
// point out) when it is not finite.
std::string chartNumber(double value);

// The terminal, the output (ARG1) and, for rows x columns panels, the
// multiplot layout under `title`.
std::string chartBegin(const std::string& title, int rows, int columns);
std::string chartEnd();

// Resets what one panel set, then sets the panel's title, the worker axis
// and, when `cpus` lies within the counts, a dashed vertical mark at it
// labelled "2 CPUs".
std::string panelBegin(const std::string& title, bool logAxis, int32_t smallest, int32_t largest, int32_t cpus);

// A colour per index, distinct for the first eight.
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

// A curve's title: `what`, then what tells its series apart from the others
// of the panel (its settings, mode and sweep; report/sweep/seriesname.h).
std::string curveTitle(const ScalingReport& report, const SeriesReport& series, const std::string& what);

// A colour index per series (ScalingReport::series) by its variant (its
// name without the size), in order of appearance: a variant looks alike in
// every panel, and two variants never share one (up to eight).
std::vector<size_t> variantColours(const ScalingReport& report);

// The curves of one panel, one per series, joined for gnuplot's plot
// command: `curve(series index, colour)` gives each one's "using ..." text.
template <typename Curve>
std::string panelCurves(const SizePanel& panel, const std::vector<size_t>& colours, Curve curve) {
    std::string plot;
    for (size_t s : panel.series) {
        plot += (plot.empty() ? "" : ", \\\n     ") + curve(s, curveColour(colours[s]));
    }
    return plot;
}

// "$s3": the inline data block of series 3.
std::string seriesBlock(size_t series);

// One inline data block per series, named by seriesBlock: per count the
// workers, then the median, Q1 and Q3 of the processor time, the speedup
// and the efficiency (columns 1 to 6).
std::string seriesDataBlocks(const ScalingReport& report);
