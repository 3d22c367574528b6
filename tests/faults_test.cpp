// Failure paths, driven by the fault-injecting wrappers around malloc,
// realloc and pthread_create. Under AddressSanitizer every test here also
// proves that a failure leaks nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/benchmark.h"
#include "app/main.h"
#include "faultinject.h"
#include "gridstore/gridstore.h"
#include "slotstore/slotstore.h"
#include "testsupport.h"

namespace {

class Faults : public testing::Test {
  protected:
    void SetUp() override {
        faultinject::reset();
        testsupport::feedStdin("\n\n\n");
    }
    void TearDown() override { faultinject::reset(); }
};

}  // namespace

TEST_F(Faults, MatrixTableFailureReportsAndWaitsForEnter) {
    testsupport::feedStdin("\nleft");
    Matrix m{};
    faultinject::failAllocationAfter(0);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(createMatrix(&m, 4, 4));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Erro 1 ao alocar matriz\n");
    EXPECT_EQ(m.values, nullptr);
    EXPECT_EQ(std::getchar(), 'l') << "exactly one character (the Enter) was consumed";
    deleteMatrix(&m);
}

TEST_F(Faults, MatrixRowFailureReleasesRowsAlreadyMade) {
    for (long failing = 1; failing <= 5; failing++) {
        Matrix m{};
        faultinject::failAllocationAfter(failing);  // the table, then failing - 1 rows
        testing::internal::CaptureStdout();
        EXPECT_FALSE(createMatrix(&m, 5, 8));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Erro 2 ao alocar matriz\n");
        EXPECT_EQ(m.values, nullptr);
        deleteMatrix(&m);  // harmless on a failed matrix
    }
    faultinject::reset();
    Matrix m{};
    ASSERT_TRUE(createMatrix(&m, 5, 8));
    EXPECT_EQ(faultinject::allocations(), 6);
    deleteMatrix(&m);
}

TEST_F(Faults, ArrayCreationFailureLeavesNoSlots) {
    Array a{};
    faultinject::failAllocationAfter(0);
    EXPECT_FALSE(createArray(&a, 16));
    EXPECT_EQ(a.data, nullptr);
    EXPECT_EQ(a.capacity, 0u);
    EXPECT_EQ(a.top, -1);
    ArrayItem it{};
    it.value = 3.0f;
    ASSERT_TRUE(arrayAddTop(&a, it)) << "the failed array can still grow";
    EXPECT_EQ(a.capacity, 10u);
    deleteArray(&a);
}

TEST_F(Faults, FailedGrowthLeavesArrayUnchanged) {
    Array a{};
    ASSERT_TRUE(createArray(&a, 2));
    ArrayItem it{};
    for (int i = 0; i < 2; i++) {
        it.value = static_cast<float>(i);
        ASSERT_TRUE(arrayAddTop(&a, it));
    }
    ArrayItem* block = a.data;
    faultinject::failAllocationAfter(0);
    it.value = 99.0f;
    EXPECT_FALSE(arrayAddTop(&a, it));
    EXPECT_EQ(a.top, 1);
    EXPECT_EQ(a.capacity, 2u);
    EXPECT_EQ(a.data, block);
    for (uint32_t p = 0; p < 2; p++) {
        ArrayItem out{};
        ASSERT_FALSE(accessPosition(&a, p, &out));
        EXPECT_EQ(out.value, static_cast<float>(p));
    }
    faultinject::failAllocationAfter(0);
    EXPECT_FALSE(reallocArray(&a, 50));
    EXPECT_EQ(a.capacity, 2u);
    deleteArray(&a);
}

