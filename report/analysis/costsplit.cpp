#include "report/analysis/costsplit.h"

#include <algorithm>
#include <cmath>

#include "report/analysis/scaling.h"
#include "report/analysis/systemshare.h"

namespace {

const char* const resourceFields[] = {"user_time_us", "system_time_us", "minor_faults", "major_faults",
                                      "voluntary_switches", "involuntary_switches"};
constexpr size_t resourceFieldCount = sizeof resourceFields / sizeof resourceFields[0];

// The perf fields of the model: their index and name.
std::vector<std::pair<int32_t, std::string>> perfFields(const SweepModel& model) {
    std::vector<std::pair<int32_t, std::string>> fields;
    for (size_t i = 0; i < model.fields.size(); i++) {
        if (model.fields[i].rfind("perf_", 0) == 0) {
            fields.push_back({static_cast<int32_t>(i), model.fields[i]});
        }
    }
    return fields;
}

// Adds one run to the sums when it carries all six counters.
void addRunCounters(const SweepModel& model, const Run& run, const int32_t (&fields)[resourceFieldCount],
                    const std::vector<std::pair<int32_t, std::string>>& perf, CostGroup* group) {
    double values[resourceFieldCount];
    for (size_t i = 0; i < resourceFieldCount; i++) {
        values[i] = fieldValue(model, run, fields[i]);
        if (!(values[i] >= 0)) {  // NaN too: a run without the counter
            return;
        }
    }
    group->runs++;
    group->cpu += run.cpu;
    group->user += values[0];
    group->system += values[1];
    group->minorFaults += values[2];
    group->majorFaults += values[3];
    group->voluntarySwitches += values[4];
    group->involuntarySwitches += values[5];
    for (const auto& field : perf) {
        const double value = fieldValue(model, run, field.first);
        if (!(value >= 0)) {
            continue;
        }
        const std::string& name = field.second;
        auto slot = std::find_if(group->perf.begin(), group->perf.end(),
                                 [&](const auto& p) { return p.first == name; });
        if (slot == group->perf.end()) {
            group->perf.push_back({name, {0.0, 0}});
            slot = group->perf.end() - 1;
        }
        slot->second.first += value;
        slot->second.second++;
    }
}

}  // namespace

CostReport costSplit(const SweepModel& model) {
    CostReport cost;
    int32_t fields[resourceFieldCount];
    for (size_t i = 0; i < resourceFieldCount; i++) {
        fields[i] = findField(model, resourceFields[i]);
        if (fields[i] < 0) {
            return cost;
        }
    }
    const auto perf = perfFields(model);
    for (const RunGroup& group : model.groups) {
        CostGroup sums;
        sums.key = group.key;
        for (const Run& run : group.runs) {
            addRunCounters(model, run, fields, perf, &sums);
        }
        if (sums.runs > 0) {
            cost.groups.push_back(std::move(sums));
        }
    }
    return cost;
}

const CostGroup* findCostGroup(const CostReport& cost, const GroupKey& key) {
    const auto at = std::lower_bound(cost.groups.begin(), cost.groups.end(), key,
                                     [](const CostGroup& g, const GroupKey& k) { return g.key < k; });
    return at != cost.groups.end() && at->key == key ? &*at : nullptr;
}

double systemShare(const CostGroup& group) {
    const double total = group.user + group.system;
    return total > 0 ? group.system / total : NAN;
}

double perfSum(const CostGroup& group, const std::string& field, size_t* runs) {
    for (const auto& [name, sum] : group.perf) {
        if (name == field) {
            *runs = sum.second;
            return sum.first;
        }
    }
    *runs = 0;
    return NAN;
}

double instructionsPerCycle(const CostGroup& group) {
    size_t instructionRuns = 0;
    size_t cycleRuns = 0;
    const double instructions = perfSum(group, "perf_instructions", &instructionRuns);
    const double cycles = perfSum(group, "perf_cycles", &cycleRuns);
    if (instructionRuns != group.runs || cycleRuns != group.runs || !(cycles > 0)) {
        return NAN;
    }
    return instructions / cycles;
}

void addSystemSlopes(ScalingReport* report) {
    for (SeriesReport& series : report->series) {
        if (!series.cost) {
            continue;
        }
        std::vector<double> x;
        std::vector<double> y;
        for (size_t i = series.first; i < series.last; i++) {
            const GroupReport& g = report->groups[i];
            const CostGroup* counted = findCostGroup(report->cost, g.key);
            if (g.key.threads < series.cost->from || counted == nullptr || std::isnan(systemShare(*counted))) {
                continue;
            }
            x.push_back(g.key.threads);
            y.push_back(g.cpu.median * systemShare(*counted));
            series.cost->systemFewTicks =
                series.cost->systemFewTicks || tooFewTicks(counted->user + counted->system);
        }
        // Only a slope over the very counts of the cost line is its part.
        const auto line = leastSquares(x, y);
        if (line && x.size() == series.cost->counts) {
            series.cost->systemMicros = line->slope;
            series.cost->systemInterval = slopeInterval(x, y);
        }
    }
}
