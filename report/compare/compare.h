// report/compare: two or more sweeps side by side (two machines, two
// builds). The sides are the model's sweeps told apart for a comparison
// (report/sweep/sweepsplit.h, sweepsAsSides), the first the base. Per
// series and worker count each side's median wall and processor time, the
// ratio of each median to the base's with a 95 % interval, the U test of
// the runs (as compare.py reports it) and a verdict; per side one summary,
// the geometric mean of its ratios over the counts with its interval. Where
// both sides' runs have a level above them (invocations, or blocks of a
// sweep made in interleaved or random order: report/stats/levels.h) the
// ratio and its interval are Welch's on the units' medians, and a verdict
// says faster or slower only when that test and the runs' test agree; where
// a side's runs of a count were made back to back in one process nothing
// measures how the machine varies, and the verdict is untested. The
// statistics come from report/stats/stats.h and levels.h; the table is
// report/tables/comparetable.h's, the chart report/charts/charts.h's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/stats/levels.h"
#include "report/stats/stats.h"
#include "report/sweep/model.h"

// The U test wants at least this many runs per count (compare.py's
// "optimal repetitions").
inline constexpr size_t compareMinRuns = 9;

// One measure (wall or processor time) of one side at one count.
struct MeasureComparison {
    bool present = false;  // the side has this measure's runs
    double median = 0;
    bool compared = false;  // ratio, p and verdict are set (not for the base)
    RatioInterval ratio;    // median here / median in the base; from the levels when `levelled`
    double p = 1;           // U test against the base's runs
    bool levelled = false;  // both sides have units above their runs
    double levelP = 1;      // Welch's test of the units' medians, when levelled
    Verdict verdict = Verdict::untested;
};

struct CountRow {
    size_t side;  // SweepModel::apart
    size_t runs;
    MeasureComparison wall;
    MeasureComparison cpu;
};

// One series and count that the base and at least one other side have;
// `key` is the base's group.
struct CountComparison {
    GroupKey key;
    std::vector<CountRow> sides;  // the base first
};

// One side's ratios to the base over every count both have.
struct CompareSummary {
    size_t side;
    bool wall;
    size_t counts;
    RatioInterval mean;  // geometric mean of the ratios
    Verdict verdict;
};

struct CompareReport {
    const SweepModel* model = nullptr;
    std::vector<CountComparison> counts;
    std::vector<CompareSummary> summaries;
    size_t fewRunCounts = 0;  // counts where some side has fewer than compareMinRuns runs
    size_t fewestRuns = 0;
    // The files (SweepModel::files) with a count whose runs were made back
    // to back in one process, once each, in file order.
    std::vector<size_t> backToBackFiles;
};

// Compares every side of the model with the first; the model must outlive
// the report.
CompareReport compareSweeps(const SweepModel& model);

// The side's label, as the table and the summaries name it.
const std::string& sideLabel(const CompareReport& report, size_t side);

// The warning when counts have fewer runs than the U test wants; empty
// when none do.
std::string fewRunsWarning(const CompareReport& report);

// One line per file of backToBackFiles: its verdicts are untested, and
// what to sweep with instead; and one per file made while the machine was
// busy (a load average above half its CPUs).
std::vector<std::string> backToBackWarnings(const CompareReport& report);
