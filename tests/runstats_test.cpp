#include "report/stats/runstats.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

SampleStats describe(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return describeSorted(values);
}

}  // namespace

TEST(SampleStatistics, SummaryOfSmallSamples) {
    const SampleStats odd = describe({4, 1, 3, 2, 10});
    EXPECT_EQ(odd.runs, 5u);
    EXPECT_DOUBLE_EQ(odd.mean, 4.0);
    EXPECT_DOUBLE_EQ(odd.median, 3.0);
    EXPECT_DOUBLE_EQ(odd.min, 1.0);
    EXPECT_DOUBLE_EQ(odd.max, 10.0);
    EXPECT_DOUBLE_EQ(odd.stddev, std::sqrt(50.0 / 4));
    EXPECT_FALSE(odd.hasInterval) << "five runs are too few for a 95 % interval";
    EXPECT_DOUBLE_EQ(describe({2, 8, 4, 6}).median, 5.0);
    EXPECT_DOUBLE_EQ(describe({7.5}).stddev, 0.0);
}

TEST(MedianInterval, RanksFromOrderStatistics) {
    EXPECT_FALSE(medianIntervalRanks(5));
    // n = 6: only the extremes, 1 - 2/64 = 96.9 %.
    EXPECT_EQ(medianIntervalRanks(6)->low, 1u);
    EXPECT_EQ(medianIntervalRanks(6)->high, 6u);
    // n = 20: P(B <= 5) = 21700 / 2^20, so X(6)..X(15) covers 95.9 %; X(7) would give 88.5 %.
    EXPECT_EQ(medianIntervalRanks(20)->low, 6u);
    EXPECT_EQ(medianIntervalRanks(20)->high, 15u);
    // n = 100, normal approximation: floor(50 - 9.8) and ceil(51 + 9.8).
    EXPECT_EQ(medianIntervalRanks(100)->low, 40u);
    EXPECT_EQ(medianIntervalRanks(100)->high, 61u);
}

TEST(MedianInterval, TwentyRunsBracketTheirMedian) {
    std::vector<double> runs;
    for (int i = 20; i >= 1; i--) {
        runs.push_back(1000 + 10 * i);
    }
    const SampleStats stats = describe(runs);
    EXPECT_DOUBLE_EQ(stats.median, 1105.0);
    ASSERT_TRUE(stats.hasInterval);
    EXPECT_DOUBLE_EQ(stats.low, 1060.0);
    EXPECT_DOUBLE_EQ(stats.high, 1150.0);
}

TEST(NoiseTests, FarOutlierAmongEqualRuns) {
    std::vector<double> runs(19, 1000.0);
    runs.push_back(100000.0);
    const FarRuns far = farOutliers(runs);
    EXPECT_EQ(far.count, 1u);
    EXPECT_DOUBLE_EQ(far.largest, 100000.0);
    // Q1 = 3.25 and Q3 = 7.75 either way: the fence is 7.75 + 3 * 4.5 = 21.25.
    EXPECT_DOUBLE_EQ(quantile({1, 2, 3, 4, 5, 6, 7, 8, 9, 21}, 0.25), 3.25);
    EXPECT_DOUBLE_EQ(quantile({1, 2, 3, 4, 5, 6, 7, 8, 9, 21}, 0.75), 7.75);
    EXPECT_EQ(farOutliers({1, 2, 3, 4, 5, 6, 7, 8, 9, 21}).count, 0u);
    EXPECT_EQ(farOutliers({1, 2, 3, 4, 5, 6, 7, 8, 9, 21.5}).count, 1u);
}

TEST(NoiseTests, SlowFirstRunIsAColdStart) {
    auto coldStart = [](std::vector<double> inOrder, double* ratio) {
        std::vector<double> sorted = inOrder;
        std::sort(sorted.begin(), sorted.end());
        return slowFirstRun(inOrder, sorted, ratio);
    };
    double ratio = 0;
    EXPECT_TRUE(coldStart({3000, 1000, 1010, 990, 1000}, &ratio));
    EXPECT_DOUBLE_EQ(ratio, 3.0);
    EXPECT_FALSE(coldStart({1000, 1010, 990, 1000, 3000}, &ratio)) << "a slow last run is no cold start";
    EXPECT_FALSE(coldStart({1400, 1000, 1000, 1000}, &ratio)) << "beyond the fence but not 1.5 times slower";
    EXPECT_FALSE(coldStart({3000, 1000}, &ratio));
}

TEST(LeastSquares, SlopeOfAStraightLineAndOfScatter) {
    const auto line =
        leastSquares({8, 9, 10, 12}, {8 * 137 + 50, 9 * 137 + 50, 10 * 137 + 50, 12 * 137 + 50});
    ASSERT_TRUE(line);
    EXPECT_DOUBLE_EQ(line->slope, 137.0);
    EXPECT_DOUBLE_EQ(line->intercept, 50.0);
    // (0,0) (1,1) (2,1): slope 1/2, intercept 1/6.
    EXPECT_DOUBLE_EQ(leastSquares({0, 1, 2}, {0, 1, 1})->slope, 0.5);
    EXPECT_FALSE(leastSquares({4, 4}, {1, 2})) << "one distinct x has no slope";
}
