// cost.png: the median processor time per run of each worker count, split
// into its user and its system part by the shares of report/analysis/costsplit.h.
#include <algorithm>
#include <cmath>
#include <set>

#include "i18n/messages.h"
#include "report/charts/gnuplot.h"
#include "report/sweep/seriesname.h"

namespace {

// Two shades of one hue per series: user light above, system dark below.
const char* const shades[][2] = {
    {"#9ecae1", "#08519c"}, {"#fdae6b", "#a63603"}, {"#a1d99b", "#006d2c"}, {"#bcbddc", "#54278f"}};

std::string axisSetup(const std::vector<int32_t>& counts) {
    std::string script = "set terminal pngcairo size " + std::to_string(chartWidth) + "," +
                         std::to_string(chartHeight) + " noenhanced font 'DejaVu Sans,10'\n";
    script += "set output ARG1\n";
    script += "set title " +
              gnuplotString(_("diagsum: median processor time per run, split into user and system time (the split "
                              "from the sums over all runs of a count)")) +
              "\n";
    script += "set xlabel " + gnuplotString(_("workers (threads)")) + "\n";
    script += "set ylabel " + gnuplotString(_("processor time per run (µs)")) + "\n";
    script += "set grid ytics\nset key top left\nset yrange [0:*]\nset style fill solid 0.85 border -1\n";
    script += "set xrange [-0.6:" + chartNumber(static_cast<double>(counts.size()) - 0.4) + "]\nset xtics (";
    for (size_t i = 0; i < counts.size(); i++) {
        script += (i == 0 ? "\"" : ", \"") + std::to_string(counts[i]) + "\" " + std::to_string(i);
    }
    return script + ")\n";
}

// The bars of series `s` (of `seriesCount`) at every count: slot, median, system part.
std::string barBlock(const ScalingReport& report, const SeriesKey& series, size_t s, size_t seriesCount,
                     const std::vector<int32_t>& counts, double width) {
    std::string block = seriesBlock(s) + " << EOD\n";
    for (size_t i = 0; i < counts.size(); i++) {
        const GroupKey key{series.rows, series.columns, series.setting, series.mode, counts[i], series.sweep};
        const CostGroup* counted = findCostGroup(report.cost, key);
        const GroupReport* group = findGroupReport(report, key);
        if (counted == nullptr || group == nullptr || std::isnan(systemShare(*counted))) {
            continue;
        }
        const double offset = (static_cast<double>(s) - (static_cast<double>(seriesCount) - 1) / 2) * width;
        block += chartNumber(static_cast<double>(i) + offset) + " " + chartNumber(group->cpu.median) + " " +
                 chartNumber(group->cpu.median * systemShare(*counted)) + "\n";
    }
    return block + "EOD\n";
}

}  // namespace

std::string costChartScript(const ScalingReport& report) {
    // The counts of every series on one axis, a slot each.
    std::set<int32_t> countSet;
    std::set<SeriesKey> seriesKeys;
    for (const CostGroup& g : report.cost.groups) {
        countSet.insert(g.key.threads);
        seriesKeys.insert(g.key.series());
    }
    const std::vector<int32_t> counts(countSet.begin(), countSet.end());
    const std::vector<SeriesKey> series(seriesKeys.begin(), seriesKeys.end());
    const double width = 0.8 / static_cast<double>(std::max<size_t>(series.size(), 1));
    std::string script = axisSetup(counts);
    for (size_t s = 0; s < series.size(); s++) {
        script += barBlock(report, series[s], s, series.size(), counts, width);
    }
    const std::string w = chartNumber(width * 0.95);
    script += "plot ";
    for (size_t s = 0; s < series.size(); s++) {
        const std::string data = seriesBlock(s);
        const auto& shade = shades[s % 4];
        const std::string name = seriesLabel(*report.model, series[s]);
        script += (s == 0 ? "" : ", \\\n     ");
        script += data + " using 1:2:(" + w + ") with boxes lc rgb '" + shade[0] + "' title " +
                  gnuplotString(_("user, ") + name) + ", \\\n     " + data + " using 1:3:(" + w +
                  ") with boxes lc rgb '" + shade[1] + "' title " + gnuplotString(_("system, ") + name);
    }
    return script + "\n";
}
