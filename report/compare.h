// Two or more sweeps side by side (two machines, two builds): per matrix
// size, mode and worker count each file's median wall and processor time,
// the ratio of each median to the first file's with a 95 % bootstrap
// interval, the Mann–Whitney U test of the runs (as compare.py reports
// it), a verdict, and per file one summary: the geometric mean of its
// ratios over the counts with its interval.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/bootstrap.h"
#include "report/logstats.h"

// The U test wants at least this many runs per count (compare.py's
// "optimal repetitions").
inline constexpr size_t compareMinRuns = 9;

// A difference is called one when the U test's p-value is below this and
// the ratio's interval leaves out 1.
inline constexpr double compareAlpha = 0.05;

enum class Verdict { faster, slower, same, untested };

// One measure (wall or processor time) of one file at one count.
struct MeasureComparison {
    bool present = false;  // the file has this measure's runs
    double median = 0;
    bool compared = false;  // ratio, p and verdict are set (not for the first file)
    RatioInterval ratio;    // median here / median in the first file
    double p = 1;           // U test against the first file's runs
    Verdict verdict = Verdict::untested;
};

struct CountRow {
    size_t file;
    size_t runs;
    MeasureComparison wall;
    MeasureComparison cpu;
};

// One size, mode and count that the first file and at least one other have.
struct CountComparison {
    int32_t rows;
    int32_t columns;
    std::string mode;
    int32_t threads;
    std::vector<CountRow> files;  // the first file first
};

// One file's ratios to the first over every count both have.
struct CompareSummary {
    size_t file;
    bool wall;
    size_t counts;
    RatioInterval mean;  // geometric mean of the ratios
    Verdict verdict;
};

struct CompareReport {
    std::vector<std::string> labels;
    bool severalModes = false;
    std::vector<CountComparison> counts;
    std::vector<CompareSummary> summaries;
    size_t fewRunCounts = 0;  // counts where some file has fewer than compareMinRuns runs
    size_t fewestRuns = 0;
};

// Compares every file with the first. `labels` names the files, one each.
CompareReport compareSweeps(const std::vector<const RunSet*>& sweeps, const std::vector<std::string>& labels);

// The per-count table (Markdown), then the summary lines.
std::string compareText(const CompareReport& report);

// "faster", "slower", "no difference beyond the noise", "n/a".
std::string verdictText(Verdict verdict);

// The warning when counts have fewer runs than the U test wants; empty
// when none do.
std::string fewRunsWarning(const CompareReport& report);
