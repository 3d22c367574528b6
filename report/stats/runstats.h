// Statistics of one group of runs: the summary figures, a distribution-free
// 95 % confidence interval of the median from order statistics, the tests
// that flag a noisy group, and the least-squares line of a series.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// Groups smaller than this get no confidence interval of the median: with
// five runs or fewer even the outermost runs bracket it with less than 95 %.
inline constexpr size_t minIntervalRuns = 6;

struct SampleStats {
    size_t runs = 0;
    double mean = 0;
    double median = 0;
    double q1 = 0;  // first and third quartiles: the band the charts draw
    double q3 = 0;
    double min = 0;
    double max = 0;
    double stddev = 0;         // sample standard deviation; 0 for a single run
    bool hasInterval = false;  // false below minIntervalRuns runs
    double low = 0;            // 95 % confidence interval of the median
    double high = 0;
};

// Statistics of a non-empty sample sorted in ascending order.
SampleStats describeSorted(const std::vector<double>& sorted);

// 1-based ranks j < k such that the order statistics X(j) and X(k) of n runs
// bracket the median with at least 95 % confidence, whatever the
// distribution. Up to 70 runs from the binomial distribution (the narrowest
// pair symmetric about the middle); above that the normal approximation
// j = floor(n/2 - 0.98 sqrt n), k = ceil(n/2 + 1 + 0.98 sqrt n). None below
// minIntervalRuns.
struct RankPair {
    size_t low;
    size_t high;
};
std::optional<RankPair> medianIntervalRanks(size_t n);

// The q-quantile (0 <= q <= 1) of a non-empty sorted sample, interpolated
// linearly between neighbouring order statistics.
double quantile(const std::vector<double>& sorted, double q);

// Runs beyond the far-outlier fence Q3 + 3 IQR of a sorted sample.
struct FarRuns {
    size_t count = 0;
    double largest = 0;  // the largest of them, when count > 0
};
FarRuns farOutliers(const std::vector<double>& sorted);

// A cold start: with at least three runs, in the order they were made, the
// first one lies beyond the others' far-outlier fence and takes at least
// 1.5 times their median. `sorted` is the same sample in ascending order.
// `ratio` receives first / median of the others.
bool slowFirstRun(const std::vector<double>& inOrder, const std::vector<double>& sorted, double* ratio);

// The least-squares line y = slope * x + intercept through the points; none
// unless there are two distinct x.
struct Line {
    double slope;
    double intercept;
};
std::optional<Line> leastSquares(const std::vector<double>& x, const std::vector<double>& y);

// The 95 % interval of that line's slope, slope ± t(n - 2) times its
// standard error; unknown below three points.
struct SlopeInterval {
    bool known = false;
    double low = 0;
    double high = 0;
};
SlopeInterval slopeInterval(const std::vector<double>& x, const std::vector<double>& y);
