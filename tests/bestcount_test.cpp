#include "report/models/bestcount.h"

#include <gtest/gtest.h>

TEST(BestCount, NamesTheLowestMedianAndTheCountsWithinItsNoise) {
    const BestCount best = bestCount({{1, 120, true, 100, 131},
                                      {2, 110, true, 95, 125},
                                      {3, 118, true, 124, 140},
                                      {4, 150, true, 126, 170}});
    EXPECT_EQ(best.workers, 2);
    EXPECT_EQ(best.withinNoise, (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(bestCountLine(best, MedianKind::wall), "fastest here: 2 workers (1 and 3 within the noise)");
    EXPECT_EQ(bestCountLine(best, MedianKind::processor),
              "least processor time here: 2 workers (1 and 3 within the noise)");
}

TEST(BestCount, EqualMediansGoToTheFewerWorkers) {
    const BestCount best = bestCount({{8, 50, true, 49, 51}, {1, 50, true, 49, 51}, {4, 60, true, 58, 62}});
    EXPECT_EQ(best.workers, 1);
    EXPECT_EQ(bestCountLine(best, MedianKind::wall), "fastest here: 1 worker (8 within the noise)");
}

TEST(BestCount, CountsWithoutAnIntervalCannotBeTold) {
    const BestCount clear = bestCount({{1, 50, true, 49, 51}, {2, 60, true, 58, 62}});
    EXPECT_EQ(bestCountLine(clear, MedianKind::wall),
              "fastest here: 1 worker (no other count within the noise)");
    const BestCount mixed = bestCount({{1, 50, true, 49, 51}, {2, 60, false}, {3, 50.5, true, 50, 52}});
    EXPECT_EQ(bestCountLine(mixed, MedianKind::wall),
              "fastest here: 1 worker (3 within the noise; 2: too few runs to tell)");
    const BestCount blind = bestCount({{1, 50, false}, {2, 60, true, 58, 62}});
    EXPECT_EQ(blind.untold, (std::vector<int32_t>{2}));
    EXPECT_EQ(bestCountLine(blind, MedianKind::wall),
              "fastest here: 1 worker (too few runs to tell which counts are within the noise)");
}

TEST(BestCount, MediansThatAreNotNumbersAreLeftOut) {
    const BestCount best = bestCount({{1, NAN, true, 0, 1}, {2, 60, true, 58, 62}});
    EXPECT_EQ(best.workers, 2);
    EXPECT_EQ(bestCountLine(best, MedianKind::wall), "fastest here: 2 workers (the only count measured)");
    EXPECT_EQ(bestCountLine(bestCount({}), MedianKind::wall), "");
}

TEST(BestCount, ListsJoinRunsOfCountsIntoRanges) {
    EXPECT_EQ(countList({5}), "5");
    EXPECT_EQ(countList({1, 3}), "1 and 3");
    EXPECT_EQ(countList({1, 2, 5}), "1, 2 and 5");
    EXPECT_EQ(countList({1, 2, 3, 4, 8, 16, 17, 18}), "1–4, 8 and 16–18");
}
