// What the report takes from a sweep's JSON context: where and when it ran,
// the machine's processors, how the runs were ordered and how many were
// asked for, and whether the sweep was stopped and how far it got. A key
// that is missing or of another type is left empty.
#pragma once

#include <nlohmann/json.hpp>

#include "report/sweep/model.h"

// The member `key` of `object`; null when it has none.
inline const nlohmann::json* jsonMember(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

// The context of `document` (the whole JSON file).
InputContext readContext(const nlohmann::json& document);
