// The splits' workers against the document's: whatever the split and the
// worker count, as spawned threads or called one after another as a team's
// members would call them, they leave the same result slots, bit for bit;
// the dynamic split counts the cells each worker summed.
#include "splits/splitworker.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numeric>
#include <utility>
#include <vector>

#include "app/diagworker.h"

namespace {

const float unwritten = std::nanf("0x5a5a");

// A matrix whose sums depend on the order of the additions (large and small
// cells mixed), and its result slots marked unwritten.
struct SumRun {
    Matrix matrix{};
    Array results{};
    SumRun(uint32_t rows, uint32_t columns) {
        EXPECT_TRUE(createMatrix(&matrix, rows, columns));
        for (int32_t i = 0; i < matrix.rows; i++) {
            for (int32_t j = 0; j < matrix.columns; j++) {
                matrix.values[i][j] = (i * 7 + j * 3) % 11 == 0 ? 3e7f : 0.1f * static_cast<float>(j % 5);
            }
        }
        EXPECT_TRUE(createArray(&results, static_cast<uint32_t>(matrix.diagonals)));
        results.top = matrix.diagonals - 1;
        for (int32_t d = 0; d < matrix.diagonals; d++) {
            results.data[d].value = unwritten;
        }
    }
    ~SumRun() {
        deleteArray(&results);
        deleteMatrix(&matrix);
    }
    // The slots' bits, so that NaN (unwritten) compares equal to itself.
    std::vector<uint32_t> slotBits() const {
        std::vector<uint32_t> bits(static_cast<size_t>(matrix.diagonals));
        for (size_t d = 0; d < bits.size(); d++) {
            std::memcpy(&bits[d], &results.data[d].value, sizeof(float));
        }
        return bits;
    }
};

void startAndJoin(int32_t workers, void* (*routine)(void*), const std::function<void*(int32_t)>& argument) {
    std::vector<pthread_t> threads(static_cast<size_t>(workers));
    for (int32_t k = 0; k < workers; k++) {
        ASSERT_EQ(pthread_create(&threads[static_cast<size_t>(k)], nullptr, routine, argument(k)), 0);
    }
    for (const pthread_t thread : threads) {
        pthread_join(thread, nullptr);
    }
}

// The document's worker, one thread per worker.
std::vector<uint32_t> documentSums(uint32_t rows, uint32_t columns, int32_t workers) {
    SumRun run(rows, columns);
    std::vector<ThreadArgs> args;
    for (int32_t k = 0; k < workers; k++) {
        args.push_back(ThreadArgs{&run.matrix, static_cast<uint16_t>(k), workers, &run.results});
    }
    startAndJoin(workers, threadSumFunc, [&](int32_t k) { return &args[static_cast<size_t>(k)]; });
    return run.slotBits();
}

std::vector<uint32_t> spawnedSums(Split split, SumRun* run, SplitWork* work, int32_t workers) {
    prepareSplitWork(work, split, &run->matrix, &run->results, workers);
    std::vector<SplitWorker> args;
    for (int32_t k = 0; k < workers; k++) {
        args.push_back(SplitWorker{work, k});
    }
    startAndJoin(workers, splitWorkerStart, [&](int32_t k) { return &args[static_cast<size_t>(k)]; });
    return run->slotBits();
}

const std::vector<std::pair<uint32_t, uint32_t>> sizes = {{1, 1}, {3, 4}, {4, 3}, {500, 500}, {7, 1000}};

}  // namespace

TEST(SplitWorkers, EverySplitLeavesTheDocumentsSumsAtAnyWorkerCount) {
    for (const auto& [rows, columns] : sizes) {
        const int32_t diagonals = static_cast<int32_t>(rows + columns - 1);
        for (const int32_t workers : {1, 2, 4, 127, diagonals + 3}) {
            const std::vector<uint32_t> expected = documentSums(rows, columns, workers);
            for (const Split split : allSplits) {
                SumRun run(rows, columns);
                SplitWork work;
                EXPECT_EQ(spawnedSums(split, &run, &work, workers), expected)
                    << splitName(split) << ", " << rows << " x " << columns << ", " << workers << " workers";
            }
        }
    }
}

TEST(SplitWorkers, CalledInTurnAsTeamMembersTheyLeaveTheSameSums) {
    for (const Split split : allSplits) {
        SumRun run(7, 1000);
        SplitWork work;
        prepareSplitWork(&work, split, &run.matrix, &run.results, 8);
        int32_t summed = 0;
        for (int32_t k = 0; k < 8; k++) {
            summed += sumSplitShare(&work, k);
        }
        EXPECT_EQ(summed, run.matrix.diagonals) << splitName(split);
        EXPECT_EQ(run.slotBits(), documentSums(7, 1000, 8)) << splitName(split);
        EXPECT_EQ(sumSplitShare(&work, 8), 0) << "no worker 8 of 8";
    }
}

TEST(SplitWorkers, DynamicWorkersCountTheCellsTheyTook) {
    // In turn, worker 0 takes every diagonal before the others start.
    SumRun run(500, 500);
    SplitWork work;
    prepareSplitWork(&work, Split::dynamic, &run.matrix, &run.results, 4);
    for (int32_t k = 0; k < 4; k++) {
        sumSplitShare(&work, k);
    }
    EXPECT_EQ(work.cells, (std::vector<int64_t>{250000, 0, 0, 0}));
    EXPECT_EQ(splitElementsMax(work), 250000);
    // Spawned, the counts still cover the matrix once; preparing again
    // starts the counter and the counts afresh.
    SumRun again(500, 500);
    spawnedSums(Split::dynamic, &again, &work, 127);
    EXPECT_EQ(std::accumulate(work.cells.begin(), work.cells.end(), int64_t{0}), 250000);
    EXPECT_GE(splitElementsMax(work).value(), 250000 / 127);
}

TEST(SplitWorkers, StaticElementsMaxComesFromTheGeometry) {
    SumRun run(500, 500);
    SplitWork work;
    prepareSplitWork(&work, Split::blocks, &run.matrix, &run.results, 4);
    EXPECT_EQ(splitElementsMax(work), staticElementsMax(Split::blocks, 500, 500, 4));
    prepareSplitWork(&work, Split::roundRobin, &run.matrix, &run.results, 4);
    EXPECT_EQ(splitElementsMax(work), 62500);
}