// The allocations of one 500 x 500 run: the row table, 500 rows, the result
// array, the handle array and the argument table.
namespace {

constexpr long rowTable = 0;
constexpr long someRow = 250;
constexpr long resultArray = 501;
constexpr long handleArray = 502;
constexpr long argumentTable = 503;

struct DriverOutcome {
    int result;
    std::string out;
};

template <typename Driver>
DriverOutcome runDriver(Driver driver) {
    testing::internal::CaptureStdout();
    const int result = driver();
    return {result, testing::internal::GetCapturedStdout()};
}

// The driver run with allocation `failing` failing (an Enter waiting
// should it prompt).
template <typename Driver>
DriverOutcome runFailingAllocation(Driver driver, long failing) {
    testsupport::feedStdin("\n");
    faultinject::reset();
    faultinject::failAllocationAfter(failing);
    return runDriver(driver);
}

// Each allocation of a run that can fail, with what the driver then prints.
const std::pair<long, std::string> allocationFailures[] = {
    {rowTable, "Erro 1 ao alocar matriz\nCould not create the matrix\n"},
    {someRow, "Erro 2 ao alocar matriz\nCould not create the matrix\n"},
    {resultArray, "Could not allocate the result array\n"},
    {handleArray, "Could not allocate the thread array\n"},
    {argumentTable, "Erro ao alocar"},
};

const std::string singleHead = "Matriz: (500 X 500)\nThreads: 4\n";

// The drivers' tests count this build's allocations of a 500 x 500 run and
// compare the console word for word.
#define skipUnlessPlainDrivers()                                                                  \
    if (!testsupport::plainConsoleAndLog || DIAGSUM_DEFAULT_M != 500 || DIAGSUM_DEFAULT_N != 500) \
    GTEST_SKIP() << "needs the default console, log and single-run size"

}  // namespace

TEST_F(Faults, SingleRunAllocatesExactlyTheRunsParts) {
    skipUnlessPlainDrivers();
    testsupport::ScratchDir dir;
    EXPECT_EQ(runDriver(nomain).result, 0);
    EXPECT_EQ(faultinject::allocations(), argumentTable + 1);
    EXPECT_EQ(faultinject::threadStarts(), 4);
}

TEST_F(Faults, SingleRunStopsOnEachAllocationFailure) {
    skipUnlessPlainDrivers();
    for (const auto& [failing, message] : allocationFailures) {
        testsupport::ScratchDir dir;
        const DriverOutcome run = runFailingAllocation(nomain, failing);
        EXPECT_EQ(run.result, -1) << failing;
        EXPECT_EQ(run.out, singleHead + message);
        EXPECT_EQ(faultinject::threadStarts(), 0);
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "no file written after allocation " << failing;
    }
}

TEST_F(Faults, SingleRunJoinsStartedWorkersWhenOneCannotStart) {
    skipUnlessPlainDrivers();
    for (long failing = 0; failing < 4; failing++) {
        testsupport::ScratchDir dir;
        faultinject::reset();
        faultinject::failThreadStartAfter(failing);
        const DriverOutcome run = runDriver(nomain);
        EXPECT_EQ(run.result, -1);
        EXPECT_EQ(run.out, singleHead + "diagsum: Could not create thread " + std::to_string(failing + 1) +
                               " of 4: Resource temporarily unavailable\n");
        EXPECT_EQ(faultinject::threadStarts(), failing + 1);
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    }
}

TEST_F(Faults, SweepStopsOnEachAllocationFailure) {
    skipUnlessPlainDrivers();
    for (const auto& [failing, message] : allocationFailures) {
        testsupport::ScratchDir dir;
        const DriverOutcome run = runFailingAllocation(benchmarkSweep, failing);
        EXPECT_EQ(run.result, -1);
        EXPECT_EQ(run.out, message);
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    }
}

TEST_F(Faults, SweepKeepsLoggedRunsWhenAWorkerCannotStart) {
    skipUnlessPlainDrivers();
    // 50 runs of one worker, then the second worker of the first two-worker
    // run fails to start.
    testsupport::ScratchDir dir;
    faultinject::failThreadStartAfter(51);
    const DriverOutcome run = runDriver(benchmarkSweep);
    EXPECT_EQ(run.result, -1);
    ASSERT_EQ(run.out.substr(0, 4), "1 - ");
    EXPECT_EQ(run.out.substr(run.out.find('\n') + 1),
              "diagsum: Could not create thread 2 of 2: Resource temporarily unavailable\n");
    const std::string log = testsupport::readFile("infoData.csv");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 50);
    EXPECT_EQ(faultinject::threadStarts(), 52);
}
