// What the command line's value parsers share: the refusal that says what
// is allowed, and lists of values each given once. A value that is one of
// a few names ("spawn", "compact", "interleaved") is looked up in its
// enumeration's table of names (names/valuenames.h).
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "machine/rangelist.h"

// The largest count or size an option takes: an int32_t's.
inline constexpr int64_t int32Max = std::numeric_limits<int32_t>::max();

// Sets `why`, where given, to what is allowed; returns false, for the
// parser to return.
inline bool refuseValue(std::string* why, const std::string& allowed) {
    if (why != nullptr) {
        *why = allowed;
    }
    return false;
}

// A comma-separated list whose items `parseItem(item, &value)` reads, none
// given twice. False, leaving `values` alone, with `why` set to `allowed`,
// when an item does not read or comes again.
template <typename Value, typename ParseItem>
bool parseDistinctItems(std::string_view text, ParseItem parseItem, std::vector<Value>* values,
                        std::string* why, const std::string& allowed) {
    std::vector<Value> parsed;
    for (std::string_view item : listItems(text)) {
        Value value;
        if (!parseItem(item, &value) || std::find(parsed.begin(), parsed.end(), value) != parsed.end()) {
            return refuseValue(why, allowed);
        }
        parsed.push_back(value);
    }
    *values = std::move(parsed);
    return true;
}
