#include "report/stats/mannwhitney.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// SciPy's choice: exact unless both samples have more than 8 values or any
// value appears twice in the pooled sample.
constexpr size_t exactUpTo = 8;

struct Ranked {
    double xRankSum = 0;  // ranks of the x values, ties given their average rank
    double tieTerm = 0;   // sum over tied groups of t^3 - t
};

Ranked rankPooled(const std::vector<double>& x, const std::vector<double>& y) {
    struct Value {
        double v;
        bool fromX;
    };
    std::vector<Value> pooled;
    pooled.reserve(x.size() + y.size());
    for (double v : x) {
        pooled.push_back({v, true});
    }
    for (double v : y) {
        pooled.push_back({v, false});
    }
    std::sort(pooled.begin(), pooled.end(), [](const Value& a, const Value& b) { return a.v < b.v; });
    Ranked ranked;
    for (size_t first = 0; first < pooled.size();) {
        size_t last = first + 1;
        while (last < pooled.size() && pooled[last].v == pooled[first].v) {
            last++;
        }
        const double t = static_cast<double>(last - first);
        const double rank = 0.5 * static_cast<double>(first + 1 + last);  // average of first+1 .. last
        for (size_t i = first; i < last; i++) {
            ranked.xRankSum += pooled[i].fromX ? rank : 0;
        }
        ranked.tieTerm += t * t * t - t;
        first = last;
    }
    return ranked;
}

// Upper tail of the standard normal distribution.
double normalUpperTail(double z) {
    return 0.5 * std::erfc(z / std::sqrt(2.0));
}

}  // namespace

double exactUpperTail(size_t n1, size_t n2, double u) {
    // The counts of U over all C(n1 + n2, n1) orderings are the coefficients
    // of the Gaussian binomial [n1 + n2 choose n1](q) = prod over i = 1..m of
    // (1 - q^(n + i)) / (1 - q^i), with m the smaller and n the larger size;
    // each step multiplies by the numerator and divides by the denominator,
    // keeping whole coefficients.
    const size_t m = std::min(n1, n2);
    const size_t n = std::max(n1, n2);
    const size_t degree = m * n;
    std::vector<double> counts(degree + 1, 0.0);
    counts[0] = 1;
    for (size_t i = 1; i <= m; i++) {
        for (size_t k = degree; k >= n + i; k--) {
            counts[k] -= counts[k - n - i];
        }
        for (size_t k = i; k <= degree; k++) {
            counts[k] += counts[k - i];
        }
    }
    const double total = std::accumulate(counts.begin(), counts.end(), 0.0);
    const double from = std::max(0.0, std::ceil(u));
    double tail = 0;
    for (size_t k = static_cast<size_t>(from); k <= degree; k++) {
        tail += counts[k];
    }
    return tail / total;
}

UTest mannWhitneyU(const std::vector<double>& x, const std::vector<double>& y) {
    const double n1 = static_cast<double>(x.size());
    const double n2 = static_cast<double>(y.size());
    const Ranked ranked = rankPooled(x, y);
    const double u1 = ranked.xRankSum - n1 * (n1 + 1) / 2;
    UTest test;
    test.u = std::max(u1, n1 * n2 - u1);
    test.firstU = u1;
    const bool small = x.size() <= exactUpTo || y.size() <= exactUpTo;
    test.exact = small && ranked.tieTerm == 0;
    if (test.exact) {
        test.p = 2 * exactUpperTail(x.size(), y.size(), test.u);
    } else {
        const double n = n1 + n2;
        const double spread = std::sqrt(n1 * n2 / 12 * ((n + 1) - ranked.tieTerm / (n * (n - 1))));
        // Every value tied: no spread, and no evidence of a difference.
        test.p = spread > 0 ? 2 * normalUpperTail((test.u - n1 * n2 / 2 - 0.5) / spread) : 1;
    }
    test.p = std::clamp(test.p, 0.0, 1.0);
    return test;
}
