// Fixed-point text for doubles, byte for byte what printf("%.*f") prints in
// the C locale (infinities and NaN included) at a fraction of its cost. The
// result file and the run log format every number through it.
#pragma once

#include <charconv>
#include <cmath>
#include <cstring>

// Room that formatFixed may need: sign, 309 integer digits, point, decimals.
constexpr int fixedTextCapacity(int precision) {
    return 1 + 309 + 1 + precision;
}

// Writes `value` with `precision` decimals at `out`, which must have
// fixedTextCapacity(precision) bytes; returns the end (no terminator).
inline char* formatFixed(char* out, double value, int precision) {
    if (std::isnan(value) || std::isinf(value)) {
        const char* text = std::isnan(value) ? "nan" : "inf";
        if (std::signbit(value)) {
            *out++ = '-';
        }
        std::memcpy(out, text, 3);
        return out + 3;
    }
    // Whole numbers (every diagonal sum of a matrix of ones) need no
    // rounding: their digits, then the point and zeros.
    constexpr double exactIntegerLimit = 9007199254740992.0;  // 2^53
    if (std::fabs(value) < exactIntegerLimit && value == std::trunc(value)) {
        if (std::signbit(value)) {
            *out++ = '-';
        }
        out = std::to_chars(out, out + 16, static_cast<unsigned long long>(std::fabs(value))).ptr;
        if (precision > 0) {
            *out++ = '.';
            std::memset(out, '0', static_cast<size_t>(precision));
            out += precision;
        }
        return out;
    }
    return std::to_chars(out, out + fixedTextCapacity(precision), value, std::chars_format::fixed, precision)
        .ptr;
}
