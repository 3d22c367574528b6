// Models of a scaling curve: the throughput X(N) of N workers fitted by
//   Amdahl's law:                     X(N) = λN / (1 + σ(N − 1))
//   the Universal Scalability Law:    X(N) = λN / (1 + σ(N − 1) + κN(N − 1))
// with λ the throughput of one worker, σ the contention (the share that
// runs one at a time) and κ the coherency (the cost of keeping workers in
// step, which makes throughput fall past a peak).
//
// The fit is ordinary (unweighted) nonlinear least squares on X, as the R
// package `usl` does it, with σ and κ kept in [0, 1] and λ positive, started
// from the linearised fit (N/X = a + b(N − 1) + cN(N − 1): λ = 1/a, σ = b/a,
// κ = c/a) and solved as report/models/boundedfit.h says. Intervals are
// two-sided 95 %, estimate ± t·SE with Student's t on n − 3 degrees of
// freedom for the USL and n − 2 for Amdahl (n points, whatever ends at a
// bound); those of the peak, the ceiling and the predictions come from the
// parameters' covariance by the delta method.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "names/valuenames.h"
#include "report/models/boundedfit.h"

// Fewer distinct worker counts than this are no fit.
inline constexpr size_t minFitCounts = 6;

// One worker count's throughput in runs per second, with its 95 % interval
// when there is one.
struct ThroughputPoint {
    int32_t workers = 0;
    double throughput = NAN;
    bool hasInterval = false;
    double low = NAN;
    double high = NAN;
};

// The point of a count whose runs took `medianMicros` of wall time (median),
// with the interval [lowMicros, highMicros] of that median when hasInterval:
// 10⁶ / median runs per second, the interval's ends swapped over.
ThroughputPoint throughputFromWall(int32_t workers, double medianMicros, bool hasInterval = false,
                                   double lowMicros = NAN, double highMicros = NAN);

enum class ScalingModel { amdahl, usl };

enum class FitOutcome {
    fitted,
    tooFewCounts,   // fewer than minFitCounts distinct counts
    unusablePoint,  // a count below 1, or a throughput that is not a positive number
    notConverged,   // see report/models/boundedfit.h; no figures
};

// An outcome as the export names it.
inline constexpr ValueName<FitOutcome> fitOutcomeNames[] = {{FitOutcome::fitted, "fitted"},
                                                            {FitOutcome::tooFewCounts, "too_few_counts"},
                                                            {FitOutcome::unusablePoint, "unusable_point"},
                                                            {FitOutcome::notConverged, "not_converged"}};
static_assert(tableNamesEach(fitOutcomeNames, FitOutcome::notConverged));

// A fitted figure. A parameter at its bound has no standard error: atBound,
// and stdError, low and high are NaN. `low` can fall below a parameter's
// bound: then the data cannot tell it from the bound.
struct Estimate {
    double value = NAN;
    bool atBound = false;
    double stdError = NAN;
    double low = NAN;
    double high = NAN;
};

// What the fitted curve does from one worker on.
enum class CurveShape {
    peaks,         // κ > 0, σ < 1: rises to a peak (see Peak), then falls
    falls,         // κ > 0, σ = 1: falls with every worker added
    levelsOff,     // κ = 0, σ > 0: rises towards a ceiling λ/σ, flat when σ = 1
    proportional,  // κ = 0, σ = 0: X = λN
};

// The largest throughput of a USL curve that peaks, at N* = √((1 − σ)/κ).
// Extrapolated when N* lies outside the counts measured.
struct Peak {
    Estimate workers;
    Estimate throughput;
    bool extrapolated = false;
};

struct Prediction {
    int32_t workers = 0;
    Estimate throughput;
    bool extrapolated = false;  // outside the counts measured
};

struct ScalingFit {
    ScalingModel model = ScalingModel::usl;
    FitOutcome outcome = FitOutcome::notConverged;
    size_t points = 0;
    size_t counts = 0;   // distinct worker counts
    int32_t fewest = 0;  // the smallest and largest counts measured
    int32_t most = 0;
    int iterations = 0;
    size_t degrees = 0;  // of freedom: points − the model's parameters
    double t = NAN;      // the t quantile of the intervals
    Estimate lambda;
    Estimate sigma;
    Estimate kappa;  // Amdahl: 0, fixed by the model (atBound false, no error)
    double rSquared = NAN;
    CurveShape shape = CurveShape::proportional;
    Peak peak;         // when the shape is `peaks`
    Estimate ceiling;  // λ/σ, when the shape is `levelsOff`
    std::vector<Prediction> predictions;
    // The points with an interval, and those whose interval the fitted
    // curve misses.
    size_t pointsWithInterval = 0;
    size_t pointsMissed = 0;
};

// The fit of `model` to the points (any order; a count may repeat), with the
// throughput predicted at each of `predictAt`. Only outcome, model, points,
// counts, fewest and most are set unless the outcome is `fitted`.
ScalingFit fitScaling(ScalingModel model, const std::vector<ThroughputPoint>& points,
                      const std::vector<int32_t>& predictAt = {}, int maxIterations = defaultFitIterations);

// X(N) of a fitted curve.
double modelThroughput(const ScalingFit& fit, double workers);
