// Physical bounds: the ideal min(T, P), and a speedup above it flagged.
#include "report/analysis/bounds.h"

#include <gtest/gtest.h>

#include "report/charts/charts.h"
#include "reportmodel.h"

namespace {

// Counts 1, 2 and 4 on `cpus` usable processors, five invocations of six
// runs each; count T takes 1000 / `speedup(T)` µs, with a ripple.
template <typename Speedup>
SweepModel sweepOn(int32_t cpus, Speedup speedup) {
    SweepModel model = reportmodel::empty(true);
    model.files[0].context.usableCpus = cpus;
    int32_t sequence = 0;
    for (int32_t invocation = 0; invocation < 5; invocation++) {
        for (int32_t threads : {1, 2, 4}) {
            for (int i = 0; i < 6; i++) {
                const double ripple = 1 + 0.01 * ((i + invocation) % 3);
                reportmodel::addMade(&model, threads, ripple * 1000 / speedup(threads), sequence++,
                                     invocation);
            }
        }
    }
    finishRuns(&model);
    return model;
}

}  // namespace

TEST(Bounds, TheIdealStopsAtTheProcessorsAndASpeedupAboveItIsFlagged) {
    EXPECT_DOUBLE_EQ(idealSpeedup(4, 1, 2), 2.0);
    EXPECT_DOUBLE_EQ(idealSpeedup(4, 2, 2), 1.0);
    EXPECT_DOUBLE_EQ(idealSpeedup(4, 1, 0), 4.0) << "unknown processors: T / base";
    // 4 workers 3.5 times as fast on 2 processors: impossible.
    const SweepModel model = sweepOn(2, [](int32_t t) { return t == 4 ? 3.5 : t; });
    const ScalingReport report = analyse(model);
    EXPECT_FALSE(report.groups[1].impossibleSpeedup);
    EXPECT_TRUE(report.groups[2].impossibleSpeedup);
    EXPECT_DOUBLE_EQ(report.groups[2].idealSpeedup, 2.0);
    ASSERT_TRUE(report.groups[2].speedupInterval.known);
    EXPECT_GT(report.groups[2].speedupInterval.low, 2.0);
    ASSERT_EQ(report.advice.size(), 1u);
    EXPECT_NE(report.advice[0].find("P = 2"), std::string::npos) << report.advice[0];
    EXPECT_NE(speedupChartScript(report).find("ideal min(T, P), P = 2"), std::string::npos);
    // Speedups the processors allow are not.
    const ScalingReport clean = analyse(sweepOn(2, [](int32_t t) { return t == 1 ? 1.0 : 1.9; }));
    for (const GroupReport& g : clean.groups) {
        EXPECT_FALSE(g.impossibleSpeedup);
    }
    EXPECT_TRUE(clean.advice.empty());
}
