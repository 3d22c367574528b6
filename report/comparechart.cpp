#include "report/comparechart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <utility>

#include "i18n/messages.h"

namespace {

std::string number(double value) {
    if (!std::isfinite(value)) {
        return "NaN";
    }
    char text[64];
    snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string blockName(size_t file, size_t series) {
    return "$f" + std::to_string(file) + "s" + std::to_string(series);
}

// Every file's series as blocks: workers, median processor time, speedup.
std::string dataBlocks(const std::vector<ScalingReport>& reports) {
    std::string blocks;
    for (size_t f = 0; f < reports.size(); f++) {
        for (size_t s = 0; s < reports[f].series.size(); s++) {
            blocks += blockName(f, s) + " << EOD\n";
            for (size_t g = reports[f].series[s].first; g < reports[f].series[s].last; g++) {
                const GroupReport& group = reports[f].groups[g];
                blocks += std::to_string(group.key.threads) + " " + number(group.cpu.median) + " " +
                          number(group.speedup) + "\n";
            }
            blocks += "EOD\n";
        }
    }
    return blocks;
}

// The curves of one size in one panel: `column` 2 (processor time) or 3
// (speedup); colour by file, dash by mode.
std::string panelPlot(const std::vector<ScalingReport>& reports, const std::vector<std::string>& labels,
                      std::pair<int32_t, int32_t> size, int column) {
    std::string plot;
    for (size_t f = 0; f < reports.size(); f++) {
        const ScalingReport& r = reports[f];
        for (size_t s = 0; s < r.series.size(); s++) {
            if (r.series[s].rows != size.first || r.series[s].columns != size.second) {
                continue;
            }
            const std::string& mode = r.modes[static_cast<size_t>(r.series[s].mode)];
            const std::string title = labels[f] + (r.modes.size() > 1 ? ", " + mode : "");
            plot += (plot.empty() ? "" : ", \\\n     ") + blockName(f, s) + " using 1:" + std::to_string(column) +
                    " with linespoints pt " + std::to_string(7 + 2 * static_cast<int>(f % 3)) +
                    " ps 0.6 lw 1.5 dt " + std::to_string(r.series[s].mode + 1) + " lc rgb " + curveColour(f) +
                    " title " + gnuplotString(title);
        }
    }
    return "plot " + plot + "\n";
}

}  // namespace

std::string compareChartScript(const std::vector<ScalingReport>& reports, const std::vector<std::string>& labels,
                               const ChartOptions& options) {
    std::set<std::pair<int32_t, int32_t>> sizes;
    CountRange range{INT32_MAX, 1};
    bool wall = false;
    for (const ScalingReport& r : reports) {
        for (const SeriesReport& s : r.series) {
            sizes.insert({s.rows, s.columns});
        }
        const CountRange own = countRange(r);
        range = {std::min(range.smallest, own.smallest), std::max(range.largest, own.largest)};
        wall = wall || r.hasWall;
    }
    const bool logAxis = logWorkerAxis(options.xScale, range.smallest, range.largest);
    const int columns = wall ? 2 : 1;
    std::string script = chartBegin(_("diagsum: sweeps compared (median processor time and speedup per count)"),
                                    static_cast<int>(sizes.size()), columns);
    script += dataBlocks(reports);
    for (const auto& size : sizes) {
        const std::string name = sizeLabel(size.first, size.second);
        script += panelBegin(name + ": " + _("median processor time"), logAxis, range.smallest, range.largest,
                             options.cpus);
        script += "set ylabel " + gnuplotString(_("processor time per run, all threads (µs)")) + "\nset yrange [0:*]\n";
        script += panelPlot(reports, labels, size, 2);
        if (wall) {
            script += panelBegin(name + ": " + _("speedup"), logAxis, range.smallest, range.largest, options.cpus);
            script += "set ylabel " + gnuplotString(_("speedup (median wall time at the base count / at T)")) +
                      "\nset yrange [0:*]\n";
            script += "set arrow from graph 0, first 1 to graph 1, first 1 nohead lc rgb '#999999'\n";
            script += panelPlot(reports, labels, size, 3);
        }
    }
    return script + chartEnd();
}
