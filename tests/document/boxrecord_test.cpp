#include "boxtestsupport.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t limit = BoxText::inlineCapacity;

// 29 tokens whose lengths run from 1 up past the inline limit to the longest a file allows (99
// for the ID, 50 for a value), each of its own bytes (no white space), so that a text put in the
// wrong field or cut short shows.
BoxTexts tokensAroundTheLimit(std::size_t salt) {
    const std::vector<std::size_t> lengths{
        99, 2,         limit - 1, limit, limit + 1, limit + 2, 15,        16,        17,    31,
        32, 33,        49,        50,    limit,     limit - 1, limit + 1, 3,         limit, 1,
        4,  limit + 1, 8,         9,     7,         limit,     24,        limit + 1, 40};
    BoxTexts texts;
    for (std::size_t field = 0; field < texts.size(); ++field) {
        for (std::size_t i = 0; i < lengths[field]; ++i) {
            texts[field].push_back(static_cast<char>('!' + (salt + field * 7 + i) % 94));
        }
    }
    return texts;
}

TEST(BoxRecord, FlatIndicesNameTheFieldsInFileOrder) {
    Box box;
    EXPECT_EQ(&box.planeText(0), &box.planes[0].a);
    EXPECT_EQ(&box.planeText(3), &box.planes[0].d);
    EXPECT_EQ(&box.planeText(4), &box.planes[1].a);
    EXPECT_EQ(&box.planeText(14), &box.planes[3].c);
    EXPECT_EQ(&box.planeText(23), &box.planes[5].d);
    EXPECT_EQ(&box.centerText(0), &box.centerX);
    EXPECT_EQ(&box.centerText(1), &box.centerY);
    EXPECT_EQ(&box.centerText(2), &box.centerZ);
}

TEST(BoxRecord, ReadsAndWritesThroughViewsAndStrings) {
    Box box;
    const std::string text = "0000c000";
    box.planeText(5) = text;
    box.centerText(2) = std::string_view("fffe8000x");
    box.id = "12";
    const std::string_view plane = std::as_const(box).planeText(5);
    const std::string_view center = box.centerText(2);
    EXPECT_EQ(plane, "0000c000");
    EXPECT_EQ(center, "fffe8000x");
    EXPECT_EQ(box.planes[1].b, text);
    EXPECT_EQ(box.id, std::string("12"));
    std::string copied;
    copied = box.centerZ;
    EXPECT_EQ(copied, "fffe8000x");
}

TEST(BoxRecord, EveryFieldKeepsTextsAroundTheInlineLimit) {
    const BoxTexts texts = tokensAroundTheLimit(0);
    Box box;
    assignTexts(box, texts);
    EXPECT_EQ(textsOf(box), texts);
}

TEST(BoxRecord, EveryFieldTakesAShortTextAfterALongOneAndBack) {
    const BoxTexts longTexts = tokensAroundTheLimit(3);
    BoxTexts shortTexts;
    const BoxTexts emptyTexts;
    for (std::size_t field = 0; field < shortTexts.size(); ++field) {
        shortTexts[field] = std::string(field % (limit + 1), 'a');
    }
    Box box;
    const std::vector<const BoxTexts*> steps{&shortTexts, &longTexts, &shortTexts, &emptyTexts,
                                             &longTexts,  &longTexts, &emptyTexts};
    for (const BoxTexts* texts : steps) {
        assignTexts(box, *texts);
        EXPECT_EQ(textsOf(box), *texts);
    }
}

