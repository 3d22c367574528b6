#include "report/program/runs.h"

#include <cstdio>

#include "i18n/messages.h"
#include "report/analysis/noise.h"
#include "report/export/findings.h"
#include "report/input/input.h"
#include "report/input/tracereader.h"
#include "report/program/charting.h"
#include "report/program/textout.h"
#include "report/sweep/sweepsplit.h"
#include "report/tables/comparetable.h"
#include "report/tables/tables.h"

namespace {

// The checks' advice, one line each, unless quiet.
void warnAdvice(const ScalingReport& report, Verbosity verbosity) {
    for (const std::string& line :
         verbosity != Verbosity::quiet ? report.advice : std::vector<std::string>{}) {
        warn(line);
    }
}

void warnNoise(const ScalingReport& report, Verbosity verbosity) {
    if (verbosity == Verbosity::verbose) {
        for (const std::string& warning : report.warnings) {
            warn(warning);
        }
    } else if (verbosity == Verbosity::normal) {
        for (const std::string& warning : warningSummary(report)) {
            warn(warning);
        }
    }
}

// The log holds no wall times: its runs and a JSON's are different measures.
bool oneKindOfInput(const SweepModel& model) {
    for (const InputFile& file : model.files) {
        if (file.kind != model.files.front().kind) {
            fprintf(stderr, _("diagsum-report: cannot read a log and a sweep's JSON as one: %s\n"), file.path.c_str());
            return false;
        }
    }
    return true;
}

// 0, or 1 when the export was asked for and could not be written.
int exportFindings(const ReportOptions& options, const ScalingReport& report, const CompareReport* comparison) {
    if (options.exportPath.empty()) {
        return 0;
    }
    return writeFindings(options.exportPath, findingsJson(report, comparison)) ? 0 : 1;
}

// The sweep's trace file, for the timeline: a file named but unreadable is
// said in one line, and only the timeline is left out.
void readTrace(const ReportOptions& options, ScalingReport* report) {
    std::string error;
    if (options.charts && !readSweepTrace(*report->model, &report->trace, &error)) {
        fprintf(stderr, _("diagsum-report: %s; no timeline is drawn\n"), error.c_str());
    }
}

}  // namespace

int summarise(const ReportOptions& options, SweepModel* model) {
    if (!oneKindOfInput(*model)) {
        return 1;
    }
    reportSweepsApart(*model, tellSweepsApart(model, options.pool), options.verbosity);
    ScalingReport report = analyse(*model);
    // The split of the time is one sweep's: the counters of several files
    // are left out.
    if (model->files.size() == 1) {
        addCostSplit(&report);
    }
    addExplanations(&report, options.predict);
    readTrace(options, &report);
    warnNoise(report, options.verbosity);
    warnAdvice(report, options.verbosity);
    if (!writeReport(summaryText(report))) {
        return 1;
    }
    const int exported = exportFindings(options, report, nullptr);
    const int charts = options.charts ? drawSummaryCharts(options, report) : 0;
    return exported != 0 ? exported : charts;
}

int compare(const ReportOptions& options, SweepModel* model) {
    sweepsAsSides(model, fileLabels(*model, options.labels), options.pool);
    const CompareReport comparison = compareSweeps(*model);
    if (comparison.counts.empty()) {
        fprintf(stderr, _("diagsum-report: the files share no matrix size, mode and worker count\n"));
        return 1;
    }
    if (options.verbosity != Verbosity::quiet && !fewRunsWarning(comparison).empty()) {
        warn(fewRunsWarning(comparison));
    }
    for (const std::string& line : options.verbosity != Verbosity::quiet ? backToBackWarnings(comparison)
                                                                         : std::vector<std::string>{}) {
        warn(line);
    }
    if (!writeReport(compareText(comparison))) {
        return 1;
    }
    const ScalingReport report = analyse(*model);
    const int exported = exportFindings(options, report, &comparison);
    const int chart = options.charts ? drawCompareChart(options, report) : 0;
    return exported != 0 ? exported : chart;
}
