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

// groupTable, startupTable and workerCostText, in that order.
std::string reportText(const ScalingReport& report);

// Everything standard output gets for one summary: the notes, reportText
// and costTable.
std::string summaryText(const ScalingReport& report);