TEST(BoxRecord, ABoxMovedBetweenListsKeepsItsTexts) {
    const BoxTexts first = tokensAroundTheLimit(1);
    const BoxTexts second = tokensAroundTheLimit(2);
    BoxList source;
    assignTexts(source.append(std::make_unique<Box>()), first);
    assignTexts(source.append(std::make_unique<Box>()), second);
    const Box* moved = &source.last();

    BoxList target;
    assignTexts(target.append(std::make_unique<Box>()), second);
    target.appendAll(source);
    EXPECT_TRUE(source.empty());
    ASSERT_EQ(target.size(), 3u);
    EXPECT_EQ(&target.last(), moved);
    std::vector<BoxTexts> held;
    for (const auto& box : target) {
        held.push_back(textsOf(*box));
    }
    EXPECT_EQ(held, (std::vector<BoxTexts>{second, first, second}));

    // Emptied, the source list takes boxes again; the moved ones are untouched by it.
    assignTexts(source.append(std::make_unique<Box>()), first);
    target.remove(target.begin());
    EXPECT_EQ(textsOf(**target.begin()), first);
    EXPECT_EQ(textsOf(target.last()), second);
}

TEST(BoxRecord, TextsAroundTheInlineLimitRoundTripThroughAFile) {
    BoxDocument document;
    document.setCountText("3");
    BoxTexts edited = tokensAroundTheLimit(4);
    for (const BoxTexts& texts : {tokensAroundTheLimit(5), edited, tokensAroundTheLimit(6)}) {
        addBox(document, texts);
    }
    document.intersections.append("0 2");
    const std::string bytes = document.writeText();

    // Small chunks make the long tokens straddle the reader's chunks.
    for (const std::size_t chunkSize : {std::size_t{1}, std::size_t{7}, std::size_t{64}}) {
        SCOPED_TRACE(chunkSize);
        ChunkedSource source(bytes, chunkSize);
        BoxFileContent content = readBoxContent(source);
        BoxDocument reread;
        reread.countText = std::move(content.countText);
        reread.boxIds.appendAll(content.boxIds);
        reread.boxes.appendAll(content.boxes);
        reread.intersections.appendAll(content.intersections);
        EXPECT_EQ(snapshot(reread), snapshot(document));
        EXPECT_EQ(reread.writeText(), bytes);
    }

    // A long text replaced by a short one and back leaves the file as it was.
    Box& box = **std::next(document.boxes.begin());
    box.planeText(17) = "1";
    box.maxRadius = "a text much longer than the inline limit";
    EXPECT_NE(document.writeText(), bytes);
    assignTexts(box, edited);
    EXPECT_EQ(document.writeText(), bytes);
}

TEST(BoxRecord, EveryNonSeparatorByteSurvivesAFile) {
    // Each value token carries a run of the bytes that are not white space, zero and 0xff
    // included; the ID also carries a tab and a lone carriage return, which end no ID.
    std::string bytes;
    for (int byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        if (std::string_view(" \t\n\v\f\r").find(c) == std::string_view::npos) {
            bytes.push_back(c);
        }
    }
    BoxTexts texts;
    for (std::size_t field = 0; field < texts.size(); ++field) {
        const std::size_t length = 1 + field % (limit + 2);
        texts[field] = bytes.substr((field * 9) % (bytes.size() - length), length);
    }
    texts[0] = "\t\x01\xff\r\x7f";
    texts[1] = bytes.substr(0, 50);
    texts[28] = bytes.substr(bytes.size() - 50);
    BoxDocument document;
    document.setCountText("1");
    addBox(document, texts);
    const std::string written = document.writeText();
    BoxDocument reread;
    reread.readText(written);
    EXPECT_EQ(snapshot(reread), snapshot(document));
    EXPECT_EQ(reread.writeText(), written);
}

TEST(BoxRecord, ZeroBytesAndEmptyTextsStayInTheirFields) {
    Box box;
    BoxTexts texts;
    for (std::size_t field = 0; field < texts.size(); ++field) {
        texts[field] = std::string(field % (limit + 3), '\0');
    }
    assignTexts(box, texts);
    EXPECT_EQ(textsOf(box), texts);
    EXPECT_TRUE(box.id.empty());
    EXPECT_EQ(box.maxRadius.size(), 1u);
    EXPECT_EQ(box.planeText(23).size(), 28 % (limit + 3));
}

} // namespace
