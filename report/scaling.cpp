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

// A text as a gnuplot string: in single quotes, where only a quote itself
// needs escaping (doubled), so any translation of a label stays one string.
std::string gnuplotString(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'') {
            quoted += '\'';
        }
    }
    return quoted + "'";
}

std::string sizeLabel(int32_t rows, int32_t columns) {
    return std::to_string(rows) + " × " + std::to_string(columns);
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

// "500 × 500", or "500 × 500, pool" when the input holds several modes.
std::string seriesLabel(const ScalingReport& report, int32_t rows, int32_t columns, int32_t mode) {
    const std::string size = sizeLabel(rows, columns);
    return severalModes(report) ? size + ", " + report.modes[static_cast<size_t>(mode)] : size;
}

std::string groupLabel(const ScalingReport& report, const GroupKey& key) {
    // TRANSLATORS: the matrix size (and mode), then the worker count.
    return formatMessage(ngettext("%s, %d worker", "%s, %d workers", static_cast<unsigned long>(key.threads)),
                         seriesLabel(report, key.rows, key.columns, key.mode).c_str(), key.threads);
}

// Adds a warning line for each kind of noise the group's runs show in one
// measure (processor or wall time).
void noteNoise(const std::string& label, const std::string& measure, const std::vector<double>& inOrder,
               const std::vector<double>& sorted, const SampleStats& stats,
               std::vector<std::string>* warnings) {
    const FarRuns far = farOutliers(sorted);
    if (far.count > 0) {
        // TRANSLATORS: the group, the outliers, the runs, the measure, the largest outlier.
        warnings->push_back(formatMessage(ngettext("%s: %zu outlier of %zu runs beyond Q3 + 3 IQR in %s, "
                                                   "the largest %s µs",
                                                   "%s: %zu outliers of %zu runs beyond Q3 + 3 IQR in %s, "
                                                   "the largest %s µs",
                                                   far.count),
                                          label.c_str(), far.count, stats.runs, measure.c_str(),
                                          fixed2(far.largest).c_str()));
    }
    if (stats.mean > 0 && stats.stddev / stats.mean > noisyVariation) {
        // TRANSLATORS: the group, the measure, its variation, the threshold.
        warnings->push_back(formatMessage(_("%s: %s varies by %s %% (coefficient of variation above %s %%)"),
                                          label.c_str(), measure.c_str(),
                                          format("%.1f", 100 * stats.stddev / stats.mean).c_str(),
                                          format("%.0f", 100 * noisyVariation).c_str()));
    }
    double ratio = 0;
    if (slowFirstRun(inOrder, sorted, &ratio)) {
        // TRANSLATORS: the group, the measure, the first run's time, the ratio.
        warnings->push_back(formatMessage(_("%s: the first run's %s (%s µs) is %s times the median of the "
                                            "others: a cold start"),
                                          label.c_str(), measure.c_str(), fixed2(inOrder.front()).c_str(),
                                          format("%.1f", ratio).c_str()));
    }
}

GroupReport describeGroup(const ScalingReport& report, const RunGroup& group,
                          std::vector<std::string>* warnings) {
    GroupReport g;
    g.key = group.key;
    const std::string label = groupLabel(report, group.key);
    std::vector<double> sorted = group.cpu;
    std::sort(sorted.begin(), sorted.end());
    g.cpu = describeSorted(sorted);
    noteNoise(label, _("processor time"), group.cpu, sorted, g.cpu, warnings);
    if (!group.wall.empty()) {
        sorted = group.wall;
        std::sort(sorted.begin(), sorted.end());
        g.wall = describeSorted(sorted);
        noteNoise(label, _("wall time"), group.wall, sorted, g.wall, warnings);
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
        if (g.wall.median > 0) {
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
        const GroupKey poolKey{s.key.rows, s.key.columns, poolMode, s.key.threads};
        const auto p = std::lower_bound(report->groups.begin(), report->groups.end(), poolKey, byKey);
        if (p == report->groups.end() || p->key != poolKey) {
            continue;
        }
        const double share = s.cpu.median > 0 ? (s.cpu.median - p->cpu.median) / s.cpu.median : NAN;
        report->shares.push_back(
            {s.key.rows, s.key.columns, s.key.threads, s.cpu.median, p->cpu.median, share});
    }
    std::sort(report->shares.begin(), report->shares.end(), [](const StartupShare& a, const StartupShare& b) {
        return std::tie(a.rows, a.columns, a.threads) < std::tie(b.rows, b.columns, b.threads);
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
    std::vector<std::string> headings{_("matrix")};
    std::string rule = modes ? "|---|---|---:|---:|" : "|---|---:|---:|";
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
        if (modes) {
            cells.push_back(report.modes[static_cast<size_t>(g.key.mode)]);
        }
        cells.insert(cells.end(), {std::to_string(g.key.threads), std::to_string(g.cpu.runs),
                                   fixed2(g.cpu.mean), fixed2(g.cpu.median), interval(g.cpu),
                                   fixed2(g.cpu.min), fixed2(g.cpu.max), fixed2(g.cpu.stddev)});
        if (report.hasWall) {
            cells.insert(cells.end(),
                         {fixed2(g.wall.median), interval(g.wall), fixed2(g.speedup), fixed2(g.efficiency)});
        }
        table += tableRow(cells);
    }
    return table;
}

std::string startupTable(const ScalingReport& report) {
    if (report.shares.empty()) {
        return "";
    }
    std::string table =
        "\n" +
        std::string(_("Start-up share of the processor time, (spawn - pool) / spawn of the medians:")) +
        "\n\n" +
        tableRow({_("matrix"), _("workers"), _("spawn median cpu µs"), _("pool median cpu µs"),
                  _("start-up share")}) +
        "|---|---:|---:|---:|---:|\n";
    for (const StartupShare& s : report.shares) {
        table += tableRow({sizeLabel(s.rows, s.columns), std::to_string(s.threads), fixed2(s.spawn),
                           fixed2(s.pool), format("%.1f %%", 100 * s.share)});
    }
    return table;
}

std::string costText(const ScalingReport& report) {
    std::string text =
        "\n" +
        std::string(_("Cost of each added worker (least-squares slope of the median processor time "
                      "against the worker count):")) +
        "\n";
    for (const SeriesReport& s : report.series) {
        text += "- " + seriesLabel(report, s.rows, s.columns, s.mode) + ": ";
        if (!s.cost) {
            text += _("n/a (a single worker count)");
            text += "\n";
            continue;
        }
        // TRANSLATORS: the cost, the fewest and the most workers fitted, the counts fitted.
        text += formatMessage(_("%s µs of processor time per added worker (fitted over %d to %d workers, "
                                "%zu counts)"),
                              fixed2(s.cost->micros).c_str(), s.cost->from, s.cost->to, s.cost->counts);
        text += "\n";
    }
    return text;
}

int32_t largestCount(const ScalingReport& report) {
    int32_t largest = 1;
    for (const GroupReport& g : report.groups) {
        largest = std::max(largest, g.key.threads);
    }
    return largest;
}

std::string chartHeader(const ScalingReport& report, const std::string& title) {
    const int32_t largest = largestCount(report);
    std::string header = "set terminal pngcairo size " + std::to_string(chartWidth) + "," +
                         std::to_string(chartHeight) + " noenhanced font 'DejaVu Sans,10'\n";
    header += "set output ARG1\n";
    header += "set title " + gnuplotString(title) + "\n";
    header += "set xlabel " + gnuplotString(_("workers (threads)")) + "\n";
    header += "set grid\n";
    // The axis ends at the largest count, with a tic per worker when few.
    header += "set xrange [0:" + std::to_string(largest) + "]\n";
    if (largest <= 16) {
        header += "set xtics 1\n";
    }
    return header;
}

// One inline data block per series, "$s0" onwards, of the lines `row` gives.
template <typename Row>
std::string dataBlocks(const ScalingReport& report, Row row) {
    std::string blocks;
    for (size_t i = 0; i < report.series.size(); i++) {
        blocks += "$s" + std::to_string(i) + " << EOD\n";
        for (size_t g = report.series[i].first; g < report.series[i].last; g++) {
            blocks += row(report.groups[g]) + "\n";
        }
        blocks += "EOD\n";
    }
    return blocks;
}

}  // namespace

ScalingReport analyse(const RunSet& runs) {
    ScalingReport report;
    report.hasWall = runs.hasWall;
    report.modes = runs.modes;
    for (const RunGroup& group : runs.groups) {
        report.groups.push_back(describeGroup(report, group, &report.warnings));
    }
    for (size_t first = 0; first < report.groups.size();) {
        const GroupKey& key = report.groups[first].key;
        size_t last = first + 1;
        while (last < report.groups.size() && report.groups[last].key.rows == key.rows &&
               report.groups[last].key.columns == key.columns && report.groups[last].key.mode == key.mode) {
            last++;
        }
        SeriesReport series{
            key.rows, key.columns, key.mode, key.threads, first, last, fitCost(report.groups, first, last)};
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

std::string scalingChartScript(const ScalingReport& report) {
    std::string script =
        chartHeader(report, _("diagsum: processor time per run by number of workers (mean, band "
                              "from min to max)"));
    script +=
        "set ylabel " + gnuplotString(_("processor time of all threads per run (clock ticks, µs)")) + "\n";
    script +=
        "set key top left\n"
        "set yrange [0:*]\n"
        "set style fill transparent solid 0.25 noborder\n";
    script += dataBlocks(report, [](const GroupReport& g) {
        return std::to_string(g.key.threads) + " " + fixed2(g.cpu.mean) + " " + fixed2(g.cpu.min) + " " +
               fixed2(g.cpu.max);
    });
    script += "plot ";
    for (size_t i = 0; i < report.series.size(); i++) {
        const SeriesReport& s = report.series[i];
        const std::string data = "$s" + std::to_string(i);
        const std::string colour = std::to_string(i + 1);
        const std::string label = seriesLabel(report, s.rows, s.columns, s.mode);
        script += (i == 0 ? "" : ", \\\n     ");
        script += data + " using 1:3:4 with filledcurves lc " + colour + " title " +
                  gnuplotString(formatMessage(_("min–max, %s"), label.c_str())) + ", \\\n     " + data +
                  " using 1:2 with linespoints pt 7 ps 0.5 lc " + colour + " title " +
                  gnuplotString(formatMessage(_("mean, %s"), label.c_str()));
    }
    return script + "\n";
}

std::string speedupChartScript(const ScalingReport& report) {
    std::string script = chartHeader(report, _("diagsum: speedup of the median wall time, and efficiency"));
    script += "set ylabel " + gnuplotString(_("speedup (median wall time at the base count / at T)")) + "\n";
    script += "set y2label " + gnuplotString(_("efficiency (speedup / ideal speedup)")) + "\n";
    script +=
        "set ytics nomirror\n"
        "set y2tics\n"
        "set key tmargin horizontal\n";
    // Room above an efficiency of 1, where the points would sit on the border.
    double highest = 1;
    // The speedup axis follows the measured curve, with the ideal line
    // leaving the chart: on a machine of few cores the measured speedup stays
    // near 1 while the ideal reaches the largest worker count, and an axis up
    // there would flatten every measured point onto the floor.
    double topSpeedup = 1;
    double topIdeal = 1;
    for (const GroupReport& g : report.groups) {
        highest = std::isnan(g.efficiency) ? highest : std::max(highest, g.efficiency);
        topSpeedup = std::isnan(g.speedup) ? topSpeedup : std::max(topSpeedup, g.speedup);
        topIdeal = std::max(topIdeal, static_cast<double>(g.key.threads));
    }
    // Never below the measured curve itself: a speedup above the ideal (a
    // superlinear count, or noise) stays on the chart.
    const double top = std::max(1.05 * topSpeedup, std::min(1.05 * topIdeal, std::max(2.0, 2 * topSpeedup)));
    script += "set yrange [0:" + format("%.3g", top) + "]\n";
    script += "set y2range [0:" + format("%.3g", 1.1 * highest) + "]\n";
    script += dataBlocks(report, [](const GroupReport& g) {
        return std::to_string(g.key.threads) + " " + format("%.6g", g.speedup) + " " +
               format("%.6g", g.efficiency);
    });
    std::set<int32_t> bases;
    for (const SeriesReport& s : report.series) {
        bases.insert(s.base);
    }
    script += "plot ";
    for (int32_t base : bases) {
        const std::string b = std::to_string(base);
        const std::string ideal = base == 1 ? _("ideal, S = T") : formatMessage(_("ideal, S = T / %d"), base);
        script +=
            "x / " + b + ".0 with lines dt 2 lc rgb 'black' title " + gnuplotString(ideal) + ", \\\n     ";
    }
    for (size_t i = 0; i < report.series.size(); i++) {
        const SeriesReport& s = report.series[i];
        const std::string data = "$s" + std::to_string(i);
        const std::string colour = std::to_string(i + 1);
        const std::string label = seriesLabel(report, s.rows, s.columns, s.mode);
        script += (i == 0 ? "" : ", \\\n     ");
        script += data + " using 1:2 with linespoints pt 7 ps 0.5 lc " + colour + " title " +
                  gnuplotString(formatMessage(_("speedup, %s"), label.c_str())) + ", \\\n     " + data +
                  " using 1:3 axes x1y2 with linespoints dt 3 pt 6 ps 0.5 lc " + colour + " title " +
                  gnuplotString(formatMessage(_("efficiency, %s"), label.c_str()));
    }
    return script + "\n";
}
