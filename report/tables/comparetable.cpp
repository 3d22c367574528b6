#include "report/tables/comparetable.h"

#include <algorithm>

#include "i18n/messages.h"
#include "report/tables/cells.h"
#include "report/tables/seriescolumns.h"

namespace {

std::string ratioCell(const MeasureComparison& m) {
    if (!m.compared) {
        return "n/a";
    }
    return fixedCell(m.ratio.ratio, 3) + " [" + fixedCell(m.ratio.low, 3) + ", " + fixedCell(m.ratio.high, 3) + "]";
}

std::string pCell(const MeasureComparison& m) {
    return m.compared && m.verdict != Verdict::untested ? fixedCell(m.p, 4) : "n/a";
}

std::string medianCell(const MeasureComparison& m) {
    return m.present ? fixedCell(m.median, 2) : "n/a";
}

std::string verdictCell(const MeasureComparison& m) {
    return m.compared ? verdictText(m.verdict) : "";
}

std::vector<std::string> headings(const SeriesColumns& columns) {
    // xgettext:no-c-format
    const char* wallRatio = _("wall ratio [95 % CI]");
    // xgettext:no-c-format
    const char* cpuRatio = _("cpu ratio [95 % CI]");
    std::vector<std::string> cells = seriesHeadings(columns);
    cells.insert(cells.end(), {_("workers"), _("file"), _("runs"), _("median wall µs"), wallRatio, _("wall p"),
                               _("wall verdict"), _("median cpu µs"), cpuRatio, _("cpu p"), _("cpu verdict")});
    return cells;
}

}  // namespace

std::string verdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::faster:
            return _("faster");
        case Verdict::slower:
            return _("slower");
        case Verdict::same:
            return _("no difference beyond the noise");
        case Verdict::untested:
            break;
    }
    return "n/a";
}

std::string compareText(const CompareReport& report) {
    const SweepModel& model = *report.model;
    // The sides have a column of their own: no sweep column.
    SeriesColumns columns = seriesColumns(model);
    columns.sweep = false;
    const std::vector<std::string> heading = headings(columns);
    std::vector<bool> numeric(heading.size(), true);
    const size_t named = seriesHeadings(columns).size();
    std::fill(numeric.begin(), numeric.begin() + static_cast<long>(named), false);
    numeric[named + 1] = false;                  // the file
    numeric[named + 6] = numeric[named + 10] = false;  // the verdicts
    std::string text = tableRow(heading) + ruleRow(numeric);
    for (const CountComparison& count : report.counts) {
        for (const CountRow& row : count.sides) {
            std::vector<std::string> cells = seriesCells(model, columns, count.key.series());
            cells.insert(cells.end(), {std::to_string(count.key.threads), sideLabel(report, row.side),
                                       std::to_string(row.runs), medianCell(row.wall), ratioCell(row.wall),
                                       pCell(row.wall), verdictCell(row.wall), medianCell(row.cpu), ratioCell(row.cpu),
                                       pCell(row.cpu), verdictCell(row.cpu)});
            text += tableRow(cells);
        }
    }
    text += "\n";
    for (const CompareSummary& s : report.summaries) {
        // TRANSLATORS: the side, the base, the measure, the counts, the mean ratio, its interval, the verdict.
        text += formatMessage(_("%s against %s, %s: geometric mean of the ratios over %zu counts %s (95 %% CI %s to "
                                "%s): %s"),
                              sideLabel(report, s.side).c_str(), sideLabel(report, 0).c_str(),
                              s.wall ? _("wall time") : _("processor time"), s.counts,
                              fixedCell(s.mean.ratio, 3).c_str(), fixedCell(s.mean.low, 3).c_str(),
                              fixedCell(s.mean.high, 3).c_str(), verdictText(s.verdict).c_str());
        text += "\n";
    }
    return text;
}
