// The packed list of texts against a plain vector of strings doing the same operations: texts of
// every length the length prefix treats apart, lists spanning many blocks, and positions that
// must stay usable where the list promises it.

#include "textlist.h"
#include "textlisttestsupport.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

Texts textsOf(const TextList& list) {
    Texts texts;
    for (const std::string_view text : list) {
        texts.emplace_back(text);
    }
    return texts;
}

TextList listOf(const Texts& texts) {
    TextList list;
    for (const std::string& text : texts) {
        list.append(text);
    }
    return list;
}

// Every access agrees with the expected texts: walking, at(), last(), size(), and the blocks'
// summaries.
void expectHolds(const TextList& list, const Texts& expected) {
    ASSERT_EQ(textsOf(list), expected);
    ASSERT_NO_FATAL_FAILURE(expectExactSummaries(list, expected));
    ASSERT_EQ(list.size(), expected.size());
    ASSERT_EQ(list.empty(), expected.empty());
    for (std::size_t k = 0; k < expected.size(); k += 1 + expected.size() / 50) {
        ASSERT_EQ(list.at(k), expected[k]) << "index " << k;
    }
    if (!expected.empty()) {
        ASSERT_EQ(list.last(), expected.back());
    }
}

// Texts whose length prefix takes one, two and three bytes, empty ones, bytes above 0x7f, and
// texts longer than a block.
Texts oddTexts() {
    return {"+0 1",
            "007",
            "007",
            "",
            "0 1",
            "0 1",
            "\r",
            std::string("\0\x80\xff", 3),
            std::string(127, 'a'),
            std::string(128, 'b'),
            std::string(16383, 'c'),
            std::string(16384, 'd'),
            std::string(5000, 'e'),
            "-1",
            ""};
}

// Short pair-like lines, enough to fill several blocks.
Texts manyPairs(std::size_t count) {
    Texts texts;
    for (std::size_t k = 0; k < count; ++k) {
        texts.push_back(std::to_string(k) + " " + std::to_string(count - k));
    }
    return texts;
}

TEST(TextList, KeepsOddTextsByteForByte) {
    const Texts texts = oddTexts();
    const TextList list = listOf(texts);
    expectHolds(list, texts);
    EXPECT_EQ(*list.find("007"), "007");
    EXPECT_EQ(std::distance(list.begin(), list.find("007")), 1);
    EXPECT_EQ(std::distance(list.begin(), list.find("")), 3);
    EXPECT_EQ(std::distance(list.begin(), list.find(std::string(16384, 'd'))), 11);
    EXPECT_EQ(list.find("07"), list.end());
    EXPECT_EQ(list.find("0 1 "), list.end());
}

struct InsertCase {
    const char* name;
    std::size_t size;
    std::vector<std::size_t> indexes;
};

TEST(TextList, InsertsAtIndexesAsOneInsertionAfterAnother) {
    const std::vector<InsertCase> cases = {
        {"into an empty list", 0, {0, 1, 2}},
        {"front", 3000, {0}},
        {"front, several", 3000, {0, 1, 2, 3}},
        {"middle", 3000, {1500}},
        {"end", 3000, {3000}},
        {"end, several", 3000, {3000, 3001}},
        {"spread over every block", 3000, {0, 7, 400, 401, 999, 1600, 2500, 3003, 3008}},
        {"a whole block's worth at one place", 3000, std::vector<std::size_t>()},
    };
    for (InsertCase c : cases) {
        if (c.indexes.empty()) {
            for (std::size_t k = 0; k < 600; ++k) {
                c.indexes.push_back(1000 + k);
            }
        }
        SCOPED_TRACE(c.name);
        Texts expected = manyPairs(c.size);
        TextList list = listOf(expected);
        std::vector<IndexedText> entries;
        for (const std::size_t index : c.indexes) {
            const std::string text = "new " + std::to_string(index);
            entries.push_back({index, text});
            expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(index), text);
        }
        list.insertAtIndexes(entries);
        expectHolds(list, expected);
    }
}

