#include "boxtext.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

// The ways the rest of the program reads and writes a box's texts.
static_assert(std::is_convertible_v<const BoxText&, std::string_view>);
static_assert(std::is_convertible_v<const BoxText&, std::string>);
static_assert(std::is_assignable_v<BoxText&, const std::string&>);
static_assert(std::is_assignable_v<BoxText&, std::string_view>);
static_assert(std::is_assignable_v<BoxText&, const char (&)[5]>);
static_assert(std::is_assignable_v<std::string&, const BoxText&>);

// Distinct bytes of the given length, so that a byte lost or moved shows.
std::string textOfLength(std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text.push_back(static_cast<char>('a' + i % 26));
    }
    return text;
}

constexpr std::size_t limit = BoxText::inlineCapacity;

const std::vector<std::size_t> lengthsAroundTheInlineLimit{
    0, 1, 2, limit - 1, limit, limit + 1, limit + 2, 15, 16, 17, 50, 99, 100, 4096};

TEST(BoxText, StartsEmpty) {
    const BoxText text;
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(text.size(), 0u);
    EXPECT_EQ(text.view(), "");
    EXPECT_EQ(text, "");
}

TEST(BoxText, KeepsTextsOfEveryLengthAroundTheInlineLimit) {
    for (const std::size_t length : lengthsAroundTheInlineLimit) {
        SCOPED_TRACE(length);
        const std::string expected = textOfLength(length);
        BoxText text;
        text = expected;
        EXPECT_EQ(text.size(), length);
        EXPECT_EQ(text.empty(), length == 0);
        EXPECT_EQ(text.view(), expected);
        EXPECT_EQ(text, expected);
        EXPECT_EQ(text, std::string_view(expected));
        EXPECT_EQ(std::string(text), expected);
        const BoxText made(expected);
        EXPECT_EQ(made, text);
    }
}

TEST(BoxText, ComparesByteForByte) {
    BoxText text;
    text = "abcdefgh";
    EXPECT_TRUE(text == "abcdefgh");
    EXPECT_FALSE(text == "abcdefg");
    EXPECT_FALSE(text == "abcdefghi");
    EXPECT_FALSE(text == "ABCDEFGH");
    EXPECT_TRUE(std::string("abcdefgh") == text);
    EXPECT_FALSE(text == std::string_view("abcdefgh\0", 9));
    BoxText longer;
    longer = "abcdefghi";
    EXPECT_FALSE(text == longer);
    EXPECT_FALSE(longer == "abcdefgh");
}

TEST(BoxText, KeepsEveryByteValue) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        all.push_back(static_cast<char>(byte));
    }
    BoxText text;
    text = all;
    EXPECT_EQ(text.view(), all);
    // Alone and in texts that fill the object exactly, including a zero byte and the byte 0xff
    // at either end.
    for (int byte = 0; byte < 256; ++byte) {
        SCOPED_TRACE(byte);
        const std::string single(1, static_cast<char>(byte));
        text = single;
        EXPECT_EQ(text.view(), single);
        const std::string full(limit, static_cast<char>(byte));
        text = full;
        EXPECT_EQ(text.view(), full);
        const std::string over = full + '\xff';
        text = over;
        EXPECT_EQ(text.view(), over);
    }
    text = std::string_view("\0\0", 2);
    EXPECT_EQ(text.size(), 2u);
    EXPECT_FALSE(text.empty());
}

TEST(BoxText, ReplacesShortByLongAndBack) {
    for (const std::size_t first : lengthsAroundTheInlineLimit) {
        for (const std::size_t second : lengthsAroundTheInlineLimit) {
            SCOPED_TRACE(std::to_string(first) + " then " + std::to_string(second));
            BoxText text;
            text = textOfLength(first);
            text = std::string(second, 'x');
            EXPECT_EQ(text.view(), std::string(second, 'x'));
            text = textOfLength(first);
            EXPECT_EQ(text.view(), textOfLength(first));
        }
    }
}

TEST(BoxText, TakesAPartOfItself) {
    for (const std::size_t length : lengthsAroundTheInlineLimit) {
        SCOPED_TRACE(length);
        BoxText text;
        text = textOfLength(length);
        text = text;
        EXPECT_EQ(text.view(), textOfLength(length));
        text = text.view().substr(length / 2);
        EXPECT_EQ(text.view(), textOfLength(length).substr(length / 2));
    }
}

TEST(BoxText, CopiesAreIndependentAndMovesLeaveEmptyTexts) {
    for (const std::size_t length : lengthsAroundTheInlineLimit) {
        SCOPED_TRACE(length);
        const std::string expected = textOfLength(length);
        BoxText original;
        original = expected;
        BoxText copy(original);
        BoxText assigned;
        assigned = "previous text, on the heap";
        assigned = original;
        original = "other";
        EXPECT_EQ(copy.view(), expected);
        EXPECT_EQ(assigned.view(), expected);

        BoxText moved(std::move(copy));
        EXPECT_EQ(moved.view(), expected);
        EXPECT_TRUE(copy.empty());
        BoxText target;
        target = "previous text, on the heap";
        target = std::move(moved);
        EXPECT_EQ(target.view(), expected);
        EXPECT_TRUE(moved.empty());
        copy = "reused after the move";
        EXPECT_EQ(copy.view(), "reused after the move");
    }
}

} // namespace
