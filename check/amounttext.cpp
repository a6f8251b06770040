#include "amounttext.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

// Digits with at most one decimal point or comma, read without a locale.
std::optional<double> parseDecimal(std::string_view text) {
    std::string digits(text);
    int separators = 0;
    for (char& c : digits) {
        if (c == ',' || c == '.') {
            c = '.';
            ++separators;
        } else if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    if (digits.empty() || separators > 1 || digits == ".") {
        return std::nullopt;
    }
    double value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value, std::chars_format::fixed);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<double> parseAmount(std::string_view text) {
    const std::size_t slash = text.find('/');
    std::optional<double> value;
    if (slash == std::string_view::npos) {
        value = parseDecimal(text);
    } else {
        const std::optional<double> numerator = parseDecimal(text.substr(0, slash));
        const std::optional<double> denominator = parseDecimal(text.substr(slash + 1));
        if (numerator && denominator && *denominator > 0) {
            value = *numerator / *denominator;
        }
    }
    if (!value || !std::isfinite(*value) || *value <= 0) {
        return std::nullopt;
    }
    return value;
}
