// timeline.png: what each worker of a run did, and when, for a few worker
// counts of the sweep's trace file, a panel per run stacked one above the
// other, each as tall as its lanes need.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

#include "i18n/messages.h"
#include "report/charts/gnuplot.h"

namespace {

constexpr int titleHeight = 50;
constexpr int panelChrome = 80;  // a panel's title and axis, in pixels
constexpr int keyHeight = 20;    // the key, over the first panel only

int laneHeight(int32_t lanes) {
    return lanes <= 16 ? 20 : std::max(3, 400 / lanes);
}

int panelHeight(const TracedRunLanes& run, bool withKey) {
    return panelChrome + (withKey ? keyHeight : 0) + laneHeight(run.workers + 1) * (run.workers + 1);
}

// A run of the count nearest `target`: of two as near, the fewer workers.
size_t nearestRun(const std::vector<TracedRunLanes>& runs, int32_t target) {
    size_t best = 0;
    for (size_t i = 1; i < runs.size(); i++) {
        const int64_t distance = std::abs(int64_t{runs[i].workers} - target);
        const int64_t bestDistance = std::abs(int64_t{runs[best].workers} - target);
        if (distance < bestDistance || (distance == bestDistance && runs[i].workers < runs[best].workers)) {
            best = i;
        }
    }
    return best;
}

struct SpanStyle {
    TraceSpanKind kind;
    const char* title;
    const char* colour;
    double height;  // of the box, in lanes
};

const SpanStyle spanStyles[] = {
    {TraceSpanKind::run, N_("measured interval"), "#cccccc", 0.8},
    {TraceSpanKind::create, N_("pthread_create"), "#ff7f0e", 0.55},
    {TraceSpanKind::join, N_("pthread_join"), "#9467bd", 0.55},
    {TraceSpanKind::sum, N_("summing"), "#1f77b4", 0.7},
};

// The spans of one kind as a data block: begin, end, lane.
std::string spanBlock(const std::string& name, const TracedRunLanes& run, TraceSpanKind kind, size_t* spans) {
    std::string block = name + " << EOD\n";
    *spans = 0;
    for (const TraceSpan& span : run.spans) {
        if (span.kind == kind) {
            block += chartNumber(span.begin) + " " + chartNumber(span.end) + " " + std::to_string(span.lane) +
                     "\n";
            ++*spans;
        }
    }
    return block + "EOD\n";
}

// The lane tics: every lane up to 16, else the driver and every k-th
// worker from worker k (worker 0's label would cover the driver's).
std::string laneTics(int32_t workers) {
    const int32_t every = workers + 1 <= 16 ? 1 : (workers + 15) / 16;
    std::string tics = "set ytics (" + gnuplotString(_("driver")) + " 0";
    for (int32_t k = every == 1 ? 0 : every; k < workers; k += every) {
        tics += ", " + gnuplotString(formatMessage(_("worker %d"), k)) + " " + std::to_string(k + 1);
    }
    return tics + ")\n";
}

std::string runPanel(const TracedRunLanes& run, size_t index, double origin, double height) {
    std::string script;
    std::string plot;
    double last = 1;
    for (const TraceSpan& span : run.spans) {
        last = std::max(last, span.end);
    }
    for (const SpanStyle& style : spanStyles) {
        const std::string name =
            "$t" + std::to_string(index) + "_" + std::to_string(static_cast<int>(style.kind));
        size_t spans = 0;
        script += spanBlock(name, run, style.kind, &spans);
        if (spans == 0) {
            continue;
        }
        const std::string colour = std::string("'") + style.colour + "'";
        plot += (plot.empty() ? "" : ", \\\n     ") + name + " using (($1+$2)/2):3:(($2-$1)/2):(" +
                chartNumber(style.height / 2) + ") with boxxyerror fs solid 1.0 border lc rgb " + colour +
                " lc rgb " + colour + " title " + gnuplotString(_(style.title));
    }
    script += "set origin 0," + chartNumber(origin) + "\nset size 1," + chartNumber(height) + "\n";
    script += "set title " + gnuplotString(run.name) + "\n";
    script += "set xrange [0:" + chartNumber(last * 1.02) + "]\nset yrange [" + std::to_string(run.workers) +
              ".6:-0.6]\n";
    script += laneTics(run.workers);
    return plot.empty() ? "" : script + "plot " + plot + "\n";
}

}  // namespace

std::vector<size_t> timelineRuns(const ScalingReport& report, int32_t usableCpus) {
    const std::vector<TracedRunLanes>& runs = report.trace;
    if (runs.empty()) {
        return {};
    }
    int32_t most = 0;
    for (const TracedRunLanes& run : runs) {
        most = std::max(most, run.workers);
    }
    std::vector<int32_t> targets{1, most};
    if (usableCpus > 0) {
        const int32_t fourTimes = usableCpus > INT32_MAX / 4 ? INT32_MAX : 4 * usableCpus;
        targets.insert(targets.end(), {usableCpus, fourTimes});
    }
    std::set<int32_t> counts;
    for (int32_t target : targets) {
        counts.insert(runs[nearestRun(runs, target)].workers);
    }
    // Every variant of a chosen count (its splits, modes), in the file's order.
    std::vector<size_t> chosen;
    for (int32_t count : counts) {
        for (size_t i = 0; i < runs.size(); i++) {
            if (runs[i].workers == count) {
                chosen.push_back(i);
            }
        }
    }
    return chosen;
}

std::string timelineChartScript(const ScalingReport& report, const ChartOptions&) {
    const std::vector<size_t> chosen = timelineRuns(report, usableCpus(*report.model));
    int total = titleHeight;
    for (size_t n = 0; n < chosen.size(); n++) {
        total += panelHeight(report.trace[chosen[n]], n == 0);
    }
    std::string script = "set terminal pngcairo size " + std::to_string(chartWidth) + "," +
                         std::to_string(total) + " noenhanced font 'DejaVu Sans,10'\nset output ARG1\n";
    script += "set grid x\nset key tmargin right horizontal samplen 2 font ',9'\n";
    script += "set xlabel " + gnuplotString(_("µs from the start of the measured interval")) + "\n";
    script +=
        "set multiplot title " +
        gnuplotString(_("diagsum: what the driver and each worker did in the run shown for each count")) +
        " font ',12'\n";
    double top = 1 - static_cast<double>(titleHeight) / total;
    for (size_t n = 0; n < chosen.size(); n++) {
        const double height = static_cast<double>(panelHeight(report.trace[chosen[n]], n == 0)) / total;
        top -= height;
        script += runPanel(report.trace[chosen[n]], n, top, height);
        script += "unset key\n";  // the first panel's key serves them all
    }
    return script + chartEnd();
}
