#include "report/models/boundedfit.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace {

constexpr double relativeOffset = 1e-8;
constexpr double exactFit = 1e-12;
constexpr double snapFraction = 1e-9;
// The damping is relative to each column's length, so these are pure numbers.
constexpr double startDamping = 1e-3;
constexpr double leastDamping = 1e-12;
constexpr double mostDamping = 1e16;

double dot(const std::vector<double>& u, const std::vector<double>& v) {
    double sum = 0;
    for (size_t i = 0; i < u.size(); i++) {
        sum += u[i] * v[i];
    }
    return sum;
}

// The model at one set of parameters.
struct Point {
    std::vector<double> parameters;
    std::vector<double> residuals;  // observed - model
    Columns derivatives;
    double squares = INFINITY;
    bool finite = false;
};

Point evaluateAt(const BoundedProblem& problem, std::vector<double> parameters) {
    Point point;
    point.parameters = std::move(parameters);
    std::vector<double> values;
    problem.evaluate(point.parameters, &values, &point.derivatives);
    const size_t n = problem.observed.size();
    if (values.size() != n || point.derivatives.size() != point.parameters.size()) {
        return point;
    }
    point.residuals.resize(n);
    point.squares = 0;
    for (size_t i = 0; i < n; i++) {
        point.residuals[i] = problem.observed[i] - values[i];
        point.squares += point.residuals[i] * point.residuals[i];
    }
    point.finite = std::isfinite(point.squares) &&
                   std::all_of(point.derivatives.begin(), point.derivatives.end(), [&](const auto& column) {
                       return column.size() == n && std::all_of(column.begin(), column.end(),
                                                                [](double d) { return std::isfinite(d); });
                   });
    return point;
}

void clampInto(const BoundedProblem& problem, std::vector<double>* parameters) {
    for (size_t j = 0; j < parameters->size(); j++) {
        (*parameters)[j] = std::clamp((*parameters)[j], problem.lower[j], problem.upper[j]);
    }
}

bool atItsBound(const BoundedProblem& problem, const std::vector<double>& parameters, size_t j) {
    return parameters[j] <= problem.lower[j] || parameters[j] >= problem.upper[j];
}

// Every parameter except those at a bound whose gradient points outwards:
// the ones the next step moves. The sum of squares falls along +Jᵀr.
std::vector<size_t> freeParameters(const BoundedProblem& problem, const Point& point) {
    std::vector<size_t> free;
    for (size_t j = 0; j < point.parameters.size(); j++) {
        const double downhill = dot(point.derivatives[j], point.residuals);
        const bool heldLow = point.parameters[j] <= problem.lower[j] && downhill <= 0;
        const bool heldHigh = point.parameters[j] >= problem.upper[j] && downhill >= 0;
        if (!heldLow && !heldHigh) {
            free.push_back(j);
        }
    }
    return free;
}

Columns columnsOf(const Point& point, const std::vector<size_t>& which) {
    Columns columns;
    for (size_t j : which) {
        columns.push_back(point.derivatives[j]);
    }
    return columns;
}

// The Levenberg–Marquardt step: min |J δ - r|² + μ |D δ|², D the columns'
// lengths, solved as the least squares of J stacked on √μ D.
std::optional<std::vector<double>> dampedStep(Columns columns, std::vector<double> residuals,
                                              double damping) {
    const size_t p = columns.size();
    for (size_t k = 0; k < p; k++) {
        const double length = std::sqrt(dot(columns[k], columns[k]));
        for (size_t i = 0; i < p; i++) {
            columns[k].push_back(i == k ? std::sqrt(damping) * length : 0);
        }
    }
    residuals.resize(residuals.size() + p, 0);
    const auto solution = solveLeastSquares(columns, residuals);
    if (!solution) {
        return std::nullopt;
    }
    return solution->x;
}

// From `point`, the first damped step that lowers the sum of squares; none
// when even the most damped one does not.
std::optional<Point> descend(const BoundedProblem& problem, const Point& point,
                             const std::vector<size_t>& free, double* damping) {
    const Columns columns = columnsOf(point, free);
    for (; *damping <= mostDamping; *damping *= 10) {
        const auto step = dampedStep(columns, point.residuals, *damping);
        if (!step) {
            return std::nullopt;
        }
        std::vector<double> parameters = point.parameters;
        for (size_t k = 0; k < free.size(); k++) {
            parameters[free[k]] += (*step)[k];
        }
        clampInto(problem, &parameters);
        Point next = evaluateAt(problem, std::move(parameters));
        if (next.finite && next.squares < point.squares) {
            *damping = std::max(*damping / 10, leastDamping);
            return next;
        }
    }
    return std::nullopt;
}

