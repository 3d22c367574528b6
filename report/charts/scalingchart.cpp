// scaling.png and speedup.png: one sweep's curves per series.
#include <algorithm>
#include <cmath>
#include <set>

#include "i18n/messages.h"
#include "report/analysis/bounds.h"
#include "report/charts/gnuplot.h"
#include "report/sweep/seriesname.h"

namespace {

int chartRows(size_t panels, int columns) {
    return static_cast<int>((panels + static_cast<size_t>(columns) - 1) / static_cast<size_t>(columns));
}

// The ideal speedup min(T, P) / min(base, P) (report/analysis/bounds.h) as
// a block of points from the base count to the largest count, or to where
// T / base reaches `top` when P is unknown, so that the line ends inside the
// panel; its bend at P is one of the points.
std::string idealBlock(const std::string& name, int32_t base, int32_t largest, double top, bool logAxis,
                       int32_t processors) {
    const double end = processors > 0 ? largest : std::min(static_cast<double>(largest), top * base);
    std::vector<double> counts;
    const int steps = logAxis ? 40 : 1;
    for (int i = 0; i <= steps; i++) {
        counts.push_back(logAxis ? base * std::pow(end / base, static_cast<double>(i) / steps)
                                 : base + (end - base) * i / steps);
    }
    if (processors > base && processors < end) {
        counts.push_back(processors);
        std::sort(counts.begin(), counts.end());
    }
    std::string block = name + " << EOD\n";
    for (double t : counts) {
        const double p = processors > 0 ? processors : t;
        block += chartNumber(t) + " " + chartNumber(std::min(t, p) / std::min(static_cast<double>(base), p)) +
                 "\n";
    }
    return block + "EOD\n";
}

// The speedups of the panel whose interval lies wholly above the ideal.
std::string impossibleBlock(const ScalingReport& report, const SizePanel& panel, const std::string& name) {
    std::string block = name + " << EOD\n";
    for (size_t s : panel.series) {
        for (size_t g = report.series[s].first; g < report.series[s].last; g++) {
            const GroupReport& group = report.groups[g];
            if (group.impossibleSpeedup) {
                block += std::to_string(group.key.threads) + " " + chartNumber(group.speedup) + "\n";
            }
        }
    }
    return block + "EOD\n";
}

// The highest finite value of `measure` among the panel's groups, at least 1.
template <typename Measure>
double panelHighest(const ScalingReport& report, const SizePanel& panel, Measure measure) {
    double highest = 1;
    for (size_t s : panel.series) {
        for (size_t g = report.series[s].first; g < report.series[s].last; g++) {
            const double value = measure(report.groups[g]);
            highest = std::isfinite(value) ? std::max(highest, value) : highest;
        }
    }
    return highest;
}

// Data column `column` of every series of the panel as a line with points.
std::string measuredCurves(const ScalingReport& report, const SizePanel& panel, const std::vector<size_t>& colours,
                           int column, int pointType, const std::string& what) {
    return panelCurves(panel, colours, [&](size_t s, const std::string& colour) {
        return seriesBlock(s) + " using 1:" + std::to_string(column) + " with linespoints pt " +
               std::to_string(pointType) + " ps 0.6 lw 1.5 lc rgb " + colour + " title " +
               gnuplotString(curveTitle(report, report.series[s], what));
    });
}

std::string speedupPanel(const ScalingReport& report, const SizePanel& panel, size_t index, bool logAxis,
                         const CountRange& range, int32_t cpus) {
    std::set<int32_t> bases;
    for (size_t s : panel.series) {
        bases.insert(report.series[s].base);
    }
    const int32_t processors = usableProcessors(*report.model);
    // The ideal's plateau min(P, largest) / base is part of the picture.
    const double plateau = processors > 0 ? 1.1 * std::min(processors, range.largest) / *bases.begin() : 0;
    const double top = std::max(
        {2.0, plateau, 1.25 * panelHighest(report, panel, [](const GroupReport& g) { return g.speedup; })});
    std::string script;
    std::string plot;
    const std::string ideal =
        processors > 0 ? formatMessage(_("ideal min(T, P), P = %d"), processors) : _("ideal");
    for (int32_t base : bases) {
        const std::string name = "$ideal" + std::to_string(index) + "_" + std::to_string(base);
        script += idealBlock(name, base, range.largest, top, logAxis, processors);
        plot += name + " using 1:2 with lines dt 2 lw 1.5 lc rgb 'black' title " +
                gnuplotString(base == 1 ? ideal : ideal + " / " + std::to_string(base)) + ", \\\n     ";
    }
    const std::string above = "$above" + std::to_string(index);
    script += impossibleBlock(report, panel, above);
    if (std::any_of(panel.series.begin(), panel.series.end(), [&](size_t s) {
            return std::any_of(report.groups.begin() + static_cast<long>(report.series[s].first),
                               report.groups.begin() + static_cast<long>(report.series[s].last),
                               [](const GroupReport& g) { return g.impossibleSpeedup; });
        })) {
        plot += above + " using 1:2 with points pt 6 ps 2 lw 2 lc rgb 'red' title " +
                gnuplotString(_("above the ideal (the base count was slow)")) + ", \\\n     ";
    }
    script += panelBegin(sizeLabel(panel.rows, panel.columns) + ": " + _("speedup"), logAxis, range.smallest,
                         range.largest, cpus);
    script += "set ylabel " + gnuplotString(_("speedup (median wall time at the base count / at T)")) + "\n";
    script += "set yrange [0:" + chartNumber(top) + "]\n";
    script += "set arrow from graph 0, first 1 to graph 1, first 1 nohead lc rgb '#999999'\n";
    return script + "plot " + plot + measuredCurves(report, panel, variantColours(report), 5, 7, _("measured")) +
           "\n";
}

std::string efficiencyPanel(const ScalingReport& report, const SizePanel& panel, bool logAxis,
                            const CountRange& range, int32_t cpus) {
    double lowest = 1;
    for (size_t s : panel.series) {
        for (size_t g = report.series[s].first; g < report.series[s].last; g++) {
            const double e = report.groups[g].efficiency;
            lowest = std::isfinite(e) && e > 0 ? std::min(lowest, e) : lowest;
        }
    }
    const double highest = panelHighest(report, panel, [](const GroupReport& g) { return g.efficiency; });
    std::string script = panelBegin(sizeLabel(panel.rows, panel.columns) + ": " + _("efficiency"), logAxis,
                                    range.smallest, range.largest, cpus);
    script += "set ylabel " + gnuplotString(_("efficiency (speedup / workers)")) + "\n";
    // Far below 1 a linear axis lays the curve on the floor.
    if (lowest < 0.1) {
        script += "set logscale y 10\nset yrange [" + chartNumber(lowest / 1.5) + ":" + chartNumber(1.5 * highest) +
                  "]\n";
    } else {
        script += "set yrange [0:" + chartNumber(1.1 * highest) + "]\n";
    }
    script += "set arrow from graph 0, first 1 to graph 1, first 1 nohead dt 2 lw 1.5 lc rgb 'black'\n";
    return script + "plot " + measuredCurves(report, panel, variantColours(report), 6, 5, _("efficiency")) + "\n";
}

}  // namespace

