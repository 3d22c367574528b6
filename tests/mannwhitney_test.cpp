// The U test gives SciPy's p-values (mannwhitneyu, two-sided, default
// method): the references below are SciPy 1.10's own answers.
#include "report/stats/mannwhitney.h"

#include <gtest/gtest.h>

#include <numeric>

TEST(MannWhitney, ExactDistributionForSmallSamplesWithoutTies) {
    const UTest apart = mannWhitneyU({1, 2, 3, 4, 5}, {6, 7, 8, 9, 10, 11});
    EXPECT_TRUE(apart.exact);
    EXPECT_DOUBLE_EQ(apart.u, 30);
    EXPECT_NEAR(apart.p, 0.004329004329004329, 1e-12);
    EXPECT_NEAR(mannWhitneyU({3, 1, 4, 15, 9}, {2, 6, 5, 35, 8, 97, 93}).p, 0.26767676767676774, 1e-12);
    EXPECT_NEAR(exactUpperTail(3, 3, 0), 1.0, 1e-15);
}

TEST(MannWhitney, NormalApproximationWithTieAndContinuityCorrection) {
    const UTest tied = mannWhitneyU({1, 2, 2, 3, 4, 5, 5, 6, 7, 8}, {4, 5, 6, 6, 7, 8, 9, 10, 11, 12, 13});
    EXPECT_FALSE(tied.exact) << "ties rule the exact distribution out";
    EXPECT_NEAR(tied.p, 0.007223386512513407, 1e-12);
    std::vector<double> x(20);
    std::vector<double> y(25);
    std::iota(x.begin(), x.end(), 0.0);
    std::iota(y.begin(), y.end(), 5.5);
    EXPECT_NEAR(mannWhitneyU(x, y).p, 0.000964739954959277, 1e-12);
}

TEST(MannWhitney, ASampleAgainstItselfOrAllTiedShowsNoDifference) {
    const std::vector<double> runs{5, 3, 9, 1, 7, 2, 8, 4, 6, 10};
    EXPECT_DOUBLE_EQ(mannWhitneyU(runs, runs).p, 1.0);
    EXPECT_DOUBLE_EQ(mannWhitneyU({4, 4, 4}, {4, 4}).p, 1.0);
}
