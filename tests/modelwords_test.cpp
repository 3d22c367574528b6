#include "report/models/modelwords.h"

#include <gtest/gtest.h>

#include "modelcurves.h"

using modelcurves::curve;
using modelcurves::schwartz;

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(ModelWords, FiguresShowTheDigitsTheirIntervalAllows) {
    EXPECT_EQ(plusMinus(2.671591, 0.19), "2.7 ± 0.2");
    EXPECT_EQ(plusMinus(0.07690945, 0.0036), "0.077 ± 0.004");
    EXPECT_EQ(plusMinus(12341.7, 57.2), "12342 ± 57");
    EXPECT_EQ(plusMinus(0.07690945, 0.0186), "0.077 ± 0.019");
    EXPECT_EQ(plusMinus(0.0012, 0.003), "0.0012 ± 0.0030");
    EXPECT_EQ(plusMinus(2.671591, 1e-12), "2.7 ± 0.0");
}

TEST(ModelWords, SysbenchPeakBeyondTheCountsIsAnExtrapolation) {
    const std::string text = fitSentence(fitScaling(ScalingModel::usl, schwartz()));
    EXPECT_TRUE(contains(text, "USL (R² 0.99")) << text;
    EXPECT_TRUE(contains(text, ": contention 2.7 ± ")) << text;
    EXPECT_TRUE(contains(text, ", coherency 0.077 ± ")) << text;
    EXPECT_TRUE(
        contains(text, "; throughput keeps rising to the largest count measured; the model's peak, 12343 ± "))
        << text;
    EXPECT_TRUE(contains(text, " workers, is an extrapolation")) << text;
    EXPECT_FALSE(contains(text, "oversubscription")) << text;
}

TEST(ModelWords, PeakInsideTheCountsIsSaidPlainly) {
    const std::string text = fitSentence(fitScaling(ScalingModel::usl, curve(800, 0.05, 0.002, 40)));
    EXPECT_TRUE(contains(text, "; throughput peaks at 22 ± 0 workers, 5918 ± 0 runs/s")) << text;
}

TEST(ModelWords, CurveWithoutCoherencyLevelsOff) {
    const std::string usl = fitSentence(fitScaling(ScalingModel::usl, curve(500, 0.08, 0, 24)));
    EXPECT_TRUE(contains(usl, "coherency 0 % (at its bound); throughput levels off, towards 6250 ± 0 runs/s"))
        << usl;
    const std::string amdahl = fitSentence(fitScaling(ScalingModel::amdahl, curve(500, 0.08, 0, 24)));
    EXPECT_EQ(amdahl,
              "Amdahl (R² 1.000): contention 8.0 ± 0.0 %; throughput levels off, towards 6250 ± 0 runs/s "
              "with ever more workers");
}

TEST(ModelWords, CurveThatFallsFromOneWorkerSaysSo) {
    const std::string text = fitSentence(fitScaling(ScalingModel::usl, curve(1000, 1.5, 0.05, 32)));
    EXPECT_TRUE(contains(text, "contention 100 % (at its bound), ")) << text;
    EXPECT_TRUE(contains(text, "; throughput falls with every worker added")) << text;
}

TEST(ModelWords, PoorFitSaysTheModelDoesNotDescribeTheCurve) {
    std::vector<ThroughputPoint> points = curve(800, 0.05, 0.002, 12);
    for (size_t i = 0; i < points.size(); i += 2) {
        points[i].throughput *= 3;  // a zigzag no smooth curve follows
    }
    const ScalingFit fit = fitScaling(ScalingModel::usl, points, {6});
    ASSERT_EQ(fit.outcome, FitOutcome::fitted);
    ASSERT_LT(fit.rSquared, poorRSquared);
    EXPECT_TRUE(contains(fitSentence(fit), "): the model does not describe this curve")) << fitSentence(fit);
    EXPECT_EQ(predictionsSentence(fit), "");
}

TEST(ModelWords, CountsBeyondTheUsableCpusAreOversubscription) {
    const std::string text = fitSentence(fitScaling(ScalingModel::usl, schwartz()), 16);
    EXPECT_TRUE(contains(text,
                         "; counts above 16, the CPUs this process may use, measure oversubscription, not "
                         "parallel hardware"))
        << text;
    EXPECT_FALSE(contains(fitSentence(fitScaling(ScalingModel::usl, schwartz()), 32), "oversubscription"));
}

TEST(ModelWords, NoFitIsOneLineSayingWhy) {
    EXPECT_EQ(fitSentence(fitScaling(ScalingModel::usl, curve(800, 0.05, 0.002, 4))),
              "USL: 4 worker counts, fewer than the 6 a fit needs: no fit");
    EXPECT_EQ(fitSentence(fitScaling(ScalingModel::amdahl, schwartz(), {}, 1)),
              "Amdahl: the fit did not converge: no figures");
}

TEST(ModelWords, PredictionsSayWhichAreExtrapolations) {
    const std::string text = predictionsSentence(fitScaling(ScalingModel::usl, schwartz(), {20, 64}));
    EXPECT_TRUE(contains(text, "USL predicts 11064 ± ")) << text;
    EXPECT_TRUE(contains(text, " runs/s at 20 workers; ")) << text;
    EXPECT_TRUE(contains(text, " runs/s at 64 workers (an extrapolation)")) << text;
}
