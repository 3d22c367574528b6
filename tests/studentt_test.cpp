#include "report/models/studentt.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(StudentT, QuantilesMatchPrintedTables) {
    EXPECT_NEAR(studentQuantile(0.975, 1), 12.706, 5e-4);
    EXPECT_NEAR(studentQuantile(0.975, 10), 2.228, 5e-4);
    EXPECT_NEAR(studentQuantile(0.975, 29), 2.045, 5e-4);
    EXPECT_NEAR(studentQuantile(0.995, 5), 4.032, 5e-4);
    EXPECT_NEAR(studentQuantile(0.975, 1e6), 1.960, 5e-4);  // the normal's
}

TEST(StudentT, QuantilesMatchClosedFormsForOneAndTwoDegrees) {
    for (double p : {0.001, 0.1, 0.5, 0.8, 0.975, 0.9999}) {
        const double cauchy = std::tan(M_PI * (p - 0.5));
        EXPECT_NEAR(studentQuantile(p, 1), cauchy, 1e-10 * (1 + std::fabs(cauchy))) << p;
        const double two = (2 * p - 1) / std::sqrt(2 * p * (1 - p));
        EXPECT_NEAR(studentQuantile(p, 2), two, 1e-10 * (1 + std::fabs(two))) << p;
    }
}

TEST(StudentT, DistributionIsSymmetricAndInvertsTheQuantile) {
    EXPECT_DOUBLE_EQ(studentCdf(0, 7), 0.5);
    EXPECT_NEAR(studentCdf(-1.3, 7) + studentCdf(1.3, 7), 1, 1e-15);
    EXPECT_NEAR(studentCdf(studentQuantile(0.9, 3.5), 3.5), 0.9, 1e-12);
    EXPECT_DOUBLE_EQ(studentQuantile(0.025, 10), -studentQuantile(0.975, 10));
}

TEST(StudentT, OutsideTheDomainIsNotANumber) {
    EXPECT_TRUE(std::isnan(studentQuantile(0, 5)));
    EXPECT_TRUE(std::isnan(studentQuantile(1, 5)));
    EXPECT_TRUE(std::isnan(studentQuantile(0.5, 0)));
    EXPECT_TRUE(std::isnan(incompleteBeta(1.5, 1, 1)));
}

TEST(StudentT, IncompleteBetaMatchesClosedForms) {
    for (double x : {0.0, 0.05, 0.3, 0.7, 0.99, 1.0}) {
        EXPECT_NEAR(incompleteBeta(x, 1, 1), x, 1e-14);
        EXPECT_NEAR(incompleteBeta(x, 3, 1), x * x * x, 1e-14);
        EXPECT_NEAR(incompleteBeta(x, 1, 4), 1 - std::pow(1 - x, 4), 1e-14);
    }
    EXPECT_NEAR(incompleteBeta(0.5, 20, 20), 0.5, 1e-14);
}
