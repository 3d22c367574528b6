// compare.png: the sides of a comparison, per size the median processor
// time and the speedup per count.
#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

#include "i18n/messages.h"
#include "report/charts/gnuplot.h"
#include "report/sweep/seriesname.h"

namespace {

// The side's label first, then the settings and mode where series differ in them.
std::string sideTitle(const ScalingReport& report, const SeriesReport& series) {
    SeriesName name = nameSeries(*report.model, series.key);
    const std::string side = name.sweep;
    name.sweep.clear();
    const std::string variant = name.variant();
    return variant.empty() ? side : side + ", " + variant;
}

// The curves of one size in one panel: `column` 2 (processor time) or 5
// (speedup); a colour per curve, a dash and point per side.
std::string panelPlot(const ScalingReport& report, const SizePanel& panel, int column) {
    return "plot " + panelCurves(panel, variantColours(report), [&](size_t s, const std::string& colour) {
               const int side = std::max(report.series[s].key.sweep - 1, 0);
               return seriesBlock(s) + " using 1:" + std::to_string(column) + " with linespoints pt " +
                      std::to_string(7 + 2 * (side % 3)) + " ps 0.6 lw 1.5 dt " + std::to_string(1 + side % 5) +
                      " lc rgb " + colour + " title " + gnuplotString(sideTitle(report, report.series[s]));
           }) + "\n";
}

}  // namespace

std::string compareChartScript(const ScalingReport& report, const ChartOptions& options) {
    const std::vector<SizePanel> panels = panelsBySize(report);
    const CountRange range = countRange(report);
    const bool logAxis = logWorkerAxis(options.xScale, workerCounts(report));
    const int columns = report.hasWall ? 2 : 1;
    std::string script = chartBegin(_("diagsum: sweeps compared (median processor time and speedup per count)"),
                                    static_cast<int>(panels.size()), columns);
    script += seriesDataBlocks(report);
    for (const SizePanel& panel : panels) {
        const std::string name = sizeLabel(panel.rows, panel.columns);
        script += panelBegin(name + ": " + _("median processor time"), logAxis, range.smallest, range.largest,
                             options.cpus);
        script += "set ylabel " + gnuplotString(_("processor time per run, all threads (µs)")) + "\nset yrange [0:*]\n";
        script += panelPlot(report, panel, 2);
        if (report.hasWall) {
            script += panelBegin(name + ": " + _("speedup"), logAxis, range.smallest, range.largest, options.cpus);
            script += "set ylabel " + gnuplotString(_("speedup (median wall time at the base count / at T)")) +
                      "\nset yrange [0:*]\n";
            script += "set arrow from graph 0, first 1 to graph 1, first 1 nohead lc rgb '#999999'\n";
            script += panelPlot(report, panel, 5);
        }
    }
    return script + chartEnd();
}
