#include "boxtestsupport.h"
#include "leadinginteger.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

BoxTexts boxWithId(const std::string& id) {
    BoxTexts texts = cubeBox();
    texts[0] = id;
    return texts;
}

void setIntersections(BoxDocument& document, const std::vector<std::string>& texts) {
    document.intersections.clear();
    for (const std::string& text : texts) {
        document.intersections.append(text);
    }
}

// What the editor's delete command does to the document, in its order.
void deleteBox(BoxDocument& document, const std::string& id) {
    const std::optional<std::size_t> rank = document.findRankById(id);
    ASSERT_TRUE(rank.has_value());
    document.removeIntersectionsOfRank(std::to_string(*rank));
    document.shiftRanksAbove(-1, static_cast<long long>(*rank));
    document.removeBoxAt(*rank);
    document.setCountText(std::to_string(document.boxes.size()));
}

TEST(BoxDocument, StartsEmpty) {
    const BoxDocument document;
    EXPECT_EQ(snapshot(document), DocumentSnapshot{});
    EXPECT_EQ(document.getPath(), "");
}

TEST(BoxDocument, ClearEmptiesTheListsButKeepsPathAndCount) {
    BoxDocument document;
    document.setPath("/tmp/a.box");
    document.readText(workedExampleBytes);
    document.clear();
    EXPECT_EQ(snapshot(document), (DocumentSnapshot{"2", "/tmp/a.box", {}, {}, {}}));
    EXPECT_EQ(document.getPath(), "/tmp/a.box");
}

TEST(BoxDocument, AppendBoxAddsAnEmptyBoxAtTheEnd) {
    BoxDocument document;
    addBox(document, boxWithId("a"));
    Box& added = document.appendBox();
    EXPECT_EQ(&added, &document.boxes.last());
    EXPECT_EQ(textsOf(added), BoxTexts{});
    ASSERT_EQ(document.boxes.size(), 2u);
    EXPECT_EQ((*document.boxes.begin())->id, "a");
}

TEST(BoxDocument, FindsTheFirstBoxWithAnIdComparedExactly) {
    BoxDocument document;
    addBox(document, boxWithId("7"));
    Box& first = addBox(document, boxWithId("A"));
    Box& second = addBox(document, boxWithId("A"));
    second.maxRadius = "99";
    EXPECT_EQ(document.findBoxById("A"), &first);
    EXPECT_EQ(document.findRankById("A"), 1u);
    EXPECT_EQ(document.findBoxById("a"), nullptr);
    EXPECT_EQ(document.findBoxById("7 "), nullptr);
    EXPECT_EQ(document.findRankById("x"), std::nullopt);
    const BoxDocument& constant = document;
    EXPECT_EQ(constant.findBoxById("7"), &document.boxes.begin()->operator*());
}

TEST(BoxDocument, RemoveIntersectionUnlinksOneExactlyEqualEntry) {
    BoxDocument document;
    setIntersections(document, {"0 1", "2 3", "0 1", "4 5"});
    for (const char* differing : {"0  1", "1 0", "0 1 ", "", "0"}) {
        document.removeIntersection(differing);
    }
    EXPECT_EQ(textsIn(document.intersections),
              (std::vector<std::string>{"0 1", "2 3", "0 1", "4 5"}));
    document.removeIntersection("0 1");
    EXPECT_EQ(textsIn(document.intersections), (std::vector<std::string>{"2 3", "0 1", "4 5"}));
}

TEST(BoxDocument, RemoveIntersectionsOfRankComparesEachPartAsTheRankItReadsAs) {
    struct Case {
        std::vector<std::string> before;
        std::string rankText;
        std::vector<std::string> after;
    };
    const std::vector<Case> cases = {
        {{"10 1", "11 2", "1 5", "3 4"}, "1", {"11 2", "3 4"}},
        // A file may write a rank with leading zeros or a sign: it still names that rank.
        {{"0 1", "1 0", "1 1", "2 3", "4 1", "01 2", "3 +001"}, "1", {"2 3"}},
        // A text that is not a pair of ranks names no box and stays; long ranks saturate.
        {{"7", "7 ", " 7 1", "7 1 x", "77777777777777777777 7", "8 77777777777777777777"},
         "7",
         {"7", "7 ", " 7 1", "7 1 x", "8 77777777777777777777"}},
        {{"7", "5 6", "5 0"}, "", {"7", "5 6", "5 0"}},
        {{"5 6", "5 0", "-0 3"}, "+0", {"5 6"}},
        {{}, "0", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rankText);
        BoxDocument document;
        setIntersections(document, c.before);
        document.removeIntersectionsOfRank(c.rankText);
        EXPECT_EQ(textsIn(document.intersections), c.after);
    }
}

