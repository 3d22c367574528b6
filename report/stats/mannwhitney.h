// The Mann–Whitney U test of two samples, two-sided, computed as SciPy's
// scipy.stats.mannwhitneyu(x, y, alternative='two-sided') with its default
// method does it, which is what Google Benchmark's compare.py reports: the
// exact distribution of U when one sample has at most 8 values and no value
// is tied, otherwise the normal approximation with continuity correction
// and the tie correction of the variance.
#pragma once

#include <cstddef>
#include <vector>

struct UTest {
    double u = 0;      // max(U1, U2), the statistic the p-value is read at
    double firstU = 0;  // U1, the pairs in which the value of x is the larger (ties half)
    double p = 1;      // two-sided p-value, from 0 to 1
    bool exact = false;  // from the exact distribution rather than the normal one
};

// The test of `x` against `y`; both need at least one value.
UTest mannWhitneyU(const std::vector<double>& x, const std::vector<double>& y);

// P(U >= u) under the null hypothesis for samples of n1 and n2 values
// without ties: the exact upper tail of the statistic.
double exactUpperTail(size_t n1, size_t n2, double u);
