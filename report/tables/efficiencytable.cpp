// The table of how each group's workers spent their runs: start latency,
// load balance and parallel efficiency, from a sweep recorded with --trace.
#include <algorithm>
#include <tuple>

#include "i18n/messages.h"
#include "report/tables/cells.h"
#include "report/tables/seriescolumns.h"
#include "report/tables/tables.h"

namespace {

// A median and its interval with `decimals`; "n/a" twice when no run has it.
void addMedian(std::vector<std::string>* cells, const SampleStats& stats, int decimals) {
    if (stats.runs == 0) {
        cells->insert(cells->end(), {"n/a", "n/a"});
        return;
    }
    cells->push_back(fixedCell(stats.median, decimals));
    cells->push_back(intervalCell(stats.hasInterval, stats.low, stats.high, decimals));
}

// The variants of one count (its splits, modes and other settings) next
// to each other, so that they read side by side.
bool countFirst(const GroupEfficiency& a, const GroupEfficiency& b) {
    const GroupKey& x = a.key;
    const GroupKey& y = b.key;
    return std::tie(x.rows, x.columns, x.sweep, x.threads, x.mode, x.setting) <
           std::tie(y.rows, y.columns, y.sweep, y.threads, y.mode, y.setting);
}

}  // namespace

std::string efficiencyTable(const ScalingReport& report) {
    if (report.efficiencies.empty()) {
        return "";
    }
    const SeriesColumns columns = seriesColumns(*report.model);
    std::vector<std::string> headings = seriesHeadings(columns);
    // xgettext:no-c-format
    const char* interval = _("95 % CI");
    headings.insert(headings.end(), {_("workers"), _("traced runs"), _("start latency µs"), interval,
                                     _("load balance"), interval, _("parallel efficiency"), interval});
    std::vector<bool> numeric(headings.size(), true);
    std::fill(numeric.begin(), numeric.begin() + static_cast<long>(seriesHeadings(columns).size()), false);
    std::string table = "\n";
    table +=
        _("How the workers spent each run (medians of the traced runs): start latency from the interval's "
          "start to the last worker's start; load balance, mean over largest worker busy time; parallel "
          "efficiency, the workers' processor time over workers × wall time:");
    table += "\n\n" + tableRow(headings) + ruleRow(numeric);
    std::vector<GroupEfficiency> rows = report.efficiencies;
    std::stable_sort(rows.begin(), rows.end(), countFirst);
    for (const GroupEfficiency& g : rows) {
        std::vector<std::string> cells = seriesCells(*report.model, columns, g.key.series());
        const size_t traced = std::max({g.startLatency.runs, g.loadBalance.runs, g.parallelEfficiency.runs});
        cells.insert(cells.end(), {std::to_string(g.key.threads), std::to_string(traced)});
        addMedian(&cells, g.startLatency, 1);
        addMedian(&cells, g.loadBalance, 3);
        addMedian(&cells, g.parallelEfficiency, 3);
        table += tableRow(cells);
    }
    return table;
}
