#pragma once

#include <algorithm>
#include <string_view>

// Decimal digits as the file format writes them, read without a locale.

inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A lambda rather than a function pointer: every text of every box goes through this, and a
// pointer keeps the test from being inlined.
inline bool allDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return isDigit(c); });
}
