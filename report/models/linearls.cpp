#include "report/models/linearls.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double rankTolerance = 1e-12;

double dot(const std::vector<double>& u, const std::vector<double>& v, size_t from) {
    double sum = 0;
    for (size_t i = from; i < u.size(); i++) {
        sum += u[i] * v[i];
    }
    return sum;
}

// Reflects `column` (rows from `k` on) by the Householder vector `v`.
void reflect(const std::vector<double>& v, double vv, size_t k, std::vector<double>* column) {
    const double t = 2 * dot(v, *column, k) / vv;
    for (size_t i = k; i < column->size(); i++) {
        (*column)[i] -= t * v[i];
    }
}

bool allFinite(const Columns& a, const std::vector<double>& b) {
    const auto finite = [](double value) { return std::isfinite(value); };
    return std::all_of(b.begin(), b.end(), finite) &&
           std::all_of(a.begin(), a.end(), [&](const std::vector<double>& column) {
               return column.size() == b.size() && std::all_of(column.begin(), column.end(), finite);
           });
}

// R⁻¹ of an upper triangular R (given by columns: r[j][i] is row i).
Columns invertUpper(const Columns& r) {
    const size_t p = r.size();
    Columns inverse(p, std::vector<double>(p, 0));
    for (size_t j = 0; j < p; j++) {
        inverse[j][j] = 1 / r[j][j];
        for (size_t i = j; i-- > 0;) {
            double sum = 0;
            for (size_t k = i + 1; k <= j; k++) {
                sum += r[k][i] * inverse[j][k];
            }
            inverse[j][i] = -sum / r[i][i];
        }
    }
    return inverse;
}

}  // namespace

std::optional<LinearSolution> solveLeastSquares(const Columns& a, const std::vector<double>& b) {
    const size_t p = a.size();
    const size_t n = b.size();
    if (p == 0 || n < p || !allFinite(a, b)) {
        return std::nullopt;
    }
    Columns r = a;
    std::vector<double> scale(p);
    for (size_t j = 0; j < p; j++) {
        scale[j] = std::sqrt(dot(r[j], r[j], 0));
        if (scale[j] == 0) {
            return std::nullopt;
        }
        for (double& value : r[j]) {
            value /= scale[j];
        }
    }
    std::vector<double> qb = b;
    double largestPivot = 0;
    for (size_t k = 0; k < p; k++) {
        const double norm = std::sqrt(dot(r[k], r[k], k));
        std::vector<double> v(n, 0);
        std::copy(r[k].begin() + static_cast<std::ptrdiff_t>(k), r[k].end(),
                  v.begin() + static_cast<std::ptrdiff_t>(k));
        const double alpha = r[k][k] > 0 ? -norm : norm;
        v[k] -= alpha;
        const double vv = dot(v, v, k);
        if (vv > 0) {
            for (size_t j = k + 1; j < p; j++) {
                reflect(v, vv, k, &r[j]);
            }
            reflect(v, vv, k, &qb);
        }
        r[k][k] = alpha;
        largestPivot = std::max(largestPivot, std::fabs(alpha));
    }
    for (size_t k = 0; k < p; k++) {
        if (std::fabs(r[k][k]) <= rankTolerance * largestPivot) {
            return std::nullopt;
        }
    }
    const Columns inverse = invertUpper(r);
    LinearSolution solution;
    solution.x.assign(p, 0);
    for (size_t i = 0; i < p; i++) {
        double sum = 0;
        for (size_t k = i; k < p; k++) {
            sum += inverse[k][i] * qb[k];
        }
        solution.x[i] = sum / scale[i];
        solution.projectedNorm += qb[i] * qb[i];
    }
    solution.projectedNorm = std::sqrt(solution.projectedNorm);
    // (AᵀA)⁻¹ = S⁻¹ R⁻¹ R⁻ᵀ S⁻¹ for the scaled columns A S⁻¹ = Q R.
    solution.inverseGram.assign(p, std::vector<double>(p, 0));
    for (size_t i = 0; i < p; i++) {
        for (size_t j = 0; j < p; j++) {
            double sum = 0;
            for (size_t k = std::max(i, j); k < p; k++) {
                sum += inverse[k][i] * inverse[k][j];
            }
            solution.inverseGram[i][j] = sum / (scale[i] * scale[j]);
        }
    }
    return solution;
}
