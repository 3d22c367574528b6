// report/tables: the report's Markdown on standard output, every table
// drawn from the findings of report/analysis (and through them from the one
// model). Each table is a function of the ScalingReport that returns its
// Markdown, starting with a blank line when it follows another, or "" when
// it has nothing to show; its cells come from report/tables/cells.h (the one
// number formatter) and its series columns from report/tables/seriescolumns.h.
//
// A new table: a function `std::string fooTable(const ScalingReport&)` in a
// file of its own here, declared below and added to summaryText() in the
// order it should print.
#pragma once

#include <string>

#include "report/analysis/scaling.h"

// Per group: runs (marked "(short)" when short of runs), mean, median with
// its interval, min, max, standard deviation of the processor time, and from
// the JSON the median wall time with its interval, speedup and efficiency.
std::string groupTable(const ScalingReport& report);

// Per series run in both modes and count: both medians and the start-up
// share; "" without such series.
std::string startupTable(const ScalingReport& report);

// One line per series: the cost of each added worker (and its system part).
std::string workerCostText(const ScalingReport& report);

// Per group with counters: where the processor time goes (shares, faults,
// switches, perf events); "" without counters.
std::string costTable(const ScalingReport& report);

// One line per stopped sweep (its signal, the runs made of those planned),
// and what "(short)" means when a count is marked; "" when neither occurs.
std::string sweepNotes(const ScalingReport& report);

// Per group of a sweep recorded with --trace: the medians of the start
// latency, load balance and parallel efficiency with their intervals, the
// variants of one count (splits, modes) in rows next to each other; "" when no
// run carries them (report/analysis/efficiency.h).
std::string efficiencyTable(const ScalingReport& report);

// One line per series: the best count by median wall time and by median
// processor time, with the counts within the noise of each; "" until
// addExplanations has run.
std::string bestCountText(const ScalingReport& report);

// The fits of each series' throughput: a table of σ, κ and λ with their
// standard errors and intervals, R² and the peak, then a sentence per fit
// and one for its predictions (or the line that says there is no fit).
std::string modelText(const ScalingReport& report);

// groupTable, startupTable and workerCostText, in that order.
std::string reportText(const ScalingReport& report);

// Everything standard output gets for one summary: the notes, reportText,
// costTable, efficiencyTable, bestCountText and modelText.
std::string summaryText(const ScalingReport& report);