std::string scalingChartScript(const ScalingReport& report, const ChartOptions& options) {
    const std::vector<SizePanel> panels = panelsBySize(report);
    const CountRange range = countRange(report);
    const bool logAxis = logWorkerAxis(options.xScale, workerCounts(report));
    const std::vector<size_t> colours = variantColours(report);
    const int columns = panels.size() > 1 ? 2 : 1;
    std::string script = chartBegin(_("diagsum: processor time per run by number of workers (median; band: "
                                      "interquartile range)"),
                                    chartRows(panels.size(), columns), columns);
    script += seriesDataBlocks(report);
    script += "set style fill transparent solid 0.3 noborder\n";
    for (const SizePanel& panel : panels) {
        script +=
            panelBegin(sizeLabel(panel.rows, panel.columns), logAxis, range.smallest, range.largest, options.cpus);
        script += "set ylabel " + gnuplotString(_("processor time per run, all threads (µs)")) + "\n";
        script += "set yrange [0:*]\n";
        script += "plot " + panelCurves(panel, colours, [&](size_t s, const std::string& colour) {
                      const SeriesReport& series = report.series[s];
                      return seriesBlock(s) + " using 1:3:4 with filledcurves lc rgb " + colour + " title " +
                             gnuplotString(curveTitle(report, series, _("IQR"))) + ", \\\n     " + seriesBlock(s) +
                             " using 1:2 with linespoints pt 7 ps 0.6 lw 1.5 lc rgb " + colour + " title " +
                             gnuplotString(curveTitle(report, series, _("median")));
                  }) + "\n";
    }
    return script + chartEnd();
}

std::string speedupChartScript(const ScalingReport& report, const ChartOptions& options) {
    const std::vector<SizePanel> panels = panelsBySize(report);
    const CountRange range = countRange(report);
    const bool logAxis = logWorkerAxis(options.xScale, workerCounts(report));
    std::string script =
        chartBegin(_("diagsum: speedup of the median wall time, and efficiency"), static_cast<int>(panels.size()), 2);
    script += seriesDataBlocks(report);
    for (size_t p = 0; p < panels.size(); p++) {
        script += speedupPanel(report, panels[p], p, logAxis, range, options.cpus);
        script += efficiencyPanel(report, panels[p], logAxis, range, options.cpus);
    }
    return script + chartEnd();
}
