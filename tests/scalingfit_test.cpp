#include "report/models/scalingfit.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "modelcurves.h"

using modelcurves::curve;
using modelcurves::schwartz;

namespace {

// Agreement to four significant digits: within half a unit of the fourth.
void expectFourDigits(double actual, double expected) {
    EXPECT_NEAR(actual, expected, 0.5 * std::pow(10.0, std::floor(std::log10(std::fabs(expected))) - 3));
}

}  // namespace

TEST(ScalingFit, SysbenchCurveGivesTheKnownUslFit) {
    const ScalingFit fit = fitScaling(ScalingModel::usl, schwartz(), {20});
    ASSERT_EQ(fit.outcome, FitOutcome::fitted);
    expectFourDigits(fit.lambda.value, 995.6486);
    expectFourDigits(fit.sigma.value, 0.02671591);
    expectFourDigits(fit.kappa.value, 0.0007690945);
    ASSERT_EQ(fit.shape, CurveShape::peaks);
    expectFourDigits(fit.peak.workers.value, std::sqrt((1 - 0.02671591) / 0.0007690945));
    expectFourDigits(fit.peak.throughput.value, 12341.7);
    expectFourDigits(modelThroughput(fit, 35), 12341.75);  // the peak at a whole count
    EXPECT_TRUE(fit.peak.extrapolated);                    // measured up to 32
    ASSERT_EQ(fit.predictions.size(), 1u);
    expectFourDigits(fit.predictions[0].throughput.value, 11063.63);
    EXPECT_FALSE(fit.predictions[0].extrapolated);
    EXPECT_GT(fit.rSquared, 0.99);
}

TEST(ScalingFit, IntervalsUseStudentsTOnTheResidualDegreesOfFreedom) {
    const ScalingFit usl = fitScaling(ScalingModel::usl, schwartz());
    EXPECT_EQ(usl.degrees, 29u);
    EXPECT_NEAR(usl.t, 2.045, 5e-4);
    EXPECT_GT(usl.sigma.stdError, 0);
    EXPECT_DOUBLE_EQ(usl.sigma.high - usl.sigma.value, usl.t * usl.sigma.stdError);
    EXPECT_LT(usl.peak.workers.low, usl.peak.workers.value);
    EXPECT_EQ(fitScaling(ScalingModel::amdahl, schwartz()).degrees, 30u);
}

TEST(ScalingFit, ExactCurvesGiveBackTheirCoefficients) {
    const ScalingFit usl = fitScaling(ScalingModel::usl, curve(800, 0.05, 0.002, 48));
    ASSERT_EQ(usl.outcome, FitOutcome::fitted);
    EXPECT_NEAR(usl.lambda.value, 800, 1e-6);
    EXPECT_NEAR(usl.sigma.value, 0.05, 1e-10);
    EXPECT_NEAR(usl.kappa.value, 0.002, 1e-12);
    EXPECT_FALSE(usl.peak.extrapolated);  // √(0.95 / 0.002) ≈ 21.8
    const ScalingFit amdahl = fitScaling(ScalingModel::amdahl, curve(300, 0.1, 0, 16));
    ASSERT_EQ(amdahl.outcome, FitOutcome::fitted);
    EXPECT_NEAR(amdahl.sigma.value, 0.1, 1e-10);
    EXPECT_NEAR(amdahl.lambda.value, 300, 1e-8);
    EXPECT_EQ(amdahl.shape, CurveShape::levelsOff);
    EXPECT_NEAR(amdahl.ceiling.value, 3000, 1e-6);
}

TEST(ScalingFit, NoisyCurveIsRecoveredWithinItsIntervals) {
    std::mt19937 generator(2024);
    std::vector<ThroughputPoint> points = curve(800, 0.05, 0.002, 40);
    for (ThroughputPoint& point : points) {
        // ±1 % of uniform noise, from the generator's own (portable) output.
        point.throughput *= 1 + 0.02 * (static_cast<double>(generator()) / 4294967296.0 - 0.5);
    }
    const ScalingFit fit = fitScaling(ScalingModel::usl, points);
    ASSERT_EQ(fit.outcome, FitOutcome::fitted);
    EXPECT_NEAR(fit.sigma.value, 0.05, 0.005);
    EXPECT_NEAR(fit.kappa.value, 0.002, 0.0002);
    for (const auto& [estimate, truth] :
         {std::pair{fit.lambda, 800.0}, {fit.sigma, 0.05}, {fit.kappa, 0.002}}) {
        EXPECT_LT(estimate.low, truth);
        EXPECT_GT(estimate.high, truth);
    }
}

