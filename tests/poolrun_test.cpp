// Pool runs against spawn runs of the same shapes and worker counts.
#include "app/poolrun.h"

#include <gtest/gtest.h>
#include <omp.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "testsupport.h"

using namespace std::string_literals;

namespace {

// The result slots of one run, as bit patterns so that every float compares
// exactly.
std::vector<uint32_t> slotBits(const DiagRun& run) {
    std::vector<uint32_t> bits(static_cast<size_t>(run.results.top + 1));
    for (size_t d = 0; d < bits.size(); d++) {
        std::memcpy(&bits[d], &run.results.data[d].value, sizeof(uint32_t));
    }
    return bits;
}

// Under ThreadSanitizer every access and every thread is slow: a reduced
// case that still has more workers than diagonals.
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
            EXPECT_EQ(slotBits(pool), slotBits(spawn)) << rows << " x " << columns << ", " << workers;
            EXPECT_EQ(pool.results.top, rows + columns - 2);
            releaseDiagRun(&spawn);
            releaseDiagRun(&pool);
        }
        endPoolTeam();
    }
}

TEST(PoolRun, ATeamSmallerThanAskedIsRefused) {
    // With no active parallel level allowed, every region gets one thread.
    const int levels = omp_get_max_active_levels();
    omp_set_max_active_levels(0);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(startPoolTeam(4));
    DiagRun run;
    RunTime time;
    EXPECT_FALSE(timePoolRun(&run, 3, 4, 4, &time));
    EXPECT_EQ(run.args, nullptr) << "released";
    EXPECT_TRUE(timePoolRun(&run, 3, 4, 1, &time));
    releaseDiagRun(&run);
    const std::string out = testing::internal::GetCapturedStdout();
    omp_set_max_active_levels(levels);
    EXPECT_EQ(out,
              "Erro ao criar a equipe de threads (1 de 4)\nErro ao criar a equipe de threads (1 de 4)\n");
}

TEST(PoolWait, IdleWorkersSleepAtOnceUnlessTheUserChose) {
    // The environment the program was started with, each entry after a NUL.
    std::string started(1, '\0');
    started += testsupport::readFile("/proc/self/environ");
    if (started.find("\0OMP_WAIT_POLICY="s) != std::string::npos ||
        started.find("\0GOMP_SPINCOUNT="s) != std::string::npos) {
        GTEST_SKIP() << "the user chose how idle workers wait";
    }
    testing::internal::CaptureStderr();
    omp_display_env(1);
    const std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_NE(shown.find("OMP_WAIT_POLICY = 'PASSIVE'"), std::string::npos) << shown;
    EXPECT_NE(shown.find("GOMP_SPINCOUNT = '0'"), std::string::npos) << shown;
}
