#include "report/scaling.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <tuple>

#include "i18n/messages.h"

namespace {

std::string format(const char* pattern, double value) {
    if (std::isnan(value)) {
        return "n/a";
    }
    char text[400];
    snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string fixed2(double value) {
    return format("%.2f", value);
}

std::string interval(const SampleStats& stats) {
    if (!stats.hasInterval) {
        return "n/a";
    }
    std::string text = "[";
    return text.append(fixed2(stats.low)).append(", ").append(fixed2(stats.high)).append("]");
}

// "| a | b |" and a newline.
std::string tableRow(const std::vector<std::string>& cells) {
    std::string row = "|";
    for (const std::string& cell : cells) {
        row += ' ';
        row += cell;
        row += " |";
    }
    return row + "\n";
}

bool severalModes(const ScalingReport& report) {
    return report.modes.size() > 1;
}

bool severalSettings(const ScalingReport& report) {
    return report.settings.size() > 1;
}

// Adds a warning line and a note for each kind of noise the group's runs
// show in one measure (processor or wall time).
void noteNoise(ScalingReport* report, const GroupKey& key, bool wall, const std::vector<double>& inOrder,
               const std::vector<double>& sorted, const SampleStats& stats) {
    const std::string label = groupLabel(*report, key);
    const std::string measure = wall ? _("wall time") : _("processor time");
    const FarRuns far = farOutliers(sorted);
    if (far.count > 0) {
        // TRANSLATORS: the group, the outliers, the runs, the measure, the largest outlier.
        report->warnings.push_back(formatMessage(ngettext("%s: %zu outlier of %zu runs beyond Q3 + 3 IQR in %s, "
                                                          "the largest %s µs",
                                                          "%s: %zu outliers of %zu runs beyond Q3 + 3 IQR in %s, "
                                                          "the largest %s µs",
                                                          far.count),
                                                 label.c_str(), far.count, stats.runs, measure.c_str(),
                                                 fixed2(far.largest).c_str()));
        report->noise.push_back(
            {NoiseKind::outliers, wall, key, stats.median > 0 ? far.largest / stats.median : INFINITY});
    }
    if (stats.mean > 0 && stats.stddev / stats.mean > noisyVariation) {
        // TRANSLATORS: the group, the measure, its variation, the threshold.
        report->warnings.push_back(formatMessage(_("%s: %s varies by %s %% (coefficient of variation above %s %%)"),
                                                 label.c_str(), measure.c_str(),
                                                 format("%.1f", 100 * stats.stddev / stats.mean).c_str(),
                                                 format("%.0f", 100 * noisyVariation).c_str()));
        report->noise.push_back({NoiseKind::variation, wall, key, stats.stddev / stats.mean});
    }
    double ratio = 0;
    if (slowFirstRun(inOrder, sorted, &ratio)) {
        // TRANSLATORS: the group, the measure, the first run's time, the ratio.
        report->warnings.push_back(formatMessage(_("%s: the first run's %s (%s µs) is %s times the median of the "
                                                   "others: a cold start"),
                                                 label.c_str(), measure.c_str(), fixed2(inOrder.front()).c_str(),
                                                 format("%.1f", ratio).c_str()));
        report->noise.push_back({NoiseKind::coldStart, wall, key, ratio});
    }
}

GroupReport describeGroup(ScalingReport* report, const RunGroup& group) {
    GroupReport g;
    g.key = group.key;
    std::vector<double> sorted = group.cpu;
    std::sort(sorted.begin(), sorted.end());
    g.cpu = describeSorted(sorted);
    noteNoise(report, group.key, false, group.cpu, sorted, g.cpu);
    if (!group.wall.empty()) {
        sorted = group.wall;
        std::sort(sorted.begin(), sorted.end());
        g.wall = describeSorted(sorted);
        noteNoise(report, group.key, true, group.wall, sorted, g.wall);
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
    return WorkerCost{line->slope, static_cast<int32_t>(x.front()), static_cast<int32_t>(x.back()), x.size()};
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

void addStartupShares(ScalingReport* report) {
    const auto spawn = std::find(report->modes.begin(), report->modes.end(), "spawn");
    const auto pool = std::find(report->modes.begin(), report->modes.end(), "pool");
    if (spawn == report->modes.end() || pool == report->modes.end()) {
        return;
    }
    const auto spawnMode = static_cast<int32_t>(spawn - report->modes.begin());
    const auto poolMode = static_cast<int32_t>(pool - report->modes.begin());
    const auto byKey = [](const GroupReport& g, const GroupKey& key) { return g.key < key; };
    for (const GroupReport& s : report->groups) {
        if (s.key.mode != spawnMode) {
            continue;
        }
        const GroupKey poolKey{s.key.rows, s.key.columns, s.key.setting, poolMode, s.key.threads};
        const auto p = std::lower_bound(report->groups.begin(), report->groups.end(), poolKey, byKey);
        if (p == report->groups.end() || p->key != poolKey) {
            continue;
        }
        const double share = s.cpu.median > 0 ? (s.cpu.median - p->cpu.median) / s.cpu.median : NAN;
        report->shares.push_back(
            {s.key.rows, s.key.columns, s.key.setting, s.key.threads, s.cpu.median, p->cpu.median, share});
    }
    std::sort(report->shares.begin(), report->shares.end(), [](const StartupShare& a, const StartupShare& b) {
        return std::tie(a.rows, a.columns, a.setting, a.threads) <
               std::tie(b.rows, b.columns, b.setting, b.threads);
    });
}

// "speedup", or what it is relative to when a series has no run with 1 worker.
std::string speedupHeading(const ScalingReport& report) {
    std::set<int32_t> bases;
    for (const SeriesReport& s : report.series) {
        bases.insert(s.base);
    }
    if (bases.size() == 1 && *bases.begin() == 1) {
        return _("speedup");
    }
    if (bases.size() == 1) {
        return formatMessage(_("speedup vs %d workers (no run with 1)"), *bases.begin());
    }
    return _("speedup vs fewest workers (no run with 1)");
}

std::string groupTable(const ScalingReport& report) {
    const bool modes = severalModes(report);
    const bool settings = severalSettings(report);
    std::vector<std::string> headings{_("matrix")};
    std::string rule = std::string("|---|") + (settings ? "---|" : "") + (modes ? "---|" : "") + "---:|---:|";
    if (settings) {
        headings.push_back(_("settings"));
    }
    if (modes) {
        headings.push_back(_("mode"));
    }
    headings.insert(headings.end(), {_("workers"), _("runs")});
    if (report.hasWall) {
        // xgettext:no-c-format
        const char* interval = _("95 % CI");
        headings.insert(headings.end(),
                        {_("mean cpu µs"), _("median cpu"), interval, _("min"), _("max"), _("std dev"),
                         _("median wall µs"), interval, speedupHeading(report), _("efficiency")});
        rule += "---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    } else {
        // xgettext:no-c-format
        const char* interval = _("95 % CI of median");
        headings.insert(headings.end(),
                        {_("mean ticks"), _("median"), interval, _("min"), _("max"), _("std dev")});
        rule += "---:|---:|---:|---:|---:|---:|\n";
    }
    std::string table = tableRow(headings) + rule;
    for (const GroupReport& g : report.groups) {
        std::vector<std::string> cells{sizeLabel(g.key.rows, g.key.columns)};
        if (settings) {
            cells.push_back(settingName(report, g.key.setting));
        }
        if (modes) {
            cells.push_back(report.modes[static_cast<size_t>(g.key.mode)]);
        }
        cells.insert(cells.end(), {std::to_string(g.key.threads), std::to_string(g.cpu.runs),
                                   fixed2(g.cpu.mean), fixed2(g.cpu.median), interval(g.cpu),
                                   fixed2(g.cpu.min), fixed2(g.cpu.max), fixed2(g.cpu.stddev)});
        if (report.hasWall) {
            cells.insert(cells.end(),
                         {fixed2(g.wall.median), interval(g.wall), significant3(g.speedup), significant3(g.efficiency)});
        }
        table += tableRow(cells);
    }
    return table;
}

std::string startupTable(const ScalingReport& report) {
    if (report.shares.empty()) {
        return "";
    }
    // Appended piece by piece: GCC 12 warns of a false overlap (-Wrestrict)
    // in "\n" + std::string(...).
    std::string table = "\n";
    table += _("Start-up share of the processor time, (spawn - pool) / spawn of the medians:");
    table += "\n\n";
    table += tableRow({_("matrix"), _("workers"), _("spawn median cpu µs"), _("pool median cpu µs"),
                       _("start-up share")});
    table += "|---|---:|---:|---:|---:|\n";
    for (const StartupShare& s : report.shares) {
        const std::string size = sizeLabel(s.rows, s.columns);
        table += tableRow({severalSettings(report) ? size + ", " + settingName(report, s.setting) : size,
                           std::to_string(s.threads), fixed2(s.spawn), fixed2(s.pool),
                           format("%.1f %%", 100 * s.share)});
    }
    return table;
}

// ", of which ... system time" when the counters gave the split.
std::string systemPart(const WorkerCost& cost) {
    if (std::isnan(cost.systemMicros)) {
        return "";
    }
    const double share = cost.micros != 0 ? cost.systemMicros / cost.micros : NAN;
    // TRANSLATORS: appended to the cost per added worker: the system part in µs, then its share in %.
    return formatMessage(_(", %s µs of it system time (%.0f %%)"), fixed2(cost.systemMicros).c_str(), 100 * share);
}

std::string costText(const ScalingReport& report) {
    std::string text = "\n";
    text += _("Cost of each added worker (least-squares slope of the median processor time "
              "against the worker count):");
    text += "\n";
    for (const SeriesReport& s : report.series) {
        text += "- " + seriesLabel(report, s.rows, s.columns, s.setting, s.mode) + ": ";
        if (!s.cost) {
            text += _("n/a (a single worker count)");
            text += "\n";
            continue;
        }
        // TRANSLATORS: the cost, the fewest and the most workers fitted, the counts fitted.
        text += formatMessage(_("%s µs of processor time per added worker (fitted over %d to %d workers, "
                                "%zu counts)"),
                              fixed2(s.cost->micros).c_str(), s.cost->from, s.cost->to, s.cost->counts);
        text += systemPart(*s.cost) + "\n";
    }
    return text;
}

}  // namespace

std::string significant3(double value) {
    std::string text = format("%#.3g", value);
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    return text;
}

std::string sizeLabel(int32_t rows, int32_t columns) {
    return std::to_string(rows) + " × " + std::to_string(columns);
}

std::string settingName(const ScalingReport& report, int32_t setting) {
    const auto index = static_cast<size_t>(setting);
    return index >= report.settings.size() || report.settings[index].empty() ? _("defaults")
                                                                             : report.settings[index];
}

std::string seriesLabel(const ScalingReport& report, int32_t rows, int32_t columns, int32_t setting,
                        int32_t mode) {
    std::string label = sizeLabel(rows, columns);
    if (severalSettings(report)) {
        label += ", " + settingName(report, setting);
    }
    if (severalModes(report)) {
        label += ", " + report.modes[static_cast<size_t>(mode)];
    }
    return label;
}

std::string groupLabel(const ScalingReport& report, const GroupKey& key) {
    // TRANSLATORS: the matrix size (and settings and mode), then the worker count.
    return formatMessage(ngettext("%s, %d worker", "%s, %d workers", static_cast<unsigned long>(key.threads)),
                         seriesLabel(report, key.rows, key.columns, key.setting, key.mode).c_str(),
                         key.threads);
}

ScalingReport analyse(const RunSet& runs) {
    ScalingReport report;
    report.hasWall = runs.hasWall;
    report.modes = runs.modes;
    report.settings = runs.settings;
    for (const RunGroup& group : runs.groups) {
        report.groups.push_back(describeGroup(&report, group));
    }
    for (size_t first = 0; first < report.groups.size();) {
        const GroupKey& key = report.groups[first].key;
        size_t last = first + 1;
        while (last < report.groups.size() && report.groups[last].key.rows == key.rows &&
               report.groups[last].key.columns == key.columns &&
               report.groups[last].key.setting == key.setting && report.groups[last].key.mode == key.mode) {
            last++;
        }
        SeriesReport series{key.rows,    key.columns, key.setting, key.mode,
                            key.threads, first,       last,        fitCost(report.groups, first, last)};
        if (report.hasWall) {
            addSpeedup(&report.groups, series);
        }
        report.series.push_back(series);
        first = last;
    }
    addStartupShares(&report);
    return report;
}

std::string reportText(const ScalingReport& report) {
    return groupTable(report) + startupTable(report) + costText(report);
}
