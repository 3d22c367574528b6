// How the workers of a group's runs spent each run, from a sweep recorded
// with diagsum --trace: per group the median, with its 95 % interval, of
// the runs' start latency (from the interval's start to the last worker's
// start), load balance (mean over largest worker busy time) and parallel
// efficiency (the workers' processor time over workers × wall time). A
// sweep made without --trace carries none of them, and gives no figures.
#pragma once

#include <vector>

#include "report/stats/runstats.h"
#include "report/sweep/model.h"

// The runs' fields, as the sweep's JSON names them.
inline constexpr const char* startLatencyField = "start_latency_us";
inline constexpr const char* loadBalanceField = "load_balance";
inline constexpr const char* parallelEfficiencyField = "parallel_efficiency";

// The statistics of one field over a group's runs; runs == 0 when none of
// them carries it.
struct GroupEfficiency {
    GroupKey key;
    SampleStats startLatency;
    SampleStats loadBalance;
    SampleStats parallelEfficiency;
};

// One entry per group (in key order) of which some run carries one of the
// three fields; empty when no run does.
std::vector<GroupEfficiency> groupEfficiencies(const SweepModel& model);

// The entry of `key`, or null.
const GroupEfficiency* findEfficiency(const std::vector<GroupEfficiency>& efficiencies, const GroupKey& key);
