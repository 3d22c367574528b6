// Intervals and tests that take their uncertainty from the level that
// varies. A count's runs made by one process one after another share one
// moment of the machine: their spread says how alike back-to-back runs
// are, not how the machine varies from one moment (or one process) to the
// next. So the runs of a group are split into units of the level above
// them, and the units' medians, not the runs, are the sample:
//   - several invocations: each invocation's runs are one unit;
//   - one invocation whose runs of a count were spread over the sweep
//     (interleaved or random order): the count's runs in order of their
//     sequence, cut into up to levelBlocks blocks of consecutive runs, each
//     a stretch of the sweep's time;
//   - one invocation whose runs of a count were made back to back (their
//     sequence numbers consecutive: sequential order), or runs whose order
//     is unknown: no unit, nothing that measures how the machine varies.
// On the units' log medians: the standard error of their mean, with
// Student's t, gives the interval of the group's median (all its runs'
// median, the one the tables show, at its centre), and Welch's test of two
// groups the interval of the ratio of their medians.
#pragma once

#include <cstddef>
#include <vector>

#include "report/stats/stats.h"
#include "report/sweep/model.h"

// One invocation's runs are cut into at most this many blocks, each of at
// least minBlockRuns runs.
inline constexpr size_t levelBlocks = 5;
inline constexpr size_t minBlockRuns = 3;

enum class UpperLevel { none, invocations, blocks };

struct Levels {
    UpperLevel level = UpperLevel::none;
    std::vector<std::vector<double>> units;  // each unit's times; empty for UpperLevel::none
};

// The runs of `group` in one measure (wall time, else processor time) by
// the level above them, as the header says.
Levels levelsOf(const RunGroup& group, bool wall);

// Whether the runs of `group` were made back to back in one process: one
// invocation and consecutive sequence numbers.
bool backToBack(const RunGroup& group);

// The log of each unit's median, in unit order.
std::vector<double> unitLogMedians(const Levels& levels);

// The 95 % interval of the group's median M (of all its runs),
// exp(log M ± t s / sqrt k) of the k units' log medians (standard
// deviation s, t at k - 1 degrees of freedom); unknown below two units.
Interval levelInterval(const Levels& levels);

// Welch's test of the units' log medians of two groups: the ratio of their
// medians (of all runs, other / base), its 95 % interval, exp(log ratio ±
// t se) with se from the units' variances and Welch's degrees of freedom,
// and the two-sided p-value of that log ratio against se, so that p <
// 0.05 exactly when the interval leaves out 1. `known` false below two
// units a side.
struct LevelRatio {
    bool known = false;
    RatioInterval ratio;
    double p = 1;
};
LevelRatio levelRatio(const Levels& base, const Levels& other);
