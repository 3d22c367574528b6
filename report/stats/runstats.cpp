#include "report/stats/runstats.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "report/models/studentt.h"
#include "report/stats/stats.h"

namespace {

// Up to this many runs the interval comes from the binomial distribution
// itself; the normal approximation is close enough above it.
constexpr size_t exactIntervalRuns = 70;

// P(B < j) for B ~ Binomial(n, 1/2), for every j from 0 to n + 1.
std::vector<double> binomialHalfCdf(size_t n) {
    std::vector<double> below(n + 2, 0.0);
    double term = std::ldexp(1.0, -static_cast<int>(n));  // C(n, 0) / 2^n
    for (size_t i = 0; i <= n; i++) {
        below[i + 1] = below[i] + term;
        term = term * static_cast<double>(n - i) / static_cast<double>(i + 1);
    }
    return below;
}

}  // namespace

SampleStats describeSorted(const std::vector<double>& sorted) {
    SampleStats stats;
    const size_t n = sorted.size();
    stats.runs = n;
    stats.min = sorted.front();
    stats.max = sorted.back();
    stats.median = quantile(sorted, 0.5);
    stats.q1 = quantile(sorted, 0.25);
    stats.q3 = quantile(sorted, 0.75);
    stats.mean = std::accumulate(sorted.begin(), sorted.end(), 0.0) / static_cast<double>(n);
    if (n > 1) {
        double squares = 0;
        for (double v : sorted) {
            squares += (v - stats.mean) * (v - stats.mean);
        }
        stats.stddev = std::sqrt(squares / static_cast<double>(n - 1));
    }
    const Interval interval = sortedMedianInterval(sorted);
    stats.hasInterval = interval.known;
    stats.low = interval.low;
    stats.high = interval.high;
    return stats;
}

std::optional<RankPair> medianIntervalRanks(size_t n) {
    if (n < minIntervalRuns) {
        return std::nullopt;
    }
    if (n > exactIntervalRuns) {
        const double half = 0.5 * static_cast<double>(n);
        const double spread = 0.98 * std::sqrt(static_cast<double>(n));
        return RankPair{static_cast<size_t>(std::floor(half - spread)),
                        static_cast<size_t>(std::ceil(half + 1 + spread))};
    }
    // X(j) < median < X(n+1-j) unless j or more runs fall on one side:
    // coverage 1 - 2 P(B < j). Take the largest j that keeps 95 %.
    const std::vector<double> below = binomialHalfCdf(n);
    size_t j = 1;
    while (1 - 2 * below[j + 1] >= 0.95) {
        j++;
    }
    return RankPair{j, n + 1 - j};
}

double quantile(const std::vector<double>& sorted, double q) {
    const double position = q * static_cast<double>(sorted.size() - 1);
    const auto below = static_cast<size_t>(std::floor(position));
    if (below + 1 >= sorted.size()) {
        return sorted.back();
    }
    const double fraction = position - static_cast<double>(below);
    if (fraction == 0) {
        return sorted[below];
    }
    return sorted[below] + fraction * (sorted[below + 1] - sorted[below]);
}

FarRuns farOutliers(const std::vector<double>& sorted) {
    const double q3 = quantile(sorted, 0.75);
    const double fence = q3 + 3 * (q3 - quantile(sorted, 0.25));
    const auto first = std::upper_bound(sorted.begin(), sorted.end(), fence);
    FarRuns far;
    far.count = static_cast<size_t>(sorted.end() - first);
    if (far.count > 0) {
        far.largest = sorted.back();
    }
    return far;
}

bool slowFirstRun(const std::vector<double>& inOrder, const std::vector<double>& sorted, double* ratio) {
    if (inOrder.size() < 3) {
        return false;
    }
    // The others, sorted: the whole sample less one copy of the first run.
    const double first = inOrder.front();
    std::vector<double> others(sorted);
    others.erase(std::lower_bound(others.begin(), others.end(), first));
    const double median = quantile(others, 0.5);
    const double q3 = quantile(others, 0.75);
    const double fence = q3 + 3 * (q3 - quantile(others, 0.25));
    if (!(first > fence && first >= 1.5 * median)) {
        return false;
    }
    *ratio = median > 0 ? first / median : INFINITY;
    return true;
}

std::optional<Line> leastSquares(const std::vector<double>& x, const std::vector<double>& y) {
    const size_t n = std::min(x.size(), y.size());
    if (n < 2) {
        return std::nullopt;
    }
    double meanX = 0;
    double meanY = 0;
    for (size_t i = 0; i < n; i++) {
        meanX += x[i];
        meanY += y[i];
    }
    meanX /= static_cast<double>(n);
    meanY /= static_cast<double>(n);
    double sxx = 0;
    double sxy = 0;
    for (size_t i = 0; i < n; i++) {
        sxx += (x[i] - meanX) * (x[i] - meanX);
        sxy += (x[i] - meanX) * (y[i] - meanY);
    }
    if (sxx == 0) {
        return std::nullopt;
    }
    const double slope = sxy / sxx;
    return Line{slope, meanY - slope * meanX};
}

SlopeInterval slopeInterval(const std::vector<double>& x, const std::vector<double>& y) {
    const size_t n = std::min(x.size(), y.size());
    const auto line = leastSquares(x, y);
    if (n < 3 || !line) {
        return {};
    }
    const double meanX =
        std::accumulate(x.begin(), x.begin() + static_cast<long>(n), 0.0) / static_cast<double>(n);
    double sxx = 0;
    double residuals = 0;
    for (size_t i = 0; i < n; i++) {
        sxx += (x[i] - meanX) * (x[i] - meanX);
        const double r = y[i] - (line->slope * x[i] + line->intercept);
        residuals += r * r;
    }
    const double degrees = static_cast<double>(n - 2);
    const double half = studentQuantile(0.975, degrees) * std::sqrt(residuals / degrees / sxx);
    return {true, line->slope - half, line->slope + half};
}
