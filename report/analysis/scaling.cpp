#include "report/analysis/scaling.h"

#include <algorithm>
#include <map>
#include <utility>

#include "report/analysis/bounds.h"
#include "report/analysis/coldstart.h"
#include "report/analysis/drift.h"
#include "report/analysis/noise.h"
#include "report/stats/levels.h"

namespace {

// With a level above the runs, the median's interval is the units' (how
// the machine varies), not the runs' of one moment.
void takeLevelInterval(SampleStats* stats, const RunGroup& group, bool wall) {
    const Interval units = levelInterval(levelsOf(group, wall));
    if (units.known) {
        stats->hasInterval = true;
        stats->low = units.low;
        stats->high = units.high;
    }
}

GroupReport describeGroup(ScalingReport* report, const RunGroup& group) {
    GroupReport g;
    g.key = group.key;
    const std::vector<double> cpu = cpuTimes(group);
    std::vector<double> sorted = cpu;
    std::sort(sorted.begin(), sorted.end());
    g.cpu = describeSorted(sorted);
    takeLevelInterval(&g.cpu, group, false);
    noteNoise(report, group.key, false, cpu, sorted, g.cpu);
    const std::vector<double> wall = wallTimes(group);
    if (!wall.empty()) {
        sorted = wall;
        std::sort(sorted.begin(), sorted.end());
        g.wall = describeSorted(sorted);
        takeLevelInterval(&g.wall, group, true);
        noteNoise(report, group.key, true, wall, sorted, g.wall);
    }
    return g;
}

std::optional<WorkerCost> fitCost(const std::vector<GroupReport>& groups, size_t first, size_t last) {
    const auto high =
        std::count_if(groups.begin() + static_cast<long>(first), groups.begin() + static_cast<long>(last),
                      [](const GroupReport& g) { return g.key.threads >= costFitFrom; });
    const int32_t from = static_cast<size_t>(high) >= costFitMinCounts ? costFitFrom : 1;
    std::vector<double> x;
    std::vector<double> y;
    for (size_t i = first; i < last; i++) {
        if (groups[i].key.threads >= from) {
            x.push_back(groups[i].key.threads);
            y.push_back(groups[i].cpu.median);
        }
    }
    const auto line = leastSquares(x, y);
    if (!line) {
        return std::nullopt;
    }
    WorkerCost cost{};
    cost.micros = line->slope;
    cost.from = static_cast<int32_t>(x.front());
    cost.to = static_cast<int32_t>(x.back());
    cost.counts = x.size();
    cost.microsInterval = slopeInterval(x, y);
    return cost;
}

// Speedup and efficiency of a series' groups against its smallest count.
void addSpeedup(std::vector<GroupReport>* groups, const SeriesReport& series) {
    const double baseWall = (*groups)[series.first].wall.median;
    for (size_t i = series.first; i < series.last; i++) {
        GroupReport& g = (*groups)[i];
        if (baseWall > 0 && g.wall.median > 0) {
            g.speedup = baseWall / g.wall.median;
            g.efficiency = g.speedup * series.base / g.key.threads;
        }
    }
}

// How many runs of a group each of its sweeps made, by sweep: a group's
// runs mostly come from one sweep, so a short list searched from its end.
std::vector<std::pair<int32_t, size_t>> runsPerSweep(const RunGroup& group) {
    std::vector<std::pair<int32_t, size_t>> counts;
    for (const Run& run : group.runs) {
        auto at = counts.rbegin();
        while (at != counts.rend() && at->first != run.sweep) {
            ++at;
        }
        if (at == counts.rend()) {
            counts.push_back({run.sweep, 1});
        } else {
            at->second++;
        }
    }
    return counts;
}

// Marks the counts of a series with fewer runs from some sweep than that
// sweep made of another count of the series, or than its context asked for.
void markShortCounts(ScalingReport* report, const SeriesReport& series) {
    const SweepModel& model = *report->model;
    std::vector<std::vector<std::pair<int32_t, size_t>>> perGroup;
    std::map<int32_t, size_t> most;
    for (size_t i = series.first; i < series.last; i++) {
        perGroup.push_back(runsPerSweep(model.groups[i]));
        for (const auto& [sweep, count] : perGroup.back()) {
            most[sweep] = std::max(most[sweep], count);
        }
    }
    for (size_t i = series.first; i < series.last; i++) {
        for (const auto& [sweep, count] : perGroup[i - series.first]) {
            const int64_t asked = model.files[model.sweeps[static_cast<size_t>(sweep)].file].context.runs;
            if (count < most[sweep] || static_cast<int64_t>(count) < asked) {
                report->groups[i].shortCount = true;
            }
        }
    }
}

void addStartupShares(ScalingReport* report) {
    const std::vector<std::string>& modes = report->model->modes;
    const auto spawn = std::find(modes.begin(), modes.end(), "spawn");
    const auto pool = std::find(modes.begin(), modes.end(), "pool");
    if (spawn == modes.end() || pool == modes.end()) {
        return;
    }
    const auto poolMode = static_cast<int32_t>(pool - modes.begin());
    for (const GroupReport& s : report->groups) {
        if (s.key.mode != static_cast<int32_t>(spawn - modes.begin())) {
            continue;
        }
        GroupKey poolKey = s.key;
        poolKey.mode = poolMode;
        const GroupReport* p = findGroupReport(*report, poolKey);
        if (p == nullptr) {
            continue;
        }
        const double share = s.cpu.median > 0 ? (s.cpu.median - p->cpu.median) / s.cpu.median : NAN;
        report->shares.push_back({s.key.series(), s.key.threads, s.cpu.median, p->cpu.median, share});
    }
    std::sort(report->shares.begin(), report->shares.end(), [](const StartupShare& a, const StartupShare& b) {
        return std::tie(a.series, a.threads) < std::tie(b.series, b.threads);
    });
}

}  // namespace

ScalingReport analyse(const SweepModel& model) {
    ScalingReport report;
    report.model = &model;
    report.hasWall = model.hasWall;
    for (const RunGroup& group : model.groups) {
        report.groups.push_back(describeGroup(&report, group));
    }
    for (size_t first = 0; first < report.groups.size();) {
        const SeriesKey key = report.groups[first].key.series();
        size_t last = first + 1;
        while (last < report.groups.size() && report.groups[last].key.series() == key) {
            last++;
        }
        const SeriesReport series{key, report.groups[first].key.threads, first, last,
                                  fitCost(report.groups, first, last)};
        if (report.hasWall) {
            addSpeedup(&report.groups, series);
        }
        markShortCounts(&report, series);
        report.series.push_back(series);
        first = last;
    }
    addStartupShares(&report);
    addColdStarts(&report);
    addDrift(&report);
    addBounds(&report);
    return report;
}

void addCostSplit(ScalingReport* report) {
    report->cost = costSplit(*report->model);
    addSystemSlopes(report);
}

void addExplanations(ScalingReport* report, const std::vector<int32_t>& predictAt) {
    report->efficiencies = groupEfficiencies(*report->model);
    report->models = seriesModels(*report, predictAt);
}

const GroupReport* findGroupReport(const ScalingReport& report, const GroupKey& key) {
    const auto at = std::lower_bound(report.groups.begin(), report.groups.end(), key,
                                     [](const GroupReport& g, const GroupKey& k) { return g.key < k; });
    return at != report.groups.end() && at->key == key ? &*at : nullptr;
}

bool anyShortCount(const ScalingReport& report) {
    return std::any_of(report.groups.begin(), report.groups.end(), [](const GroupReport& g) { return g.shortCount; });
}
