#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// The one reading of an intersection text that the renumbering, the checks and the views share.
// A rank is an optional sign followed by at least one decimal digit and nothing else ("7",
// "007", "+7", "-0"); its value saturates at the limits of long long. A pair is two ranks
// separated by the text's first space: "0 1", "+0 1" and "00 01" are pairs, while " 0  1" (empty
// first part), "0 1 junk" and "0" are not, and name no box at all.
using IntersectionRanks = std::pair<long long, long long>;

std::optional<long long> parseRank(std::string_view text);
std::optional<IntersectionRanks> parseRankPair(std::string_view text);

// A pair read, and whether its text is exactly the plain decimal rankPairText writes for it
// ("3 5", not "03 5" nor "+3 5"), so that a renumbering knows which texts it may write anew.
struct RankPairReading {
    IntersectionRanks ranks;
    bool plain;
};
std::optional<RankPairReading> readRankPair(std::string_view text);
// The pair of a text written "a b" in plain decimal without sign, as nearly every line of a file
// is, read in one pass; false for any other text, which readRankPair may still read.
bool readPlainRankPair(std::string_view text, IntersectionRanks& ranks);

// The plain decimal text of a pair, "3 5", as the program writes every pair it computes.
std::string rankPairText(long long first, long long second);
// The same in a buffer of the caller's, for walks of many lines that must not allocate.
using RankPairBuffer = std::array<char, 48>;
std::string_view rankPairText(long long first, long long second, RankPairBuffer& buffer);
