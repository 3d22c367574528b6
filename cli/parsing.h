// What the command line's value parsers share: a value that is one of a
// few names ("spawn", "compact", "interleaved") looked up among the
// choices an option offers, and the refusal that says what is allowed.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

// Sets `why`, where given, to what is allowed; returns false, for the
// parser to return.
inline bool refuseValue(std::string* why, const std::string& allowed) {
    if (why != nullptr) {
        *why = allowed;
    }
    return false;
}

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