TEST(TextList, RemovesAtIndexesAndGivesBackWhatLeft) {
    const std::vector<InsertCase> cases = {
        {"front", 3000, {0}},
        {"middle", 3000, {1500}},
        {"end", 3000, {2999}},
        {"spread", 3000, {0, 1, 499, 500, 2000, 2998, 2999}},
        {"every one", 40, std::vector<std::size_t>()},
    };
    for (InsertCase c : cases) {
        if (c.indexes.empty()) {
            for (std::size_t k = 0; k < c.size; ++k) {
                c.indexes.push_back(k);
            }
        }
        SCOPED_TRACE(c.name);
        const Texts original = manyPairs(c.size);
        TextList list = listOf(original);
        const std::vector<IndexedText> removed = list.removeAtIndexes(c.indexes);
        Texts expected;
        std::vector<IndexedText> expectedRemoved;
        for (std::size_t k = 0; k < original.size(); ++k) {
            if (std::binary_search(c.indexes.begin(), c.indexes.end(), k)) {
                expectedRemoved.push_back({k, original[k]});
            } else {
                expected.push_back(original[k]);
            }
        }
        EXPECT_EQ(removed, expectedRemoved);
        expectHolds(list, expected);
        // What left goes back where it stood.
        list.insertAtIndexes(removed);
        expectHolds(list, original);
    }
}

TEST(TextList, ExchangingTwiceGivesBackTheTexts) {
    const Texts original = manyPairs(2000);
    TextList list = listOf(original);
    std::vector<IndexedText> entries = {
        {0, ""}, {5, std::string(9000, 'x')}, {1000, "1000 1000"}, {1999, "+0 1"}};
    list.exchangeAtIndexes(entries);
    Texts expected = original;
    expected[0] = "";
    expected[5] = std::string(9000, 'x');
    expected[1000] = "1000 1000";
    expected[1999] = "+0 1";
    expectHolds(list, expected);
    EXPECT_EQ(entries[1].text, original[5]);
    EXPECT_EQ(entries[3].text, original[1999]);
    list.exchangeAtIndexes(entries);
    expectHolds(list, original);
}

// The position remove returns goes on with the entry after, across the ends of blocks.
TEST(TextList, RemovingWhileWalkingVisitsEveryEntryOnce) {
    const Texts original = manyPairs(3000);
    TextList list = listOf(original);
    Texts kept;
    Texts visited;
    for (auto position = list.begin(); position != list.end();) {
        visited.emplace_back(*position);
        if (visited.size() % 3 != 0) {
            position = list.remove(position);
        } else {
            kept.emplace_back(*position);
            ++position;
        }
    }
    EXPECT_EQ(visited, original);
    expectHolds(list, kept);
    for (auto position = list.begin(); position != list.end();) {
        position = list.remove(position);
    }
    expectHolds(list, {});
    EXPECT_EQ(list.begin(), list.end());
}

// A replacement too long for its block splits the block; the returned position still names the
// replaced entry and walks on to the same entries.
TEST(TextList, ReplacingKeepsThePositionUsable) {
    for (const std::size_t length : {0u, 1u, 9u, 200u, 5000u}) {
        SCOPED_TRACE(length);
        Texts expected = manyPairs(3000);
        TextList list = listOf(expected);
        std::size_t index = 0;
        for (auto position = list.begin(); position != list.end(); ++position, ++index) {
            if (index % 97 == 0) {
                const std::string text(length + index % 5, static_cast<char>('a' + index % 26));
                position = list.replace(position, text);
                ASSERT_EQ(*position, text);
                expected[index] = text;
            }
        }
        EXPECT_EQ(index, expected.size());
        expectHolds(list, expected);
    }
}

TEST(TextList, RemovesAndRewritesByTheirTexts) {
    const Texts original = manyPairs(3000);
    TextList list = listOf(original);
    list.removeIf([](std::string_view text) { return text.back() == '7' || text == "0 3000"; });
    Texts expected;
    for (const std::string& text : original) {
        if (text.back() != '7' && text != "0 3000") {
            expected.push_back(text);
        }
    }
    expectHolds(list, expected);

    std::string buffer;
    list.rewrite([&](std::string_view text) -> std::optional<std::string_view> {
        if (text.front() != '1') {
            return std::nullopt;
        }
        buffer = "+" + std::string(text) + "0";
        return buffer;
    });
    for (std::string& text : expected) {
        if (text.front() == '1') {
            text = "+" + text + "0";
        }
    }
    expectHolds(list, expected);
}

TEST(TextList, AppendsAnotherListAndFindsTheFirstEqualText) {
    Texts expected = manyPairs(1000);
    TextList list = listOf(expected);
    const Texts more = {"5 995", "x", "5 995"};
    TextList other = listOf(more);
    list.appendAll(other);
    expected.insert(expected.end(), more.begin(), more.end());
    EXPECT_TRUE(other.empty());
    expectHolds(list, expected);
    EXPECT_EQ(std::distance(list.begin(), list.find("5 995")), 5);
    list.append("after");
    expected.push_back("after");
    expectHolds(list, expected);
    EXPECT_TRUE(list.removeAt(1001));
    EXPECT_FALSE(list.removeAt(1003));
    expected.erase(expected.begin() + 1001);
    expectHolds(list, expected);
}

