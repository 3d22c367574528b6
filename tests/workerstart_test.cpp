// Spawn runs whose workers get a stack size, a CPU, a split or a record:
// the same sums as a run with default attributes, every worker's start
// noted, and a worker that cannot be started reported like any other.
#include "app/workerstart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runsums.h"
#include "trace/tracesummary.h"

namespace {

std::vector<float> defaultSums(int32_t rows, int32_t columns, int32_t workers) {
    DiagRun run;
    RunTime time;
    EXPECT_TRUE(timeDiagRun(&run, rows, columns, workers, &time));
    std::vector<float> out = runSums(run);
    releaseDiagRun(&run);
    return out;
}

}  // namespace

TEST(WorkerStart, SizedAndBoundWorkersSumAsDefaultOnesAndNoteTheirCpu) {
    const int32_t cpu = allowedCpus().front();
    CpuMasks masks;
    ASSERT_TRUE(makeCpuMasks({cpu}, &masks));
    for (const bool bound : {false, true}) {
        WorkerStart start;
        start.stackSize = 64 * 1024;
        start.masks = bound ? &masks : nullptr;
        reserveWorkerStarts(&start, 9);
        DiagRun run;
        RunTime time;
        ASSERT_TRUE(timeStartedRun(&run, 7, 5, 9, &start, &time));
        EXPECT_EQ(runSums(run), defaultSums(7, 5, 9));
        releaseDiagRun(&run);
        EXPECT_EQ(start.startCpus, std::vector<int32_t>(9, bound ? cpu : -1)) << "noted only when bound";
        if (bound) {
            EXPECT_EQ(checkPlacement(masks, start.startCpus.data(), 9).cpusUsed, 1);
            EXPECT_EQ(checkPlacement(masks, start.startCpus.data(), 9).misses, 0);
        }
    }
}

// Every split, each worker recorded around it: the default run's sums, and a
// record whose workers lie inside the interval's own wall clock, each one
// created and joined by the driver.
TEST(WorkerStart, SplitAndRecordedWorkersSumAsDefaultOnesWithEveryEdgeRead) {
    for (const Split split : allSplits) {
        SplitWork work;
        RunTrace trace;
        WorkerStart start;
        start.split = split == defaultSplit ? nullptr : &work;
        start.trace = &trace;
        reserveWorkerStarts(&start, 9);
        reserveRunTrace(&trace, 9);
        DiagRun run;
        prepareSplitWork(&work, split, &run.matrix, &run.results, 9);
        RunTime time;
        ASSERT_TRUE(timeStartedRun(&run, 7, 5, 9, &start, &time));
        EXPECT_EQ(runSums(run), defaultSums(7, 5, 9)) << splitName(split);
        releaseDiagRun(&run);
        trace.run = Span{time.wallBeginNs, time.wallEndNs};
        EXPECT_TRUE(summarizeRunTrace(trace).has_value()) << splitName(split);
        for (size_t k = 0; k < 9; k++) {
            EXPECT_GE(trace.workers[k].wall.beginNs, trace.creates[k].beginNs) << k;
            EXPECT_GE(trace.joins[k].endNs, trace.workers[k].wall.endNs) << k;
        }
    }
}

TEST(WorkerStart, AStackTheSystemCannotGiveIsAFailedStart) {
    WorkerStart start;
    start.stackSize = size_t{1} << 50;  // more than the address space
    DiagRun run;
    RunTime time;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(timeStartedRun(&run, 3, 4, 2, &start, &time));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(run.args, nullptr) << "released";
    EXPECT_EQ(out.rfind("diagsum: Could not create thread 1 of 2: ", 0), 0u) << out;
}
