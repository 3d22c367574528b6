// The order of a sweep's runs: today's order by default, the counts taking
// turns, and a shuffle that a seed repeats anywhere.
#include "plan/runplan.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>
#include <vector>

namespace {

// A planned run as (count, variant, repetition, warmup).
using Step = std::tuple<size_t, size_t, int32_t, bool>;

std::vector<Step> runsOf(const PlanShape& shape, RunOrder order, uint64_t seed = 0) {
    RunPlan plan;
    EXPECT_TRUE(makeRunPlan(shape, order, seed, &plan));
    std::vector<Step> runs;
    for (uint64_t i = 0; i < plannedRunCount(shape); i++) {
        const PlannedRun r = plannedRun(plan, i);
        runs.emplace_back(r.count, r.variant, r.repetition, r.warmup);
    }
    return runs;
}

}  // namespace

TEST(RunPlan, SequentialIsCountByCountWithWarmupsFirstAndVariantsAlternating) {
    EXPECT_EQ(runsOf({2, 2, 2, 1}, RunOrder::sequential), (std::vector<Step>{{0, 0, 0, true},
                                                                             {0, 1, 0, true},
                                                                             {0, 0, 0, false},
                                                                             {0, 1, 0, false},
                                                                             {0, 0, 1, false},
                                                                             {0, 1, 1, false},
                                                                             {1, 0, 0, true},
                                                                             {1, 1, 0, true},
                                                                             {1, 0, 0, false},
                                                                             {1, 1, 0, false},
                                                                             {1, 0, 1, false},
                                                                             {1, 1, 1, false}}));
}

TEST(RunPlan, InterleavedTakesTheCountsInTurnWarmingEachUpBeforeItsFirstRun) {
    EXPECT_EQ(runsOf({3, 1, 2, 1}, RunOrder::interleaved), (std::vector<Step>{{0, 0, 0, true},
                                                                              {0, 0, 0, false},
                                                                              {1, 0, 0, true},
                                                                              {1, 0, 0, false},
                                                                              {2, 0, 0, true},
                                                                              {2, 0, 0, false},
                                                                              {0, 0, 1, false},
                                                                              {1, 0, 1, false},
                                                                              {2, 0, 1, false}}));
}

TEST(RunPlan, RandomGivesEveryCountItsRunsWarmupsFirstAndRepeatsWithItsSeed) {
    const PlanShape shape{5, 2, 4, 2};
    const std::vector<Step> runs = runsOf(shape, RunOrder::random, 7);
    EXPECT_EQ(runs, runsOf(shape, RunOrder::random, 7));
    EXPECT_NE(runs, runsOf(shape, RunOrder::random, 8));
    EXPECT_NE(runs, runsOf(shape, RunOrder::interleaved));
    std::map<std::pair<size_t, size_t>, int32_t> timed;  // (count, variant) -> runs so far
    std::set<size_t> started;
    for (size_t i = 0; i < runs.size(); i++) {
        const auto [count, variant, repetition, warmup] = runs[i];
        if (warmup) {
            EXPECT_FALSE(started.count(count)) << "a warmup after the count's first timed run, at " << i;
            continue;
        }
        if (started.insert(count).second) {
            // The count's warmups come right before its first timed run.
            ASSERT_GE(i, 4u);
            for (size_t w = i - 4; w < i; w++) {
                EXPECT_EQ(std::get<0>(runs[w]), count);
                EXPECT_TRUE(std::get<3>(runs[w]));
            }
        }
        EXPECT_EQ(repetition, (timed[{count, variant}]++)) << "repetitions numbered in the order made";
    }
    EXPECT_EQ(timed.size(), 10u);
    for (const auto& [key, made] : timed) {
        EXPECT_EQ(made, 4);
    }
}

TEST(RunPlan, RandomOrderIsTheSameOnEveryLibrary) {
    // Pinned: a change of generator or shuffle would change every recorded order.
    std::vector<size_t> counts;
    for (const Step& run : runsOf({4, 1, 2, 0}, RunOrder::random, 7)) {
        counts.push_back(std::get<0>(run));
    }
    EXPECT_EQ(counts, (std::vector<size_t>{0, 1, 3, 0, 2, 2, 1, 3}));
}

TEST(RunPlan, RefusesPlansTooLongToShuffleOrToCount) {
    RunPlan plan;
    EXPECT_FALSE(makeRunPlan({maxShuffledRuns + 1, 1, 1, 0}, RunOrder::random, 1, &plan));
    EXPECT_TRUE(makeRunPlan({maxShuffledRuns + 1, 1, 1, 0}, RunOrder::sequential, 1, &plan));
    EXPECT_FALSE(makeRunPlan({SIZE_MAX / 2, 4, INT32_MAX, 0}, RunOrder::sequential, 1, &plan));
}
