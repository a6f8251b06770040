#include "rankpair.h"

#include "leadinginteger.h"

#include <algorithm>

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

std::optional<IntersectionRanks> parseRankPair(std::string_view text) {
    const std::size_t space = text.find(' ');
    if (space == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<long long> first = parseRank(text.substr(0, space));
    const std::optional<long long> second = parseRank(text.substr(space + 1));
    if (!first || !second) {
        return std::nullopt;
    }
    return IntersectionRanks{*first, *second};
}

std::string rankPairText(long long first, long long second) {
    std::string text = std::to_string(first);
    text += ' ';
    text += std::to_string(second);
    return text;
}
