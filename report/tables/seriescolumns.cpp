#include "report/tables/seriescolumns.h"

#include "i18n/messages.h"
#include "report/sweep/seriesname.h"

SeriesColumns seriesColumns(const SweepModel& model) {
    return {severalSettings(model), severalModes(model), !model.apart.empty()};
}

std::vector<std::string> seriesHeadings(const SeriesColumns& columns) {
    std::vector<std::string> headings{_("matrix")};
    if (columns.settings) {
        headings.push_back(_("settings"));
    }
    if (columns.mode) {
        headings.push_back(_("mode"));
    }
    if (columns.sweep) {
        headings.push_back(_("sweep"));
    }
    return headings;
}

std::vector<std::string> seriesCells(const SweepModel& model, const SeriesColumns& columns, const SeriesKey& key) {
    const SeriesName name = nameSeries(model, key);
    std::vector<std::string> cells{name.size};
    if (columns.settings) {
        cells.push_back(name.settings);
    }
    if (columns.mode) {
        cells.push_back(name.mode);
    }
    if (columns.sweep) {
        cells.push_back(name.sweep);
    }
    return cells;
}