TEST(ScalingFit, CurveWithoutCoherencyHoldsKappaAtItsBound) {
    const ScalingFit fit = fitScaling(ScalingModel::usl, curve(500, 0.08, 0, 24));
    ASSERT_EQ(fit.outcome, FitOutcome::fitted);
    EXPECT_TRUE(fit.kappa.atBound);
    EXPECT_EQ(fit.kappa.value, 0);
    EXPECT_TRUE(std::isnan(fit.kappa.stdError));
    EXPECT_EQ(fit.shape, CurveShape::levelsOff);
    EXPECT_NEAR(fit.sigma.value, 0.08, 1e-10);
}

TEST(ScalingFit, CurveFallingFasterThanAnyBoundedOneHoldsItsCoefficientAtOne) {
    // Contention of 150 %: only σ at its upper bound comes near it.
    const ScalingFit fit = fitScaling(ScalingModel::usl, curve(1000, 1.5, 0.05, 32));
    ASSERT_EQ(fit.outcome, FitOutcome::fitted);
    EXPECT_TRUE(fit.sigma.atBound);
    EXPECT_EQ(fit.sigma.value, 1);
    EXPECT_EQ(fit.shape, CurveShape::falls);
}

TEST(ScalingFit, FewerThanSixDistinctCountsIsNoFit) {
    std::vector<ThroughputPoint> points = curve(800, 0.05, 0.002, 5);
    points.push_back(points.front());  // a repeated count is no new count
    const ScalingFit fit = fitScaling(ScalingModel::usl, points);
    EXPECT_EQ(fit.outcome, FitOutcome::tooFewCounts);
    EXPECT_EQ(fit.counts, 5u);
    EXPECT_EQ(fitScaling(ScalingModel::amdahl, {}).outcome, FitOutcome::tooFewCounts);
}

TEST(ScalingFit, ThroughputThatIsNotPositiveIsNoFit) {
    std::vector<ThroughputPoint> points = schwartz();
    points[3].throughput = 0;
    EXPECT_EQ(fitScaling(ScalingModel::usl, points).outcome, FitOutcome::unusablePoint);
    points[3].throughput = NAN;
    EXPECT_EQ(fitScaling(ScalingModel::usl, points).outcome, FitOutcome::unusablePoint);
}

TEST(ScalingFit, FitStoppedBeforeConvergingHasNoFigures) {
    const ScalingFit fit = fitScaling(ScalingModel::usl, schwartz(), {20}, 1);
    EXPECT_EQ(fit.outcome, FitOutcome::notConverged);
    EXPECT_TRUE(std::isnan(fit.sigma.value));
    EXPECT_TRUE(fit.predictions.empty());
}

TEST(ScalingFit, PredictionsOutsideTheCountsAreExtrapolations) {
    const ScalingFit fit = fitScaling(ScalingModel::usl, schwartz(), {64, 10});
    ASSERT_EQ(fit.predictions.size(), 2u);
    EXPECT_TRUE(fit.predictions[0].extrapolated);
    EXPECT_FALSE(fit.predictions[1].extrapolated);
    // Uncertainty grows away from the data.
    EXPECT_GT(fit.predictions[0].throughput.stdError, fit.predictions[1].throughput.stdError);
}

TEST(ScalingFit, PointsWhoseIntervalTheCurveMissesAreCounted) {
    std::vector<ThroughputPoint> points = curve(800, 0.05, 0.002, 12);
    for (ThroughputPoint& point : points) {
        point.hasInterval = true;
        point.low = point.throughput * 0.99;
        point.high = point.throughput * 1.01;
    }
    points[4].low = points[4].throughput * 1.1;  // an interval off the curve
    points[4].high = points[4].throughput * 1.2;
    points[5].hasInterval = false;
    const ScalingFit fit = fitScaling(ScalingModel::usl, points);
    EXPECT_EQ(fit.pointsWithInterval, 11u);
    EXPECT_EQ(fit.pointsMissed, 1u);
}

TEST(ScalingFit, ThroughputIsRunsPerSecondOfTheMedianWallTime) {
    const ThroughputPoint point = throughputFromWall(4, 2000, true, 1600, 2500);
    EXPECT_DOUBLE_EQ(point.throughput, 500);
    EXPECT_DOUBLE_EQ(point.low, 400);
    EXPECT_DOUBLE_EQ(point.high, 625);
}
