#include "rankspan.h"

#include <algorithm>
#include <optional>

void RankSpan::add(std::string_view line) {
    if (IntersectionRanks plain; readPlainRankPair(line, plain)) {
        addPair(plain.first, plain.second);
        return;
    }
    const std::optional<RankPairReading> pair = readRankPair(line);
    if (!pair) {
        nonPairs = true;
        return;
    }
    addPair(pair->ranks.first, pair->ranks.second);
    unplain = unplain || !pair->plain;
}

void RankSpan::merge(const RankSpan& other) {
    low = std::min(low, other.low);
    high = std::max(high, other.high);
    unplain = unplain || other.unplain;
    nonPairs = nonPairs || other.nonPairs;
}

bool RankSpan::mayHold(const IntersectionRanks& ranks) const {
    return std::min(ranks.first, ranks.second) >= low &&
           std::max(ranks.first, ranks.second) <= high;
}