TEST(BoxDocument, RemoveIntersectionsOfRankHandlesALongList) {
    BoxDocument document;
    std::vector<std::string> expected;
    for (int i = 0; i < 20000; ++i) {
        const std::string text = std::to_string(i % 3) + " " + std::to_string(i % 5 + 3);
        document.intersections.append(text);
        if (i % 3 != 2 && i % 5 != 4) {
            expected.push_back(text);
        }
    }
    document.removeIntersectionsOfRank("2");
    document.removeIntersectionsOfRank("7");
    EXPECT_EQ(textsIn(document.intersections), expected);
}

TEST(BoxDocument, ShiftRanksAboveMovesOnlyGreaterRanksAndRewritesEveryPairInDecimal) {
    struct Case {
        std::vector<std::string> before;
        long long delta;
        long long threshold;
        std::vector<std::string> after;
    };
    constexpr long long maximum = std::numeric_limits<long long>::max();
    const std::vector<Case> cases = {
        {{"0 1", "2 3", "1 1"}, -1, 1, {"0 1", "1 2", "1 1"}},
        // What is not a pair of ranks stays as it is.
        {{"01 002", "+3 -0", " 4 x", " 4  5"}, 0, 100, {"1 2", "3 0", " 4 x", " 4  5"}},
        {{"5 6"}, 10, 5, {"5 16"}},
        {{"-2 -1"}, 1, -2, {"-2 0"}},
        {{"7", "8 9 10", "", "8 9"}, 1, 0, {"7", "8 9 10", "", "9 10"}},
        {{"123456789012345 99999999999999999999999"},
         1,
         0,
         {"123456789012346 9223372036854775807"}},
        {{"-99999999999999999999999 3"}, -5, -maximum - 1, {"-9223372036854775808 -2"}},
        {{std::to_string(maximum) + " 0"}, maximum, 0, {std::to_string(maximum) + " 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before.empty() ? "" : c.before.front());
        BoxDocument document;
        setIntersections(document, c.before);
        document.shiftRanksAbove(c.delta, c.threshold);
        EXPECT_EQ(textsIn(document.intersections), c.after);
    }
}

TEST(BoxDocument, DeletingTheBoxOfRankOneRenumbersTheRemainingIntersections) {
    BoxDocument document;
    document.setPath("/tmp/x.box");
    for (const char* id : {"A", "B", "C", "D"}) {
        addBox(document, boxWithId(id));
    }
    document.setCountText("4");
    setIntersections(document, {"0 1", "1 3", "2 3", "0 2"});
    deleteBox(document, "B");
    EXPECT_EQ(textsIn(document.intersections), (std::vector<std::string>{"1 2", "0 1"}));
    EXPECT_EQ(textsIn(document.boxIds), (std::vector<std::string>{"A", "C", "D"}));
    EXPECT_EQ(snapshot(document).boxes,
              (std::vector<BoxTexts>{boxWithId("A"), boxWithId("C"), boxWithId("D")}));
    EXPECT_EQ(document.countText, "3");
}

TEST(BoxDocument, DeletingABoxAlsoRemovesIntersectionsThatWriteItsRankWithLeadingZeros) {
    BoxDocument document;
    for (const char* id : {"A", "B", "C", "D"}) {
        addBox(document, boxWithId(id));
    }
    setIntersections(document, {"0 002", "1 3", "02 1"});
    deleteBox(document, "C");
    EXPECT_EQ(textsIn(document.intersections), (std::vector<std::string>{"1 2"}));
}

TEST(BoxDocument, DeletingTheLastBoxKeepsOtherRanksButRewritesThemInPlainDecimal) {
    BoxDocument document;
    for (const char* id : {"A", "B", "C"}) {
        addBox(document, boxWithId(id));
    }
    setIntersections(document, {"00 01", "2 0", "1 2", "01 1"});
    deleteBox(document, "C");
    EXPECT_EQ(textsIn(document.intersections), (std::vector<std::string>{"0 1", "1 1"}));
    EXPECT_EQ(textsIn(document.boxIds), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(document.countText, "2");
}

TEST(TextList, KeepsOrderThroughEveryOperation) {
    TextList list;
    EXPECT_TRUE(list.empty());
    for (const char* text : {"a", "b", "c", "b"}) {
        list.append(text);
    }
    EXPECT_EQ(list.size(), 4u);
    EXPECT_EQ(list.last(), "b");
    auto position = list.find("b");
    ASSERT_NE(position, list.end());
    EXPECT_EQ(std::distance(list.begin(), position), 1);
    list.replace(position, "B");
    EXPECT_EQ(list.find("x"), list.end());
    position = list.remove(list.find("c"));
    EXPECT_EQ(*position, "b");
    EXPECT_EQ(textsIn(list), (std::vector<std::string>{"a", "B", "b"}));

    TextList more;
    more.append("z");
    list.appendAll(more);
    EXPECT_TRUE(more.empty());
    EXPECT_EQ(textsIn(list), (std::vector<std::string>{"a", "B", "b", "z"}));
    list.clear();
    EXPECT_EQ(list.size(), 0u);
}

TEST(BoxList, OwnsItsBoxesAndKeepsTheirOrder) {
    BoxList list;
    for (const char* id : {"1", "2", "3"}) {
        list.append(std::make_unique<Box>()).id = id;
    }
    EXPECT_EQ(list.last().id, "3");
    auto position = list.remove(std::next(list.begin()));
    EXPECT_EQ((*position)->id, "3");
    BoxList more;
    more.append(std::make_unique<Box>()).id = "4";
    list.appendAll(more);
    EXPECT_TRUE(more.empty());
    std::vector<std::string> ids;
    for (const auto& box : list) {
        ids.push_back(box->id);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"1", "3", "4"}));
    list.clear();
    EXPECT_TRUE(list.empty());
}

// Of equal texts, the one at the index leaves; the first equal one stays.
TEST(TextList, RemovesTheEntryAtAnIndexAmongEqualTexts) {
    TextList list;
    for (const char* text : {"0 1", "2 3", "0 1"}) {
        list.append(text);
    }
    EXPECT_TRUE(list.removeAt(2));
    EXPECT_EQ(textsIn(list), (std::vector<std::string>{"0 1", "2 3"}));
    EXPECT_FALSE(list.removeAt(2));
    EXPECT_EQ(textsIn(list), (std::vector<std::string>{"0 1", "2 3"}));
    EXPECT_TRUE(list.removeAt(0));
    EXPECT_EQ(textsIn(list), (std::vector<std::string>{"2 3"}));
}

TEST(BoxList, RemovesTheBoxAtAnIndex) {
    BoxList list;
    std::vector<const Box*> boxes;
    for (const char* id : {"7", "8", "7"}) {
        Box& box = list.append(std::make_unique<Box>());
        box.id = id;
        boxes.push_back(&box);
    }
    EXPECT_FALSE(list.removeAt(3));
    EXPECT_TRUE(list.removeAt(2));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.begin()->get(), boxes[0]);
    EXPECT_EQ(&list.last(), boxes[1]);
}

