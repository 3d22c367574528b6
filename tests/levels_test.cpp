// Intervals and tests from the level above the runs: which level a group's
// runs have, and the two-level interval and ratio of a sample worked out by
// hand.
#include "report/stats/levels.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A group of runs with these wall times, invocations and sequences.
RunGroup group(const std::vector<double>& walls, const std::vector<int32_t>& invocations,
               const std::vector<int32_t>& sequences) {
    RunGroup g{{500, 500, 0, 0, 1, 0}, {}};
    for (size_t i = 0; i < walls.size(); i++) {
        Run run;
        run.wall = walls[i];
        run.cpu = walls[i];
        run.invocation = invocations[i];
        run.sequence = sequences[i];
        g.runs.push_back(run);
    }
    return g;
}

// Three invocations of three runs each whose medians are e^first, e^(first
// + 1), e^(first + 2): the runs around them 0.9 and 1.1 times.
RunGroup threeInvocations(double first) {
    std::vector<double> walls;
    for (int unit = 0; unit < 3; unit++) {
        const double median = std::exp(first + unit);
        walls.insert(walls.end(), {0.9 * median, median, 1.1 * median});
    }
    return group(walls, {0, 0, 0, 1, 1, 1, 2, 2, 2}, {0, 1, 2, 3, 4, 5, 6, 7, 8});
}

}  // namespace

TEST(Levels, RunsTakeTheLevelThatVariesAboveThem) {
    const RunGroup invocations = threeInvocations(1);
    EXPECT_EQ(levelsOf(invocations, true).level, UpperLevel::invocations);
    EXPECT_EQ(levelsOf(invocations, true).units.size(), 3u);
    std::vector<double> walls(12, 100.0);
    const std::vector<int32_t> one(12, 0);
    // Back to back in one process (consecutive sequences): nothing above them.
    const RunGroup sequential = group(walls, one, {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    EXPECT_TRUE(backToBack(sequential));
    EXPECT_EQ(levelsOf(sequential, true).level, UpperLevel::none);
    // Spread over the sweep (every fourth run): four blocks of three, in order.
    const RunGroup spread =
        group({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, one, {44, 0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40});
    const Levels blocks = levelsOf(spread, true);
    ASSERT_EQ(blocks.level, UpperLevel::blocks);
    ASSERT_EQ(blocks.units.size(), 4u);
    EXPECT_EQ(blocks.units[0], (std::vector<double>{2, 3, 4}));
    EXPECT_EQ(blocks.units[3], (std::vector<double>{11, 12, 1}));
    // Order unknown: no level either.
    EXPECT_EQ(levelsOf(group(walls, one, std::vector<int32_t>(12, -1)), true).level, UpperLevel::none);
}

TEST(Levels, TheIntervalAndRatioOfAHandWorkedTwoLevelSample) {
    // Unit log medians 1, 2, 3: mean 2, s = 1, k = 3, t(0.975, 2) = 4.302653,
    // half-width 4.302653 / sqrt 3 = 2.484138: exp(2 -+ 2.484138) =
    // [0.616228, 88.6005].
    const Interval interval = levelInterval(levelsOf(threeInvocations(1), true));
    ASSERT_TRUE(interval.known);
    EXPECT_NEAR(interval.low, 0.616228, 1e-5);
    EXPECT_NEAR(interval.high, 88.6005, 1e-3);
    // Against log medians 2, 3, 4: difference 1, each mean's variance 1/3,
    // se = sqrt(2/3) = 0.816497, Welch's degrees (2/3)^2 / (2 (1/3)^2 / 2) =
    // 4, t(0.975, 4) = 2.776445: exp(1 -+ 2.266958) = [0.281687, 26.2314];
    // p = 2 (1 - F4(1.224745)) = 0.287864.
    const LevelRatio ratio =
        levelRatio(levelsOf(threeInvocations(1), true), levelsOf(threeInvocations(2), true));
    ASSERT_TRUE(ratio.known);
    EXPECT_NEAR(ratio.ratio.ratio, std::exp(1.0), 1e-9);
    EXPECT_NEAR(ratio.ratio.low, 0.281687, 1e-5);
    EXPECT_NEAR(ratio.ratio.high, 26.2314, 1e-3);
    EXPECT_NEAR(ratio.p, 0.287864, 1e-5);
    // One unit a side gives nothing.
    EXPECT_FALSE(
        levelRatio(Levels{UpperLevel::invocations, {{1.0}}}, levelsOf(threeInvocations(2), true)).known);
}
