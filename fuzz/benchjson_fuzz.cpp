// Feeds arbitrary bytes to the report's JSON reader. Whatever it accepts must
// be runs of the program (sizes and workers of at least 1, a wall and a
// processor time, finite and at least 0, per run), with mode names that are
// safe to print inside a gnuplot title; and the findings, their tables and
// the chart scripts, the split of the processor time with them, must go
// through whatever was read.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "report/analysis/scaling.h"
#include "report/charts/charts.h"
#include "report/input/jsonreader.h"
#include "report/sweep/sweepsplit.h"
#include "report/tables/tables.h"

namespace {

bool isTime(double micros) {
    return std::isfinite(micros) && micros >= 0;
}

void checkRuns(const SweepModel& model) {
    for (const std::string& mode : model.modes) {
        if (mode.empty() ||
            mode.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_") !=
                std::string::npos) {
            abort();
        }
    }
    size_t counted = 0;
    for (const RunGroup& g : model.groups) {
        if (g.key.rows < 1 || g.key.columns < 1 || g.key.threads < 1 || g.key.mode < 0 ||
            static_cast<size_t>(g.key.mode) >= model.modes.size() || g.runs.empty()) {
            abort();
        }
        for (const Run& run : g.runs) {
            if (!isTime(run.cpu) || !isTime(run.wall) || run.fields >= static_cast<int32_t>(model.runFields.size()) ||
                (run.fields >= 0 && model.runFields[static_cast<size_t>(run.fields)].size() > model.fields.size())) {
                abort();
            }
        }
        counted += g.runs.size();
    }
    if (counted != model.runs || counted != model.files[0].runs) {
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    SweepModel model;
    model.files.push_back({});
    std::string error;
    if (!readBenchJson(text, &model, 0, &error)) {
        if (error.empty()) {
            abort();
        }
        return 0;
    }
    finishRuns(&model);
    tellSweepsApart(&model, false);
    checkRuns(model);
    if (model.runs == 0) {
        return 0;
    }
    ScalingReport report = analyse(model);
    addCostSplit(&report);
    for (const CostGroup& g : report.cost.groups) {
        if (g.runs == 0 || !(g.user >= 0 && g.system >= 0 && g.cpu >= 0)) {
            abort();
        }
    }
    costChartScript(report);
    for (const GroupReport& g : report.groups) {
        if (!std::isnan(g.speedup) && !(g.speedup >= 0)) {
            abort();
        }
    }
    if (summaryText(report).empty() || scalingChartScript(report).empty() || speedupChartScript(report).empty()) {
        abort();
    }
    return 0;
}
