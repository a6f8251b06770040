// Texts kept only where they differ from the plain text given for them: each entry's text comes
// back as it was, whichever were kept.
#include "sparsetexts.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(SparseTexts, KeepsOnlyTheTextsUnlikeTheirPlainOnes) {
    struct Entry {
        std::string text;
        std::string plain;
    };
    const std::vector<Entry> entries = {
        {"0 1", "0 1"}, {"1 0", "0 1"}, {"", ""},       {"", "2 3"},     {"07", "7"},
        {"8", "8"},     {"x y", ""},    {"4 5", "4 5"}, {"4  5", "4 5"}, {"\xc3\xa9", "9"},
    };
    SparseTexts texts;
    for (const Entry& entry : entries) {
        texts.add(entry.text, entry.plain);
    }
    ASSERT_EQ(texts.size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        const std::optional<std::string_view> kept = texts.kept(i);
        EXPECT_EQ(kept.has_value(), entries[i].text != entries[i].plain);
        EXPECT_EQ(std::string(kept.value_or(entries[i].plain)), entries[i].text);
    }
    EXPECT_FALSE(texts.kept(entries.size()).has_value());
}
