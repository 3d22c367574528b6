// What each series' curve says as a whole: its best worker count by each
// measure (report/models/bestcount.h), and Amdahl's law and the Universal
// Scalability Law fitted to its throughput (report/models/scalingfit.h),
// where the throughput of a count is runs per second from its median wall
// time: X(N) = 10⁶ / median wall µs, its interval from the median's.
#pragma once

#include <cstdint>
#include <vector>

#include "report/models/models.h"
#include "report/sweep/model.h"

struct ScalingReport;

struct SeriesModel {
    SeriesKey key;
    BestCount fastest;   // the lowest median wall time; not found without wall times (the log)
    BestCount leastCpu;  // the lowest median processor time
    std::vector<ThroughputPoint> throughput;  // per count; empty without wall times
    ScalingFit amdahl;
    ScalingFit usl;
};

// One entry per series of `report`, in its order, with the throughput
// predicted at each of `predictAt` by both fits. Without wall times the
// fits are left unfitted (outcome notConverged, no points).
std::vector<SeriesModel> seriesModels(const ScalingReport& report, const std::vector<int32_t>& predictAt);

// The model of series `key`, or null.
const SeriesModel* findSeriesModel(const std::vector<SeriesModel>& models, const SeriesKey& key);

// Whether some series has a fitted model (Amdahl's law or the USL).
bool anyFit(const std::vector<SeriesModel>& models);
