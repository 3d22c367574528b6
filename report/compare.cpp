#include "report/compare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

#include "i18n/messages.h"
#include "report/mannwhitney.h"
#include "report/runstats.h"
#include "report/scaling.h"

namespace {

// A size, mode (by name, as files number their modes differently, with the
// settings after it when not the defaults: "spawn, stack:64k") and count.
using CountKey = std::tuple<int32_t, int32_t, std::string, int32_t>;

std::string modeAndSettings(const RunSet& sweep, const GroupKey& key) {
    std::string name = sweep.modes[static_cast<size_t>(key.mode)];
    const auto setting = static_cast<size_t>(key.setting);
    if (setting < sweep.settings.size() && !sweep.settings[setting].empty()) {
        name += ", " + sweep.settings[setting];
    }
    return name;
}

std::map<CountKey, const RunGroup*> groupsByCount(const RunSet& sweep) {
    std::map<CountKey, const RunGroup*> groups;
    for (const RunGroup& group : sweep.groups) {
        groups[{group.key.rows, group.key.columns, modeAndSettings(sweep, group.key), group.key.threads}] = &group;
    }
    return groups;
}

double median(std::vector<double> sample) {
    std::sort(sample.begin(), sample.end());
    return quantile(sample, 0.5);
}

// A seed per count and file, so every interval is reproducible and none
// shares its resamples with another.
uint64_t seedFor(const CountKey& key, size_t file, bool wall) {
    uint64_t seed = 0x9e3779b97f4a7c15u;
    for (uint64_t part : {uint64_t(uint32_t(std::get<0>(key))), uint64_t(uint32_t(std::get<1>(key))),
                          uint64_t(uint32_t(std::get<3>(key))), uint64_t(file), uint64_t(wall),
                          uint64_t(std::hash<std::string>{}(std::get<2>(key)))}) {
        seed = (seed ^ part) * 0x100000001b3u;
    }
    return seed;
}

Verdict verdictOf(double p, const RatioInterval& ratio) {
    if (p >= compareAlpha || (ratio.low <= 1 && ratio.high >= 1)) {
        return Verdict::same;
    }
    return ratio.ratio < 1 ? Verdict::faster : Verdict::slower;
}

// Compares one measure of one file with the first file's; keeps the
// bootstrap replicates for the summary.
MeasureComparison compareMeasure(const std::vector<double>& base, const std::vector<double>& other,
                                 uint64_t seed, std::vector<double>* replicates) {
    MeasureComparison m;
    m.present = !other.empty();
    if (!m.present || base.empty()) {
        return m;
    }
    m.median = median(other);
    const double baseMedian = median(base);
    // A run of 0 µs makes some resampled ratios infinite or undefined.
    const auto positive = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()) > 0; };
    if (baseMedian <= 0 || m.median <= 0 || !positive(base) || !positive(other)) {
        return m;
    }
    m.compared = true;
    *replicates = bootstrapMedianRatios(base, other, bootstrapResamples, seed);
    m.ratio = ratioInterval(m.median / baseMedian, *replicates);
    m.p = base.size() >= 2 && other.size() >= 2 ? mannWhitneyU(base, other).p : 1;
    m.verdict = base.size() >= 2 && other.size() >= 2 ? verdictOf(m.p, m.ratio) : Verdict::untested;
    return m;
}

MeasureComparison describeBase(const std::vector<double>& sample) {
    MeasureComparison m;
    m.present = !sample.empty();
    m.median = m.present ? median(sample) : 0;
    return m;
}

// Per other file and measure, the observed ratios and their replicates.
struct RatioLists {
    std::vector<double> observed;
    std::vector<std::vector<double>> replicates;
};

void addSummaries(const std::vector<std::vector<RatioLists>>& lists, CompareReport* report) {
    for (size_t file = 1; file < lists.size(); file++) {
        for (bool wall : {true, false}) {
            const RatioLists& l = lists[file][wall ? 0 : 1];
            if (l.observed.empty()) {
                continue;
            }
            const RatioInterval mean = geometricMeanInterval(l.observed, l.replicates);
            const Verdict verdict = mean.low > 1 ? Verdict::slower : mean.high < 1 ? Verdict::faster : Verdict::same;
            report->summaries.push_back({file, wall, l.observed.size(), mean, verdict});
        }
    }
}

std::string fixed(const char* pattern, double value) {
    char text[64];
    snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string ratioCell(const MeasureComparison& m) {
    if (!m.compared) {
        return "n/a";
    }
    return fixed("%.3f", m.ratio.ratio) + " [" + fixed("%.3f", m.ratio.low) + ", " + fixed("%.3f", m.ratio.high) +
           "]";
}

std::string pCell(const MeasureComparison& m) {
    return m.compared && m.verdict != Verdict::untested ? fixed("%.4f", m.p) : "n/a";
}

std::string medianCell(const MeasureComparison& m) {
    return m.present ? fixed("%.2f", m.median) : "n/a";
}

}  // namespace

