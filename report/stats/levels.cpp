#include "report/stats/levels.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <utility>

#include "report/models/studentt.h"
#include "report/stats/runstats.h"

namespace {

double timeOf(const Run& run, bool wall) {
    return wall ? run.wall : run.cpu;
}

double logMedian(std::vector<double> sample) {
    std::sort(sample.begin(), sample.end());
    return std::log(quantile(sample, 0.5));
}

struct MeanVariance {
    double mean = 0;
    double variance = 0;  // of the mean: s^2 / k
};

MeanVariance meanVariance(const std::vector<double>& values) {
    const double k = static_cast<double>(values.size());
    MeanVariance m;
    m.mean = std::accumulate(values.begin(), values.end(), 0.0) / k;
    double squares = 0;
    for (double v : values) {
        squares += (v - m.mean) * (v - m.mean);
    }
    m.variance = squares / (k - 1) / k;
    return m;
}

// The runs with this measure, in the order they were made.
std::vector<const Run*> madeInOrder(const RunGroup& group, bool wall) {
    std::vector<const Run*> runs;
    for (const Run& run : group.runs) {
        if (!std::isnan(timeOf(run, wall))) {
            runs.push_back(&run);
        }
    }
    std::stable_sort(runs.begin(), runs.end(),
                     [](const Run* a, const Run* b) { return a->sequence < b->sequence; });
    return runs;
}

// The log of the median of every run of every unit: the centre of the
// intervals, so that they hold the median the tables show.
double pooledMedian(const Levels& levels) {
    std::vector<double> all;
    for (const std::vector<double>& unit : levels.units) {
        all.insert(all.end(), unit.begin(), unit.end());
    }
    std::sort(all.begin(), all.end());
    return quantile(all, 0.5);
}

double pooledLogMedian(const Levels& levels) {
    return std::log(pooledMedian(levels));
}

}  // namespace

bool backToBack(const RunGroup& group) {
    int32_t lowest = INT32_MAX;
    int32_t highest = INT32_MIN;
    for (const Run& run : group.runs) {
        if (run.invocation != group.runs.front().invocation || run.sweep != group.runs.front().sweep) {
            return false;
        }
        if (run.sequence < 0) {
            return true;  // made in an order nobody recorded
        }
        lowest = std::min(lowest, run.sequence);
        highest = std::max(highest, run.sequence);
    }
    return group.runs.empty() || static_cast<size_t>(highest - lowest) + 1 == group.runs.size();
}

Levels levelsOf(const RunGroup& group, bool wall) {
    Levels levels;
    const std::vector<const Run*> runs = madeInOrder(group, wall);
    // A process is a sweep's invocation: sweeps pooled from several files
    // are as many processes as they hold, though each numbers its own from 0.
    std::map<std::pair<int32_t, int32_t>, std::vector<double>> byInvocation;
    for (const Run* run : runs) {
        byInvocation[{run->sweep, run->invocation}].push_back(timeOf(*run, wall));
    }
    if (byInvocation.size() >= 2) {
        levels.level = UpperLevel::invocations;
        for (auto& [invocation, times] : byInvocation) {
            levels.units.push_back(std::move(times));
        }
        return levels;
    }
    const size_t blocks = std::min(levelBlocks, runs.size() / minBlockRuns);
    if (backToBack(group) || blocks < 2) {
        return levels;
    }
    levels.level = UpperLevel::blocks;
    levels.units.resize(blocks);
    for (size_t i = 0; i < runs.size(); i++) {
        levels.units[i * blocks / runs.size()].push_back(timeOf(*runs[i], wall));
    }
    return levels;
}

std::vector<double> unitLogMedians(const Levels& levels) {
    std::vector<double> logs;
    for (const std::vector<double>& unit : levels.units) {
        logs.push_back(logMedian(unit));
    }
    return logs;
}

Interval levelInterval(const Levels& levels) {
    const std::vector<double> logs = unitLogMedians(levels);
    if (logs.size() < 2 ||
        !std::all_of(logs.begin(), logs.end(), [](double v) { return std::isfinite(v); })) {
        return {};
    }
    const MeanVariance m = meanVariance(logs);
    const double half = studentQuantile(0.975, static_cast<double>(logs.size() - 1)) * std::sqrt(m.variance);
    const double centre = pooledLogMedian(levels);
    // exp(log(m)) need not give m back to the last bit: the interval is
    // widened to hold the median it is of.
    const double median = pooledMedian(levels);
    return {true, std::min(std::exp(centre - half), median), std::max(std::exp(centre + half), median)};
}

LevelRatio levelRatio(const Levels& base, const Levels& other) {
    LevelRatio result;
    const std::vector<double> b = unitLogMedians(base);
    const std::vector<double> o = unitLogMedians(other);
    const auto finite = [](const std::vector<double>& v) {
        return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
    };
    if (b.size() < 2 || o.size() < 2 || !finite(b) || !finite(o)) {
        return result;
    }
    const MeanVariance mb = meanVariance(b);
    const MeanVariance mo = meanVariance(o);
    const double difference = pooledLogMedian(other) - pooledLogMedian(base);
    const double variance = mb.variance + mo.variance;
    result.known = true;
    result.ratio = {std::exp(difference), std::exp(difference), std::exp(difference)};
    if (variance == 0) {
        // Every unit alike on both sides: any difference stands.
        result.p = difference == 0 ? 1 : 0;
        return result;
    }
    // Welch-Satterthwaite degrees of freedom.
    const double degrees = variance * variance /
                           (mb.variance * mb.variance / static_cast<double>(b.size() - 1) +
                            mo.variance * mo.variance / static_cast<double>(o.size() - 1));
    const double se = std::sqrt(variance);
    const double half = studentQuantile(0.975, degrees) * se;
    result.ratio.low = std::exp(difference - half);
    result.ratio.high = std::exp(difference + half);
    result.p = std::clamp(2 * (1 - studentCdf(std::fabs(difference) / se, degrees)), 0.0, 1.0);
    return result;
}
