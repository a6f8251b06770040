#pragma once

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

// The plain decimal text of a pair, "3 5", as the program writes every pair it computes.
std::string rankPairText(long long first, long long second);
