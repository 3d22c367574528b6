#include "slotstore/slotstore.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

ArrayItem item(float v) {
    ArrayItem it{};
    it.value = v;
    return it;
}

}  // namespace

TEST(SlotArrayCreation, StartsEmpty) {
    for (uint32_t capacity : {1u, 2u, 999u}) {
        Array a{};
        ASSERT_TRUE(createArray(&a, capacity));
        EXPECT_EQ(a.top, -1);
        EXPECT_EQ(a.bottom, -1);
        EXPECT_EQ(a.capacity, capacity);
        EXPECT_NE(a.data, nullptr);
        deleteArray(&a);
        EXPECT_EQ(a.data, nullptr);
    }
}

TEST(SlotArrayCreation, ResultArrayMarkedFullHoldsEverySlot) {
    Array a{};
    ASSERT_TRUE(createArray(&a, 999));
    a.top = static_cast<int32_t>(a.capacity) - 1;
    for (uint32_t i = 0; i < 999; i++) {
        a.data[i].value = static_cast<float>(i);
    }
    ArrayItem out{};
    EXPECT_FALSE(accessPosition(&a, 998, &out));
    EXPECT_EQ(out.value, 998.0f);
    EXPECT_TRUE(accessPosition(&a, 999, &out));
    deleteArray(&a);
}

TEST(SlotArrayCreation, CapacityZeroHoldsNoSlotAndGrowsToTen) {
    Array a{};
    ASSERT_TRUE(createArray(&a, 0));
    EXPECT_EQ(a.capacity, 0u);
    EXPECT_EQ(a.top, -1);
    ArrayItem out{};
    EXPECT_TRUE(accessPosition(&a, 0, &out));
    ASSERT_TRUE(arrayAddTop(&a, item(7.0f)));
    EXPECT_EQ(a.capacity, 10u);
    EXPECT_EQ(a.top, 0);
    EXPECT_FALSE(accessPosition(&a, 0, &out));
    EXPECT_EQ(out.value, 7.0f);
    deleteArray(&a);
}

TEST(SlotArrayGrowth, ThirdAppendToTwoSlotsGrowsToTwelve) {
    Array a{};
    ASSERT_TRUE(createArray(&a, 2));
    ASSERT_TRUE(arrayAddTop(&a, item(1.0f)));
    ASSERT_TRUE(arrayAddTop(&a, item(2.0f)));
    EXPECT_EQ(a.capacity, 2u);
    ASSERT_TRUE(arrayAddTop(&a, item(3.0f)));
    EXPECT_EQ(a.capacity, 12u);
    EXPECT_EQ(a.top, 2);
    for (uint32_t i = 0; i < 3; i++) {
        ArrayItem out{};
        EXPECT_FALSE(accessPosition(&a, i, &out));
        EXPECT_EQ(out.value, static_cast<float>(i + 1));
    }
    deleteArray(&a);
}

TEST(SlotArrayGrowth, KeepsItemsAcrossManyGrowths) {
    Array a{};
    ASSERT_TRUE(createArray(&a, 1));
    for (int i = 0; i < 95; i++) {
        ASSERT_TRUE(arrayAddTop(&a, item(static_cast<float>(i))));
    }
    EXPECT_EQ(a.capacity, 101u);
    for (uint32_t i = 0; i < 95; i++) {
        ArrayItem out{};
        ASSERT_FALSE(accessPosition(&a, i, &out));
        EXPECT_EQ(out.value, static_cast<float>(i));
    }
    deleteArray(&a);
}

TEST(SlotArrayGrowth, ReallocBelowSlotsInUseIsRefused) {
    Array a{};
    ASSERT_TRUE(createArray(&a, 4));
    for (int i = 0; i < 3; i++) {
        ASSERT_TRUE(arrayAddTop(&a, item(static_cast<float>(i))));
    }
    ArrayItem* before = a.data;
    EXPECT_FALSE(reallocArray(&a, 2));
    EXPECT_FALSE(reallocArray(&a, 0));
    EXPECT_EQ(a.data, before);
    EXPECT_EQ(a.capacity, 4u);
    EXPECT_EQ(a.top, 2);
    EXPECT_TRUE(reallocArray(&a, 3));  // exactly the slots in use
    EXPECT_EQ(a.capacity, 3u);
    ArrayItem out{};
    EXPECT_FALSE(accessPosition(&a, 2, &out));
    EXPECT_EQ(out.value, 2.0f);
    deleteArray(&a);
}

TEST(SlotArrayGrowth, ReallocOfEmptyArrayToZeroReleasesBlock) {
    Array a{};
    ASSERT_TRUE(createArray(&a, 5));
    EXPECT_TRUE(reallocArray(&a, 0));
    EXPECT_EQ(a.capacity, 0u);
    EXPECT_EQ(a.data, nullptr);
    ASSERT_TRUE(arrayAddTop(&a, item(1.0f)));
    deleteArray(&a);
}

TEST(SlotArrayGrowth, RefusesToGrowPastTheIndexRange) {
    // The record is not backed by memory: the refusal must come before any
    // slot or block is touched.
    Array full{nullptr, INT32_MAX, -1, UINT32_MAX};
    EXPECT_FALSE(arrayAddTop(&full, item(1.0f)));
    EXPECT_EQ(full.top, INT32_MAX);
    EXPECT_EQ(full.capacity, UINT32_MAX);
}

TEST(SlotArrayAccess, InvertedResultOnEmptyAndFilledArrays) {
    Array a{};
    ASSERT_TRUE(createArray(&a, 3));
    ArrayItem out = item(-1.0f);
    for (uint32_t p : {0u, 1u, 0x7fffffffu, 0x80000000u, UINT32_MAX}) {
        EXPECT_TRUE(accessPosition(&a, p, &out)) << p;
    }
    EXPECT_EQ(out.value, -1.0f) << "a refused read leaves the result alone";
    for (int i = 0; i < 3; i++) {
        ASSERT_TRUE(arrayAddTop(&a, item(10.0f + static_cast<float>(i))));
    }
    for (uint32_t p = 0; p < 3; p++) {
        EXPECT_FALSE(accessPosition(&a, p, &out));
        EXPECT_EQ(out.value, 10.0f + static_cast<float>(p));
    }
    EXPECT_TRUE(accessPosition(&a, 3, &out));
    EXPECT_TRUE(accessPosition(&a, UINT32_MAX, &out));
    deleteArray(&a);
}

TEST(SlotArrayAccess, HoldsThreadHandles) {
    Array a{};
    ASSERT_TRUE(createArray(&a, 1));
    ArrayItem self{};
    self.thread = pthread_self();
    ASSERT_TRUE(arrayAddTop(&a, self));
    ArrayItem out{};
    ASSERT_FALSE(accessPosition(&a, 0, &out));
    EXPECT_TRUE(pthread_equal(out.thread, pthread_self()));
    deleteArray(&a);
}
