#include "frenchtext.h"

#include "filetext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace {

// Characters enough for any message, and a bound on what a file's absurdly long token can add
// to one.
constexpr std::size_t SHORTENED_LIMIT = 40;

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

std::string shortened(std::string_view text) {
    const std::string decoded = fileTextAsUtf8(text);
    std::string_view rest = decoded;
    std::size_t characters = 0;
    while (!rest.empty() && characters < SHORTENED_LIMIT) {
        rest.remove_prefix(std::max<std::size_t>(1, utf8SequenceLength(rest)));
        ++characters;
    }
    if (rest.empty()) {
        return decoded;
    }
    return decoded.substr(0, decoded.size() - rest.size()) + "…";
}

std::string quoted(std::string_view text) {
    return "« " + shortened(text) + " »";
}

std::string quotedBytes(std::string_view text) {
    constexpr std::string_view hexDigits = "0123456789abcdef";
    std::string result = "« ";
    for (const char c : shortened(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            result += "\\x";
            result += hexDigits[byte >> 4];
            result += hexDigits[byte & 0xf];
        } else {
            result += c;
        }
    }
    result += " »";
    return result;
}
