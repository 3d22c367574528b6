// The names an enumeration's values are written with, in the options, the
// outputs and the JSON: one table of {value, name} pairs kept beside the
// enumeration, read both ways. A table takes the place of a switch, so
// each table is checked when compiled (tableNamesEach below) that it names
// every value once, and with names of its own.
#pragma once

#include <cstddef>
#include <string_view>

template <typename Value>
struct ValueName {
    Value value;
    const char* name;
};

// The name of `value` in `table`; the first entry's name for a value the
// table lacks (none does once tableNamesEach holds).
template <typename Value, size_t N>
constexpr const char* nameOf(Value value, const ValueName<Value> (&table)[N]) {
    for (const ValueName<Value>& entry : table) {
        if (entry.value == value) {
            return entry.name;
        }
    }
    return table[0].name;
}

// Sets `value` to the value named exactly `text`; false, leaving it alone,
// when no entry has that name.
template <typename Value, size_t N>
constexpr bool valueNamed(std::string_view text, const ValueName<Value> (&table)[N], Value* value) {
    for (const ValueName<Value>& entry : table) {
        if (text == entry.name) {
            *value = entry.value;
            return true;
        }
    }
    return false;
}

// Whether `table` names each value from 0 to `last`, the enumeration's
// last value, exactly once, no other value, and no two values alike: for a
// static_assert beside the table, naming the new last value when one is
// added.
template <typename Value, size_t N>
constexpr bool tableNamesEach(const ValueName<Value> (&table)[N], Value last) {
    if (N != static_cast<size_t>(last) + 1) {
        return false;
    }
    for (size_t i = 0; i < N; i++) {
        if (static_cast<size_t>(table[i].value) >= N) {
            return false;
        }
        for (size_t j = 0; j < i; j++) {
            if (table[i].value == table[j].value || std::string_view(table[i].name) == table[j].name) {
                return false;
            }
        }
    }
    return true;
}
