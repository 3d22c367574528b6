// The tables of a summary: the groups, the start-up shares, the cost of
// each added worker, and the notes on stopped sweeps and short counts.
#include <algorithm>
#include <cmath>
#include <set>

#include "i18n/messages.h"
#include "report/analysis/bounds.h"
#include "report/sweep/seriesname.h"
#include "report/sweep/sweepsplit.h"
#include "report/tables/cells.h"
#include "report/tables/seriescolumns.h"
#include "report/tables/tables.h"

namespace {

std::string medianInterval(const SampleStats& stats) {
    return intervalCell(stats.hasInterval, stats.low, stats.high);
}

// "speedup", or what it is relative to when a series has no run with 1 worker.
std::string speedupHeading(const ScalingReport& report) {
    std::set<int32_t> bases;
    for (const SeriesReport& s : report.series) {
        bases.insert(s.base);
    }
    if (bases.size() == 1 && *bases.begin() == 1) {
        return _("speedup");
    }
    if (bases.size() == 1) {
        return formatMessage(_("speedup vs %d workers (no run with 1)"), *bases.begin());
    }
    return _("speedup vs fewest workers (no run with 1)");
}

std::vector<std::string> groupHeadings(const ScalingReport& report, const SeriesColumns& columns) {
    std::vector<std::string> headings = seriesHeadings(columns);
    headings.insert(headings.end(), {_("workers"), _("runs")});
    if (report.hasWall) {
        // xgettext:no-c-format
        const char* interval = _("95 % CI");
        headings.insert(headings.end(), {_("mean cpu µs"), _("median cpu"), interval, _("min"), _("max"),
                                         _("std dev"), _("median wall µs"), interval, speedupHeading(report),
                                         _("efficiency")});
    } else {
        // xgettext:no-c-format
        const char* interval = _("95 % CI of median");
        headings.insert(headings.end(), {_("mean ticks"), _("median"), interval, _("min"), _("max"), _("std dev")});
    }
    return headings;
}

std::string runsCell(const GroupReport& g) {
    // TRANSLATORS: after a count's runs in the table, when it has fewer than the others.
    return g.shortCount ? std::to_string(g.cpu.runs) + " " + _("(short)") : std::to_string(g.cpu.runs);
}

// "; system time 1.20 µs [0.90, 1.50] per added worker" when the counters
// gave the split: a slope of its own, never a share of the other.
std::string systemPart(const WorkerCost& cost) {
    if (std::isnan(cost.systemMicros)) {
        return "";
    }
    if (cost.systemFewTicks) {
        return _("; system time per added worker: n/a (too few ticks)");
    }
    // TRANSLATORS: appended to the cost per added worker: the system slope in µs, then its interval.
    return formatMessage(
        _("; system time %s µs %s per added worker"), fixedCell(cost.systemMicros, 2).c_str(),
        intervalCell(cost.systemInterval.known, cost.systemInterval.low, cost.systemInterval.high).c_str());
}

// The speedup, marked when its interval lies wholly above the ideal.
std::string speedupCell(const GroupReport& g) {
    // TRANSLATORS: after a speedup above what the processors allow.
    return g.impossibleSpeedup ? significantCell(g.speedup) + " " + _("(above ideal)")
                               : significantCell(g.speedup);
}

}  // namespace

std::string groupTable(const ScalingReport& report) {
    const SeriesColumns columns = seriesColumns(*report.model);
    const std::vector<std::string> headings = groupHeadings(report, columns);
    std::vector<bool> numeric(headings.size(), true);
    std::fill(numeric.begin(), numeric.begin() + static_cast<long>(seriesHeadings(columns).size()), false);
    std::string table = tableRow(headings) + ruleRow(numeric);
    for (const GroupReport& g : report.groups) {
        std::vector<std::string> cells = seriesCells(*report.model, columns, g.key.series());
        cells.insert(cells.end(), {std::to_string(g.key.threads), runsCell(g), fixedCell(g.cpu.mean, 2),
                                   fixedCell(g.cpu.median, 2), medianInterval(g.cpu), fixedCell(g.cpu.min, 2),
                                   fixedCell(g.cpu.max, 2), fixedCell(g.cpu.stddev, 2)});
        if (report.hasWall) {
            cells.insert(cells.end(), {fixedCell(g.wall.median, 2), medianInterval(g.wall), speedupCell(g),
                                       significantCell(g.efficiency)});
        }
        table += tableRow(cells);
    }
    return table;
}

