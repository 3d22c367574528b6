#include "machine/rangelist.h"

#include <gtest/gtest.h>

#include <charconv>
#include <string_view>
#include <vector>

namespace {

bool readDigits(std::string_view text, int32_t* number) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *number);
    return !text.empty() && text.front() != '-' && error == std::errc{} && end == text.data() + text.size();
}

}  // namespace

TEST(ListItems, EveryItemBetweenTheCommasEmptyOnesIncluded) {
    EXPECT_EQ(listItems("0,2,4-7"), (std::vector<std::string_view>{"0", "2", "4-7"}));
    EXPECT_EQ(listItems(""), (std::vector<std::string_view>{""}));
    EXPECT_EQ(listItems("1,,2,"), (std::vector<std::string_view>{"1", "", "2", ""}));
}

TEST(NumberRange, OneNumberOrTwoJoinedByADashEitherWay) {
    NumberRange range{};
    ASSERT_TRUE(parseNumberRange("5", readDigits, &range));
    EXPECT_EQ(range.first, 5);
    EXPECT_EQ(range.last, 5);
    ASSERT_TRUE(parseNumberRange("8-1", readDigits, &range));
    EXPECT_EQ(range.first, 8);
    EXPECT_EQ(range.last, 1);
    for (std::string_view bad : {"", "-", "-3", "3-", "1--3", "1-2-3", "x", "1-x"}) {
        EXPECT_FALSE(parseNumberRange(bad, readDigits, &range)) << bad;
    }
}
