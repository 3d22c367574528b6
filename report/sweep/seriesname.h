// The name of a series, the one every table, chart, warning, comparison and
// export uses: its matrix size, then what tells it apart from the other
// series of the model: its settings when the model holds several, its mode
// when it holds several, and its sweep's label when sweeps are told apart.
// Two series of one model get the same name only when the user labels two
// files of a comparison alike; the report's own labels always differ.
#pragma once

#include <string>

#include "report/sweep/model.h"

struct SeriesName {
    std::string size;      // "500 × 500"
    std::string settings;  // "stack:64k", "defaults"; "" when every series has the same
    std::string mode;      // "pool"; "" when every series has the same
    std::string sweep;     // "sweep 2", a comparison's label; "" when not told apart

    // The parts that are not empty, joined by ", ": "500 × 500, stack:64k, pool".
    std::string text() const;
    // The same without the size: what tells curves of one panel apart
    // ("stack:64k, pool"); "" when nothing does.
    std::string variant() const;
};

SeriesName nameSeries(const SweepModel& model, const SeriesKey& key);

// nameSeries(...).text().
std::string seriesLabel(const SweepModel& model, const SeriesKey& key);

// The series' name and the count: "500 × 500, pool, 8 workers".
std::string groupLabel(const SweepModel& model, const GroupKey& key);

// "500 × 500".
std::string sizeLabel(int32_t rows, int32_t columns);

// "stack:64k/bind:compact", or "defaults".
std::string settingName(const SweepModel& model, int32_t setting);
