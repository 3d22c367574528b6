// Feeds arbitrary bytes to the report as an execution log. A line the parser
// accepts must describe a run (sizes and workers of at least 1, diagonals =
// rows + columns - 1, a finite time of at least 0) and a refused one must
// come with a reason; the groups must hold every accepted run in key order;
// and the analysis, its text and its chart scripts must go through whatever
// was read.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "report/logstats.h"
#include "report/charts.h"
#include "report/scaling.h"

namespace {

void checkRuns(const RunSet& runs) {
    size_t counted = 0;
    for (size_t i = 0; i < runs.groups.size(); i++) {
        const RunGroup& g = runs.groups[i];
        if (g.key.rows < 1 || g.key.columns < 1 || g.key.threads < 1 || g.cpu.empty() ||
            (i > 0 && !(runs.groups[i - 1].key < g.key))) {
            abort();
        }
        for (double ticks : g.cpu) {
            if (!std::isfinite(ticks) || ticks < 0) {
                abort();
            }
        }
        counted += g.cpu.size();
    }
    if (counted != runs.runs) {
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
    if (reportText(report).empty() || scalingChartScript(report).empty()) {
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
    const RunSet runs = readLog(text);
    checkRuns(runs);
    if (runs.runs > 0) {
        checkReport(analyse(runs));
    }
    return 0;
}
