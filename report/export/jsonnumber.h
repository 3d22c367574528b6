// A number as the exported JSON writes it.
#pragma once

#include <cmath>
#include <nlohmann/json.hpp>

// `value`, or null where it is not finite: JSON has no NaN or infinity.
inline nlohmann::ordered_json exportedNumber(double value) {
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}
