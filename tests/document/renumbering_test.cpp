// Taking a box's rank out of the intersections in one walk, and putting it back: the same bytes
// as removing its pairs and shifting the ranks above it one after the other, and the lines as
// they were, byte for byte, once it comes back.

#include "boxtestsupport.h"
#include "rankpair.h"
#include "textlisttestsupport.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

void fill(BoxDocument& document, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        document.intersections.append(line);
    }
}

// The two operations the one walk stands for.
std::vector<std::string> removedTheLongWay(const std::vector<std::string>& lines, long long rank) {
    BoxDocument document;
    fill(document, lines);
    document.removeIntersectionsOfRank(std::to_string(rank));
    document.shiftRanksAbove(-1, rank);
    return textsIn(document.intersections);
}

// Removes the rank, checks the lines against the long way and what was handed back against the
// lines that named the rank, then puts it back and checks every byte.
void expectRoundTrip(const std::vector<std::string>& lines, long long rank) {
    BoxDocument document;
    fill(document, lines);
    BoxDocument::RankRemoval removal = document.removeRank(rank);
    const std::vector<std::string> after = removedTheLongWay(lines, rank);
    ASSERT_EQ(textsIn(document.intersections), after);
    ASSERT_NO_FATAL_FAILURE(expectExactSummaries(document.intersections, after));
    std::size_t removed = 0;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const auto pair = parseRankPair(lines[k]);
        if (pair && (pair->first == rank || pair->second == rank)) {
            ASSERT_LT(removed, removal.removedLines.size());
            EXPECT_EQ(removal.removedLines[removed].index, k);
            EXPECT_EQ(removal.removedLines[removed].text, lines[k]);
            ++removed;
        }
    }
    EXPECT_EQ(removed, removal.removedLines.size());
    document.restoreRank(rank, std::move(removal));
    ASSERT_EQ(textsIn(document.intersections), lines);
    ASSERT_NO_FATAL_FAILURE(expectExactSummaries(document.intersections, lines));
}

TEST(RankPair, TellsPlainDecimalFromOtherForms) {
    struct Case {
        const char* text;
        IntersectionRanks ranks;
        bool plain;
    };
    const std::vector<Case> cases = {
        {"0 1", {0, 1}, true},
        {"17 4", {17, 4}, true},
        {"-3 2", {-3, 2}, true},
        {"+0 1", {0, 1}, false},
        {"-0 1", {0, 1}, false},
        {"00 01", {0, 1}, false},
        {"007 3", {7, 3}, false},
        {"3 007", {3, 7}, false},
        {"123456789012345678 1", {123456789012345678, 1}, true},
        {"1234567890123456789 1", {1234567890123456789, 1}, true},
        {"9223372036854775807 0", {9223372036854775807, 0}, true},
        {"9223372036854775808 0", {9223372036854775807, 0}, false},
        {"99999999999999999999 1", {9223372036854775807, 1}, false},
    };
    for (const Case& c : cases) {
        const std::optional<RankPairReading> reading = readRankPair(c.text);
        ASSERT_TRUE(reading.has_value()) << c.text;
        EXPECT_EQ(reading->ranks, c.ranks) << c.text;
        EXPECT_EQ(reading->plain, c.plain) << c.text;
    }
    for (const char* text : {" 0  1", "0 1 junk", "0", "", "0x1 2", "1 2 "}) {
        EXPECT_FALSE(readRankPair(text).has_value()) << text;
    }
}

