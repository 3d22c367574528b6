// Option values that are one of a few names ("spawn", "compact",
// "interleaved"): the name looked up among the choices an option offers.
#pragma once

#include <initializer_list>
#include <string_view>
#include <utility>

// Sets `value` to the choice named `text` exactly; false, leaving it
// alone, when no choice has that name.
template <typename Value>
bool pickName(std::string_view text, std::initializer_list<std::pair<std::string_view, Value>> choices,
              Value* value) {
    for (const auto& [name, choice] : choices) {
        if (text == name) {
            *value = choice;
            return true;
        }
    }
    return false;
}
