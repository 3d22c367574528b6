// The table of where the processor time goes (report/analysis/costsplit.h).
#include <algorithm>
#include <cmath>
#include <set>

#include "i18n/messages.h"
#include "report/analysis/systemshare.h"
#include "report/tables/cells.h"
#include "report/tables/seriescolumns.h"
#include "report/tables/tables.h"

namespace {

// The perf fields any group has, in a fixed order.
std::vector<std::string> perfFields(const CostReport& cost) {
    std::set<std::string> fields;
    for (const CostGroup& g : cost.groups) {
        for (const auto& p : g.perf) {
            fields.insert(p.first);
        }
    }
    return {fields.begin(), fields.end()};
}

// "perf_task_clock_us" as "task-clock µs".
std::string eventHeading(const std::string& field) {
    std::string name = field.substr(5);
    const bool micros = name.size() > 3 && name.compare(name.size() - 3, 3, "_us") == 0;
    if (micros) {
        name.resize(name.size() - 3);
    }
    std::replace(name.begin(), name.end(), '_', '-');
    return micros ? name + " µs" : name;
}

std::vector<std::string> headings(const SeriesColumns& columns, bool ipc, const std::vector<std::string>& perf) {
    std::vector<std::string> heading = seriesHeadings(columns);
    for (const char* column : {N_("workers"), N_("runs"), N_("(user + system) / cpu"), N_("system share"),
                               N_("minor faults per run"), N_("per worker"), N_("major faults per run"),
                               N_("voluntary switches per run"), N_("per worker"),
                               N_("involuntary switches per run"), N_("per worker")}) {
        heading.push_back(_(column));
    }
    if (ipc) {
        heading.push_back(_("instructions per cycle"));
    }
    for (const std::string& field : perf) {
        heading.push_back(eventHeading(field) + _(" per run"));
    }
    return heading;
}

// The system share with its interval: "12.3 % [10.1, 14.0]", or why it is none.
std::string shareCell(const ScalingReport& report, const CostGroup& g) {
    const RunGroup* group = findGroup(*report.model, g.key);
    const ShareEstimate estimate =
        group != nullptr ? systemShareEstimate(*report.model, *group) : ShareEstimate{};
    if (estimate.fewTicks) {
        return _("n/a (too few ticks)");
    }
    if (!estimate.interval.known) {
        return "n/a";
    }
    return percentCell(estimate.share, 1) + " [" + fixedCell(100 * estimate.interval.low, 1) + ", " +
           fixedCell(100 * estimate.interval.high, 1) + "]";
}

std::vector<std::string> cells(const ScalingReport& report, const SeriesColumns& columns, const CostGroup& g,
                               bool ipc, const std::vector<std::string>& perf) {
    const double runs = static_cast<double>(g.runs);
    const double workers = runs * g.key.threads;
    std::vector<std::string> row = seriesCells(*report.model, columns, g.key.series());
    row.insert(row.end(),
               {std::to_string(g.key.threads), std::to_string(g.runs),
                fixedCell(g.cpu > 0 ? (g.user + g.system) / g.cpu : NAN, 3), shareCell(report, g),
                fixedCell(g.minorFaults / runs, 1), fixedCell(g.minorFaults / workers, 2),
                fixedCell(g.majorFaults / runs, 2), fixedCell(g.voluntarySwitches / runs, 1),
                fixedCell(g.voluntarySwitches / workers, 2), fixedCell(g.involuntarySwitches / runs, 1),
                fixedCell(g.involuntarySwitches / workers, 2)});
    if (ipc) {
        row.push_back(fixedCell(instructionsPerCycle(g), 2));
    }
    for (const std::string& field : perf) {
        size_t counted = 0;
        const double sum = perfSum(g, field, &counted);
        row.push_back(fixedCell(sum / static_cast<double>(counted), 1));  // 0 / 0: n/a
    }
    return row;
}

}  // namespace

std::string costTable(const ScalingReport& report) {
    const CostReport& cost = report.cost;
    if (cost.groups.empty()) {
        return "";
    }
    const SeriesColumns columns = seriesColumns(*report.model);
    const std::vector<std::string> perf = perfFields(cost);
    const bool ipc = std::any_of(cost.groups.begin(), cost.groups.end(),
                                 [](const CostGroup& g) { return !std::isnan(instructionsPerCycle(g)); });
    std::string table = _("\nWhere the processor time goes (sums over each group's runs: the kernel splits user "
                          "from system time at its tick, so one short run's split is noise):\n\n");
    const std::vector<std::string> heading = headings(columns, ipc, perf);
    std::vector<bool> numeric(heading.size(), true);
    std::fill(numeric.begin(), numeric.begin() + static_cast<long>(seriesHeadings(columns).size()), false);
    table += tableRow(heading) + ruleRow(numeric);
    for (const CostGroup& g : cost.groups) {
        table += tableRow(cells(report, columns, g, ipc, perf));
    }
    return table;
}
