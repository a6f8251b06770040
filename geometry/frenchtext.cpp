#include "frenchtext.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace {

// Enough for any message, and a bound on what a file's absurdly long token can add to one.
constexpr std::size_t QUOTED_LIMIT = 40;

} // namespace

std::string frenchNumber(double value, int decimals) {
    if (!std::isfinite(value)) {
        return value > 0 ? "∞" : value < 0 ? "-∞" : "?";
    }
    char buffer[400];
    const std::to_chars_result written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (written.ec != std::errc()) {
        return "?";
    }
    std::string text(buffer, written.ptr);
    const std::size_t point = text.find('.');
    if (point != std::string::npos) {
        const std::size_t last = text.find_last_not_of('0');
        text.erase(last == point ? point : last + 1);
        if (point < text.size()) {
            text[point] = ',';
        }
    }
    return text == "-0" ? "0" : text;
}

std::string quoted(std::string_view text) {
    std::string result = "« ";
    if (text.size() > QUOTED_LIMIT) {
        result += text.substr(0, QUOTED_LIMIT);
        result += "…";
    } else {
        result += text;
    }
    result += " »";
    return result;
}

std::string quotedBytes(std::string_view text) {
    constexpr std::string_view hexDigits = "0123456789abcdef";
    std::string result = "« ";
    for (const char c : text.substr(0, QUOTED_LIMIT)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            result += "\\x";
            result += hexDigits[byte >> 4];
            result += hexDigits[byte & 0xf];
        } else {
            result += c;
        }
    }
    if (text.size() > QUOTED_LIMIT) {
        result += "…";
    }
    result += " »";
    return result;
}
