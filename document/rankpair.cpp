#include "rankpair.h"

#include "leadinginteger.h"

#include <algorithm>
#include <charconv>

namespace {

// Below this many digits a rank cannot overflow long long.
constexpr std::size_t safeDigits = 18;

// Reads a plain decimal rank, "0" or digits without a leading zero short enough not to
// saturate, from at up to the first byte that is no digit, and moves at past it.
bool readPlainRank(const char*& at, const char* end, long long& value) {
    const char* const start = at;
    value = 0;
    for (; at != end && static_cast<unsigned char>(*at - '0') < 10; ++at) {
        if (static_cast<std::size_t>(at - start) == safeDigits) {
            return false;
        }
        value = value * 10 + (*at - '0');
    }
    const auto length = static_cast<std::size_t>(at - start);
    return length == 1 || (length > 1 && *start != '0');
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

bool readPlainRankPair(std::string_view text, IntersectionRanks& ranks) {
    const char* at = text.data();
    const char* const end = at + text.size();
    if (!readPlainRank(at, end, ranks.first) || at == end || *at != ' ') {
        return false;
    }
    ++at;
    return readPlainRank(at, end, ranks.second) && at == end;
}

std::optional<RankPairReading> readRankPair(std::string_view text) {
    if (IntersectionRanks plain; readPlainRankPair(text, plain)) {
        return RankPairReading{plain, true};
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
