#include "report/models/studentt.h"

#include <cmath>

namespace {

// Below this a Lentz denominator is replaced, so the fraction never divides
// by zero.
constexpr double tiny = 1e-300;

// The continued fraction of I_x(a, b) by the modified Lentz method, valid
// (and quick) for x < (a + 1) / (a + b + 2).
double betaFraction(double x, double a, double b) {
    double f = 1;
    double c = 1;
    double d = 0;
    for (int i = 0; i <= 1000; i++) {
        const double m = static_cast<double>(i / 2);  // the pair the term belongs to
        double numerator = 1;
        if (i > 0 && i % 2 == 0) {
            numerator = m * (b - m) * x / ((a + 2 * m - 1) * (a + 2 * m));
        } else if (i > 0) {
            numerator = -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 2 * m + 1));
        }
        d = 1 + numerator * d;
        d = 1 / (std::fabs(d) < tiny ? tiny : d);
        c = 1 + numerator / c;
        c = std::fabs(c) < tiny ? tiny : c;
        f *= c * d;
        if (std::fabs(1 - c * d) < 1e-15) {
            break;
        }
    }
    return f - 1;
}

}  // namespace

double incompleteBeta(double x, double a, double b) {
    if (!(x >= 0 && x <= 1 && a > 0 && b > 0)) {
        return NAN;
    }
    if (x == 0 || x == 1) {
        return x;
    }
    // The fraction converges fast only on the lower side; the other side is
    // its mirror, I_x(a, b) = 1 - I_{1-x}(b, a).
    if (x > (a + 1) / (a + b + 2)) {
        return 1 - incompleteBeta(1 - x, b, a);
    }
    const double logFront =
        std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log1p(-x);
    return std::exp(logFront) / a * betaFraction(x, a, b);
}

double studentCdf(double t, double degrees) {
    if (std::isnan(t) || !(degrees > 0)) {
        return NAN;
    }
    if (std::isinf(t)) {
        return t > 0 ? 1 : 0;
    }
    // The tail beyond |t| is I_{v/(v+t²)}(v/2, 1/2) / 2.
    const double tail = 0.5 * incompleteBeta(degrees / (degrees + t * t), degrees / 2, 0.5);
    return t > 0 ? 1 - tail : tail;
}

double studentQuantile(double p, double degrees) {
    if (!(p > 0 && p < 1 && degrees > 0)) {
        return NAN;
    }
    if (p < 0.5) {
        return -studentQuantile(1 - p, degrees);
    }
    // Bisection: the distribution function is increasing, so halving a
    // bracket [low, high] around the answer cannot fail.
    double low = 0;
    double high = 1;
    while (studentCdf(high, degrees) < p && high < 1e300) {
        low = high;
        high *= 2;
    }
    for (int i = 0; i < 2000 && high - low > 1e-15 * high; i++) {
        const double middle = low + (high - low) / 2;
        (studentCdf(middle, degrees) < p ? low : high) = middle;
    }
    return low + (high - low) / 2;
}
