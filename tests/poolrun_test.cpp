// Pool runs against spawn runs, with every split and recorded, the refusal
// of a short team, and the wait policy libgomp took.
#include "app/poolrun.h"

#include <gtest/gtest.h>
#include <omp.h>

#include <string>
#include <vector>

#include "runsums.h"
#include "testsupport.h"
#include "trace/tracesummary.h"

using namespace std::string_literals;

namespace {

// Under ThreadSanitizer every access and every thread is slow: a reduced
// case, still with more workers than diagonals.
#if defined(__SANITIZE_THREAD__)
const std::pair<int32_t, int32_t> shapes[] = {{1, 1}, {3, 4}, {7, 2}, {40, 30}};
const int32_t workerCounts[] = {1, 2, 3, 8, 127};
#else
const std::pair<int32_t, int32_t> shapes[] = {{1, 1}, {3, 4}, {7, 2}, {500, 500}};
const int32_t workerCounts[] = {1, 2, 3, 8, 127, 1200};
#endif

}  // namespace

TEST(PoolRun, LeavesTheSameSlotsAsASpawnRun) {
    for (int32_t workers : workerCounts) {
        ASSERT_TRUE(startPoolTeam(workers));
        for (auto [rows, columns] : shapes) {
            DiagRun spawn, pool;
            RunTime time;
            ASSERT_TRUE(timeDiagRun(&spawn, rows, columns, workers, &time));
            ASSERT_TRUE(timePoolRun(&pool, rows, columns, workers, &time));
            EXPECT_EQ(runSums(pool), runSums(spawn)) << rows << " x " << columns << ", " << workers;
            releaseDiagRun(&spawn);
            releaseDiagRun(&pool);
        }
        endPoolTeam();
    }
}

TEST(PoolRun, EverySplitRecordedLeavesTheSameSlotsWithEachMembersPartInsideTheRun) {
    ASSERT_TRUE(startPoolTeam(9));
    for (const Split split : allSplits) {
        DiagRun spawn, pool;
        RunTime time;
        ASSERT_TRUE(timeDiagRun(&spawn, 7, 5, 9, &time));
        SplitWork work;
        prepareSplitWork(&work, split, &pool.matrix, &pool.results, 9);
        RunTrace trace;
        reserveRunTrace(&trace, 9);
        ASSERT_TRUE(timePoolRun(&pool, 7, 5, 9, &time,
                                PoolRunWork{nullptr, split == defaultSplit ? nullptr : &work, &trace}));
        EXPECT_EQ(runSums(pool), runSums(spawn)) << splitName(split);
        releaseDiagRun(&spawn);
        releaseDiagRun(&pool);
        trace.run = Span{time.wallBeginNs, time.wallEndNs};
        EXPECT_TRUE(summarizeRunTrace(trace).has_value()) << splitName(split);
        EXPECT_EQ(trace.creates[0].beginNs, -1) << "a team member is not created by the run";
    }
    endPoolTeam();
}

TEST(PoolRun, ATeamSmallerThanAskedIsRefused) {
    const int levels = omp_get_max_active_levels();
    omp_set_max_active_levels(0);  // every region now gets one thread
    testing::internal::CaptureStdout();
    EXPECT_FALSE(startPoolTeam(4));
    DiagRun run;
    RunTime time;
    EXPECT_FALSE(timePoolRun(&run, 3, 4, 4, &time));
    EXPECT_EQ(run.args, nullptr) << "released";
    const std::string out = testing::internal::GetCapturedStdout();
    omp_set_max_active_levels(levels);
    EXPECT_EQ(out, "Could not create the thread team (1 of 4)\nCould not create the thread team (1 of 4)\n");
}

TEST(PoolRun, ABoundTeamStartsEveryRunOnItsCpusAndGivesTheInitialThreadItsOwnBack) {
    const std::vector<int32_t> allowed = allowedCpus();
    CpuMasks masks;
    ASSERT_TRUE(makeCpuMasks({allowed.front()}, &masks));
    ASSERT_TRUE(startPoolTeam(3, &masks));
    for (int i = 0; i < 2; i++) {
        std::vector<int32_t> startCpus(3, -1);
        DiagRun run;
        RunTime time;
        ASSERT_TRUE(timePoolRun(&run, 7, 5, 3, &time, PoolRunWork{startCpus.data()}));
        releaseDiagRun(&run);
        EXPECT_EQ(checkPlacement(masks, startCpus.data(), 3).misses, 0);
        EXPECT_EQ(startCpus, std::vector<int32_t>(3, allowed.front()));
    }
    endPoolTeam();
    EXPECT_EQ(allowedCpus(), allowed);
}

TEST(PoolWait, IdleWorkersSleepAtOnceUnlessTheUserChose) {
    // NUL-separated, with a NUL before the first name too.
    std::string started(1, '\0');
    started += testsupport::readFile("/proc/self/environ");
    for (const char* chosen : {"OMP_WAIT_POLICY", "GOMP_SPINCOUNT", "KMP_BLOCKTIME", "KMP_LIBRARY"}) {
        if (started.find("\0"s + chosen + "=") != std::string::npos) {
            GTEST_SKIP() << "the user chose how idle workers wait: " << chosen;
        }
    }
    testing::internal::CaptureStderr();
    omp_display_env(1);
    const std::string shown = testing::internal::GetCapturedStderr();
#if defined(__clang__)
    EXPECT_NE(shown.find("KMP_BLOCKTIME='0'"), std::string::npos) << shown;  // LLVM's libomp
#else
    EXPECT_NE(shown.find("GOMP_SPINCOUNT = '0'"), std::string::npos) << shown;  // GCC's libgomp
#endif
}
