// Feeds arbitrary bytes to the report's JSON reader. Whatever it accepts must
// be runs of the program (sizes and workers of at least 1, a wall and a
// processor time, finite and at least 0, per run), with mode names that are
// safe to print inside a gnuplot title; and the analysis, its text and the
// chart scripts, the split of the processor time with them, must go
// through whatever was read.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "report/benchjson.h"
#include "report/charts.h"
#include "report/costchart.h"
#include "report/costsplit.h"
#include "report/scaling.h"

namespace {

bool isTime(double micros) {
    return std::isfinite(micros) && micros >= 0;
}

void checkRuns(const RunSet& runs) {
    for (const std::string& mode : runs.modes) {
        if (mode.empty() ||
            mode.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_") !=
                std::string::npos) {
            abort();
        }
    }
    size_t counted = 0;
    for (const RunGroup& g : runs.groups) {
        if (g.key.rows < 1 || g.key.columns < 1 || g.key.threads < 1 || g.key.mode < 0 ||
            static_cast<size_t>(g.key.mode) >= runs.modes.size() || g.cpu.size() != g.wall.size()) {
            abort();
        }
        for (size_t i = 0; i < g.cpu.size(); i++) {
            if (!isTime(g.cpu[i]) || !isTime(g.wall[i])) {
                abort();
            }
        }
        counted += g.cpu.size();
    }
    if (counted != runs.runs) {
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    RunSet runs;
    std::string error;
    if (!readBenchJson(text, &runs, &error)) {
        if (error.empty()) {
            abort();
        }
        return 0;
    }
    checkRuns(runs);
    if (runs.runs == 0) {
        return 0;
    }
    ScalingReport report = analyse(runs);
    const CostReport cost = readCostCounters(text, runs.modes, runs.settings);
    addSystemSlopes(&report, cost);
    for (const CostGroup& g : cost.groups) {
        if (g.runs == 0 || !(g.user >= 0 && g.system >= 0 && g.cpu >= 0)) {
            abort();
        }
    }
    costTable(cost, report);
    costChartScript(cost, report);
    for (const GroupReport& g : report.groups) {
        if (!std::isnan(g.speedup) && !(g.speedup >= 0)) {
            abort();
        }
    }
    if (reportText(report).empty() || scalingChartScript(report).empty() ||
        speedupChartScript(report).empty()) {
        abort();
    }
    return 0;
}