// The converged point moved by its last Gauss–Newton step, when that is no
// worse: the step is too small to change the verdict, but it gives the
// solution to the precision the arithmetic allows.
Point polished(const BoundedProblem& problem, Point point, const std::vector<size_t>& free,
               const std::vector<double>& step) {
    std::vector<double> parameters = point.parameters;
    for (size_t k = 0; k < free.size(); k++) {
        parameters[free[k]] += step[k];
    }
    clampInto(problem, &parameters);
    Point next = evaluateAt(problem, std::move(parameters));
    return next.finite && next.squares <= point.squares ? next : point;
}

struct Search {
    bool converged = false;
    int iterations = 0;
    Point point;
};

Search search(const BoundedProblem& problem, Point point, double observedLength) {
    double damping = startDamping;
    for (int iteration = 0;; iteration++) {
        const std::vector<size_t> free = freeParameters(problem, point);
        if (free.empty()) {
            return {true, iteration, std::move(point)};
        }
        const auto newton = solveLeastSquares(columnsOf(point, free), point.residuals);
        if (!newton) {
            return {false, iteration, std::move(point)};
        }
        if (newton->projectedNorm <= relativeOffset * std::sqrt(point.squares) + exactFit * observedLength) {
            return {true, iteration, polished(problem, std::move(point), free, newton->x)};
        }
        if (iteration == problem.maxIterations) {
            return {false, iteration, std::move(point)};
        }
        auto next = descend(problem, point, free, &damping);
        if (!next) {
            return {false, iteration, std::move(point)};
        }
        point = std::move(*next);
    }
}

// The parameter within snapFraction of its range from a bound, and that
// bound, if any.
std::optional<std::pair<size_t, double>> nearBound(const BoundedProblem& problem,
                                                   const std::vector<double>& parameters) {
    for (size_t j = 0; j < parameters.size(); j++) {
        const double width = problem.upper[j] - problem.lower[j];
        if (!std::isfinite(width) || width <= 0 || atItsBound(problem, parameters, j)) {
            continue;
        }
        const double bound = parameters[j] - problem.lower[j] <= problem.upper[j] - parameters[j]
                                 ? problem.lower[j]
                                 : problem.upper[j];
        if (std::fabs(parameters[j] - bound) <= snapFraction * width) {
            return std::make_pair(j, bound);
        }
    }
    return std::nullopt;
}

BoundedFit finish(const BoundedProblem& problem, const Search& found) {
    BoundedFit fit;
    fit.converged = found.converged;
    fit.iterations = found.iterations;
    fit.parameters = found.point.parameters;
    fit.residualSquares = found.point.squares;
    const size_t p = fit.parameters.size();
    fit.atBound.assign(p, false);
    std::vector<size_t> moving;
    for (size_t j = 0; j < p; j++) {
        fit.atBound[j] = atItsBound(problem, fit.parameters, j);
        if (!fit.atBound[j]) {
            moving.push_back(j);
        }
    }
    fit.inverseGram.assign(p, std::vector<double>(p, 0));
    if (!fit.converged || moving.empty()) {
        return fit;
    }
    const auto gram = solveLeastSquares(columnsOf(found.point, moving), found.point.residuals);
    if (!gram) {
        fit.converged = false;
        return fit;
    }
    for (size_t a = 0; a < moving.size(); a++) {
        for (size_t b = 0; b < moving.size(); b++) {
            fit.inverseGram[moving[a]][moving[b]] = gram->inverseGram[a][b];
        }
    }
    return fit;
}

}  // namespace

BoundedFit fitBounded(const BoundedProblem& problem) {
    std::vector<double> start = problem.start;
    clampInto(problem, &start);
    Point point = evaluateAt(problem, std::move(start));
    if (!point.finite) {
        return finish(problem, Search{false, 0, std::move(point)});
    }
    const double observedLength = std::sqrt(dot(problem.observed, problem.observed));
    const Search found = search(problem, std::move(point), observedLength);
    const BoundedFit fit = finish(problem, found);
    const auto snap = nearBound(problem, fit.parameters);
    if (!fit.converged || !snap) {
        return fit;
    }
    // Held at the bound it nearly reached: kept when the fit is no worse
    // than the rounding of the sum of squares.
    BoundedProblem pinned = problem;
    pinned.start = fit.parameters;
    pinned.start[snap->first] = snap->second;
    pinned.lower[snap->first] = snap->second;
    pinned.upper[snap->first] = snap->second;
    BoundedFit held = fitBounded(pinned);
    const double slack = 1e-9 * fit.residualSquares + std::pow(exactFit * observedLength, 2);
    if (!held.converged || held.residualSquares > fit.residualSquares + slack) {
        return fit;
    }
    held.iterations += fit.iterations;
    return held;
}
