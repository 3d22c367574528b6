// What the report makes of the runs. Per group (matrix size, start-up mode,
// worker count): the statistics of the processor time and, from the JSON,
// of the wall time with the speedup and efficiency. Per series (matrix size
// and mode): the cost of each added worker. Per size and count where both
// start-up modes ran: the share of the processor time that starting threads
// takes. Then the noise warnings and the Markdown text (the charts are
// drawn from the same report, see report/charts.h).
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
    int32_t setting;
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
    int32_t setting;
    int32_t threads;
    double spawn;
    double pool;
    double share;
};

// The kinds of noise a group's runs can show (see the warnings).
enum class NoiseKind { outliers, variation, coldStart };

struct NoiseNote {
    NoiseKind kind;
    bool wall;     // in the wall time; the processor time otherwise
    GroupKey key;
    double worst;  // outliers: largest / median; variation: stddev / mean; cold start: first / median of the others
};

struct ScalingReport {
    bool hasWall = false;
    std::vector<std::string> modes;
    std::vector<std::string> settings;  // "" for the defaults
    std::vector<GroupReport> groups;    // in key order
    std::vector<SeriesReport> series;
    std::vector<StartupShare> shares;
    std::vector<std::string> warnings;  // one line per group and kind, no newline
    std::vector<NoiseNote> noise;       // the same, as figures (report/warnings.h sums them up)
};

// Everything above from the runs of a finished RunSet.
ScalingReport analyse(const RunSet& runs);

// The groups as a Markdown table (a mode column when there are several
// modes, a settings column when there are several settings; wall time, speedup and efficiency when there are
// wall times), then the start-up shares as a second table when there are any, then one line per series with
// the cost of each added worker.
std::string reportText(const ScalingReport& report);

// "500 × 500"; with several settings or modes in the report,
// "500 × 500, stack:64k, pool" for a series; and ", 8 workers" after it for
// a group. settingName: "stack:64k/bind:compact", or "defaults".
std::string sizeLabel(int32_t rows, int32_t columns);
std::string settingName(const ScalingReport& report, int32_t setting);
std::string seriesLabel(const ScalingReport& report, int32_t rows, int32_t columns, int32_t setting,
                        int32_t mode);
std::string groupLabel(const ScalingReport& report, const GroupKey& key);

// Speedup and efficiency as the table shows them: three significant digits
// ("1.00", "0.625", "0.00781").
std::string significant3(double value);
