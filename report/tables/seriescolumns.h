// The columns that name a row's series in every table: the matrix, then
// the settings, the mode and the sweep where the model's series differ in
// them, each cell a part of the series' one name (report/sweep/seriesname.h).
#pragma once

#include <string>
#include <vector>

#include "report/sweep/model.h"

struct SeriesColumns {
    bool settings = false;
    bool mode = false;
    bool sweep = false;
};

SeriesColumns seriesColumns(const SweepModel& model);

// The headings of those columns ("matrix", "settings", ...).
std::vector<std::string> seriesHeadings(const SeriesColumns& columns);

// The cells of `key`'s series, as many as the headings.
std::vector<std::string> seriesCells(const SweepModel& model, const SeriesColumns& columns, const SeriesKey& key);
