#pragma once

#include "rankpair.h"
#include "textlist.h"

#include <algorithm>
#include <cstddef>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Checks of the summaries a TextList keeps of its blocks, against the texts it should hold.

inline void PrintTo(const RankSpan& span, std::ostream* out) {
    *out << "{" << span.low << ".." << span.high << (span.unplain ? ", unplain" : "")
         << (span.nonPairs ? ", non-pairs" : "") << "}";
}

// The span of ranks of some texts, worked out from the general reading of a pair alone.
inline RankSpan spanComputedFrom(std::vector<std::string>::const_iterator first,
                                 std::vector<std::string>::const_iterator last) {
    RankSpan span;
    for (auto text = first; text != last; ++text) {
        const std::optional<IntersectionRanks> pair = parseRankPair(*text);
        if (!pair) {
            span.nonPairs = true;
            continue;
        }
        span.low = std::min({span.low, pair->first, pair->second});
        span.high = std::max({span.high, pair->first, pair->second});
        span.unplain = span.unplain || rankPairText(pair->first, pair->second) != *text;
    }
    return span;
}

// Each block holds at least one entry, and the span it keeps is exactly that of its entries.
inline void expectExactSummaries(const TextList& list, const std::vector<std::string>& expected) {
    auto first = expected.begin();
    std::size_t block = 0;
    for (const TextList::BlockSummary& summary : list.blockSummaries()) {
        ASSERT_GT(summary.count, 0u) << "block " << block;
        ASSERT_LE(summary.count, static_cast<std::size_t>(expected.end() - first));
        const auto last = first + static_cast<std::ptrdiff_t>(summary.count);
        ASSERT_EQ(summary.span, spanComputedFrom(first, last)) << "block " << block;
        first = last;
        ++block;
    }
    ASSERT_EQ(first, expected.end());
}
