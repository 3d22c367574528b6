// How the diagonals are dealt, without running a worker: the splits' names,
// each static split's shares (every diagonal to exactly one worker, blocks
// as OpenMP's static schedule deals them), the cells each worker sums and
// the balance that follows.
#include "splits/split.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "splits/diagonalwalk.h"

namespace {

// Which worker takes each diagonal; -1 when none does, -2 when two do.
std::vector<int32_t> owners(Split split, int64_t diagonals, int32_t workers) {
    std::vector<int32_t> owner(static_cast<size_t>(diagonals), -1);
    for (int32_t k = 0; k < workers; k++) {
        const DiagonalShare share = staticShare(split, diagonals, workers, k);
        for (int64_t d = share.first; d < share.end; d += share.step) {
            auto& slot = owner.at(static_cast<size_t>(d));
            slot = slot == -1 ? k : -2;
        }
    }
    return owner;
}

double balance(Split split, int32_t workers) {
    return cellBalance(500, 500, workers, staticElementsMax(split, 500, 500, workers).value()).value();
}

}  // namespace

TEST(SplitNames, EachNameParsesBackAndNothingElseDoes) {
    for (const Split split : allSplits) {
        Split parsed = split == Split::blocks ? Split::dynamic : Split::blocks;
        EXPECT_TRUE(parseSplit(splitName(split), &parsed)) << splitName(split);
        EXPECT_EQ(parsed, split);
    }
    EXPECT_STREQ(splitName(defaultSplit), "round-robin");
    Split untouched = Split::dynamic;
    for (const char* text : {"", "Blocks", "round_robin", "roundrobin", "blocks ", "static", "dynamic,1"}) {
        EXPECT_FALSE(parseSplit(text, &untouched)) << '"' << text << '"';
    }
    EXPECT_EQ(untouched, Split::dynamic);
}

TEST(DiagonalCells, CountTheCellsOfEachDiagonalOfWideAndTallMatrices) {
    std::vector<int64_t> wide, tall;
    for (int64_t d = -1; d <= 6; d++) {
        wide.push_back(diagonalCells(3, 4, d));
        tall.push_back(diagonalCells(4, 3, d));
    }
    EXPECT_EQ(wide, (std::vector<int64_t>{0, 1, 2, 3, 3, 2, 1, 0}));
    EXPECT_EQ(tall, (std::vector<int64_t>{0, 1, 2, 3, 3, 2, 1, 0}));
    EXPECT_EQ(diagonalCells(1, 1, 0), 1);
    EXPECT_EQ(diagonalCells(7, 1000, 500), 7);
    EXPECT_EQ(diagonalCells(0, 5, 0), 0);
}

TEST(StaticShares, DealEveryDiagonalToExactlyOneWorker) {
    for (const Split split : {Split::roundRobin, Split::blocks}) {
        for (const int64_t diagonals : {1, 6, 999, 1006}) {
            for (const int32_t workers : {1, 2, 4, 127, 2000}) {
                for (const int32_t owner : owners(split, diagonals, workers)) {
                    ASSERT_GE(owner, 0) << splitName(split) << ", " << diagonals << " diagonals, " << workers;
                }
            }
        }
    }
}

TEST(StaticShares, RoundRobinStridesAndBlocksAreOpenMpsStaticRanges) {
    EXPECT_EQ(owners(Split::roundRobin, 6, 4), (std::vector<int32_t>{0, 1, 2, 3, 0, 1}));
    // 10 diagonals to 4 workers: 10 mod 4 = 2 workers get one more.
    EXPECT_EQ(owners(Split::blocks, 10, 4), (std::vector<int32_t>{0, 0, 0, 1, 1, 1, 2, 2, 3, 3}));
    // More workers than diagonals: the first take one each, the rest none.
    EXPECT_EQ(owners(Split::blocks, 3, 5), (std::vector<int32_t>{0, 1, 2}));
    // None for the dynamic split, known only once it has run, or outside the run.
    for (const DiagonalShare share :
         {staticShare(Split::blocks, 3, 5, 4), staticShare(Split::dynamic, 999, 4, 0),
          staticShare(Split::roundRobin, 999, 4, 4)}) {
        EXPECT_GE(share.first, share.end);
    }
    EXPECT_FALSE(staticElementsMax(Split::dynamic, 500, 500, 4).has_value());
}

TEST(ShareCells, AddUpToTheMatrixAndFollowTheGeometry) {
    for (const Split split : {Split::roundRobin, Split::blocks}) {
        for (const auto& [rows, columns] : {std::pair{3, 4}, {4, 3}, {7, 1000}, {500, 500}}) {
            int64_t total = 0;
            for (int32_t k = 0; k < 9; k++) {
                total += shareCells(split, rows, columns, 9, k);
            }
            EXPECT_EQ(total, int64_t{rows} * columns) << splitName(split) << " " << rows << "x" << columns;
        }
    }
    // 3 x 4 in blocks of 2 diagonals: lengths 1+2, 3+3, 2+1.
    EXPECT_EQ(staticElementsMax(Split::blocks, 3, 4, 3), 6);
    EXPECT_EQ(shareCells(Split::blocks, 3, 4, 3, 2), 3);
    // Round-robin, 4 workers of 3 x 4: worker 0 takes diagonals 0 and 4 (1 + 2).
    EXPECT_EQ(shareCells(Split::roundRobin, 3, 4, 4, 0), 3);
}

TEST(CellBalance, OfFiveHundredSquareMatchesTheGeometry) {
    EXPECT_NEAR(balance(Split::blocks, 4), 0.6658, 5e-5);
    EXPECT_NEAR(balance(Split::blocks, 8), 0.5708, 5e-5);
    EXPECT_NEAR(balance(Split::blocks, 127), 0.4941, 5e-5);
    EXPECT_NEAR(balance(Split::roundRobin, 4), 1.0000, 5e-5);
    EXPECT_NEAR(balance(Split::roundRobin, 127), 0.9962, 5e-5);
    EXPECT_EQ(balance(Split::roundRobin, 1), 1.0);
    EXPECT_FALSE(cellBalance(500, 500, 4, 0).has_value()) << "no worker summed a cell";
}
