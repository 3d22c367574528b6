// Where the processor time of the runs goes, from a sweep's JSON with
// resource counters: per group (matrix size, mode, worker count) the system
// share of the processor time, faults and context switches per run and per
// worker, and the perf events when they were counted; the system part of the
// cost of each added worker; the Markdown table and the chart of the split.
//
// The kernel splits a process's processor time between user and system at
// its tick, so one short run's split is noise: every share here comes from
// sums over all runs of a group, never from a single run.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "report/logstats.h"
#include "report/scaling.h"

// Sums over the runs of one group that carry the six resource counters.
struct CostGroup {
    GroupKey key;
    size_t runs = 0;
    double cpu = 0;  // µs, cpu_time
    double user = 0;
    double system = 0;
    double minorFaults = 0;
    double majorFaults = 0;
    double voluntarySwitches = 0;
    double involuntarySwitches = 0;
    // perf fields ("perf_cycles") with their sum and how many runs had them
    std::vector<std::pair<std::string, std::pair<double, size_t>>> perf;
};

struct CostReport {
    std::vector<CostGroup> groups;  // in key order
};

// The group of `key`, or null.
const CostGroup* findCostGroup(const CostReport& cost, const GroupKey& key);

// system / (user + system) of a group's sums; NaN when both are 0.
double systemShare(const CostGroup& group);

// The counters of every run entry of a JSON sweep that names a run of the
// program and carries all six counters as numbers of at least 0; modes are
// indexed as in `modes` (RunSet::modes of the same file), other entries are
// passed over. Empty when the text is not such a JSON.
CostReport readCostCounters(std::string_view text, const std::vector<std::string>& modes);

// Fills each series' WorkerCost::systemMicros: the slope, over the counts
// the cost line was fitted on, of the system part of the median processor
// time (median x the group's system share).
void addSystemSlopes(ScalingReport* report, const CostReport& cost);

// The Markdown table of the split, faults, switches and perf events, or ""
// without counters.
std::string costTable(const CostReport& cost, const ScalingReport& report);
