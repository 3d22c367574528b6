// model.png: per matrix size a panel of each series' measured throughput
// with the curves of Amdahl's law and the USL fitted to it, drawn out to
// twice the largest count so that the peak or the ceiling shows.
#include <algorithm>
#include <cmath>

#include "i18n/messages.h"
#include "report/charts/gnuplot.h"
#include "report/sweep/seriesname.h"

namespace {

constexpr int curveSteps = 200;

// Per count: workers, throughput, and its interval (the throughput again
// where there is none, so that no bar is drawn).
std::string measuredBlock(size_t s, const SeriesModel& model) {
    std::string block = "$x" + std::to_string(s) + " << EOD\n";
    for (const ThroughputPoint& p : model.throughput) {
        block += std::to_string(p.workers) + " " + chartNumber(p.throughput) + " " +
                 chartNumber(p.hasInterval ? p.low : p.throughput) + " " +
                 chartNumber(p.hasInterval ? p.high : p.throughput) + "\n";
    }
    return block + "EOD\n";
}

// The fitted curve from 1 to `last` workers, spaced evenly on the axis.
std::string curveBlock(const std::string& name, const ScalingFit& fit, double last, bool logAxis) {
    std::string block = name + " << EOD\n";
    for (int i = 0; i <= curveSteps; i++) {
        const double t = static_cast<double>(i) / curveSteps;
        const double n = logAxis ? std::pow(last, t) : 1 + (last - 1) * t;
        block += chartNumber(n) + " " + chartNumber(modelThroughput(fit, n)) + "\n";
    }
    return block + "EOD\n";
}

std::string seriesCurves(const ScalingReport& report, size_t s, const std::string& colour, double last,
                         bool logAxis, std::string* blocks) {
    const SeriesModel& model = report.models[s];
    const SeriesReport& series = report.series[s];
    *blocks += measuredBlock(s, model);
    std::string plot = "$x" + std::to_string(s) + " using 1:2:3:4 with yerrorbars pt 7 ps 0.7 lc rgb " +
                       colour + " title " + gnuplotString(curveTitle(report, series, _("measured")));
    const struct {
        const ScalingFit* fit;
        const char* prefix;
        const char* dash;
    } curves[] = {{&model.usl, "$u", "1"}, {&model.amdahl, "$a", "2"}};
    for (const auto& curve : curves) {
        if (curve.fit->outcome != FitOutcome::fitted) {
            continue;
        }
        const std::string name = curve.prefix + std::to_string(s);
        *blocks += curveBlock(name, *curve.fit, last, logAxis);
        const std::string what = curve.fit->model == ScalingModel::usl ? "USL" : "Amdahl";
        plot += ", \\\n     " + name + " using 1:2 with lines dt " + curve.dash + " lw 1.5 lc rgb " + colour +
                " title " + gnuplotString(curveTitle(report, series, what));
    }
    return plot;
}

// Why a panel has no curve, in the words of the report: the first of its
// series' USL sentences ("USL: 4 worker counts, fewer than the 6 a fit
// needs: no fit"); "" when a series of the panel has a fit.
std::string noFitLabel(const ScalingReport& report, const SizePanel& panel) {
    for (size_t s : panel.series) {
        const SeriesModel& model = report.models[s];
        if (model.usl.outcome == FitOutcome::fitted || model.amdahl.outcome == FitOutcome::fitted) {
            return "";
        }
    }
    const std::string why = fitSentence(report.models[panel.series.front()].usl);
    return "set label " + gnuplotString(why) + " at graph 0.98, graph 0.88 right front\n";
}

}  // namespace

std::string modelChartScript(const ScalingReport& report, const ChartOptions& options) {
    const std::vector<SizePanel> panels = panelsBySize(report);
    const CountRange range = countRange(report);
    const int32_t last = 2 * range.largest;
    std::vector<int32_t> counts = workerCounts(report);
    counts.push_back(last);
    const bool logAxis = logWorkerAxis(options.xScale, counts);
    const std::vector<size_t> colours = variantColours(report);
    std::string script =
        chartBegin(_("diagsum: throughput with the USL (solid) and Amdahl's law (dashed) fitted"),
                   static_cast<int>(panels.size()), 1);
    std::string blocks;
    std::vector<std::string> plots;
    for (const SizePanel& panel : panels) {
        plots.push_back(panelCurves(panel, colours, [&](size_t s, const std::string& colour) {
            return seriesCurves(report, s, colour, last, logAxis, &blocks);
        }));
    }
    script += blocks;
    for (size_t p = 0; p < panels.size(); p++) {
        script += panelBegin(sizeLabel(panels[p].rows, panels[p].columns), logAxis,
                             std::min(range.smallest, 1), last, options.cpus);
        // xgettext:no-c-format
        const char* axis = _("runs per second of the median wall time (bars: 95 % interval)");
        script += "set ylabel " + gnuplotString(axis) + "\nset yrange [0:*]\n";
        script += noFitLabel(report, panels[p]);
        script += "plot " + plots[p] + "\n";
    }
    return script + chartEnd();
}
