// Feeds arbitrary bytes to the report as an execution log. A line the parser
// accepts must describe a run (sizes and workers of at least 1, diagonals =
// rows + columns - 1, a finite time of at least 0) and a refused one must
// come with a reason; the groups must hold every accepted run in key order,
// each in a sweep the log holds; and the findings, their text and chart
// scripts must go through whatever was read, sweeps told apart or pooled.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "report/analysis/scaling.h"
#include "report/charts/charts.h"
#include "report/input/logreader.h"
#include "report/sweep/sweepsplit.h"
#include "report/tables/tables.h"

namespace {

void checkRuns(const SweepModel& model) {
    size_t counted = 0;
    for (size_t i = 0; i < model.groups.size(); i++) {
        const RunGroup& g = model.groups[i];
        if (g.key.rows < 1 || g.key.columns < 1 || g.key.threads < 1 || g.runs.empty() ||
            (i > 0 && !(model.groups[i - 1].key < g.key))) {
            abort();
        }
        for (const Run& run : g.runs) {
            if (!std::isfinite(run.cpu) || run.cpu < 0 || run.sweep < 0 ||
                static_cast<size_t>(run.sweep) >= model.sweeps.size()) {
                abort();
            }
        }
        counted += g.runs.size();
    }
    if (counted != model.runs) {
        abort();
    }
}

void checkReport(const ScalingReport& report) {
    for (const GroupReport& g : report.groups) {
        if (g.cpu.min > g.cpu.median || g.cpu.median > g.cpu.max ||
            (g.cpu.hasInterval && (g.cpu.low > g.cpu.median || g.cpu.median > g.cpu.high))) {
            abort();
        }
    }
    if (summaryText(report).empty() || scalingChartScript(report).empty()) {
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    LogRow row{};
    std::string reason;
    if (parseLogLine(text, &row, &reason)) {
        if (row.rows < 1 || row.columns < 1 || row.threads < 1 ||
            int64_t{row.diagonals} != int64_t{row.rows} + row.columns - 1 || !std::isfinite(row.ticks) ||
            row.ticks < 0) {
            abort();
        }
    } else if (reason.empty()) {
        abort();
    }
    for (bool pool : {false, true}) {
        SweepModel model;
        model.files.push_back({});
        readLog(std::string(text), &model, 0);
        finishRuns(&model);
        tellSweepsApart(&model, pool);
        checkRuns(model);
        if (model.runs > 0) {
            checkReport(analyse(model));
        }
    }
    return 0;
}
