#include "rankpair.h"

#include "leadinginteger.h"

#include <algorithm>
#include <charconv>

namespace {

// Below this many digits a rank cannot overflow long long.
constexpr std::size_t safeDigits = 18;

// Reads a plain decimal rank, "0" or digits without a leading zero short enough not to
// saturate, from at up to the first byte that is no digit, and moves at past it.
std::optional<long long> plainRankAt(const char*& at, const char* end) {
    const char* const start = at;
    long long value = 0;
    for (; at != end && static_cast<unsigned char>(*at - '0') < 10; ++at) {
        if (static_cast<std::size_t>(at - start) == safeDigits) {
            return std::nullopt;
        }
        value = value * 10 + (*at - '0');
    }
    const auto length = static_cast<std::size_t>(at - start);
    if (length == 0 || (length > 1 && *start == '0')) {
        return std::nullopt;
    }
    return value;
}

// The pair of a text written as rankPairText writes it: the texts of nearly every file, read in
// one pass without the general rules.
std::optional<IntersectionRanks> plainPair(std::string_view text) {
    const char* at = text.data();
    const char* const end = at + text.size();
    const std::optional<long long> first = plainRankAt(at, end);
    if (!first || at == end || *at != ' ') {
        return std::nullopt;
    }
    ++at;
    const std::optional<long long> second = plainRankAt(at, end);
    if (!second || at != end) {
        return std::nullopt;
    }
    return IntersectionRanks{*first, *second};
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
    if (const std::optional<IntersectionRanks> plain = plainPair(text)) {
        return RankPairReading{*plain, true};
    }
    const std::size_t space = text.find(' ');
    if (space == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<long long> first = parseRank(text.substr(0, space));
    const std::optional<long long> second = parseRank(text.substr(space + 1));
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
