// How a sweep's runs and seed are shared among its invocations.
#include <gtest/gtest.h>

#include <set>

#include "plan/invocations.h"

TEST(InvocationPlan, SharesAddUpToTheRunsTheFirstOnesTakingTheRest) {
    EXPECT_EQ(invocationRuns(10, 3, 0), 4);
    EXPECT_EQ(invocationRuns(10, 3, 1), 3);
    EXPECT_EQ(invocationRuns(10, 3, 2), 3);
    EXPECT_EQ(invocationRuns(3, 3, 2), 1);
    for (int32_t runs : {1, 7, 50, INT32_MAX}) {
        for (int32_t invocations : {1, 2, 7}) {
            if (runs < invocations) {
                continue;
            }
            int64_t total = 0;
            for (int32_t i = 0; i < invocations; i++) {
                total += invocationRuns(runs, invocations, i);
            }
            EXPECT_EQ(total, runs) << runs << " runs among " << invocations;
        }
    }
}

TEST(InvocationPlan, EachInvocationsSeedIsFixedByTheSweepsAndItsOwn) {
    std::set<uint64_t> seeds;
    for (int32_t i = 0; i < 100; i++) {
        seeds.insert(invocationSeed(7, i));
        seeds.insert(invocationSeed(8, i));
    }
    EXPECT_EQ(seeds.size(), 200u);
    EXPECT_EQ(invocationSeed(7, 3), invocationSeed(7, 3));
    EXPECT_EQ(invocationSeed(0, 0), 0xe220a8397b1dcdafu) << "SplitMix64's first output for seed 0";
}
