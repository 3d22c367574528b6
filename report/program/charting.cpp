#include "report/program/charting.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "i18n/messages.h"
#include "report/charts/drawchart.h"
#include "report/input/tracereader.h"

namespace {

// One chart of a summary.
struct ChartKind {
    const char* name;  // for messages, translated where shown
    const char* option;
    const char* file;  // its default, beside the scaling chart
    const std::string ReportOptions::*path;
    // Why the findings cannot give this chart; "" when they can.
    std::string (*unavailable)(const ScalingReport& report);
    std::string (*script)(const ScalingReport& report, const ChartOptions& options);
    bool byDefault = true;  // drawn unless the user names it otherwise
};

std::string always(const ScalingReport&) {
    return "";
}

std::string firstPath(const ScalingReport& report) {
    return report.model->files.front().path;
}

// Only a sweep's JSON holds the wall times a speedup or a throughput is
// made of: a log has none. `needsJson` says so for the chart, with %s for
// the log's path.
std::string withoutWall(const ScalingReport& report, const char* needsJson) {
    if (report.hasWall) {
        return "";
    }
    return formatMessage(needsJson, firstPath(report).c_str());
}

std::string withoutWallTimes(const ScalingReport& report) {
    return withoutWall(report,
                       _("the speedup chart needs the JSON of a sweep (diagsum --json); %s is a log"));
}

std::string withoutCounters(const ScalingReport& report) {
    if (!report.cost.groups.empty()) {
        return "";
    }
    const SweepModel& model = *report.model;
    if (model.files.size() > 1) {
        return formatMessage(_("the cost chart is drawn from one sweep's JSON, not from %zu files"), model.files.size());
    }
    if (!report.hasWall) {
        return formatMessage(_("the cost chart needs the JSON of a sweep with its counters; %s is a log"),
                             firstPath(report).c_str());
    }
    return formatMessage(_("the cost chart needs the resource counters of a sweep's JSON; %s has none"),
                         firstPath(report).c_str());
}

std::string costScript(const ScalingReport& report, const ChartOptions&) {
    return costChartScript(report);
}

// The measured throughput is drawn even where no model fits (the chart
// then says why).
std::string withoutThroughput(const ScalingReport& report) {
    return withoutWall(report, _("the model chart needs the JSON of a sweep (diagsum --json); %s is a log"));
}

std::string withoutTrace(const ScalingReport& report) {
    if (!report.trace.empty()) {
        return "";
    }
    return _("the timeline needs the trace file of diagsum --trace, and none was read");
}

std::string driftScript(const ScalingReport& report, const ChartOptions&) {
    return driftChartScript(report);
}

const ChartKind summaryCharts[] = {
    {N_("scaling"), "-o", "scaling.png", &ReportOptions::chartPath, always, scalingChartScript},
    {N_("speedup"), "-s", "speedup.png", &ReportOptions::speedupPath, withoutWallTimes, speedupChartScript},
    {N_("cost"), "-c", "cost.png", &ReportOptions::costPath, withoutCounters, costScript},
    {N_("model"), "-M", "model.png", &ReportOptions::modelPath, withoutThroughput, modelChartScript},
    {N_("timeline"), "-T", "timeline.png", &ReportOptions::timelinePath, withoutTrace, timelineChartScript},
    {N_("drift"), "-D", "drift.png", &ReportOptions::driftPath, always, driftScript, false},
};

// Draws one chart unless its path is one of `taken` (the inputs, the
// exported findings and the charts drawn before it): a chart never
// replaces them.
bool drawUnlessTaken(const std::string& script, const std::string& path, const std::vector<std::string>& taken,
                     const char* what, const char* option) {
    for (const std::string& other : taken) {
        if (samePath(path, other)) {
            fprintf(stderr, _("diagsum-report: cannot draw the %s chart over '%s'; name another with %s\n"), what,
                    other.c_str(), option);
            return false;
        }
    }
    return drawChart(script, path);
}

// What no chart may replace: the inputs and the exported findings, which
// are written before the charts are drawn.
std::vector<std::string> pathsTaken(const ReportOptions& options) {
    std::vector<std::string> taken = options.inputs;
    if (!options.exportPath.empty()) {
        taken.push_back(options.exportPath);
    }
    return taken;
}

ChartOptions chartOptions(const ReportOptions& options, const ScalingReport& report) {
    ChartOptions chart = options.chart;
    chart.cpus = machineCpus(*report.model);
    return chart;
}

}  // namespace

int32_t machineCpus(const SweepModel& model) {
    for (const InputFile& file : model.files) {
        if (file.context.cpus > 0) {
            return file.context.cpus;
        }
    }
    return 0;
}

int drawSummaryCharts(const ReportOptions& options, const ScalingReport& report) {
    const std::string scaling = options.chartPath.empty() ? "scaling.png" : options.chartPath;
    const std::filesystem::path folder = std::filesystem::path(scaling).parent_path();
    const ChartOptions chart = chartOptions(options, report);
    std::vector<std::string> taken = pathsTaken(options);
    for (const InputFile& file : report.model->files) {
        if (const std::string trace = tracePathOf(file); !trace.empty()) {
            taken.push_back(trace);  // an input too, read for the timeline
        }
    }
    bool drawn = true;
    for (const ChartKind& kind : summaryCharts) {
        const std::string& asked = options.*kind.path;
        if (!kind.byDefault && asked.empty()) {
            continue;
        }
        const std::string path = !asked.empty() ? asked : (folder / kind.file).string();
        if (const std::string why = kind.unavailable(report); !why.empty()) {
            if (!asked.empty()) {
                // TRANSLATORS: why a chart cannot be drawn, then the chart's path.
                fprintf(stderr, _("diagsum-report: %s, so %s is not drawn\n"), why.c_str(), path.c_str());
                drawn = false;
            }
            continue;
        }
        drawn = drawUnlessTaken(kind.script(report, chart), path, taken, _(kind.name), kind.option) && drawn;
        taken.push_back(path);
    }
    return drawn ? 0 : 2;
}

int drawCompareChart(const ReportOptions& options, const ScalingReport& report) {
    const std::string path = options.chartPath.empty() ? "compare.png" : options.chartPath;
    ChartOptions chart = options.chart;
    chart.cpus = report.model->files.front().context.cpus;
    const bool drawn =
        drawUnlessTaken(compareChartScript(report, chart), path, pathsTaken(options), _("comparison"), "-o");
    return drawn ? 0 : 2;
}
