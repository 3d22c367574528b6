// report/analysis: what the report makes of the model, the findings every
// table, chart and export is drawn from. Per group (a series at one worker
// count): the statistics of the processor time and, from the JSON, of the
// wall time with the speedup and efficiency, and whether the count is short
// of runs. Per series: the cost of each added worker. Per size and count
// where both start-up modes ran: the share of the processor time that
// starting threads takes. Beside them the noise warnings
// (report/analysis/noise.h) and, from a JSON with counters, where the
// processor time goes (report/analysis/costsplit.h).
//
// A new kind of finding goes here, computed once by analyse() or by a
// function of its own that takes the ScalingReport; tables and charts then
// read it (report/tables/tables.h, report/charts/charts.h).
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/analysis/costsplit.h"
#include "report/analysis/efficiency.h"
#include "report/analysis/seriesmodels.h"
#include "report/input/tracereader.h"
#include "report/stats/runstats.h"
#include "report/stats/stats.h"
#include "report/sweep/model.h"

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
    // Fewer runs from one of its sweeps than that sweep made of another
    // count of the series, or than the sweep's context asked for.
    bool shortCount = false;
    bool coldStart = false;  // its first runs are slower (report/analysis/coldstart.h)
    bool drift = false;      // its series drifts (report/analysis/drift.h)
    // The speedup's interval, the ideal and whether the interval lies above
    // it (report/analysis/bounds.h); wall times only.
    Interval speedupInterval;
    double idealSpeedup = NAN;
    bool impossibleSpeedup = false;
};

// The least-squares slope of the median processor time against the worker
// count: what each added worker costs, in µs of processor time.
struct WorkerCost {
    double micros;
    int32_t from;  // the counts fitted
    int32_t to;
    size_t counts;
    double systemMicros = NAN;  // the system-time part of the slope, from a JSON with counters
    SlopeInterval microsInterval;  // 95 % intervals of the two slopes
    SlopeInterval systemInterval;
    bool systemFewTicks = false;  // a fitted count's split rests on too few ticks
};

struct SeriesReport {
    SeriesKey key;
    int32_t base;  // speedup is relative to this count: 1, else the smallest
    size_t first;  // its groups are ScalingReport::groups[first, last)
    size_t last;
    std::optional<WorkerCost> cost;
};

// (spawn median - pool median) / spawn median of the processor time, of
// one series run in both modes (`series` is the spawn one).
struct StartupShare {
    SeriesKey series;
    int32_t threads;
    double spawn;
    double pool;
    double share;
};

// The kinds of noise a group's runs can show (see the warnings).
enum class NoiseKind { outliers, variation, coldStart };

struct NoiseNote {
    NoiseKind kind;
    bool wall;  // in the wall time; the processor time otherwise
    GroupKey key;
    double worst;  // outliers: largest / median; variation: stddev / mean; cold start: first / median of the others
};

struct ScalingReport {
    const SweepModel* model = nullptr;
    bool hasWall = false;
    std::vector<GroupReport> groups;  // as model->groups, in key order
    std::vector<SeriesReport> series;
    std::vector<StartupShare> shares;
    std::vector<std::string> warnings;  // one line per group and kind, no newline
    std::vector<NoiseNote> noise;       // the same, as figures (report/analysis/noise.h sums them up)
    // One line per finding of the cold-start, drift and bounds checks, each
    // saying what to sweep with; shown unless quiet.
    std::vector<std::string> advice;
    CostReport cost;                    // empty unless addCostSplit found counters
    // From addExplanations: the trace figures per group (empty without
    // them), each series' best counts and fits, and the runs of the
    // sweep's trace file when one was read (report/input/tracereader.h).
    std::vector<GroupEfficiency> efficiencies;
    std::vector<SeriesModel> models;
    std::vector<TracedRunLanes> trace;
};

// Everything above but the cost split, from a finished model, which must
// outlive the report.
ScalingReport analyse(const SweepModel& model);

// The split of the processor time from the runs' counters, and the system
// part of each series' cost line (report/analysis/costsplit.h).
void addCostSplit(ScalingReport* report);

// The trace figures and each series' models (report/analysis/efficiency.h,
// seriesmodels.h), with the throughput predicted at `predictAt`.
void addExplanations(ScalingReport* report, const std::vector<int32_t>& predictAt);

// The group report of `key`, or null.
const GroupReport* findGroupReport(const ScalingReport& report, const GroupKey& key);

// Whether any group is short of runs.
bool anyShortCount(const ScalingReport& report);
