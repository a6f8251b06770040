#include "rankpair.h"

#include "leadinginteger.h"

#include <algorithm>
#include <charconv>

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
