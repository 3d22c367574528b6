// Where the processor time of the runs goes, from the resource counters a
// sweep's JSON gives per run: per group the sums of user and system time,
// faults and context switches, and the perf events when they were counted.
// The kernel splits a process's processor time between user and system at
// its tick, so one short run's split is noise: every share comes from sums
// over all runs of a group, never from a single run.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "report/sweep/model.h"

struct ScalingReport;

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

// The sums of every group with runs that carry all six counters as numbers
// of at least 0; empty when no run does (the log, an older JSON).
CostReport costSplit(const SweepModel& model);

// The group of `key`, or null.
const CostGroup* findCostGroup(const CostReport& cost, const GroupKey& key);

// system / (user + system) of a group's sums; NaN when both are 0.
double systemShare(const CostGroup& group);

// Instructions per cycle from the sums, when every run counted both; NaN
// otherwise.
double instructionsPerCycle(const CostGroup& group);

// The sum of perf field `field` and how many runs had it; NaN and 0 when
// none did.
double perfSum(const CostGroup& group, const std::string& field, size_t* runs);

// Fills each series' WorkerCost::systemMicros from report->cost: the slope,
// over the counts the cost line was fitted on, of the system part of the
// median processor time (median x the group's system share).
void addSystemSlopes(ScalingReport* report);