TEST(BoxDocument, RemovesARankInOneWalkAndPutsItBackByteForByte) {
    struct Case {
        long long rank;
        std::vector<std::string> lines;
        std::vector<std::string> after;
    };
    const std::vector<Case> cases = {
        {1, {"0 1", "1 3", "2 3", "0 2", "0 1"}, {"1 2", "0 1"}},
        // Odd texts of pairs are written plainly; texts that are no pair stay as they are.
        {0,
         {"+0 1", "00 02", " 0  1", "0 1 junk", "-0 3", "03 +2", "2 1", "99 3", "1 2 ", "007 8"},
         {" 0  1", "0 1 junk", "2 1", "1 0", "98 2", "1 2 ", "6 7"}},
        // Lines that name the rank in any form leave; ranks below it are only made plain.
        {5,
         {"05 1", "+5 2", "1 -5", "1 +2", "0 4", "6 -1", "7 7", "4 6"},
         {"1 -5", "1 2", "0 4", "5 -1", "6 6", "4 5"}},
        {2, {}, {}},
        {3,
         {"9223372036854775807 0", "99999999999999999999 2"},
         {"9223372036854775806 0", "9223372036854775806 2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rank);
        BoxDocument document;
        fill(document, c.lines);
        document.removeRank(c.rank);
        EXPECT_EQ(textsIn(document.intersections), c.after);
        expectRoundTrip(c.lines, c.rank);
    }
}

// Files of many blocks whose lines mix every form, the rank taken at the start, the middle and
// past the end: more than 10,000 lines each.
TEST(BoxDocument, RemovesARankFromLargeListsOfOddLinesAndPutsItBack) {
    std::mt19937 random(2024);
    const auto below = [&](long long bound) {
        return std::uniform_int_distribution<long long>(0, bound - 1)(random);
    };
    const long long boxes = 3000;
    const auto rankText = [&](long long rank) {
        switch (below(12)) {
        case 0:
            return "+" + std::to_string(rank);
        case 1:
            return "0" + std::to_string(rank);
        case 2:
            return "-" + std::to_string(rank);
        default:
            return std::to_string(rank);
        }
    };
    for (int file = 0; file < 3; ++file) {
        std::vector<std::string> lines;
        for (int k = 0; k < 12000; ++k) {
            const long long kind = below(40);
            if (kind == 0) {
                lines.push_back(rankText(below(boxes)) + "  " + rankText(below(boxes)));
            } else if (kind == 1) {
                lines.push_back(std::to_string(below(boxes)));
            } else if (kind == 2) {
                lines.push_back(std::string(static_cast<std::size_t>(below(300)), 'x'));
            } else {
                lines.push_back(rankText(below(boxes)) + " " + rankText(below(boxes + 50)));
            }
        }
        for (const long long rank : {0LL, 1LL, boxes / 2, boxes - 1, boxes + 20, boxes + 100}) {
            SCOPED_TRACE(rank);
            ASSERT_NO_FATAL_FAILURE(expectRoundTrip(lines, rank));
        }
    }
}

// Ranks whose decimal text changes length as they move, one by one and filling whole blocks:
// "10" becomes "9" and back, "100 1000" becomes "99 999", and a block of those grows past its
// size when they come back.
TEST(BoxDocument, RenumbersRanksWhoseTextChangesLength) {
    struct Case {
        const char* name;
        long long rank;
        std::vector<std::string> lines;
        std::vector<std::string> after;
    };
    std::vector<Case> cases = {
        {"one line each",
         3,
         {"10 4", "100 9", "4 1000", "10 10", "3 10", "2 1", "9 99"},
         {"9 3", "99 8", "3 999", "9 9", "2 1", "8 98"}},
        {"the lowest ranks", 0, {"0 1", "1 10", "1 2", "10 1"}, {"0 9", "0 1", "9 0"}},
        {"every form around a boundary",
         9,
         {"+10 0", "010 1", "10 -10", "9 10", "8 10", "19 20", "100 09"},
         {"9 0", "9 1", "9 -10", "8 9", "18 19"}},
    };
    Case wholeBlocks{"whole blocks of ranks that lose a digit", 0, {"0 1"}, {}};
    for (int k = 0; k < 3000; ++k) {
        wholeBlocks.lines.push_back(k % 2 ? "10 100" : "1000 10000");
        wholeBlocks.after.push_back(k % 2 ? "9 99" : "999 9999");
    }
    cases.push_back(wholeBlocks);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BoxDocument document;
        fill(document, c.lines);
        document.removeRank(c.rank);
        EXPECT_EQ(textsIn(document.intersections), c.after);
        ASSERT_NO_FATAL_FAILURE(expectRoundTrip(c.lines, c.rank));
    }
}

// A list of some megabytes, which the renumbering divides between threads: plain pairs near each
// other as real scenes list them, with odd lines here and there, the rank taken at the start,
// the middle, near the end and past it. Every byte must agree with the long way, and come back.
TEST(BoxDocument, RenumbersALongListAsItsPartsWouldOneAfterAnother) {
    std::mt19937 random(99);
    const auto below = [&](long long bound) {
        return std::uniform_int_distribution<long long>(0, bound - 1)(random);
    };
    const long long boxes = 60000;
    std::vector<std::string> lines;
    for (long long box = 0; box < boxes; ++box) {
        for (long long k = below(5); k > 0; --k) {
            const long long other = std::min(boxes - 1, box + 1 + below(30));
            lines.push_back(std::to_string(box) + " " + std::to_string(other));
        }
        if (below(3000) == 0) {
            lines.push_back("+" + std::to_string(box) + " 0" + std::to_string(box + 1));
        }
        if (below(5000) == 0) {
            lines.push_back("not a pair");
        }
    }
    ASSERT_GT(lines.size(), 100000u);
    for (const long long rank : {0LL, 9999LL, boxes / 2, boxes - 2, boxes + 5}) {
        SCOPED_TRACE(rank);
        ASSERT_NO_FATAL_FAILURE(expectRoundTrip(lines, rank));
    }
}

} // namespace