TEST(BoxDocument, RemoveBoxAtUnlinksTheBoxAndIdOfTheRankAmongRepeatedIds) {
    BoxDocument document;
    addBox(document, boxWithId("A"));
    addBox(document, boxWithId("B"));
    BoxTexts second = boxWithId("A");
    second[1] = "99";
    const Box* kept = &addBox(document, second);
    document.intersections.append("0 2");
    document.removeBoxAt(0);
    EXPECT_EQ(textsIn(document.boxIds), (std::vector<std::string>{"B", "A"}));
    ASSERT_EQ(document.boxes.size(), 2u);
    EXPECT_EQ(&document.boxes.last(), kept);
    EXPECT_EQ(textsIn(document.intersections), std::vector<std::string>{"0 2"});
    document.removeBoxAt(5);
    EXPECT_EQ(document.boxes.size(), 2u);
    EXPECT_EQ(document.boxIds.size(), 2u);
}

TEST(LeadingInteger, ReadsOptionalSpaceSignAndDigits) {
    constexpr long long maximum = std::numeric_limits<long long>::max();
    constexpr long long minimum = std::numeric_limits<long long>::min();
    const std::vector<std::pair<std::string, long long>> cases = {
        {"0", 0},
        {"42", 42},
        {"007", 7},
        {" \t\r\n\v\f12x", 12},
        {"+5", 5},
        {"-3", -3},
        {"", 0},
        {"x1", 0},
        {"-", 0},
        {"+-1", 0},
        {"- 1", 0},
        {"1 2", 1},
        {"9223372036854775807", maximum},
        {"9223372036854775808", maximum},
        {"99999999999999999999999999", maximum},
        {"-9223372036854775808", minimum},
        {"-9223372036854775809", minimum},
        {"-99999999999999999999999999", minimum},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(parseLeadingInteger(text), value) << text;
    }
}

TEST(LeadingInteger, AddsWithoutOverflowing) {
    constexpr long long maximum = std::numeric_limits<long long>::max();
    constexpr long long minimum = std::numeric_limits<long long>::min();
    EXPECT_EQ(saturatingAdd(2, -3), -1);
    EXPECT_EQ(saturatingAdd(maximum, 1), maximum);
    EXPECT_EQ(saturatingAdd(maximum - 1, 1), maximum);
    EXPECT_EQ(saturatingAdd(minimum, -1), minimum);
    EXPECT_EQ(saturatingAdd(minimum, maximum), -1);
}

} // namespace
