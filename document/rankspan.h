#pragma once

#include "rankpair.h"

#include <algorithm>
#include <limits>
#include <string_view>

// What a run of intersection lines names, read as pairs of ranks: the least and the greatest
// rank its pairs name, whether one of its pairs is not written in plain decimal, and whether one
// of its lines is no pair at all. A walk that renumbers ranks or looks for a line passes over a
// run whose span shows that it has nothing to do there.
struct RankSpan {
    long long low = std::numeric_limits<long long>::max();
    long long high = std::numeric_limits<long long>::min();
    bool unplain = false;
    bool nonPairs = false;

    void add(std::string_view line);
    void addPair(long long first, long long second) {
        low = std::min({low, first, second});
        high = std::max({high, first, second});
    }
    void merge(const RankSpan& other);
    // Whether a line that reads as the pair may be among the run's lines.
    bool mayHold(const IntersectionRanks& ranks) const;

    bool operator==(const RankSpan&) const = default;
};
