#include "leadinginteger.h"

#include <cstddef>
#include <limits>

namespace {

bool isLeadingSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

long long parseLeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isLeadingSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate towards the sign so that the most negative value is reachable.
    constexpr long long maximum = std::numeric_limits<long long>::max();
    constexpr long long minimum = std::numeric_limits<long long>::min();
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (negative) {
            if (value < (minimum + digit) / 10) {
                return minimum;
            }
            value = value * 10 - digit;
        } else {
            if (value > (maximum - digit) / 10) {
                return maximum;
            }
            value = value * 10 + digit;
        }
    }
    return value;
}

long long saturatingAdd(long long a, long long b) {
    constexpr long long maximum = std::numeric_limits<long long>::max();
    constexpr long long minimum = std::numeric_limits<long long>::min();
    if (b > 0 && a > maximum - b) {
        return maximum;
    }
    if (b < 0 && a < minimum - b) {
        return minimum;
    }
    return a + b;
}
