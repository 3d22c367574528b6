#include "report/compare/compare.h"

#include <algorithm>
#include <functional>
#include <tuple>

#include "i18n/messages.h"
#include "report/stats/runstats.h"

namespace {

double median(std::vector<double> sample) {
    std::sort(sample.begin(), sample.end());
    return quantile(sample, 0.5);
}

// A seed per count, side and measure; the count named by its mode and
// settings ("spawn, stack:64k"), as sides may number them apart.
uint64_t seedFor(const SweepModel& model, const GroupKey& key, size_t side, bool wall) {
    std::string variant = model.modes[static_cast<size_t>(key.mode)];
    const std::string settings = settingsText(model.settings[static_cast<size_t>(key.setting)]);
    if (!settings.empty()) {
        variant += ", " + settings;
    }
    return seedOf({uint64_t(uint32_t(key.rows)), uint64_t(uint32_t(key.columns)), uint64_t(uint32_t(key.threads)),
                   uint64_t(side), uint64_t(wall), uint64_t(std::hash<std::string>{}(variant))});
}

// Compares one measure of one side with the base's; keeps the bootstrap
// replicates for the summary.
MeasureComparison compareMeasure(const std::vector<double>& base, const std::vector<double>& other, uint64_t seed,
                                 std::vector<double>* replicates) {
    MeasureComparison m;
    m.present = !other.empty();
    if (!m.present || base.empty()) {
        return m;
    }
    m.median = median(other);
    RatioEstimate estimate = ratioOfMedians(base, other, seed);
    if (!estimate.known) {
        return m;
    }
    m.compared = true;
    m.ratio = estimate.ratio;
    *replicates = std::move(estimate.replicates);
    m.p = differenceP(base, other);
    m.verdict = verdict(m.p, m.ratio, base.size(), other.size());
    return m;
}

MeasureComparison describeBase(const std::vector<double>& sample) {
    MeasureComparison m;
    m.present = !sample.empty();
    m.median = m.present ? median(sample) : 0;
    return m;
}

// Per other side and measure, the observed ratios and their replicates.
struct RatioLists {
    std::vector<double> observed;
    std::vector<std::vector<double>> replicates;
};

void addSummaries(const std::vector<std::vector<RatioLists>>& lists, CompareReport* report) {
    for (size_t side = 1; side < lists.size(); side++) {
        for (bool wall : {true, false}) {
            const RatioLists& l = lists[side][wall ? 0 : 1];
            if (l.observed.empty()) {
                continue;
            }
            const RatioInterval mean = geometricMeanInterval(l.observed, l.replicates);
            report->summaries.push_back({side, wall, l.observed.size(), mean, overallVerdict(mean)});
        }
    }
}

CountRow compareSide(const SweepModel& model, const RunGroup& base, const RunGroup& other, size_t side,
                     std::vector<RatioLists>* lists) {
    CountRow row{side, other.runs.size(), {}, {}};
    std::vector<double> wallReplicates;
    std::vector<double> cpuReplicates;
    row.wall = compareMeasure(wallTimes(base), wallTimes(other), seedFor(model, base.key, side, true), &wallReplicates);
    row.cpu = compareMeasure(cpuTimes(base), cpuTimes(other), seedFor(model, base.key, side, false), &cpuReplicates);
    for (auto [m, replicates, list] : {std::tuple{&row.wall, &wallReplicates, &(*lists)[0]},
                                       std::tuple{&row.cpu, &cpuReplicates, &(*lists)[1]}}) {
        if (m->compared) {
            list->observed.push_back(m->ratio.ratio);
            list->replicates.push_back(std::move(*replicates));
        }
    }
    return row;
}

}  // namespace

CompareReport compareSweeps(const SweepModel& model) {
    CompareReport report;
    report.model = &model;
    const size_t sides = model.apart.size();
    std::vector<std::vector<RatioLists>> lists(sides, std::vector<RatioLists>(2));
    for (const RunGroup& base : model.groups) {
        if (base.key.sweep != 1) {
            continue;
        }
        CountComparison count{base.key, {}};
        count.sides.push_back({0, base.runs.size(), describeBase(wallTimes(base)), describeBase(cpuTimes(base))});
        size_t fewest = base.runs.size();
        for (size_t side = 1; side < sides; side++) {
            GroupKey key = base.key;
            key.sweep = static_cast<int32_t>(side + 1);
            const RunGroup* other = findGroup(model, key);
            if (other == nullptr) {
                continue;
            }
            count.sides.push_back(compareSide(model, base, *other, side, &lists[side]));
            fewest = std::min(fewest, other->runs.size());
        }
        if (count.sides.size() < 2) {
            continue;
        }
        if (fewest < compareMinRuns) {
            report.fewRunCounts++;
            report.fewestRuns = report.fewRunCounts == 1 ? fewest : std::min(report.fewestRuns, fewest);
        }
        report.counts.push_back(std::move(count));
    }
    addSummaries(lists, &report);
    return report;
}

const std::string& sideLabel(const CompareReport& report, size_t side) {
    return report.model->apart[side].label;
}

std::string fewRunsWarning(const CompareReport& report) {
    if (report.fewRunCounts == 0) {
        return "";
    }
    return formatMessage(_("fewer than %zu runs at %zu of %zu counts (fewest %zu): the U test and the intervals are "
                           "weak; sweep with --runs %zu or more"),
                         compareMinRuns, report.fewRunCounts, report.counts.size(), report.fewestRuns,
                         compareMinRuns);
}
