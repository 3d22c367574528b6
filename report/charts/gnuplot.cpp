#include "report/charts/gnuplot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "i18n/messages.h"
#include "report/sweep/seriesname.h"

namespace {

// The coefficient of variation of the steps between consecutive values.
double stepVariation(const std::vector<double>& values) {
    std::vector<double> steps;
    for (size_t i = 1; i < values.size(); i++) {
        steps.push_back(values[i] - values[i - 1]);
    }
    double mean = 0;
    for (double step : steps) {
        mean += step;
    }
    mean /= static_cast<double>(steps.size());
    double squares = 0;
    for (double step : steps) {
        squares += (step - mean) * (step - mean);
    }
    return std::sqrt(squares / static_cast<double>(steps.size())) / mean;
}

}  // namespace

bool logWorkerAxis(XScale scale, const std::vector<int32_t>& counts) {
    if (scale != XScale::automatic) {
        return scale == XScale::log;
    }
    if (counts.size() < 2 || counts.back() < 8 * int64_t{counts.front()}) {
        return false;
    }
    std::vector<double> linear;
    std::vector<double> logarithmic;
    for (int32_t count : counts) {
        linear.push_back(count);
        logarithmic.push_back(std::log(static_cast<double>(count)));
    }
    return stepVariation(logarithmic) <= stepVariation(linear);
}

std::vector<int32_t> workerCounts(const ScalingReport& report) {
    std::set<int32_t> counts;
    for (const GroupReport& g : report.groups) {
        counts.insert(g.key.threads);
    }
    return {counts.begin(), counts.end()};
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

std::string chartNumber(double value) {
    if (!std::isfinite(value)) {
        return "NaN";  // gnuplot leaves the point out
    }
    char text[64];
    snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string chartBegin(const std::string& title, int rows, int columns) {
    const int height = rows <= 1 ? chartHeight : chartRowHeight * rows;
    std::string script = "set terminal pngcairo size " + std::to_string(chartWidth) + "," + std::to_string(height) +
                         " noenhanced font 'DejaVu Sans,10'\n";
    script += "set output ARG1\n";
    script += "set grid\nset key tmargin right horizontal samplen 2 font ',9'\nset xlabel " +
              gnuplotString(_("workers (threads)")) + "\n";
    return script + "set multiplot layout " + std::to_string(rows) + "," + std::to_string(columns) + " title " +
           gnuplotString(title) + " . \"\\n\" font ',12'\n";  // a blank line under it for the keys
}

std::string chartEnd() {
    return "unset multiplot\n";
}

std::string panelBegin(const std::string& title, bool logAxis, int32_t smallest, int32_t largest, int32_t cpus) {
    std::string script =
        "unset arrow\nunset label\nunset logscale\nset yrange [*:*]\nset xtics autofreq\nset format y '%g'\n";
    script += "set title " + gnuplotString(title) + "\n";
    if (logAxis) {
        // A tic at every power of two, the axis a little wider than the counts.
        script += "set logscale x 2\nset xrange [" + chartNumber(smallest / 1.2) + ":" + chartNumber(largest * 1.2) +
                  "]\nset xtics (";
        bool first = true;
        for (int64_t t = 1; t <= largest * int64_t{2}; t *= 2) {
            if (t * 2 > smallest) {
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
        const std::string label = formatMessage(cpus == 1 ? _("%d CPU") : _("%d CPUs"), cpus);
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
        const SeriesKey& s = report.series[i].key;
        if (panels.empty() || panels.back().rows != s.rows || panels.back().columns != s.columns) {
            panels.push_back({s.rows, s.columns, {}});
        }
        panels.back().series.push_back(i);
    }
    return panels;
}

std::string curveTitle(const ScalingReport& report, const SeriesReport& series, const std::string& what) {
    const std::string variant = nameSeries(*report.model, series.key).variant();
    return variant.empty() ? what : what + ", " + variant;
}

std::vector<size_t> variantColours(const ScalingReport& report) {
    std::map<std::string, size_t> indexes;
    std::vector<size_t> colours;
    for (const SeriesReport& s : report.series) {
        const std::string variant = nameSeries(*report.model, s.key).variant();
        colours.push_back(indexes.emplace(variant, indexes.size()).first->second);
    }
    return colours;
}

std::string seriesBlock(size_t series) {
    return "$s" + std::to_string(series);
}

std::string seriesDataBlocks(const ScalingReport& report) {
    std::string blocks;
    for (size_t i = 0; i < report.series.size(); i++) {
        blocks += seriesBlock(i) + " << EOD\n";
        for (size_t g = report.series[i].first; g < report.series[i].last; g++) {
            const GroupReport& group = report.groups[g];
            blocks += std::to_string(group.key.threads) + " " + chartNumber(group.cpu.median) + " " +
                      chartNumber(group.cpu.q1) + " " + chartNumber(group.cpu.q3) + " " +
                      chartNumber(group.speedup) + " " + chartNumber(group.efficiency) + "\n";
        }
        blocks += "EOD\n";
    }
    return blocks;
}
