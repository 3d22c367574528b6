// drift.png: every run's time relative to its count's median against its
// sequence number, one colour per invocation, one panel per series: a
// sweep that drifts shows as a slope, a cold start as points high at the
// start of each count or invocation.
#include <set>

#include "i18n/messages.h"
#include "report/analysis/drift.h"
#include "report/charts/gnuplot.h"
#include "report/sweep/seriesname.h"

namespace {

// The points of one series as one data block per invocation.
std::string invocationBlocks(const std::vector<DriftPoint>& points, size_t series,
                             std::set<int32_t>* invocations) {
    for (const DriftPoint& p : points) {
        invocations->insert(p.invocation);
    }
    std::string script;
    for (int32_t invocation : *invocations) {
        script += seriesBlock(series) + "_" + std::to_string(invocation) + " << EOD\n";
        for (const DriftPoint& p : points) {
            if (p.invocation == invocation) {
                script += std::to_string(p.sequence) + " " + chartNumber(p.relative) + "\n";
            }
        }
        script += "EOD\n";
    }
    return script;
}

std::string driftPanel(const ScalingReport& report, size_t s) {
    const SeriesReport& series = report.series[s];
    const std::vector<DriftPoint> points =
        driftPoints(*report.model, series.first, series.last, report.hasWall);
    std::set<int32_t> invocations;
    std::string script = invocationBlocks(points, s, &invocations);
    script += "set title " + gnuplotString(seriesLabel(*report.model, series.key)) + "\n";
    script += "set xlabel " + gnuplotString(_("the run's sequence in the sweep")) + "\n";
    script += "set ylabel " + gnuplotString(_("time / median of its count")) + "\n";
    script += "set grid\n";
    if (points.empty()) {
        return script + "set label 1 " + gnuplotString(_("no run with a sequence")) +
               " at graph 0.5, graph 0.5 center\nplot 1 with lines lc rgb '#999999' notitle\nunset label 1\n";
    }
    std::string plot = "plot 1 with lines dt 2 lc rgb '#999999' notitle";
    for (int32_t invocation : invocations) {
        plot += ", \\\n     " + seriesBlock(s) + "_" + std::to_string(invocation) +
                " using 1:2 with points pt 7 ps 0.5 lc rgb " + curveColour(static_cast<size_t>(invocation)) +
                " title " + gnuplotString(formatMessage(_("invocation %d"), invocation));
    }
    return script + plot + "\n";
}

}  // namespace

std::string driftChartScript(const ScalingReport& report) {
    const size_t panels = report.series.size();
    const int columns = panels > 1 ? 2 : 1;
    const int rows =
        static_cast<int>((panels + static_cast<size_t>(columns) - 1) / static_cast<size_t>(columns));
    const char* measure = report.hasWall ? _("wall time") : _("processor time");
    std::string script =
        chartBegin(formatMessage(_("diagsum: each run's %s relative to its count's median, by when "
                                   "it was made (a slope: drift)"),
                                 measure),
                   rows, columns);
    for (size_t s = 0; s < panels; s++) {
        script += driftPanel(report, s);
    }
    return script + chartEnd();
}
