#include "report/stats/stats.h"

#include <algorithm>

#include "report/stats/mannwhitney.h"
#include "report/stats/runstats.h"

namespace {

double median(std::vector<double> sample) {
    std::sort(sample.begin(), sample.end());
    return quantile(sample, 0.5);
}

bool allPositive(const std::vector<double>& sample) {
    return !sample.empty() && *std::min_element(sample.begin(), sample.end()) > 0;
}

}  // namespace

Interval medianInterval(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return sortedMedianInterval(values);
}

Interval sortedMedianInterval(const std::vector<double>& sorted) {
    const auto ranks = medianIntervalRanks(sorted.size());
    if (!ranks) {
        return {};
    }
    return {true, sorted[ranks->low - 1], sorted[ranks->high - 1]};
}

RatioEstimate ratioOfMedians(const std::vector<double>& base, const std::vector<double>& other, uint64_t seed,
                             size_t resamples) {
    RatioEstimate estimate;
    // A run of 0 µs makes some resampled ratios infinite or undefined.
    if (!allPositive(base) || !allPositive(other)) {
        return estimate;
    }
    estimate.known = true;
    estimate.replicates = bootstrapMedianRatios(base, other, resamples, seed);
    estimate.ratio = ratioInterval(median(other) / median(base), estimate.replicates);
    return estimate;
}

double differenceP(const std::vector<double>& base, const std::vector<double>& other) {
    return base.size() >= 2 && other.size() >= 2 ? mannWhitneyU(base, other).p : 1;
}

Verdict verdict(double p, const RatioInterval& ratio, size_t baseRuns, size_t otherRuns) {
    if (baseRuns < 2 || otherRuns < 2) {
        return Verdict::untested;
    }
    if (p >= compareAlpha || (ratio.low <= 1 && ratio.high >= 1)) {
        return Verdict::same;
    }
    return ratio.ratio < 1 ? Verdict::faster : Verdict::slower;
}

Verdict overallVerdict(const RatioInterval& mean) {
    return mean.low > 1 ? Verdict::slower : mean.high < 1 ? Verdict::faster : Verdict::same;
}

uint64_t seedOf(std::initializer_list<uint64_t> parts) {
    uint64_t seed = 0x9e3779b97f4a7c15u;
    for (uint64_t part : parts) {
        seed = (seed ^ part) * 0x100000001b3u;
    }
    return seed;
}
