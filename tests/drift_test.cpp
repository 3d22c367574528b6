// The drift check: a sweep that slows as it goes is found, a flat one not.
#include "report/analysis/drift.h"

#include <gtest/gtest.h>

#include "report/charts/charts.h"
#include "reportmodel.h"

namespace {

// Counts 1 and 2 taking turns, 30 runs each; every run `slope` µs slower
// than the one before it, around a fixed ripple.
SweepModel interleavedSweep(double slope) {
    SweepModel model = reportmodel::empty(true);
    for (int32_t sequence = 0; sequence < 60; sequence++) {
        const double time = 1000 + 13 * (sequence * 17 % 7) + slope * sequence;
        reportmodel::addMade(&model, 1 + sequence % 2, time, sequence);
    }
    finishRuns(&model);
    return model;
}

}  // namespace

TEST(Drift, ASweepThatSlowsIsFlaggedAndAFlatOneIsNot) {
    const SweepModel slowing = interleavedSweep(5);
    const ScalingReport report = analyse(slowing);
    EXPECT_TRUE(report.groups[0].drift);
    EXPECT_TRUE(report.groups[1].drift);
    const DriftTest test = testDrift(driftPoints(slowing, 0, 2, true));
    EXPECT_GT(test.rho, 0.9);
    ASSERT_FALSE(report.advice.empty());
    EXPECT_NE(report.advice.back().find("--order random"), std::string::npos) << report.advice.back();
    const SweepModel flat = interleavedSweep(0);
    for (const GroupReport& g : analyse(flat).groups) {
        EXPECT_FALSE(g.drift);
    }
    // drift.png: one data block per invocation, one point per run.
    const std::string script = driftChartScript(analyse(slowing));
    EXPECT_NE(script.find("$s0_0 << EOD"), std::string::npos);
    EXPECT_NE(script.find("invocation 0"), std::string::npos);
}
