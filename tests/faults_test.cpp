// Failure paths, driven by the fault-injecting wrappers around malloc,
// realloc and pthread_create. Under AddressSanitizer every test here also
// proves that a failure leaks nothing.
#include <gtest/gtest.h>

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
