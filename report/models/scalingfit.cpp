#include "report/models/scalingfit.h"

#include <algorithm>
#include <set>

#include "report/models/studentt.h"

namespace {

constexpr size_t lambdaAt = 0;
constexpr size_t sigmaAt = 1;
constexpr size_t kappaAt = 2;

size_t parameterCount(ScalingModel model) {
    return model == ScalingModel::usl ? 3 : 2;
}

// The model's value at N and its derivatives by λ, σ (and κ).
struct CurvePoint {
    double value;
    std::vector<double> gradient;
};

CurvePoint curveAt(const std::vector<double>& parameters, double n) {
    const double lambda = parameters[lambdaAt];
    const double sigma = parameters[sigmaAt];
    const double kappa = parameters.size() > kappaAt ? parameters[kappaAt] : 0;
    const double d = 1 + sigma * (n - 1) + kappa * n * (n - 1);
    CurvePoint point{lambda * n / d, {n / d, -lambda * n * (n - 1) / (d * d)}};
    if (parameters.size() > kappaAt) {
        point.gradient.push_back(-lambda * n * n * (n - 1) / (d * d));
    }
    return point;
}

// λ, σ (and κ) from the least-squares line (or parabola) of N/X.
std::vector<double> linearisedStart(ScalingModel model, const std::vector<ThroughputPoint>& points) {
    const size_t p = parameterCount(model);
    Columns columns(p);
    std::vector<double> ratio;
    double steepest = 0;
    for (const ThroughputPoint& point : points) {
        const double n = point.workers;
        columns[0].push_back(1);
        columns[1].push_back(n - 1);
        if (p > kappaAt) {
            columns[kappaAt].push_back(n * (n - 1));
        }
        ratio.push_back(n / point.throughput);
        steepest = std::max(steepest, point.throughput / n);
    }
    const auto line = solveLeastSquares(columns, ratio);
    if (!line || !(line->x[0] > 0)) {
        // Linear scaling at the best throughput per worker seen.
        std::vector<double> start(p, 0);
        start[lambdaAt] = steepest;
        return start;
    }
    std::vector<double> start = {1 / line->x[0]};
    for (size_t j = 1; j < p; j++) {
        start.push_back(line->x[j] / line->x[0]);
    }
    return start;
}

BoundedFit solve(ScalingModel model, const std::vector<ThroughputPoint>& points, int maxIterations) {
    BoundedProblem problem;
    for (const ThroughputPoint& point : points) {
        problem.observed.push_back(point.throughput);
    }
    problem.evaluate = [&points](const std::vector<double>& parameters, std::vector<double>* values,
                                 Columns* derivatives) {
        values->clear();
        derivatives->assign(parameters.size(), {});
        for (const ThroughputPoint& point : points) {
            const CurvePoint at = curveAt(parameters, point.workers);
            values->push_back(at.value);
            for (size_t j = 0; j < parameters.size(); j++) {
                (*derivatives)[j].push_back(at.gradient[j]);
            }
        }
    };
    problem.start = linearisedStart(model, points);
    problem.lower.assign(problem.start.size(), 0);
    problem.upper.assign(problem.start.size(), 1);
    problem.upper[lambdaAt] = INFINITY;
    problem.maxIterations = maxIterations;
    return fitBounded(problem);
}

// The parameters' covariance and the t factor of one fit.
struct Uncertainty {
    std::vector<std::vector<double>> covariance;
    double t;
};

// A figure computed from the parameters, with the interval the delta method
// gives it from the gradient of the figure by the parameters.
Estimate deltaEstimate(const Uncertainty& uncertainty, double value, const std::vector<double>& gradient) {
    double variance = 0;
    for (size_t a = 0; a < gradient.size(); a++) {
        for (size_t b = 0; b < gradient.size(); b++) {
            variance += gradient[a] * uncertainty.covariance[a][b] * gradient[b];
        }
    }
    const double error = std::sqrt(std::max(variance, 0.0));
    return {value, false, error, value - uncertainty.t * error, value + uncertainty.t * error};
}

Uncertainty uncertaintyOf(const BoundedFit& solved, size_t degrees) {
    Uncertainty uncertainty{solved.inverseGram, studentQuantile(0.975, static_cast<double>(degrees))};
    const double variance = solved.residualSquares / static_cast<double>(degrees);
    for (auto& row : uncertainty.covariance) {
        for (double& value : row) {
            value *= variance;
        }
    }
    return uncertainty;
}

Estimate parameterEstimate(const BoundedFit& solved, const Uncertainty& uncertainty, size_t j) {
    if (solved.atBound[j]) {
        return {solved.parameters[j], true, NAN, NAN, NAN};
    }
    std::vector<double> unit(solved.parameters.size(), 0);
    unit[j] = 1;
    return deltaEstimate(uncertainty, solved.parameters[j], unit);
}

bool outside(const ScalingFit& fit, double workers) {
    return workers < fit.fewest || workers > fit.most;
}

void addShape(const std::vector<double>& parameters, const Uncertainty& uncertainty, ScalingFit* fit) {
    const double lambda = parameters[lambdaAt];
    const double sigma = parameters[sigmaAt];
    const double kappa = fit->kappa.value;
    if (kappa > 0 && sigma >= 1) {
        fit->shape = CurveShape::falls;
    } else if (kappa > 0) {
        fit->shape = CurveShape::peaks;
        const double workers = std::sqrt((1 - sigma) / kappa);
        fit->peak.workers =
            deltaEstimate(uncertainty, workers, {0, -1 / (2 * kappa * workers), -workers / (2 * kappa)});
        // At the peak dX/dN = 0, so X(N*) moves with the parameters as X does
        // at a fixed N.
        const CurvePoint top = curveAt(parameters, workers);
        fit->peak.throughput = deltaEstimate(uncertainty, top.value, top.gradient);
        fit->peak.extrapolated = outside(*fit, workers);
    } else if (sigma > 0) {
        fit->shape = CurveShape::levelsOff;
        std::vector<double> gradient(parameters.size(), 0);
        gradient[lambdaAt] = 1 / sigma;
        gradient[sigmaAt] = -lambda / (sigma * sigma);
        fit->ceiling = deltaEstimate(uncertainty, lambda / sigma, gradient);
    } else {
        fit->shape = CurveShape::proportional;
    }
}

double rSquared(const std::vector<ThroughputPoint>& points, double residualSquares) {
    double mean = 0;
    for (const ThroughputPoint& point : points) {
        mean += point.throughput / static_cast<double>(points.size());
    }
    double total = 0;
    for (const ThroughputPoint& point : points) {
        total += (point.throughput - mean) * (point.throughput - mean);
    }
    if (total == 0) {
        return residualSquares == 0 ? 1 : NAN;
    }
    return 1 - residualSquares / total;
}

void countMissed(const std::vector<ThroughputPoint>& points, ScalingFit* fit) {
    for (const ThroughputPoint& point : points) {
        if (!point.hasInterval) {
            continue;
        }
        fit->pointsWithInterval++;
        const double value = modelThroughput(*fit, point.workers);
        if (value < point.low || value > point.high) {
            fit->pointsMissed++;
        }
    }
}

// The fit's counts, and whether the points can be fitted at all: outcome
// `fitted` when they can.
ScalingFit screen(ScalingModel model, const std::vector<ThroughputPoint>& points) {
    ScalingFit fit;
    fit.model = model;
    fit.points = points.size();
    std::set<int32_t> counts;
    bool usable = true;
    for (const ThroughputPoint& point : points) {
        counts.insert(point.workers);
        usable = usable && point.workers >= 1 && point.throughput > 0 && std::isfinite(point.throughput);
    }
    fit.counts = counts.size();
    fit.fewest = counts.empty() ? 0 : *counts.begin();
    fit.most = counts.empty() ? 0 : *counts.rbegin();
    fit.outcome = !usable                     ? FitOutcome::unusablePoint
                  : fit.counts < minFitCounts ? FitOutcome::tooFewCounts
                                              : FitOutcome::fitted;
    return fit;
}

}  // namespace

