#include "report/compare/compare.h"

#include <algorithm>
#include <cmath>
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

// The run-level verdict stands only where the units' test agrees with it;
// without units on both sides nothing measures the machine's variation.
Verdict levelledVerdict(const MeasureComparison& m, const Levels& base, const Levels& other) {
    if (m.verdict == Verdict::untested || base.level == UpperLevel::none || other.level == UpperLevel::none) {
        return Verdict::untested;
    }
    if (!m.levelled || m.levelP >= compareAlpha || (m.ratio.low <= 1 && m.ratio.high >= 1)) {
        return Verdict::same;
    }
    const Verdict units = m.ratio.ratio < 1 ? Verdict::faster : Verdict::slower;
    return units == m.verdict ? units : Verdict::same;
}

// Compares one measure of one side with the base's; keeps the bootstrap
// replicates for the summary (none when the ratio comes from the levels).
MeasureComparison compareMeasure(const RunGroup& baseGroup, const RunGroup& otherGroup, bool wall,
                                 uint64_t seed, std::vector<double>* replicates) {
    const std::vector<double> base = wall ? wallTimes(baseGroup) : cpuTimes(baseGroup);
    const std::vector<double> other = wall ? wallTimes(otherGroup) : cpuTimes(otherGroup);
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
    m.p = differenceP(base, other);
    m.verdict = verdict(m.p, m.ratio, base.size(), other.size());
    const Levels baseLevels = levelsOf(baseGroup, wall);
    const Levels otherLevels = levelsOf(otherGroup, wall);
    const LevelRatio units = levelRatio(baseLevels, otherLevels);
    if (units.known) {
        m.levelled = true;
        m.ratio = units.ratio;
        m.levelP = units.p;
    } else {
        *replicates = std::move(estimate.replicates);
    }
    m.verdict = levelledVerdict(m, baseLevels, otherLevels);
    return m;
}

MeasureComparison describeBase(const std::vector<double>& sample) {
    MeasureComparison m;
    m.present = !sample.empty();
    m.median = m.present ? median(sample) : 0;
    return m;
}

// Per other side and measure, the observed ratios, their replicates and
// the units' intervals.
struct RatioLists {
    std::vector<double> observed;
    std::vector<std::vector<double>> replicates;
    std::vector<RatioInterval> levelled;
    bool untested = false;  // some count's verdict is untested
};

// The geometric mean of ratios from the levels: the mean of the log ratios
// within the mean of their interval's log bounds. The counts of one sweep
// share its invocations, so their errors are not independent; averaging
// the bounds is what perfectly correlated errors give, the widest case.
RatioInterval levelledMean(const std::vector<RatioInterval>& ratios) {
    RatioInterval mean;
    for (const RatioInterval& r : ratios) {
        mean.ratio += std::log(r.ratio);
        mean.low += std::log(r.low);
        mean.high += std::log(r.high);
    }
    const double n = static_cast<double>(ratios.size());
    return {std::exp(mean.ratio / n), std::exp(mean.low / n), std::exp(mean.high / n)};
}

void addSummaries(const std::vector<std::vector<RatioLists>>& lists, CompareReport* report) {
    for (size_t side = 1; side < lists.size(); side++) {
        for (bool wall : {true, false}) {
            const RatioLists& l = lists[side][wall ? 0 : 1];
            if (l.observed.empty() && l.levelled.empty()) {
                continue;
            }
            // A mix of both kinds has an untested count: its verdict says so.
            const RatioInterval mean = l.levelled.size() >= l.observed.size()
                                           ? levelledMean(l.levelled)
                                           : geometricMeanInterval(l.observed, l.replicates);
            const size_t counts = std::max(l.levelled.size(), l.observed.size());
            const Verdict verdict = l.untested ? Verdict::untested : overallVerdict(mean);
            report->summaries.push_back({side, wall, counts, mean, verdict});
        }
    }
}

CountRow compareSide(const SweepModel& model, const RunGroup& base, const RunGroup& other, size_t side,
                     std::vector<RatioLists>* lists) {
    CountRow row{side, other.runs.size(), {}, {}};
    std::vector<double> wallReplicates;
    std::vector<double> cpuReplicates;
    row.wall = compareMeasure(base, other, true, seedFor(model, base.key, side, true), &wallReplicates);
    row.cpu = compareMeasure(base, other, false, seedFor(model, base.key, side, false), &cpuReplicates);
    for (auto [m, replicates, list] : {std::tuple{&row.wall, &wallReplicates, &(*lists)[0]},
                                       std::tuple{&row.cpu, &cpuReplicates, &(*lists)[1]}}) {
        if (!m->compared) {
            continue;
        }
        list->untested = list->untested || m->verdict == Verdict::untested;
        if (m->levelled) {
            list->levelled.push_back(m->ratio);
        } else {
            list->observed.push_back(m->ratio.ratio);
            list->replicates.push_back(std::move(*replicates));
        }
    }
    return row;
}

// Adds the file of `group`'s runs to the report's list when they were made
// back to back in one process.
void noteBackToBack(const SweepModel& model, const RunGroup& group, CompareReport* report) {
    if (group.runs.empty() || !backToBack(group)) {
        return;
    }
    const size_t file = model.sweeps[static_cast<size_t>(group.runs.front().sweep)].file;
    std::vector<size_t>& files = report->backToBackFiles;
    if (std::find(files.begin(), files.end(), file) == files.end()) {
        files.insert(std::upper_bound(files.begin(), files.end(), file), file);
    }
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
            noteBackToBack(model, *other, &report);
        }
        if (count.sides.size() < 2) {
            continue;
        }
        noteBackToBack(model, base, &report);
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

std::vector<std::string> backToBackWarnings(const CompareReport& report) {
    std::vector<std::string> lines;
    for (size_t file : report.backToBackFiles) {
        // TRANSLATORS: the file; then the options to sweep with instead.
        lines.push_back(
            formatMessage(_("%s: each count's runs were made back to back in one process, so nothing "
                            "measures how the machine varies between moments: its verdicts are "
                            "untested; sweep with %s"),
                          report.model->files[file].path.c_str(), "--order random --invocations 5"));
    }
    // The levels inside one sweep cannot see that the machine was busier
    // while another was made: a busy machine is said, not hidden.
    for (const InputFile& file : report.model->files) {
        const InputContext& c = file.context;
        const int32_t cpus = c.usableCpus > 0 ? c.usableCpus : c.cpus;
        if (cpus > 0 && c.loadAtStart > 0.5 * cpus) {
            // TRANSLATORS: the file, its load average, the CPUs it could use.
            lines.push_back(formatMessage(_("%s was made while the machine was busy (load average %.2f on %d "
                                            "CPUs): a difference between the sweeps may be the load's; compare "
                                            "sweeps made on a quiet machine"),
                                          file.path.c_str(), c.loadAtStart, cpus));
        }
    }
    return lines;
}