// Each entry's fate decided by its place: removed, replaced by a shorter, equal or longer text
// (some longer than a block, so that a block must split), or kept; whole blocks emptied too.
TEST(TextList, TransformsEveryEntryInOneWalk) {
    struct Case {
        const char* name;
        std::size_t size;
        std::function<TextList::Fate(std::size_t, std::string&)> fate;
    };
    using Fate = TextList::Fate;
    const std::vector<Case> cases = {
        {"nothing changes", 3000, [](std::size_t, std::string&) { return Fate{}; }},
        {"every other removed", 3000,
         [](std::size_t k, std::string&) {
             return k % 2 ? Fate{Fate::Removed, {}} : Fate{};
         }},
        {"a run of whole blocks removed", 3000,
         [](std::size_t k, std::string&) {
             return k >= 200 && k < 2500 ? Fate{Fate::Removed, {}} : Fate{};
         }},
        {"everything removed", 3000,
         [](std::size_t, std::string&) {
             return Fate{Fate::Removed, {}};
         }},
        {"each replaced by one a byte shorter", 3000,
         [](std::size_t k, std::string& text) {
             text = std::to_string(k);
             return Fate{Fate::Replaced, text};
         }},
        {"each replaced by one longer, the blocks outgrown", 3000,
         [](std::size_t k, std::string& text) {
             text = "+000" + std::to_string(k) + " " + std::to_string(k);
             return Fate{Fate::Replaced, text};
         }},
        {"a few replaced by texts longer than a block", 3000,
         [](std::size_t k, std::string& text) {
             if (k % 700 != 3) {
                 return Fate{};
             }
             text.assign(5000 + k, static_cast<char>('a' + k % 26));
             return Fate{Fate::Replaced, text};
         }},
        {"removed, replaced and kept in turn", 3000,
         [](std::size_t k, std::string& text) {
             if (k % 3 == 0) {
                 return Fate{Fate::Removed, {}};
             }
             if (k % 3 == 1) {
                 text = k % 2 ? "" : "x" + std::to_string(k);
                 return Fate{Fate::Replaced, text};
             }
             return Fate{};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Texts original = manyPairs(c.size);
        TextList list = listOf(original);
        Texts expected;
        for (std::size_t k = 0; k < original.size(); ++k) {
            std::string text;
            const Fate fate = c.fate(k, text);
            if (fate.kind == Fate::Kept) {
                expected.push_back(original[k]);
            } else if (fate.kind == Fate::Replaced) {
                expected.emplace_back(fate.text);
            }
        }
        std::size_t index = 0;
        Texts seen;
        std::string text;
        list.transform([&](std::string_view entry) {
            seen.emplace_back(entry);
            return c.fate(index++, text);
        });
        EXPECT_EQ(seen, original);
        expectHolds(list, expected);
        // The list stays whole for what follows.
        list.append("last");
        expected.push_back("last");
        expectHolds(list, expected);
    }
}

// The searches pass over blocks by their spans: they must still find what a plain walk finds,
// pairs in every form and texts that are no pair, wherever they lie.
TEST(TextList, FindsTheFirstEqualTextsWhateverTheirBlock) {
    Texts texts = manyPairs(6000);
    for (std::size_t k = 0; k < texts.size(); k += 997) {
        texts[k] = k % 2 ? "+" + texts[k] : "x" + std::to_string(k);
    }
    texts.insert(texts.begin() + 4000, {"0 6000", "3 5997", "3 5997", "junk", ""});
    const TextList list = listOf(texts);
    const auto firstIndex = [&](const std::string& text) {
        return static_cast<std::size_t>(std::find(texts.begin(), texts.end(), text) -
                                        texts.begin());
    };
    for (const std::string text : {"0 6000", "3 5997", "5999 1", "+997 5003", "x1994", "junk", "",
                                   "6000 0", "1 6000", "x", "+0 6000"}) {
        EXPECT_EQ(static_cast<std::size_t>(std::distance(list.begin(), list.find(text))),
                  firstIndex(text))
            << '"' << text << '"';
    }
    // Each text given n times names its n first equal entries.
    const std::vector<std::string> wanted = {"3 5997", "junk",      "3 5997", "3 5997",
                                             "x0",     "2000 4000", "6000 0", ""};
    std::vector<std::size_t> expected;
    std::map<std::string, std::size_t> left;
    for (const std::string& text : wanted) {
        ++left[text];
    }
    for (std::size_t k = 0; k < texts.size(); ++k) {
        if (const auto found = left.find(texts[k]); found != left.end() && found->second > 0) {
            --found->second;
            expected.push_back(k);
        }
    }
    EXPECT_EQ(list.firstIndexesOf(wanted), expected);
    // Over a hundred texts, all of the same blocks: looked up by hashing.
    std::vector<std::string> many(texts.begin() + 100, texts.begin() + 300);
    std::vector<std::size_t> hundreds(200);
    std::iota(hundreds.begin(), hundreds.end(), 100);
    EXPECT_EQ(list.firstIndexesOf(many), hundreds);
    EXPECT_TRUE(list.firstIndexesOf({}).empty());
}

TEST(TextList, GivesTheTextsAtIndexesInOneWalk) {
    const Texts texts = manyPairs(5000);
    const TextList list = listOf(texts);
    for (const std::vector<std::size_t>& indexes :
         {std::vector<std::size_t>{}, std::vector<std::size_t>{0}, std::vector<std::size_t>{4999},
          std::vector<std::size_t>{3, 3, 4, 1200, 4998, 4999}}) {
        const std::vector<std::string_view> found = list.textsAt(indexes);
        ASSERT_EQ(found.size(), indexes.size());
        for (std::size_t k = 0; k < indexes.size(); ++k) {
            EXPECT_EQ(found[k], texts[indexes[k]]) << indexes[k];
        }
    }
}

// Random operations of every kind, compared step by step with a vector doing the same.
TEST(TextList, AgreesWithAVectorThroughRandomOperations) {
    std::mt19937 random(7);
    const auto below = [&](std::size_t bound) {
        return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random);
    };
    // Half the texts read as pairs of ranks, some of them not in plain decimal, so that the
    // blocks' spans have something to follow.
    const auto someText = [&] {
        const std::size_t kind = below(20);
        if (kind >= 10) {
            static const char* const forms[] = {"", "", "", "", "+", "0", "-"};
            return forms[below(7)] + std::to_string(below(1000)) + " " +
                   std::to_string(below(1000));
        }
        const std::size_t length = kind == 0 ? 130 + below(300) : kind == 1 ? 4100 : below(12);
        std::string text;
        for (std::size_t k = 0; k < length; ++k) {
            text.push_back(static_cast<char>(below(4) == 0 ? below(256) : '0' + below(10)));
        }
        return text;
    };
    const auto someIndexes = [&](std::size_t size, std::size_t count) {
        std::vector<std::size_t> indexes;
        for (std::size_t k = 0; k < size; ++k) {
            if (below(size) < count) {
                indexes.push_back(k);
            }
        }
        return indexes;
    };
    TextList list;
    Texts model;
    for (int step = 0; step < 3000; ++step) {
        const std::size_t operation = below(8);
        if (operation <= 1 || model.empty()) {
            const std::string text = someText();
            list.append(text);
            model.push_back(text);
        } else if (operation == 2) {
            std::vector<IndexedText> entries;
            for (const std::size_t index : someIndexes(model.size() + 1, 3)) {
                entries.push_back({index + entries.size(), someText()});
            }
            for (const IndexedText& entry : entries) {
                model.insert(model.begin() + static_cast<std::ptrdiff_t>(entry.index), entry.text);
            }
            list.insertAtIndexes(entries);
        } else if (operation == 3) {
            const std::vector<std::size_t> indexes = someIndexes(model.size(), 2);
            const std::vector<IndexedText> removed = list.removeAtIndexes(indexes);
            ASSERT_EQ(removed.size(), indexes.size());
            for (std::size_t k = indexes.size(); k-- > 0;) {
                ASSERT_EQ(removed[k].text, model[indexes[k]]);
                model.erase(model.begin() + static_cast<std::ptrdiff_t>(indexes[k]));
            }
        } else if (operation == 4) {
            std::vector<IndexedText> entries;
            for (const std::size_t index : someIndexes(model.size(), 3)) {
                entries.push_back({index, someText()});
                model[index] = entries.back().text;
            }
            list.exchangeAtIndexes(entries);
        } else if (operation == 5) {
            const std::size_t index = below(model.size());
            ASSERT_TRUE(list.removeAt(index));
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(index));
        } else if (operation == 6) {
            const std::size_t index = below(model.size());
            const std::string text = someText();
            auto position = list.begin();
            std::advance(position, static_cast<std::ptrdiff_t>(index));
            ASSERT_EQ(*list.replace(position, text), text);
            model[index] = text;
        } else {
            const char digit = static_cast<char>('0' + below(10));
            list.removeIf(
                [&](std::string_view text) { return text.size() == 2 && text[0] == digit; });
            std::erase_if(model, [&](const std::string& text) {
                return text.size() == 2 && text[0] == digit;
            });
        }
        ASSERT_NO_FATAL_FAILURE(expectHolds(list, model)) << "step " << step;
    }
}

} // namespace
