#include "report/costchart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "i18n/messages.h"
#include "report/charts.h"

namespace {

std::string format(const char* pattern, double value) {
    if (!std::isfinite(value)) {
        return "n/a";
    }
    char text[64];
    snprintf(text, sizeof text, pattern, value);
    return text;
}

// "500 × 500" with the settings and mode when the report has several.
std::string seriesLabel(const ScalingReport& report, const GroupKey& key) {
    return ::seriesLabel(report, key.rows, key.columns, key.setting, key.mode);
}

const GroupReport* findGroup(const ScalingReport& report, const GroupKey& key) {
    const auto at = std::lower_bound(report.groups.begin(), report.groups.end(), key,
                                     [](const GroupReport& g, const GroupKey& k) { return g.key < k; });
    return at != report.groups.end() && at->key == key ? &*at : nullptr;
}

}  // namespace

std::string costChartScript(const CostReport& cost, const ScalingReport& report) {
    // The counts of every series on one axis, a slot each.
    std::set<int32_t> countSet;
    std::set<GroupKey> seriesKeys;  // threads 0: one key per series
    for (const CostGroup& g : cost.groups) {
        countSet.insert(g.key.threads);
        seriesKeys.insert(GroupKey{g.key.rows, g.key.columns, g.key.setting, g.key.mode, 0});
    }
    const std::vector<int32_t> counts(countSet.begin(), countSet.end());
    const std::vector<GroupKey> series(seriesKeys.begin(), seriesKeys.end());
    const double width = 0.8 / static_cast<double>(std::max<size_t>(series.size(), 1));
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
    script += "set xrange [-0.6:" + format("%.1f", static_cast<double>(counts.size()) - 0.4) + "]\nset xtics (";
    for (size_t i = 0; i < counts.size(); i++) {
        script += (i == 0 ? "\"" : ", \"") + std::to_string(counts[i]) + "\" " + std::to_string(i);
    }
    script += ")\n";
    for (size_t s = 0; s < series.size(); s++) {
        script += "$s" + std::to_string(s) + " << EOD\n";
        for (size_t i = 0; i < counts.size(); i++) {
            const GroupKey key{series[s].rows, series[s].columns, series[s].setting, series[s].mode, counts[i]};
            const CostGroup* counted = findCostGroup(cost, key);
            const GroupReport* group = findGroup(report, key);
            if (counted == nullptr || group == nullptr || std::isnan(systemShare(*counted))) {
                continue;
            }
            const double offset = (static_cast<double>(s) - (static_cast<double>(series.size()) - 1) / 2) * width;
            const double system = group->cpu.median * systemShare(*counted);
            script += format("%.3f", static_cast<double>(i) + offset) + " " + format("%.3f", group->cpu.median) +
                      " " + format("%.3f", system) + "\n";
        }
        script += "EOD\n";
    }
    // Two shades of one hue per series: user light above, system dark below.
    static const char* const shades[][2] = {
        {"#9ecae1", "#08519c"}, {"#fdae6b", "#a63603"}, {"#a1d99b", "#006d2c"}, {"#bcbddc", "#54278f"}};
    script += "plot ";
    for (size_t s = 0; s < series.size(); s++) {
        const std::string data = "$s" + std::to_string(s);
        const std::string w = format("%.3f", width * 0.95);
        const auto& shade = shades[s % 4];
        script += (s == 0 ? "" : ", \\\n     ");
        script += data + " using 1:2:(" + w + ") with boxes lc rgb '" + shade[0] + "' title " +
                  gnuplotString(_("user, ") + seriesLabel(report, series[s])) + ", \\\n     " + data + " using 1:3:(" +
                  w + ") with boxes lc rgb '" + shade[1] + "' title " +
                  gnuplotString(_("system, ") + seriesLabel(report, series[s]));
    }
    return script + "\n";
}
