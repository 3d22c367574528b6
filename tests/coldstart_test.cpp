// The cold-start check: slow first runs are found, a clean sweep has none.
#include "report/analysis/coldstart.h"

#include <gtest/gtest.h>

#include "reportmodel.h"

namespace {

// Counts 1, 2 and 4 in sequential order, 20 runs each around 1000 µs (a
// fixed ripple); the first three of count `slow` take `factor` times as long.
SweepModel sequentialSweep(int32_t slow, double factor) {
    SweepModel model = reportmodel::empty(true);
    int32_t sequence = 0;
    for (int32_t threads : {1, 2, 4}) {
        for (int i = 0; i < 20; i++) {
            const double time = 1000 + 7 * (i * 37 % 11);
            reportmodel::addMade(&model, threads, threads == slow && i < 3 ? factor * time : time,
                                 sequence++);
        }
    }
    finishRuns(&model);
    return model;
}

}  // namespace

TEST(ColdStart, SlowFirstRunsAreFlaggedAndACleanSweepHasNone) {
    const SweepModel cold = sequentialSweep(2, 1.3);
    const ScalingReport report = analyse(cold);
    EXPECT_FALSE(report.groups[0].coldStart);
    EXPECT_TRUE(report.groups[1].coldStart);
    EXPECT_FALSE(report.groups[2].coldStart);
    ASSERT_EQ(report.advice.size(), 1u);
    EXPECT_NE(report.advice[0].find("at 1 of 3 counts"), std::string::npos) << report.advice[0];
    EXPECT_NE(report.advice[0].find("--warmup"), std::string::npos) << report.advice[0];
    const SweepModel clean = sequentialSweep(0, 1);
    for (const GroupReport& g : analyse(clean).groups) {
        EXPECT_FALSE(g.coldStart);
    }
    EXPECT_TRUE(analyse(clean).advice.empty());
    // Five invocations: the first run of each is tested.
    EXPECT_EQ(coldRuns(5), 1u);
    EXPECT_EQ(coldRuns(1), 3u);
}
