#include "report/models/boundedfit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace {

const std::vector<double> xs = {0, 1, 2, 3, 4, 5, 6, 7};

// y = a·exp(−b·x).
void decay(const std::vector<double>& p, std::vector<double>* values, Columns* derivatives) {
    values->clear();
    derivatives->assign(2, {});
    for (double x : xs) {
        const double e = std::exp(-p[1] * x);
        values->push_back(p[0] * e);
        (*derivatives)[0].push_back(e);
        (*derivatives)[1].push_back(-p[0] * x * e);
    }
}

// y = a + b·x.
void line(const std::vector<double>& p, std::vector<double>* values, Columns* derivatives) {
    values->clear();
    derivatives->assign(2, {});
    for (double x : xs) {
        values->push_back(p[0] + p[1] * x);
        (*derivatives)[0].push_back(1);
        (*derivatives)[1].push_back(x);
    }
}

BoundedProblem decayProblem() {
    BoundedProblem problem;
    for (double x : xs) {
        problem.observed.push_back(5 * std::exp(-0.3 * x));
    }
    problem.evaluate = decay;
    problem.start = {1, 1};
    problem.lower = {-INFINITY, -INFINITY};
    problem.upper = {INFINITY, INFINITY};
    return problem;
}

// A line through `observed` at xs, from `start`, its slope kept in [0, 1].
BoundedProblem lineProblem(std::vector<double> observed, std::vector<double> start) {
    BoundedProblem problem;
    problem.observed = std::move(observed);
    problem.evaluate = line;
    problem.start = std::move(start);
    problem.lower = {-INFINITY, 0};
    problem.upper = {INFINITY, 1};
    return problem;
}

}  // namespace

TEST(BoundedFit, RecoversAnExactCurveFromAFarStart) {
    const BoundedFit fit = fitBounded(decayProblem());
    ASSERT_TRUE(fit.converged);
    EXPECT_NEAR(fit.parameters[0], 5, 1e-9);
    EXPECT_NEAR(fit.parameters[1], 0.3, 1e-10);
    EXPECT_FALSE(fit.atBound[0] || fit.atBound[1]);
}

TEST(BoundedFit, ParameterPushedPastItsBoundIsTheFitWithItFixedThere) {
    // A falling line: the best is a flat line at the mean.
    const BoundedFit fit = fitBounded(lineProblem({9, 8, 7, 6, 6, 4, 3, 2}, {0, 0.5}));
    ASSERT_TRUE(fit.converged);
    EXPECT_FALSE(fit.atBound[0]);
    EXPECT_TRUE(fit.atBound[1]);
    EXPECT_EQ(fit.parameters[1], 0);
    EXPECT_NEAR(fit.parameters[0], 45.0 / 8, 1e-12);
    EXPECT_NEAR(fit.inverseGram[0][0], 1.0 / 8, 1e-12);  // the mean's, the slope held
    EXPECT_EQ(fit.inverseGram[1][1], 0);
}

TEST(BoundedFit, ParameterThatReachesItsBoundExactlyIsHeldThere) {
    // A flat line: the answer lies on the bound.
    const BoundedFit fit = fitBounded(lineProblem(std::vector<double>(xs.size(), 3), {1, 0.2}));
    ASSERT_TRUE(fit.converged);
    EXPECT_TRUE(fit.atBound[1]);
    EXPECT_NEAR(fit.parameters[0], 3, 1e-12);
}

TEST(BoundedFit, StoppedBeforeConvergingSaysSo) {
    BoundedProblem problem = decayProblem();
    problem.maxIterations = 1;
    const BoundedFit fit = fitBounded(problem);
    EXPECT_FALSE(fit.converged);
    EXPECT_EQ(fit.iterations, 1);
}

TEST(BoundedFit, ModelValueThatIsNotFiniteDoesNotConverge) {
    BoundedProblem problem = decayProblem();
    problem.start = {1, -1000};  // exp(7000)
    EXPECT_FALSE(fitBounded(problem).converged);
}

TEST(BoundedFit, ParametersTheDataCannotTellApartDoNotConverge) {
    // y = (a + b)·x: only the sum is fitted.
    BoundedProblem problem = decayProblem();
    problem.evaluate = [](const std::vector<double>& p, std::vector<double>* values, Columns* derivatives) {
        values->clear();
        derivatives->assign(2, {});
        for (double x : xs) {
            values->push_back((p[0] + p[1]) * x);
            (*derivatives)[0].push_back(x);
            (*derivatives)[1].push_back(x);
        }
    };
    EXPECT_FALSE(fitBounded(problem).converged);
}