std::string startupTable(const ScalingReport& report) {
    if (report.shares.empty()) {
        return "";
    }
    // Appended piece by piece: GCC 12 warns of a false overlap (-Wrestrict)
    // in "\n" + std::string(...).
    std::string table = "\n";
    table += _("Start-up share of the processor time, (spawn - pool) / spawn of the medians:");
    table += "\n\n";
    table += tableRow({_("matrix"), _("workers"), _("spawn median cpu µs"), _("pool median cpu µs"),
                       _("start-up share")});
    table += ruleRow({false, true, true, true, true});
    for (const StartupShare& s : report.shares) {
        SeriesName name = nameSeries(*report.model, s.series);
        name.mode.clear();  // both modes are in the row
        table += tableRow({name.text(), std::to_string(s.threads), fixedCell(s.spawn, 2), fixedCell(s.pool, 2),
                           percentCell(s.share, 1)});
    }
    return table;
}

std::string workerCostText(const ScalingReport& report) {
    std::string text = "\n";
    text += _("Cost of each added worker (least-squares slope of the median processor time "
              "against the worker count):");
    text += "\n";
    for (const SeriesReport& s : report.series) {
        text += "- " + seriesLabel(*report.model, s.key) + ": ";
        if (!s.cost) {
            text += _("n/a (a single worker count)");
            text += "\n";
            continue;
        }
        // TRANSLATORS: the cost, the fewest and the most workers fitted, the counts fitted.
        // TRANSLATORS: the cost, its interval, the fewest and the most workers fitted, the counts fitted.
        text += formatMessage(_("%s µs %s of processor time per added worker (fitted over %d to %d workers, "
                                "%zu counts)"),
                              fixedCell(s.cost->micros, 2).c_str(),
                              intervalCell(s.cost->microsInterval.known, s.cost->microsInterval.low,
                                           s.cost->microsInterval.high)
                                  .c_str(),
                              s.cost->from, s.cost->to, s.cost->counts);
        text += systemPart(*s.cost) + "\n";
    }
    return text;
}

std::string sweepNotes(const ScalingReport& report) {
    const SweepModel& model = *report.model;
    std::string notes;
    for (size_t s = 0; s < model.sweeps.size(); s++) {
        const InputContext& context = model.files[model.sweeps[s].file].context;
        if (!context.stopped) {
            continue;
        }
        const std::string signal = context.stopSignal.empty() ? _("a signal") : context.stopSignal;
        // TRANSLATORS: the sweep's file, the signal, the runs made, the runs planned.
        notes += formatMessage(_("%s: the sweep was stopped by %s after %s of %s planned runs."),
                               sweepPlace(model, static_cast<int32_t>(s)).c_str(), signal.c_str(),
                               context.runsMade < 0 ? "n/a" : std::to_string(context.runsMade).c_str(),
                               context.runsPlanned < 0 ? "n/a" : std::to_string(context.runsPlanned).c_str());
        notes += "\n";
    }
    if (std::any_of(report.groups.begin(), report.groups.end(),
                    [](const GroupReport& g) { return g.impossibleSpeedup; })) {
        notes +=
            formatMessage(_("Speedups marked (above ideal) have an interval wholly above min(T, P), the most "
                            "P = %d usable processors allow: the base count's runs were slow, not the others "
                            "fast."),
                          usableProcessors(model));
        notes += "\n";
    }
    if (anyShortCount(report)) {
        notes += _("Counts marked (short) have fewer runs than their sweep made of other counts, or than it asked "
                   "for: their figures rest on fewer runs.");
        notes += "\n";
    }
    return notes.empty() ? notes : notes + "\n";
}

std::string reportText(const ScalingReport& report) {
    return groupTable(report) + startupTable(report) + workerCostText(report);
}

std::string summaryText(const ScalingReport& report) {
    return sweepNotes(report) + reportText(report) + costTable(report) + efficiencyTable(report) +
           bestCountText(report) + modelText(report);
}