ThroughputPoint throughputFromWall(int32_t workers, double medianMicros, bool hasInterval, double lowMicros,
                                   double highMicros) {
    ThroughputPoint point{workers, 1e6 / medianMicros, hasInterval, NAN, NAN};
    if (hasInterval) {
        point.low = 1e6 / highMicros;
        point.high = 1e6 / lowMicros;
    }
    return point;
}

ScalingFit fitScaling(ScalingModel model, const std::vector<ThroughputPoint>& points,
                      const std::vector<int32_t>& predictAt, int maxIterations) {
    ScalingFit fit = screen(model, points);
    if (fit.outcome != FitOutcome::fitted) {
        return fit;
    }
    const BoundedFit solved = solve(model, points, maxIterations);
    fit.iterations = solved.iterations;
    if (!solved.converged) {
        fit.outcome = FitOutcome::notConverged;
        return fit;
    }
    fit.degrees = points.size() - parameterCount(model);
    const Uncertainty uncertainty = uncertaintyOf(solved, fit.degrees);
    fit.t = uncertainty.t;
    fit.lambda = parameterEstimate(solved, uncertainty, lambdaAt);
    fit.sigma = parameterEstimate(solved, uncertainty, sigmaAt);
    if (model == ScalingModel::usl) {
        fit.kappa = parameterEstimate(solved, uncertainty, kappaAt);
    } else {
        fit.kappa.value = 0;
    }
    fit.rSquared = rSquared(points, solved.residualSquares);
    addShape(solved.parameters, uncertainty, &fit);
    for (int32_t workers : predictAt) {
        const CurvePoint at = curveAt(solved.parameters, workers);
        fit.predictions.push_back(
            {workers, deltaEstimate(uncertainty, at.value, at.gradient), outside(fit, workers)});
    }
    countMissed(points, &fit);
    return fit;
}

double modelThroughput(const ScalingFit& fit, double workers) {
    std::vector<double> parameters = {fit.lambda.value, fit.sigma.value};
    if (fit.model == ScalingModel::usl) {
        parameters.push_back(fit.kappa.value);
    }
    return curveAt(parameters, workers).value;
}
