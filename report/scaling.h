// What the report makes of the runs. Per group (matrix size, start-up mode,
// worker count): the statistics of the processor time and, from the JSON,
// of the wall time with the speedup and efficiency. Per series (matrix size
// and mode): the cost of each added worker. Per size and count where both
// start-up modes ran: the share of the processor time that starting threads
// takes. Then the noise warnings, the Markdown text, and the gnuplot
// scripts of the charts.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/logstats.h"
#include "report/runstats.h"

// The cost line is fitted over the counts from this one up, when at least
// three counts are that high; over every count otherwise.
inline constexpr int32_t costFitFrom = 8;
inline constexpr size_t costFitMinCounts = 3;

// A coefficient of variation above this is reported as noise.
inline constexpr double noisyVariation = 0.10;

struct GroupReport {
    GroupKey key;
    SampleStats cpu;
    SampleStats wall;         // runs == 0 without wall times
    double speedup = NAN;     // median wall time at the series' base count / here
    double efficiency = NAN;  // speedup / (threads / base); speedup / threads from 1 worker
};

// The least-squares slope of the median processor time against the worker
// count: what each added worker costs, in µs of processor time.
struct WorkerCost {
    double micros;
    int32_t from;  // the counts fitted
    int32_t to;
    size_t counts;
    double systemMicros = NAN;  // the system-time part of the slope, from a JSON with counters
};

struct SeriesReport {
    int32_t rows;
    int32_t columns;
    int32_t mode;
    int32_t base;  // speedup is relative to this count: 1, else the smallest
    size_t first;  // its groups are ScalingReport::groups[first, last)
    size_t last;
    std::optional<WorkerCost> cost;
};

// (spawn median - pool median) / spawn median of the processor time.
struct StartupShare {
    int32_t rows;
    int32_t columns;
    int32_t threads;
    double spawn;
    double pool;
    double share;
};

struct ScalingReport {
    bool hasWall = false;
    std::vector<std::string> modes;
    std::vector<GroupReport> groups;  // in key order
    std::vector<SeriesReport> series;
    std::vector<StartupShare> shares;
    std::vector<std::string> warnings;  // one line each, no newline
};

// Everything above from the runs of a finished RunSet.
ScalingReport analyse(const RunSet& runs);

// The groups as a Markdown table (a mode column when there are several
// modes; wall time, speedup and efficiency when there are wall times),
// then the start-up shares as a second table when there are any, then one
// line per series with the cost of each added worker.
std::string reportText(const ScalingReport& report);

// gnuplot scripts, the data held inline, that draw into the path given as
// the script's first argument (ARG1), so no path is ever part of the
// script. The scaling chart: mean processor time per count with a band from
// min to max, one curve per series. The speedup chart (wall times only):
// measured speedup per count, the ideal speedup, and the efficiency on a
// second axis.
std::string scalingChartScript(const ScalingReport& report);
std::string speedupChartScript(const ScalingReport& report);

// Size of the charts in pixels.
inline constexpr int chartWidth = 1000;
inline constexpr int chartHeight = 600;
