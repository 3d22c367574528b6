#include "report/charts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "i18n/messages.h"

namespace {

std::string number(double value) {
    if (!std::isfinite(value)) {
        return "NaN";  // gnuplot leaves the point out
    }
    char text[64];
    snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string series(size_t index) {
    return "$s" + std::to_string(index);
}

// One inline data block per series: workers, median, Q1, Q3 of the
// processor time, speedup, efficiency.
std::string dataBlocks(const ScalingReport& report) {
    std::string blocks;
    for (size_t i = 0; i < report.series.size(); i++) {
        blocks += series(i) + " << EOD\n";
        for (size_t g = report.series[i].first; g < report.series[i].last; g++) {
            const GroupReport& group = report.groups[g];
            blocks += std::to_string(group.key.threads) + " " + number(group.cpu.median) + " " +
                      number(group.cpu.q1) + " " + number(group.cpu.q3) + " " + number(group.speedup) + " " +
                      number(group.efficiency) + "\n";
        }
        blocks += "EOD\n";
    }
    return blocks;
}

// A curve's title: what it shows, and its settings and mode when the report
// has several.
std::string curveTitle(const ScalingReport& report, const SeriesReport& s, const std::string& what) {
    std::string title = what;
    if (report.settings.size() > 1) {
        title += ", " + settingName(report, s.setting);
    }
    return report.modes.size() > 1 ? title + ", " + report.modes[static_cast<size_t>(s.mode)] : title;
}

// A colour per mode, so a mode looks alike in every panel; per curve of the
// panel when the series differ in their settings too.
std::string seriesColour(const ScalingReport& report, size_t curve, size_t series) {
    return curveColour(report.settings.size() > 1 ? curve : static_cast<size_t>(report.series[series].mode));
}

int chartRows(size_t panels, int columns) {
    return static_cast<int>((panels + static_cast<size_t>(columns) - 1) / static_cast<size_t>(columns));
}

// The ideal speedup S = T / base as a block of points from the base count
// to where it reaches `top`, so that the line ends inside the panel.
std::string idealBlock(const std::string& name, int32_t base, int32_t largest, double top, bool logAxis) {
    const double end = std::min(static_cast<double>(largest), top * base);
    std::string block = name + " << EOD\n";
    const int steps = logAxis ? 40 : 1;
    for (int i = 0; i <= steps; i++) {
        const double t = logAxis ? base * std::pow(end / base, static_cast<double>(i) / steps)
                                 : base + (end - base) * i / steps;
        block += number(t) + " " + number(t / base) + "\n";
    }
    return block + "EOD\n";
}

std::string speedupPanel(const ScalingReport& report, const SizePanel& panel, size_t index, bool logAxis,
                         const CountRange& range, int32_t cpus) {
    double highest = 1;
    std::set<int32_t> bases;
    for (size_t s : panel.series) {
        bases.insert(report.series[s].base);
        for (size_t g = report.series[s].first; g < report.series[s].last; g++) {
            highest = std::isfinite(report.groups[g].speedup) ? std::max(highest, report.groups[g].speedup) : highest;
        }
    }
    const double top = std::max(2.0, 1.25 * highest);
    std::string script;
    std::string plot;
    for (int32_t base : bases) {
        const std::string name = "$ideal" + std::to_string(index) + "_" + std::to_string(base);
        script += idealBlock(name, base, range.largest, top, logAxis);
        plot += name + " using 1:2 with lines dt 2 lw 1.5 lc rgb 'black' title " +
                gnuplotString(base == 1 ? _("ideal") : _("ideal / ") + std::to_string(base)) +
                ", \\\n     ";
    }
    script += panelBegin(sizeLabel(panel.rows, panel.columns) + ": " + _("speedup"), logAxis, range.smallest,
                         range.largest, cpus);
    script += "set ylabel " + gnuplotString(_("speedup (median wall time at the base count / at T)")) + "\n";
    script += "set yrange [0:" + number(top) + "]\n";
    script += "set arrow from graph 0, first 1 to graph 1, first 1 nohead lc rgb '#999999'\n";
    for (size_t k = 0; k < panel.series.size(); k++) {
        const size_t s = panel.series[k];
        plot += (k == 0 ? "" : ", \\\n     ") + series(s) + " using 1:5 with linespoints pt 7 ps 0.6 lw 1.5 lc rgb " +
                seriesColour(report, k, s) + " title " +
                gnuplotString(curveTitle(report, report.series[s], _("measured")));
    }
    return script + "plot " + plot + "\n";
}

std::string efficiencyPanel(const ScalingReport& report, const SizePanel& panel, bool logAxis,
                            const CountRange& range, int32_t cpus) {
    double lowest = 1;
    double highest = 1;
    for (size_t s : panel.series) {
        for (size_t g = report.series[s].first; g < report.series[s].last; g++) {
            const double e = report.groups[g].efficiency;
            lowest = std::isfinite(e) && e > 0 ? std::min(lowest, e) : lowest;
            highest = std::isfinite(e) ? std::max(highest, e) : highest;
        }
    }
    std::string script = panelBegin(sizeLabel(panel.rows, panel.columns) + ": " + _("efficiency"), logAxis,
                                    range.smallest, range.largest, cpus);
    script += "set ylabel " + gnuplotString(_("efficiency (speedup / ideal speedup)")) + "\n";
    // Far below 1 a linear axis lays the curve on the floor.
    if (lowest < 0.1) {
        script += "set logscale y 10\nset yrange [" + number(lowest / 1.5) + ":" + number(1.5 * highest) + "]\n";
    } else {
        script += "set yrange [0:" + number(1.1 * highest) + "]\n";
    }
    script += "set arrow from graph 0, first 1 to graph 1, first 1 nohead dt 2 lw 1.5 lc rgb 'black'\n";
    std::string plot;
    for (size_t k = 0; k < panel.series.size(); k++) {
        const size_t s = panel.series[k];
        plot += (k == 0 ? "" : ", \\\n     ") + series(s) + " using 1:6 with linespoints pt 5 ps 0.6 lw 1.5 lc rgb " +
                seriesColour(report, k, s) + " title " +
                gnuplotString(curveTitle(report, report.series[s], _("efficiency")));
    }
    return script + "plot " + plot + "\n";
}

}  // namespace

bool logWorkerAxis(XScale scale, int32_t smallest, int32_t largest) {
    if (scale != XScale::automatic) {
        return scale == XScale::log;
    }
    return largest >= 8 * int64_t{smallest};
}

std::string gnuplotString(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "''";
        } else if ((c >= 0 && c < ' ') || c == 0x7f) {
            quoted += ' ';
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

std::string chartBegin(const std::string& title, int rows, int columns) {
    const int height = rows <= 1 ? chartHeight : chartRowHeight * rows;
    std::string script = "set terminal pngcairo size " + std::to_string(chartWidth) + "," +
                         std::to_string(height) + " noenhanced font 'DejaVu Sans,10'\n";
    script += "set output ARG1\n";
    script += "set grid\nset key tmargin right horizontal samplen 2 font ',9'\nset xlabel " + gnuplotString(_("workers (threads)")) + "\n";
    return script + "set multiplot layout " + std::to_string(rows) + "," + std::to_string(columns) +
           " title " + gnuplotString(title) + " . \"\\n\" font ',12'\n";  // a blank line under it for the keys
}

std::string chartEnd() {
    return "unset multiplot\n";
}

std::string panelBegin(const std::string& title, bool logAxis, int32_t smallest, int32_t largest, int32_t cpus) {
    std::string script = "unset arrow\nunset label\nunset logscale\nset yrange [*:*]\nset xtics autofreq\nset format y '%g'\n";
    script += "set title " + gnuplotString(title) + "\n";
    if (logAxis) {
        // A tic at every power of two, the axis a little wider than the counts.
        script += "set logscale x 2\nset xrange [" + number(smallest / 1.2) + ":" + number(largest * 1.2) +
                  "]\nset xtics (";
        bool first = true;
        for (int64_t t = 1; t <= largest * int64_t{2}; t *= 2) {
            if (t * 2 > smallest && t <= largest * int64_t{2}) {
                script += (first ? "" : ", ") + std::to_string(t);
                first = false;
            }
        }
        script += ")\n";
    } else {
        script += "set xrange [0:" + std::to_string(largest) + "]\n";
        if (largest <= 16) {
            script += "set xtics 1\n";
        }
    }
    if (cpus >= smallest && cpus <= largest) {
        char label[64];
        snprintf(label, sizeof label, cpus == 1 ? _("%d CPU") : _("%d CPUs"), cpus);
        script += "set arrow from " + std::to_string(cpus) + ", graph 0 to " + std::to_string(cpus) +
                  ", graph 1 nohead dt 3 lw 2 lc rgb '#666666' front\n";
        script += "set label " + gnuplotString(label) + " at " + std::to_string(cpus) +
                  ", graph 0.96 offset 0.6,0 tc rgb '#444444' front\n";
    }
    return script;
}

std::string curveColour(size_t index) {
    static const char* const colours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e",
                                          "#9467bd", "#8c564b", "#e377c2", "#17becf"};
    return std::string("'") + colours[index % 8] + "'";
}

CountRange countRange(const ScalingReport& report) {
    CountRange range{INT32_MAX, 1};
    for (const GroupReport& g : report.groups) {
        range.smallest = std::min(range.smallest, g.key.threads);
        range.largest = std::max(range.largest, g.key.threads);
    }
    range.smallest = std::min(range.smallest, range.largest);
    return range;
}

std::vector<SizePanel> panelsBySize(const ScalingReport& report) {
    std::vector<SizePanel> panels;
    for (size_t i = 0; i < report.series.size(); i++) {
        const SeriesReport& s = report.series[i];
        if (panels.empty() || panels.back().rows != s.rows || panels.back().columns != s.columns) {
            panels.push_back({s.rows, s.columns, {}});
        }
        panels.back().series.push_back(i);
    }
    return panels;
}

std::string scalingChartScript(const ScalingReport& report, const ChartOptions& options) {
    const std::vector<SizePanel> panels = panelsBySize(report);
    const CountRange range = countRange(report);
    const bool logAxis = logWorkerAxis(options.xScale, range.smallest, range.largest);
    const int columns = panels.size() > 1 ? 2 : 1;
    std::string script = chartBegin(_("diagsum: processor time per run by number of workers (median; band: "
                                      "interquartile range)"),
                                    chartRows(panels.size(), columns), columns);
    script += dataBlocks(report);
    script += "set style fill transparent solid 0.3 noborder\n";
    for (const SizePanel& panel : panels) {
        script += panelBegin(sizeLabel(panel.rows, panel.columns), logAxis, range.smallest, range.largest,
                             options.cpus);
        script += "set ylabel " + gnuplotString(_("processor time per run, all threads (µs)")) + "\n";
        script += "set yrange [0:*]\n";
        std::string plot;
        for (size_t k = 0; k < panel.series.size(); k++) {
            const size_t s = panel.series[k];
            const std::string colour = seriesColour(report, k, s);
            plot += (k == 0 ? "" : ", \\\n     ") + series(s) + " using 1:3:4 with filledcurves lc rgb " + colour +
                    " title " + gnuplotString(curveTitle(report, report.series[s], _("IQR"))) + ", \\\n     " + series(s) +
                    " using 1:2 with linespoints pt 7 ps 0.6 lw 1.5 lc rgb " + colour + " title " +
                    gnuplotString(curveTitle(report, report.series[s], _("median")));
        }
        script += "plot " + plot + "\n";
    }
    return script + chartEnd();
}

std::string speedupChartScript(const ScalingReport& report, const ChartOptions& options) {
    const std::vector<SizePanel> panels = panelsBySize(report);
    const CountRange range = countRange(report);
    const bool logAxis = logWorkerAxis(options.xScale, range.smallest, range.largest);
    std::string script = chartBegin(_("diagsum: speedup of the median wall time, and efficiency"),
                                    static_cast<int>(panels.size()), 2);
    script += dataBlocks(report);
    for (size_t p = 0; p < panels.size(); p++) {
        script += speedupPanel(report, panels[p], p, logAxis, range, options.cpus);
        script += efficiencyPanel(report, panels[p], logAxis, range, options.cpus);
    }
    return script + chartEnd();
}