CompareReport compareSweeps(const std::vector<const RunSet*>& sweeps, const std::vector<std::string>& labels) {
    CompareReport report;
    report.labels = labels;
    std::vector<std::map<CountKey, const RunGroup*>> groups;
    for (const RunSet* sweep : sweeps) {
        groups.push_back(groupsByCount(*sweep));
        report.severalModes = report.severalModes || sweep->modes.size() > 1 || sweep->settings.size() > 1;
    }
    std::vector<std::vector<RatioLists>> lists(sweeps.size(), std::vector<RatioLists>(2));
    for (const auto& [key, base] : groups.front()) {
        CountComparison count{std::get<0>(key), std::get<1>(key), std::get<2>(key), std::get<3>(key), {}};
        count.files.push_back({0, base->cpu.size(), describeBase(base->wall), describeBase(base->cpu)});
        size_t fewest = base->cpu.size();
        for (size_t file = 1; file < sweeps.size(); file++) {
            const auto found = groups[file].find(key);
            if (found == groups[file].end()) {
                continue;
            }
            const RunGroup* other = found->second;
            CountRow row{file, other->cpu.size(), {}, {}};
            std::vector<double> wallReplicates;
            std::vector<double> cpuReplicates;
            row.wall = compareMeasure(base->wall, other->wall, seedFor(key, file, true), &wallReplicates);
            row.cpu = compareMeasure(base->cpu, other->cpu, seedFor(key, file, false), &cpuReplicates);
            for (auto [m, replicates, list] : {std::tuple{&row.wall, &wallReplicates, &lists[file][0]},
                                               std::tuple{&row.cpu, &cpuReplicates, &lists[file][1]}}) {
                if (m->compared) {
                    list->observed.push_back(m->ratio.ratio);
                    list->replicates.push_back(std::move(*replicates));
                }
            }
            fewest = std::min(fewest, other->cpu.size());
            count.files.push_back(std::move(row));
        }
        if (count.files.size() < 2) {
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

std::string verdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::faster:
            return _("faster");
        case Verdict::slower:
            return _("slower");
        case Verdict::same:
            return _("no difference beyond the noise");
        case Verdict::untested:
            break;
    }
    return "n/a";
}

std::string compareText(const CompareReport& report) {
    // xgettext:no-c-format
    const char* wallRatio = _("wall ratio [95 % CI]");
    // xgettext:no-c-format
    const char* cpuRatio = _("cpu ratio [95 % CI]");
    std::string text = std::string("| ") + _("matrix") + " |" + (report.severalModes ? std::string(" ") + _("mode") + " |" : "") +
                       " " + _("workers") + " | " + _("file") + " | " + _("runs") + " | " + _("median wall µs") +
                       " | " + wallRatio + " | " + _("wall p") + " | " + _("wall verdict") + " | " +
                       _("median cpu µs") + " | " + cpuRatio + " | " + _("cpu p") + " | " +
                       _("cpu verdict") + " |\n";
    text += report.severalModes ? "|---|---|---:|---|---:|---:|---:|---:|---|---:|---:|---:|---|\n"
                                : "|---|---:|---|---:|---:|---:|---:|---|---:|---:|---:|---|\n";
    for (const CountComparison& count : report.counts) {
        for (const CountRow& row : count.files) {
            text += "| " + sizeLabel(count.rows, count.columns) + " |" +
                    (report.severalModes ? " " + count.mode + " |" : "") + " " + std::to_string(count.threads) +
                    " | " + report.labels[row.file] + " | " + std::to_string(row.runs) + " | " +
                    medianCell(row.wall) + " | " + ratioCell(row.wall) + " | " + pCell(row.wall) + " | " +
                    (row.wall.compared ? verdictText(row.wall.verdict) : "") + " | " + medianCell(row.cpu) +
                    " | " + ratioCell(row.cpu) + " | " + pCell(row.cpu) + " | " +
                    (row.cpu.compared ? verdictText(row.cpu.verdict) : "") + " |\n";
        }
    }
    text += "\n";
    for (const CompareSummary& s : report.summaries) {
        char line[1024];
        snprintf(line, sizeof line,
                 _("%s against %s, %s: geometric mean of the ratios over %zu counts %.3f (95 %% CI %.3f to %.3f): "
                   "%s\n"),
                 report.labels[s.file].c_str(), report.labels[0].c_str(),
                 s.wall ? _("wall time") : _("processor time"), s.counts, s.mean.ratio, s.mean.low, s.mean.high,
                 verdictText(s.verdict).c_str());
        text += line;
    }
    return text;
}

std::string fewRunsWarning(const CompareReport& report) {
    if (report.fewRunCounts == 0) {
        return "";
    }
    char line[512];
    snprintf(line, sizeof line,
             _("fewer than %zu runs at %zu of %zu counts (fewest %zu): the U test and the intervals are weak; "
               "sweep with --runs %zu or more"),
             compareMinRuns, report.fewRunCounts, report.counts.size(), report.fewestRuns, compareMinRuns);
    return line;
}
