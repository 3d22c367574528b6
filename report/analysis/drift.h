// Whether a sweep's times drift as it goes on (the machine warming up, a
// neighbour starting, the clock slowing down): per series, every run's
// time relative to its count's median against its sequence number, and the
// Spearman rank correlation of the two. A series drifts when the
// correlation's two-sided p-value (Student's t with n - 2 degrees of
// freedom of r sqrt((n - 2) / (1 - r^2))) is below compareAlpha divided by
// the number of series tested (Bonferroni). The same points make drift.png.
#pragma once

#include <cstdint>
#include <vector>

#include "report/analysis/scaling.h"

// A series is tested from this many runs with a known sequence.
inline constexpr size_t minDriftRuns = 10;

// One run as drift.png draws it.
struct DriftPoint {
    int32_t sequence;
    double relative;  // its time / the median of its count
    int32_t invocation;
};

// The runs of the groups [first, last) of the model with a sequence, in
// wall time (processor time from the log), relative to their group's median.
std::vector<DriftPoint> driftPoints(const SweepModel& model, size_t first, size_t last, bool wall);

// Spearman's rank correlation of the points' relative time with their
// sequence (average ranks for ties), and its two-sided p-value; p 1 below
// minDriftRuns points or when either has a single value.
struct DriftTest {
    bool tested = false;
    double rho = 0;
    double p = 1;
};
DriftTest testDrift(const std::vector<DriftPoint>& points);

// Sets GroupReport::drift on every group of a series that drifts, and adds
// one line per such series to report->advice.
void addDrift(ScalingReport* report);
