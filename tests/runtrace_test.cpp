// The recorder around real workers: the document's worker, which ends with
// pthread_exit, still gets its end; the spans of one run lie in the order
// the run made them; a worker's processor time is its own; and the slots
// are made before the run and not made again.
#include "trace/runtrace.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <cstdint>
#include <vector>

#include "app/diagworker.h"
#include "trace/tracesummary.h"

namespace {

// One traced spawn run of the document's worker on a rows x columns matrix
// of ones, marked as a driver would mark it.
struct TracedRunOfOnes {
    Matrix matrix{};
    Array results{};
    RunTrace trace;
    TracedRunOfOnes(uint32_t rows, uint32_t columns, int32_t workers) {
        EXPECT_TRUE(createMatrix(&matrix, rows, columns));
        fillMatrix(matrix, 1.0f);
        EXPECT_TRUE(createArray(&results, static_cast<uint32_t>(matrix.diagonals)));
        results.top = matrix.diagonals - 1;
        reserveRunTrace(&trace, workers);
        const auto count = static_cast<size_t>(workers);
        std::vector<ThreadArgs> args(count);
        std::vector<TracedWorker> traced(count);
        std::vector<pthread_t> threads(count);
        beginSpan(&trace.run);
        for (size_t k = 0; k < count; k++) {
            args[k] = ThreadArgs{&matrix, static_cast<uint16_t>(k), workers, &results};
            traced[k] = TracedWorker{threadSumFunc, &args[k], &trace.workers[k]};
            beginSpan(&trace.creates[k]);
            EXPECT_EQ(pthread_create(&threads[k], nullptr, tracedWorkerStart, &traced[k]), 0);
            endSpan(&trace.creates[k]);
        }
        for (size_t k = 0; k < count; k++) {
            beginSpan(&trace.joins[k]);
            pthread_join(threads[k], nullptr);
            endSpan(&trace.joins[k]);
        }
        endSpan(&trace.run);
    }
    ~TracedRunOfOnes() {
        deleteArray(&results);
        deleteMatrix(&matrix);
    }
};

bool inside(const Span& inner, const Span& outer) {
    return outer.beginNs <= inner.beginNs && inner.beginNs <= inner.endNs && inner.endNs <= outer.endNs;
}

// Spins until the calling thread has used `argument` ns of processor time.
void* spin(void* argument) {
    const int64_t until = threadCpuNs() + *static_cast<int64_t*>(argument);
    while (threadCpuNs() < until) {
    }
    return argument;
}

}  // namespace

TEST(RunTrace, TheDocumentsWorkersSpansEndThroughPthreadExitInTheOrderTheRunMadeThem) {
    TracedRunOfOnes run(500, 500, 9);
    for (int32_t d = 0; d < 999; d++) {
        ASSERT_EQ(run.results.data[d].value, static_cast<float>(d <= 499 ? d + 1 : 999 - d)) << d;
    }
    const RunTrace& trace = run.trace;
    for (size_t k = 0; k < 9; k++) {
        EXPECT_TRUE(inside(trace.creates[k], trace.run)) << k;
        EXPECT_TRUE(inside(trace.joins[k], trace.run)) << k;
        EXPECT_TRUE(inside(trace.workers[k].wall, trace.run)) << k;
        EXPECT_GE(trace.workers[k].cpuBeginNs, 0) << k;
        EXPECT_GE(trace.workers[k].cpuEndNs, trace.workers[k].cpuBeginNs) << k;
        EXPECT_GE(trace.workers[k].wall.beginNs, trace.creates[k].beginNs) << "starts once created";
        EXPECT_LE(trace.workers[k].wall.endNs, trace.joins[k].endNs) << "ends before it is joined";
        if (k > 0) {
            EXPECT_GE(trace.creates[k].beginNs, trace.creates[k - 1].endNs);
            EXPECT_GE(trace.joins[k].beginNs, trace.joins[k - 1].endNs);
        }
    }
    EXPECT_GE(trace.joins[0].beginNs, trace.creates[8].endNs);
    const auto summary = summarizeRunTrace(trace);
    ASSERT_TRUE(summary.has_value());
    EXPECT_GT(summary->parallelEfficiency.value(), 0.0);
    EXPECT_LE(summary->parallelEfficiency.value(), 1.0);
}

TEST(RunTrace, AWorkerThatReturnsKeepsItsResultAndItsOwnProcessorTime) {
    int64_t busyNs = 3'000'000;
    RunTrace trace;
    reserveRunTrace(&trace, 1);
    TracedWorker traced{spin, &busyNs, &trace.workers[0]};
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, nullptr, tracedWorkerStart, &traced), 0);
    void* result = nullptr;
    pthread_join(thread, &result);
    EXPECT_EQ(result, &busyNs);
    const WorkerSpan& worker = trace.workers[0];
    EXPECT_GE(worker.cpuEndNs - worker.cpuBeginNs, busyNs);
    EXPECT_LE(worker.cpuEndNs - worker.cpuBeginNs, worker.wall.endNs - worker.wall.beginNs)
        << "the processor time lies inside the wall span";
}

TEST(RunTrace, ReservingAgainClearsTheSlotsWithoutMakingNewOnes) {
    RunTrace trace;
    reserveRunTrace(&trace, 8);
    const WorkerSpan* slots = trace.workers.data();
    beginWorker(&trace.workers[3]);
    beginSpan(&trace.run);
    reserveRunTrace(&trace, 5);
    EXPECT_EQ(trace.workers.data(), slots);
    EXPECT_EQ(trace.workers.size(), 5u);
    EXPECT_EQ(trace.joins.size(), 5u);
    EXPECT_EQ(trace.workers[3].wall.beginNs, -1);
    EXPECT_EQ(trace.workers[3].cpuBeginNs, -1);
    EXPECT_EQ(trace.run.beginNs, -1);
}
