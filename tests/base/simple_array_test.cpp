#include <gtest/gtest.h>

#include <string>

#include "base/simple_array.h"

namespace {

// Serves the real allocator until failuresFrom allocations have been made.
int allocationsLeft = -1;
void* limitedAllocate(std::size_t bytes) {
    if (allocationsLeft == 0) return nullptr;
    if (allocationsLeft > 0) --allocationsLeft;
    return std::malloc(bytes);
}

struct AllocatorLimit {
    explicit AllocatorLimit(int n) {
        allocationsLeft = n;
        simple_array_detail::allocate = limitedAllocate;
    }
    ~AllocatorLimit() {
        allocationsLeft = -1;
        simple_array_detail::allocate = [](std::size_t bytes) -> void* { return std::malloc(bytes); };
    }
};

TEST(SimpleArray, AppendGrowsGeometricallyAndKeepsOrder) {
    SimpleArray<int32_t> a;
    EXPECT_EQ(a.capacity, 0);
    EXPECT_EQ(a.items, nullptr);
    int reallocations = 0;
    int32_t* last = nullptr;
    for (int i = 0; i < 100000; ++i) {
        ASSERT_TRUE(a.append(i));
        if (a.items != last) {
            ++reallocations;
            last = a.items;
        }
    }
    EXPECT_EQ(a.count, 100000);
    EXPECT_LT(reallocations, 20);  // doubling, not one slot per append
    for (int i = 0; i < a.count; ++i) ASSERT_EQ(a[i], i);
}

TEST(SimpleArray, ResetReserveAllocatesExactlyAndDropsContents) {
    SimpleArray<std::u16string> a;
    a.append(u"one");
    a.append(u"two");
    ASSERT_TRUE(a.resetReserve(7));
    EXPECT_EQ(a.capacity, 7);
    EXPECT_EQ(a.count, 0);
    ASSERT_TRUE(a.resetReserve(0));
    EXPECT_EQ(a.capacity, 0);
    EXPECT_EQ(a.items, nullptr);
}

TEST(SimpleArray, RequestsBeyondThirtyTwoBitsFailAndKeepContents) {
    SimpleArray<double> a;
    a.append(1.5);
    a.append(2.5);
    EXPECT_EQ(SimpleArray<double>::maxCount(), 0xFFFFFFFF / 8);
    EXPECT_FALSE(a.resetReserve(SimpleArray<double>::maxCount() + 1));
    EXPECT_FALSE(a.resetReserve(-1));
    ASSERT_EQ(a.count, 2);
    EXPECT_EQ(a[0], 1.5);
    EXPECT_EQ(a[1], 2.5);
}

TEST(SimpleArray, FailedAllocationLeavesArrayUsable) {
    SimpleArray<std::u16string> a;
    a.append(u"alpha");
    while (a.count < a.capacity) a.append(u"fill");
    const int32_t before = a.count;
    {
        AllocatorLimit limit(0);
        EXPECT_FALSE(a.append(u"refused"));
        EXPECT_FALSE(a.resetReserve(3));
    }
    ASSERT_EQ(a.count, before);
    EXPECT_EQ(a[0], u"alpha");
    EXPECT_TRUE(a.append(u"later"));
    EXPECT_EQ(a[a.count - 1], u"later");
}

TEST(SimpleArray, AppendOfOwnElementSurvivesGrowth) {
    SimpleArray<std::u16string> a;
    a.append(u"self");
    while (a.count < a.capacity) a.append(u"x");
    ASSERT_TRUE(a.append(a[0]));
    EXPECT_EQ(a[a.count - 1], u"self");
}

}  // namespace
