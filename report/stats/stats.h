// report/stats: the statistics behind every interval and verdict the report
// shows. The rest of the report asks only the functions below (and the
// sample summary of report/stats/runstats.h), so a better method replaces
// one of them here without touching a table, chart or comparison:
//   - the interval of one median (order statistics; every sample summary of
//     runstats.h takes its interval from here),
//   - the interval of a ratio of two medians (a seeded bootstrap,
//     bootstrap.h), which also gives the speedup's,
//   - the test of two samples (Mann-Whitney U, mannwhitney.h) and the
//     verdict drawn from test and interval.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "names/valuenames.h"
#include "report/stats/bootstrap.h"

// A 95 % interval; `known` false when the data cannot give one.
struct Interval {
    bool known = false;
    double low = 0;
    double high = 0;
};

// The interval of the median of `values` (any order), whatever their
// distribution; unknown below minIntervalRuns values.
Interval medianInterval(std::vector<double> values);
// The same of a sample sorted in ascending order.
Interval sortedMedianInterval(const std::vector<double>& sorted);

// median(other) / median(base) with its 95 % interval from `resamples`
// bootstrap resamples drawn from `seed`, and the resampled ratios
// themselves (for a geometric mean over several). `known` false when a
// sample is empty or holds a time of 0 or less, where ratios run off to
// infinity.
struct RatioEstimate {
    bool known = false;
    RatioInterval ratio;
    std::vector<double> replicates;
};
RatioEstimate ratioOfMedians(const std::vector<double>& base, const std::vector<double>& other, uint64_t seed,
                             size_t resamples = bootstrapResamples);

// What a comparison says of one measure at one count, or over all counts.
enum class Verdict { faster, slower, same, untested };

// A verdict as the export names it.
inline constexpr ValueName<Verdict> verdictNames[] = {{Verdict::faster, "faster"},
                                                      {Verdict::slower, "slower"},
                                                      {Verdict::same, "same"},
                                                      {Verdict::untested, "untested"}};
static_assert(tableNamesEach(verdictNames, Verdict::untested));

// A difference is called one when the U test's p-value is below this and
// the ratio's interval leaves out 1.
inline constexpr double compareAlpha = 0.05;

// The U test's two-sided p-value of the two samples; 1 when either has
// fewer than two values (nothing to test).
double differenceP(const std::vector<double>& base, const std::vector<double>& other);

// At one count: faster or slower when p < compareAlpha and the ratio's
// interval leaves out 1, else the same; untested when a sample has fewer
// than two values.
Verdict verdict(double p, const RatioInterval& ratio, size_t baseRuns, size_t otherRuns);

// Over all counts, from the interval of the geometric mean of the ratios:
// faster or slower when it leaves out 1.
Verdict overallVerdict(const RatioInterval& mean);

// A seed made of `parts` (a count, a file, a measure...), so that every
// interval is reproducible and none shares its resamples with another.
uint64_t seedOf(std::initializer_list<uint64_t> parts);
