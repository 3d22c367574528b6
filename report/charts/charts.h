// report/charts: the report's charts, each a gnuplot script made from the
// findings of report/analysis (or a comparison) that holds its data inline
// and draws into the path given as the script's first argument (ARG1), so
// no path is ever part of a script; report/charts/drawchart.h draws one so
// that nothing half-drawn is left. Curves are titled and coloured by their
// series' one name (report/sweep/seriesname.h), so two series never share
// a title or a colour; shared pieces are in report/charts/gnuplot.h.
//
// A new chart: a script function here, in a file of its own, and an entry
// in the program's list of charts (report/program/charting.cpp), which
// gives it its option, its default file and when it can be drawn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/analysis/scaling.h"

// The worker axis: by the counts' spread (report/charts/gnuplot.h), unless
// the user chose.
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
// in it per series the median processor time per count with the
// interquartile range as a band.
std::string scalingChartScript(const ScalingReport& report, const ChartOptions& options = {});

// The speedup chart (wall times only): per matrix size a row of two panels,
// the measured speedup with the ideal min(T, P) of P usable processors
// (report/analysis/bounds.h) drawn up to the top of the panel, the
// speedups above it ringed in red, and the efficiency (on a logarithmic axis when it falls below 0.1).
std::string speedupChartScript(const ScalingReport& report, const ChartOptions& options = {});

// cost.png: per worker count a bar of the median processor time, its system
// part dark below its user part light (the split from report->cost), one
// bar per series side by side.
std::string costChartScript(const ScalingReport& report);

// model.png (the fits of report->models): per matrix size a panel, in it
// per series the measured throughput with its intervals and the curves of
// the USL (solid) and Amdahl's law (dashed) out to twice the largest count;
// a panel without any fit says why in a label.
std::string modelChartScript(const ScalingReport& report, const ChartOptions& options = {});

// timeline.png (report->trace): for a few counts (timelineRuns) a panel
// per run shown for it, one lane per worker (its summing) and one for
// the driver (the run's interval, each create and each join), time in µs
// from the run's start.
// usableCpus is the model's (report/sweep/model.h).
std::string timelineChartScript(const ScalingReport& report, const ChartOptions& options = {});

// The runs of report->trace the timeline shows, by index: those of the
// counts nearest 1 worker, `usableCpus`, 4 × usableCpus and the most
// workers (the fewer workers of two as near), each count once with every
// variant the file holds of it (splits, modes) in the file's order, fewest
// workers first.
std::vector<size_t> timelineRuns(const ScalingReport& report, int32_t usableCpus);

// drift.png: per series a panel of every run's time relative to its
// count's median against its sequence, one colour per invocation
// (report/analysis/drift.h).
std::string driftChartScript(const ScalingReport& report);

// compare.png, from the findings of a model whose sweeps are the sides of a
// comparison: per matrix size a row of two panels, the median processor
// time and the speedup per count, one curve per side and series, each
// titled with the side's label.
std::string compareChartScript(const ScalingReport& report, const ChartOptions& options);
