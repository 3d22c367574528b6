// The order in which a sweep makes its runs, decided before the first run:
// every warmup and timed run of every worker count and variant (a start-up
// mode with a stack size), as one list the sweep works through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "names/valuenames.h"

// How the timed runs of the counts follow each other.
enum class RunOrder {
    sequential,   // every run of the first count, then of the next (the default)
    interleaved,  // the first run of every count, then the second, and so on
    random        // the whole grid shuffled with a seed
};

// The text of each order as the options and the JSON spell it.
inline constexpr ValueName<RunOrder> runOrderNames[] = {{RunOrder::sequential, "sequential"},
                                                        {RunOrder::interleaved, "interleaved"},
                                                        {RunOrder::random, "random"}};
static_assert(tableNamesEach(runOrderNames, RunOrder::random));

inline const char* runOrderName(RunOrder order) {
    return nameOf(order, runOrderNames);
}

struct PlannedRun {
    size_t count;        // index of the worker count in the sweep's list
    size_t variant;      // index of the variant; variants alternate within a round
    int32_t repetition;  // 0-based, per count and variant, counted separately for warmups
    bool warmup;
};

struct PlanShape {
    size_t counts;    // worker counts, at least 1
    size_t variants;  // at least 1
    int32_t runs;     // timed runs per count and variant, at least 1
    int32_t warmup;   // untimed runs per count and variant, at least 0
};

// The random order is shuffled whole before the first run, so it holds at
// most this many runs, warmups included.
inline constexpr uint64_t maxShuffledRuns = uint64_t{1} << 21;

// Every run of the sweep in the order it is made. Each count and variant
// gets exactly `runs` timed runs, numbered in the order they are made, and
// its `warmup` warmup runs come right before the count's first timed run.
// Within one round of a count the variants alternate in their order.
// sequential is count by count, warmups first: the order of a sweep without
// the option. interleaved and sequential are worked out run by run, for any
// number of runs; random shuffles the timed runs with `seed` when the plan
// is made, and the same seed gives the same plan on every machine and
// library.
struct RunPlan {
    PlanShape shape;
    RunOrder order = RunOrder::sequential;
    std::vector<PlannedRun> shuffled;  // random only
};

// How many runs `shape` makes, warmups included; UINT64_MAX when that
// number does not fit.
uint64_t plannedRunCount(const PlanShape& shape);

// The timed runs of one worker count, every variant's together.
int64_t timedRunsPerCount(const PlanShape& shape);
// The timed runs of the whole sweep (warmups are not counted).
size_t plannedTimedRuns(const PlanShape& shape);

// The plan of `shape` in `order`. False, with no plan made, for a random
// order of more than maxShuffledRuns runs or a plan too long to count.
bool makeRunPlan(const PlanShape& shape, RunOrder order, uint64_t seed, RunPlan* plan);

// The run made at position `index` (below plannedRunCount).
PlannedRun plannedRun(const RunPlan& plan, uint64_t index);

// A seed for a random order drawn from the system's entropy source.
uint64_t drawSeed();
