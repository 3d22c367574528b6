// Lists of numbers and ranges as the command line and the kernel write
// them, "0,2,4-7": the items between the commas, and each item one number
// or two joined by '-'. What a list may hold (which numbers, whether a
// range may run downwards, repeats) is left to each list's own reader:
// machine/placement.h for CPUs, cli/values.h for worker counts.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// The items between the commas, in order; an empty text, or two commas in
// a row, give an empty item.
std::vector<std::string_view> listItems(std::string_view text);

// From `first` to `last`, upwards or downwards; one number when they are
// equal.
struct NumberRange {
    int32_t first;
    int32_t last;
};

// Reads one number of an item; false when the text is not one.
using NumberReader = bool (*)(std::string_view text, int32_t* number);

// "N" (a range of one) or "N-M", each number read whole by `read`. False
// when the item is neither.
bool parseNumberRange(std::string_view item, NumberReader read, NumberRange* range);
