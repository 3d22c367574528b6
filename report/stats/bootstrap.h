// Resampling intervals for comparing two sweeps: the bootstrap of the ratio
// of two medians, seeded so that the same files always give the same
// interval, and the geometric mean of several ratios with its interval.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr size_t bootstrapResamples = 2000;

struct RatioInterval {
    double ratio = 0;  // the observed ratio of the medians, other / base
    double low = 0;    // 95 % percentile interval of the resampled ratios
    double high = 0;
};

// `resamples` ratios median(resample of other) / median(resample of base),
// each sample resampled with replacement, from a generator seeded with
// `seed`. Both samples need at least one value; a zero median of the base
// gives an infinite ratio.
std::vector<double> bootstrapMedianRatios(const std::vector<double>& base, const std::vector<double>& other,
                                          size_t resamples, uint64_t seed);

// The observed ratio with the 2.5 % and 97.5 % quantiles of the resampled ones.
RatioInterval ratioInterval(double observed, std::vector<double> replicates);

// The geometric mean of the observed ratios, with the interval of the
// geometric means of the replicates taken index by index (replicate i of
// every ratio makes one resampled geometric mean). All replicate lists have
// the same length.
RatioInterval geometricMeanInterval(const std::vector<double>& observed,
                                    const std::vector<std::vector<double>>& replicates);
