#include "boxtestsupport.h"
#include "rankpair.h"

#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr long long maximum = std::numeric_limits<long long>::max();

TEST(RankPair, ReadsTwoSignedRanksAroundTheFirstSpace) {
    struct Case {
        std::string text;
        std::optional<IntersectionRanks> pair;
    };
    const std::vector<Case> cases = {
        {"0 1", IntersectionRanks{0, 1}},
        {"+0 1", IntersectionRanks{0, 1}},
        {"-0 1", IntersectionRanks{0, 1}},
        {"00 01", IntersectionRanks{0, 1}},
        {"3 -2", IntersectionRanks{3, -2}},
        {"12 +007", IntersectionRanks{12, 7}},
        {"99999999999999999999 1", IntersectionRanks{maximum, 1}},
        {" 0  1", std::nullopt},
        {"0  1", std::nullopt},
        {"0 1 junk", std::nullopt},
        {"0 1 ", std::nullopt},
        {"0 1x", std::nullopt},
        {"0\t1", std::nullopt},
        {"+ 1", std::nullopt},
        {"0 -", std::nullopt},
        {"0 +-1", std::nullopt},
        {"0", std::nullopt},
        {"0 ", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseRankPair(c.text), c.pair) << '"' << c.text << '"';
    }
}

TEST(RankPair, WritesPlainDecimal) {
    EXPECT_EQ(rankPairText(0, 12), "0 12");
    EXPECT_EQ(rankPairText(-3, maximum), "-3 9223372036854775807");
    for (const char* text : {"0 1", "17 4", "-2 0"}) {
        const auto pair = parseRankPair(text);
        ASSERT_TRUE(pair.has_value());
        EXPECT_EQ(rankPairText(pair->first, pair->second), text);
    }
}

// The renumbering, the removal of a box's pairs and the reading agree on every odd text.
TEST(RankPair, RenumberingTouchesExactlyTheTextsThatArePairs) {
    const std::vector<std::string> texts = {"+0 1", " 0  1", "0 1 junk", "-0 1", "00 01", "2 1"};
    BoxDocument document;
    for (const std::string& text : texts) {
        document.intersections.append(text);
    }
    document.shiftRanksAbove(5, -1);
    EXPECT_EQ(textsIn(document.intersections),
              (std::vector<std::string>{"5 6", " 0  1", "0 1 junk", "5 6", "5 6", "7 6"}));
    document.removeIntersectionsOfRank("6");
    EXPECT_EQ(textsIn(document.intersections), (std::vector<std::string>{" 0  1", "0 1 junk"}));
}

TEST(BoxSlots, NameTheTwentyNineTextsInFileOrder) {
    Box box;
    BoxTexts texts;
    for (std::size_t slot = 0; slot < texts.size(); ++slot) {
        texts[slot] = "t" + std::to_string(slot);
    }
    assignTexts(box, texts);
    EXPECT_EQ(box.id, "t0");
    EXPECT_EQ(box.maxRadius, "t1");
    EXPECT_EQ(box.centerX, "t2");
    EXPECT_EQ(box.centerZ, "t4");
    EXPECT_EQ(box.planes[0].a, "t5");
    EXPECT_EQ(box.planes[2].d, "t16");
    EXPECT_EQ(box.planes[5].d, "t28");
    EXPECT_EQ(&boxTextAt(box, boxslot::plane(9)), &box.planes[2].b);
    EXPECT_EQ(&boxTextAt(box, boxslot::centre(1)), &box.centerY);
    EXPECT_EQ(textsOf(box), texts);
    // The file writes them in the same order.
    BoxDocument document;
    document.setCountText("1");
    document.boxIds.append("t0");
    assignTexts(document.appendBox(), texts);
    std::string expected = "1\r\n t0  t1\r\n  t2 t3 t4";
    for (std::size_t plane = 0; plane < 6; ++plane) {
        expected += "\r\n ";
        for (std::size_t k = 0; k < 4; ++k) {
            expected += " t" + std::to_string(5 + plane * 4 + k);
        }
    }
    EXPECT_EQ(document.writeText().substr(0, expected.size()), expected);
}

TEST(TextList, InsertsRemovesAndExchangesAtIndexesInOnePass) {
    TextList list;
    for (const char* text : {"a", "b", "c", "b", "e"}) {
        list.append(text);
    }
    std::vector<IndexedText> removed = list.removeAtIndexes({0, 3, 4});
    EXPECT_EQ(removed, (std::vector<IndexedText>{{0, "a"}, {3, "b"}, {4, "e"}}));
    EXPECT_EQ(textsIn(list), (std::vector<std::string>{"b", "c"}));
    std::vector<IndexedText> replaced{{1, "C"}};
    list.exchangeAtIndexes(replaced);
    EXPECT_EQ(textsIn(list), (std::vector<std::string>{"b", "C"}));
    EXPECT_EQ(replaced, (std::vector<IndexedText>{{1, "c"}}));
    list.exchangeAtIndexes(replaced);
    list.insertAtIndexes(removed);
    EXPECT_EQ(textsIn(list), (std::vector<std::string>{"a", "b", "c", "b", "e"}));
    list.insertAtIndexes({{5, "end"}, {6, "after"}});
    EXPECT_EQ(list.last(), "after");
    EXPECT_TRUE(list.removeAtIndexes({}).empty());
    EXPECT_EQ(list.size(), 7u);
}

TEST(BoxDocument, TakesABoxOutAndPutsItBackAtItsRank) {
    BoxDocument document;
    for (const char* id : {"5", "5", "6"}) {
        BoxTexts texts = cubeBox();
        texts[boxslot::id] = id;
        texts[boxslot::radius] = std::string(id) + "0";
        addBox(document, texts);
    }
    const DocumentSnapshot before = snapshot(document);
    const Box* second = &document.boxes.at(1);
    auto [box, id] = document.takeBoxAt(1);
    EXPECT_EQ(box.get(), second);
    EXPECT_EQ(id, "5");
    EXPECT_EQ(textsIn(document.boxIds), (std::vector<std::string>{"5", "6"}));
    document.insertBoxAt(1, std::move(box), id);
    EXPECT_EQ(snapshot(document), before);
    EXPECT_EQ(&document.boxes.at(1), second);
}

} // namespace
