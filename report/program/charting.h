// The charts diagsum-report draws, each from the findings, with its
// option, its default file beside the scaling chart and when it can be
// drawn. A chart never replaces an input, the exported findings or a chart
// drawn before it; one named on the command line that cannot be drawn says
// why.
#pragma once

#include "report/analysis/scaling.h"
#include "report/program/options.h"

// The charts of a summary: scaling.png, then speedup.png (the JSON only),
// cost.png (one JSON with counters only), model.png (the JSON only)
// and timeline.png (a sweep's trace file was read). 0 when every chart
// asked for was drawn, else 2.
int drawSummaryCharts(const ReportOptions& options, const ScalingReport& report);

// compare.png; 0 or 2.
int drawCompareChart(const ReportOptions& options, const ScalingReport& report);

// The machine's processors from the first input that gives them; 0 when
// none does.
int32_t machineCpus(const SweepModel& model);
