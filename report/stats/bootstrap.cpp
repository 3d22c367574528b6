#include "report/stats/bootstrap.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "report/stats/runstats.h"

namespace {

// The median of `sample` resampled with replacement; `scratch` is reused.
double resampledMedian(const std::vector<double>& sample, std::mt19937_64* generator,
                       std::vector<double>* scratch) {
    std::uniform_int_distribution<size_t> pick(0, sample.size() - 1);
    scratch->resize(sample.size());
    for (double& value : *scratch) {
        value = sample[pick(*generator)];
    }
    std::sort(scratch->begin(), scratch->end());
    return quantile(*scratch, 0.5);
}

}  // namespace

std::vector<double> bootstrapMedianRatios(const std::vector<double>& base, const std::vector<double>& other,
                                          size_t resamples, uint64_t seed) {
    std::mt19937_64 generator(seed);
    std::vector<double> scratch;
    std::vector<double> ratios;
    ratios.reserve(resamples);
    for (size_t i = 0; i < resamples; i++) {
        const double below = resampledMedian(base, &generator, &scratch);
        const double above = resampledMedian(other, &generator, &scratch);
        ratios.push_back(above / below);
    }
    return ratios;
}

RatioInterval ratioInterval(double observed, std::vector<double> replicates) {
    std::sort(replicates.begin(), replicates.end());
    RatioInterval interval{observed, observed, observed};
    if (!replicates.empty()) {
        interval.low = quantile(replicates, 0.025);
        interval.high = quantile(replicates, 0.975);
    }
    return interval;
}

RatioInterval geometricMeanInterval(const std::vector<double>& observed,
                                    const std::vector<std::vector<double>>& replicates) {
    const auto geometricMean = [](const auto& valueAt, size_t count) {
        double logs = 0;
        for (size_t i = 0; i < count; i++) {
            logs += std::log(valueAt(i));
        }
        return std::exp(logs / static_cast<double>(count));
    };
    const double mean = geometricMean([&](size_t i) { return observed[i]; }, observed.size());
    const size_t resamples = replicates.empty() ? 0 : replicates.front().size();
    std::vector<double> means;
    means.reserve(resamples);
    for (size_t r = 0; r < resamples; r++) {
        means.push_back(geometricMean([&](size_t i) { return replicates[i][r]; }, replicates.size()));
    }
    return ratioInterval(mean, std::move(means));
}
