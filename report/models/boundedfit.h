// Nonlinear least squares with bounds on the parameters: the parameters
// between their bounds that minimise the sum of squared differences between
// the observations and a model's values, by Levenberg–Marquardt.
//
// Bounds are handled by an active set: a parameter at a bound whose
// gradient points outwards is held there and the step is taken in the
// others; a step that crosses a bound stops at it. A parameter that ends
// within 1e-9 of its bound's range from a bound is tried at the bound, and
// kept there when the fit is no worse. A parameter that ends at a bound is
// reported as such: the fit is the fit with it fixed there, and it has no
// standard error.
//
// Convergence: the Gauss–Newton step from the point reached would move the
// model's values by less than 1e-8 of the residuals' length (the relative
// offset criterion of Bates and Watts), or by less than 1e-12 of the
// observations' length when the model fits them exactly. A fit that gets
// there within the iteration limit converged; one that does not, or that
// meets a model value that is not finite, or whose derivatives are linearly
// dependent (the data cannot tell the parameters apart), did not.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "report/models/linearls.h"

// The model's value at each observation and its derivatives by each
// parameter, one column per parameter.
using ModelEvaluation = std::function<void(const std::vector<double>& parameters, std::vector<double>* values,
                                           Columns* derivatives)>;

inline constexpr int defaultFitIterations = 200;

struct BoundedProblem {
    std::vector<double> observed;
    ModelEvaluation evaluate;
    std::vector<double> start;  // moved inside the bounds first
    std::vector<double> lower;  // -INFINITY or +INFINITY for no bound; lower == upper fixes it
    std::vector<double> upper;
    int maxIterations = defaultFitIterations;
};

struct BoundedFit {
    bool converged = false;
    int iterations = 0;
    std::vector<double> parameters;
    std::vector<bool> atBound;
    double residualSquares = 0;  // the sum of squared residuals
    // (JᵀJ)⁻¹ at the solution over the parameters not at a bound, row by
    // row, p × p, with zero rows and columns for those at a bound: the
    // covariance of the estimates is this times the residual variance.
    std::vector<std::vector<double>> inverseGram;
};

// The fit of `problem`; start, lower and upper have one value per
// parameter.
BoundedFit fitBounded(const BoundedProblem& problem);
