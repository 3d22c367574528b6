#include "report/analysis/efficiency.h"

#include <algorithm>
#include <cmath>

namespace {

// The statistics of field `field` over the group's runs that carry it.
SampleStats fieldStats(const SweepModel& model, const RunGroup& group, int32_t field) {
    std::vector<double> values;
    for (const Run& run : group.runs) {
        const double value = fieldValue(model, run, field);
        if (std::isfinite(value)) {
            values.push_back(value);
        }
    }
    if (values.empty()) {
        return {};
    }
    std::sort(values.begin(), values.end());
    return describeSorted(values);
}

}  // namespace

std::vector<GroupEfficiency> groupEfficiencies(const SweepModel& model) {
    const int32_t latency = findField(model, startLatencyField);
    const int32_t balance = findField(model, loadBalanceField);
    const int32_t efficiency = findField(model, parallelEfficiencyField);
    std::vector<GroupEfficiency> groups;
    if (latency < 0 && balance < 0 && efficiency < 0) {
        return groups;
    }
    for (const RunGroup& group : model.groups) {
        GroupEfficiency g{group.key, fieldStats(model, group, latency), fieldStats(model, group, balance),
                          fieldStats(model, group, efficiency)};
        if (g.startLatency.runs + g.loadBalance.runs + g.parallelEfficiency.runs > 0) {
            groups.push_back(g);
        }
    }
    return groups;
}

const GroupEfficiency* findEfficiency(const std::vector<GroupEfficiency>& efficiencies, const GroupKey& key) {
    const auto at = std::lower_bound(efficiencies.begin(), efficiencies.end(), key,
                                     [](const GroupEfficiency& g, const GroupKey& k) { return g.key < k; });
    return at != efficiencies.end() && at->key == key ? &*at : nullptr;
}
