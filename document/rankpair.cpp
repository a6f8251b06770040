#include "rankpair.h"

#include "leadinginteger.h"

#include <algorithm>
#include <charconv>

namespace {

// Below this many digits a rank cannot overflow long long.
constexpr std::size_t safeDigits = 18;

// The value of a plain decimal rank, "0" or digits without a leading zero, short enough not to
// saturate: the texts of nearly every file, read without the general rules.
std::optional<long long> plainRank(std::string_view text) {
    if (text.empty() || text.size() > safeDigits || (text.front() == '0' && text.size() > 1)) {
        return std::nullopt;
    }
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::optional<long long> parseRank(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        digits.remove_prefix(1);
    }
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return parseLeadingInteger(text);
}

std::optional<RankPairReading> readRankPair(std::string_view text) {
    const std::size_t space = text.find(' ');
    if (space == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view firstText = text.substr(0, space);
    const std::string_view secondText = text.substr(space + 1);
    const std::optional<long long> plainFirst = plainRank(firstText);
    const std::optional<long long> plainSecond = plainRank(secondText);
    if (plainFirst && plainSecond) {
        return RankPairReading{{*plainFirst, *plainSecond}, true};
    }
    const std::optional<long long> first = parseRank(firstText);
    const std::optional<long long> second = parseRank(secondText);
    if (!first || !second) {
        return std::nullopt;
    }
    RankPairBuffer buffer;
    return RankPairReading{{*first, *second}, rankPairText(*first, *second, buffer) == text};
}

std::optional<IntersectionRanks> parseRankPair(std::string_view text) {
    const std::optional<RankPairReading> reading = readRankPair(text);
    if (!reading) {
        return std::nullopt;
    }
    return reading->ranks;
}

std::string rankPairText(long long first, long long second) {
    RankPairBuffer buffer;
    return std::string(rankPairText(first, second, buffer));
}

std::string_view rankPairText(long long first, long long second, RankPairBuffer& buffer) {
    char* const end = buffer.data() + buffer.size();
    char* space = std::to_chars(buffer.data(), end, first).ptr;
    *space = ' ';
    char* const last = std::to_chars(space + 1, end, second).ptr;
    return std::string_view(buffer.data(), static_cast<std::size_t>(last - buffer.data()));
}
