#include "boxtestsupport.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

DocumentSnapshot read(std::string_view bytes) {
    BoxDocument document;
    document.readText(bytes);
    return snapshot(document);
}

void fillWorkedExample(BoxDocument& document) {
    document.setCountText("2");
    addBox(document, cubeBox());
    addBox(document, stretchedBox());
    document.intersections.append("0 1");
}

BoxTexts uniformBox(const std::string& id, const std::string& value) {
    BoxTexts texts;
    texts.fill(value);
    texts[0] = id;
    return texts;
}

// n values of "0", each after one space.
std::string zeroValues(std::size_t n) {
    std::string values;
    for (std::size_t i = 0; i < n; ++i) {
        values += " 0";
    }
    return values;
}

// What follows the last box in a file with the one intersection "0 1".
const std::string tail = "\r\n\r\n0 1\r\n-1 -1\r\n";

// --- The written layout ---

TEST(BoxWriter, WritesTheWorkedExampleByteForByte) {
    BoxDocument document;
    fillWorkedExample(document);
    EXPECT_EQ(document.writeText(), workedExampleBytes);
}

TEST(BoxWriter, WritesAnEmptyDocumentAsCountThreeNewlinesAndTerminator) {
    BoxDocument document;
    document.setCountText("0");
    EXPECT_EQ(document.writeText(), "0\r\n\r\n\r\n-1 -1\r\n");
}

TEST(BoxWriter, PutsNineIntersectionsOnALineAndStartsANewLineWithTheTenth) {
    BoxDocument document;
    document.setCountText("0");
    for (int i = 0; i < 19; ++i) {
        document.intersections.append(std::to_string(i) + " " + std::to_string(i + 1));
    }
    EXPECT_EQ(document.writeText(),
              "0\r\n\r\n"
              "0 1  1 2  2 3  3 4  4 5  5 6  6 7  7 8  8 9\r\n"
              "9 10  10 11  11 12  12 13  13 14  14 15  15 16  16 17  17 18\r\n"
              "18 19\r\n"
              "-1 -1\r\n");
}

TEST(BoxWriter, WritesEmptyFieldsAsZeroSoThatTheFileReadsBackAligned) {
    BoxDocument document;
    document.setCountText("1");
    document.appendBox();
    document.boxIds.append("");
    document.intersections.append("0 0");
    const std::string bytes = document.writeText();
    EXPECT_EQ(bytes,
              "1\r\n 0  0\r\n  0 0 0"
              "\r\n  0 0 0 0\r\n  0 0 0 0\r\n  0 0 0 0\r\n  0 0 0 0\r\n  0 0 0 0\r\n  0 0 0 0"
              "\r\n\r\n0 0\r\n-1 -1\r\n");
    EXPECT_EQ(read(bytes), (DocumentSnapshot{"1", "", {"0"}, {uniformBox("0", "0")}, {"0 0"}}));
}

TEST(BoxWriter, WritesAnEmptyCountAsZero) {
    BoxDocument document;
    EXPECT_EQ(document.writeText(), "0\r\n\r\n\r\n-1 -1\r\n");
}

TEST(BoxWriter, WritesEveryOtherTextVerbatim) {
    BoxDocument document;
    document.setCountText("01");
    addBox(document, uniformBox("%s%n", "%d\\x"));
    document.intersections.append("%s 1");
    EXPECT_EQ(document.writeText().substr(0, 20), "01\r\n %s%n  %d\\x\r\n  %");
    EXPECT_NE(document.writeText().find("\r\n\r\n%s 1\r\n-1 -1\r\n"), std::string::npos);
}

// --- Reading well-formed files ---

TEST(BoxReader, ReadsTheWorkedExample) {
    EXPECT_EQ(read(workedExampleBytes), workedExampleSnapshot());
}

TEST(BoxReader, ReadsTheEmptyDocument) {
    EXPECT_EQ(read("0\r\n\r\n\r\n-1 -1\r\n"), (DocumentSnapshot{"0", "", {}, {}, {}}));
}

TEST(BoxReader, TakesTabsAndRunsOfSpacesBetweenValuesAsOneSeparator) {
    const std::string bytes = "1\r\n 7 \t 9\t\t00000001\r\n\r\n   00000002\v00000003 \f\r\n"
                              "  1 2 3 4\t5 6 7 8 \t 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24"
                              "\t\t0  \t 1\r\n\t-1\t-1\r\n";
    BoxTexts expected;
    expected[0] = "7";
    expected[1] = "9";
    expected[2] = "00000001";
    expected[3] = "00000002";
    expected[4] = "00000003";
    for (std::size_t k = 0; k < 24; ++k) {
        expected[boxslot::plane(k)] = std::to_string(k + 1);
    }
    EXPECT_EQ(read(bytes), (DocumentSnapshot{"1", "", {"7"}, {expected}, {"0 1"}}));
}

TEST(BoxReader, KeepsATabAroundTheCountOrAnIdInTheToken) {
    struct Case {
        std::string head;
        std::string countText;
        std::string id;
    };
    const std::vector<Case> cases = {
        {"1\r\n 1\t2  9", "1", "1\t2"},
        {"1\r\n\t5  9", "1", "\t5"},
        {"1\r\n 5\t \t9", "1", "5\t"},
        {"1\t\r\n 5  9", "1\t", "5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.head);
        BoxTexts expected = uniformBox(c.id, "0");
        expected[1] = "9";
        EXPECT_EQ(read(c.head + zeroValues(27) + tail),
                  (DocumentSnapshot{c.countText, "", {c.id}, {expected}, {"0 1"}}));
    }
}

TEST(BoxReader, TakesALoneLineFeedAsANewlineAndALoneCarriageReturnAsACharacterOfACountOrId) {
    std::string lineFeedsOnly;
    for (const char c : workedExampleBytes) {
        if (c != '\r') {
            lineFeedsOnly += c;
        }
    }
    EXPECT_EQ(read(lineFeedsOnly), workedExampleSnapshot());

    const DocumentSnapshot result = read("1\r\r\n a\rb\r 9\r" + zeroValues(27) + tail);
    BoxTexts expected = uniformBox("a\rb\r", "0");
    expected[1] = "9";
    EXPECT_EQ(result, (DocumentSnapshot{"1\r", "", {"a\rb\r"}, {expected}, {"0 1"}}));

    BoxTexts leading = uniformBox("\rz", "0");
    leading[1] = "9";
    EXPECT_EQ(read("1 \r\n\rz 9" + zeroValues(27) + tail),
              (DocumentSnapshot{"1", "", {"\rz"}, {leading}, {"0 1"}}));
}

TEST(BoxReader, EndsTheIntersectionsAtTheFirstPairWhoseFirstTokenBeginsWithMinus) {
    struct Case {
        std::string intersectionBytes;
        std::vector<std::string> intersections;
    };
    const std::vector<Case> cases = {
        {"0 1  -5 2  3 4\r\n-1 -1\r\n", {"0 1"}},
        {"0 1  1 -2  -x 4  5 6", {"0 1", "1 -2"}},
        {"-1 -1\r\n0 1\r\n", {}},
        {"2 3\r\n-", {"2 3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.intersectionBytes);
        EXPECT_EQ(read("0\r\n\r\n" + c.intersectionBytes).intersections, c.intersections);
    }
}

TEST(BoxReader, AppendsWhenReadTwiceAndCountsEveryBoxHeld) {
    BoxDocument document;
    document.readText(workedExampleBytes);
    document.readText(workedExampleBytes);
    const DocumentSnapshot once = workedExampleSnapshot();
    EXPECT_EQ(document.countText, "4");
    EXPECT_EQ(textsIn(document.boxIds), (std::vector<std::string>{"1", "2", "1", "2"}));
    ASSERT_EQ(document.boxes.size(), 4u);
    EXPECT_EQ(snapshot(document).boxes,
              (std::vector<BoxTexts>{once.boxes[0], once.boxes[1], once.boxes[0], once.boxes[1]}));
    EXPECT_EQ(textsIn(document.intersections), (std::vector<std::string>{"0 1", "0 1"}));
}

TEST(BoxReader, ReadsTheSameWhateverTheChunksTheBytesArriveIn) {
    const std::string bytes = "2\r\n 1\t2  9" + zeroValues(27) + "\r\n b\r\r\n" + zeroValues(28) +
                              "\r\n\r\n0 1  1 0\r\n-1 -1\r\n";
    const DocumentSnapshot whole = read(bytes);
    ASSERT_EQ(whole.boxes.size(), 2u);
    ASSERT_EQ(whole.intersections.size(), 2u);
    for (const std::size_t chunkSize : {1u, 2u, 3u, 5u, 7u, 64u}) {
        SCOPED_TRACE(chunkSize);
        ChunkedSource source(bytes, chunkSize);
        BoxFileContent content = readBoxContent(source);
        EXPECT_EQ(content.countText, whole.countText);
        EXPECT_EQ(textsIn(content.boxIds), whole.boxIds);
        std::vector<BoxTexts> boxes;
        for (const auto& box : content.boxes) {
            boxes.push_back(textsOf(*box));
        }
        EXPECT_EQ(boxes, whole.boxes);
        EXPECT_EQ(textsIn(content.intersections), whole.intersections);
    }
}

// --- Malformed files ---

TEST(BoxReader, KeepsTokensOfAnyLengthWhole) {
    const std::string longCount = std::string(300, '0') + "1";
    const std::string longId(500, 'i');
    const std::string longValue(5000, 'v');
    const std::string longRank(70, '7');
    const std::string bytes = longCount + "\r\n " + longId + "  " + longValue + zeroValues(27) +
                              "\r\n\r\n" + longRank + " " + longRank + "\r\n-1 -1\r\n";
    BoxTexts expected = uniformBox(longId, "0");
    expected[1] = longValue;
    EXPECT_EQ(read(bytes),
              (DocumentSnapshot{longCount, "", {longId}, {expected}, {longRank + " " + longRank}}));
}

TEST(BoxReader, KeepsBytesThatAreNotTextInsideTheirTokens) {
    const std::string id("a\0b\xff", 4);
    const std::string bytes = "1\r\n " + id + "  9" + zeroValues(27) + tail;
    BoxTexts expected = uniformBox(id, "0");
    expected[1] = "9";
    EXPECT_EQ(read(bytes), (DocumentSnapshot{"1", "", {id}, {expected}, {"0 1"}}));
}

TEST(BoxReader, CorrectsACountThatDisagreesWithTheBoxesAndKeepsOneThatAgrees) {
    const std::string oneBox = " 7  9" + zeroValues(27);
    BoxTexts box = uniformBox("7", "0");
    box[1] = "9";
    struct Case {
        std::string bytes;
        DocumentSnapshot expected;
    };
    const std::vector<Case> cases = {
        // A count that agrees keeps its exact text.
        {"01\r\n" + oneBox + tail, {"01", "", {"7"}, {box}, {"0 1"}}},
        {" \t+1x\r\n" + oneBox + tail, {"\t+1x", "", {"7"}, {box}, {"0 1"}}},
        {"abc\r\n\r\n3 4\r\n-1 -1\r\n", {"abc", "", {}, {}, {"3 4"}}},
        // More boxes announced than present: the intersections become the start of a box,
        // which the end of the file cuts short, so it is dropped.
        {"99999999999\r\n" + oneBox + tail, {"1", "", {"7"}, {box}, {}}},
        {"99999999999999999999999999\r\n" + oneBox + tail, {"1", "", {"7"}, {box}, {}}},
        // A negative count reads no box: the box's tokens are taken as pairs until a token
        // starting with "-" opens one.
        {"-3\r\n0 1\r\n-1 -1\r\n", {"0", "", {}, {}, {"0 1"}}},
        {"-99999999999999999999\r\n" + oneBox + tail,
         {"0",
          "",
          {},
          {},
          [] {
              std::vector<std::string> pairs{"7 9"};
              pairs.insert(pairs.end(), 14, "0 0");
              pairs.push_back("1 -1");
              return pairs;
          }()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(read(c.bytes), c.expected);
    }
}

TEST(BoxReader, TakesTheTokensOfSurplusBoxesAsIntersectionPairs) {
    std::string bytes = workedExampleBytes;
    bytes[0] = '1';
    const DocumentSnapshot result = read(bytes);
    EXPECT_EQ(result.countText, "1");
    EXPECT_EQ(result.boxIds, std::vector<std::string>{"1"});
    EXPECT_EQ(result.boxes, std::vector<BoxTexts>{cubeBox()});
    // Box 2's 29 tokens and "0 1" make 31 tokens: 15 pairs, then "1" paired with "-1".
    ASSERT_EQ(result.intersections.size(), 16u);
    EXPECT_EQ(result.intersections.front(), "2 3");
    EXPECT_EQ(result.intersections[1], "00000000 00000000");
    EXPECT_EQ(result.intersections[14], "00004000 0");
    EXPECT_EQ(result.intersections.back(), "1 -1");
}

TEST(BoxReader, KeepsCompleteBoxesAndPairsWhenTheFileEndsEarly) {
    struct Case {
        std::string bytes;
        std::string countText;
        std::size_t boxCount;
        std::vector<std::string> intersections;
    };
    const std::string header = "2\r\n 1  2" + zeroValues(27);
    const std::string twoBoxes = header + "\r\n 2  3" + zeroValues(27);
    const std::vector<Case> cases = {
        {"", "", 0, {}},
        {"   \r\n\t", "\t", 0, {}},
        {"2", "0", 0, {}},
        {header, "1", 1, {}},
        {header + "\r\n 2  3", "1", 1, {}},
        {header + "\r\n 2  3" + zeroValues(26), "1", 1, {}},
        {twoBoxes, "2", 2, {}},
        {twoBoxes + "\r\n\r\n0 1  1", "2", 2, {"0 1"}},
        {twoBoxes + "\r\n\r\n0 1  1 0\r\n", "2", 2, {"0 1", "1 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const DocumentSnapshot result = read(c.bytes);
        EXPECT_EQ(result.boxes.size(), c.boxCount);
        EXPECT_EQ(result.boxIds.size(), c.boxCount);
        EXPECT_EQ(result.countText, c.countText);
        EXPECT_EQ(result.intersections, c.intersections);
    }
}

TEST(BoxReader, ReadsEveryPrefixOfAFileIntoAnAlignedPrefixOfItsContent) {
    BoxDocument full;
    fillWorkedExample(full);
    for (int i = 0; i < 11; ++i) {
        full.intersections.append(std::to_string(i % 2) + " " + std::to_string(1 - i % 2));
    }
    const std::string bytes = full.writeText();
    const DocumentSnapshot expected = snapshot(full);
    const std::size_t firstBoxEnd = bytes.find("\r\n 2  3");
    for (std::size_t length = 0; length <= bytes.size(); ++length) {
        SCOPED_TRACE(length);
        const DocumentSnapshot result = read(std::string_view(bytes).substr(0, length));
        ASSERT_EQ(result.boxIds.size(), result.boxes.size());
        ASSERT_LE(result.boxes.size(), expected.boxes.size());
        ASSERT_LE(result.intersections.size(), expected.intersections.size());
        for (std::size_t i = 0; i < result.boxes.size(); ++i) {
            EXPECT_EQ(result.boxIds[i], result.boxes[i][0]);
            // Only the last value of the last box can be cut short by the end.
            EXPECT_TRUE(std::equal(result.boxes[i].begin(), result.boxes[i].end() - 1,
                                   expected.boxes[i].begin()));
        }
        if (!result.countText.empty()) {
            EXPECT_EQ(result.countText, std::to_string(result.boxes.size()));
        }
        if (length >= firstBoxEnd) {
            ASSERT_GE(result.boxes.size(), 1u);
            EXPECT_EQ(result.boxes[0], expected.boxes[0]);
        }
        if (result.intersections.size() > 1) {
            EXPECT_TRUE(std::equal(result.intersections.begin(), result.intersections.end() - 1,
                                   expected.intersections.begin()));
        }
    }
    EXPECT_EQ(read(bytes), expected);
}

// --- Round trips ---

// Tokens as a file may bring them: digits, hexadecimal, signs, and now and then any byte that
// is not white space, of any length. IDs may also hold tabs.
std::string randomToken(std::mt19937& random, bool isId) {
    static constexpr std::string_view hexDigits = "0123456789abcdefABCDEF-+";
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<std::size_t> length(1, kind(random) == 0 ? 120 : 8);
    const std::size_t size = length(random);
    std::string token;
    for (std::size_t i = 0; i < size; ++i) {
        if (kind(random) == 0) {
            char c = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
            const bool separates =
                isId ? (c == ' ' || c == '\n' || c == '\r')
                     : std::string_view(" \t\n\v\f\r").find(c) != std::string_view::npos;
            token += separates ? 'x' : c;
        } else {
            token += hexDigits[std::uniform_int_distribution<std::size_t>(0, hexDigits.size() -
                                                                                 1)(random)];
        }
    }
    return token;
}

void fillRandomly(BoxDocument& document, std::mt19937& random, std::size_t boxCount,
                  std::size_t intersectionCount) {
    document.setCountText(std::to_string(boxCount));
    for (std::size_t i = 0; i < boxCount; ++i) {
        BoxTexts texts;
        for (std::size_t field = 0; field < texts.size(); ++field) {
            texts[field] = randomToken(random, field == 0);
        }
        addBox(document, texts);
    }
    for (std::size_t i = 0; i < intersectionCount; ++i) {
        std::string first = randomToken(random, false);
        if (first.front() == '-') {
            first.front() = '1';
        }
        document.intersections.append(first + " " + randomToken(random, false));
    }
}

TEST(BoxRoundTrip, GeneratedFilesReadBackAndWriteAgainByteForByte) {
    std::mt19937 random(20240601);
    for (const auto& [boxCount, intersectionCount] :
         std::vector<std::pair<std::size_t, std::size_t>>{
             {0, 0}, {1, 9}, {3, 10}, {250, 400}, {600, 27}}) {
        SCOPED_TRACE(boxCount);
        BoxDocument original;
        fillRandomly(original, random, boxCount, intersectionCount);
        const std::string bytes = original.writeText();
        BoxDocument reread;
        reread.readText(bytes);
        EXPECT_EQ(snapshot(reread), snapshot(original));
        EXPECT_EQ(reread.writeText(), bytes);
    }
}

TEST(BoxRoundTrip, FilesWithOtherSeparatorsReadAsTheirContent) {
    std::mt19937 random(7);
    BoxDocument original;
    fillRandomly(original, random, 40, 30);
    const auto separator = [&](bool aroundLineToken) {
        static constexpr std::string_view anyWhiteSpace[] = {" ",     "\t", "\r\n", "\n",
                                                             "  \t ", "\v", "\f",   "\r"};
        static constexpr std::string_view lineSeparators[] = {" ", "\r\n", "\n", "  \r\n \n"};
        if (aroundLineToken) {
            return std::string(
                lineSeparators[std::uniform_int_distribution<std::size_t>(0, 3)(random)]);
        }
        return std::string(anyWhiteSpace[std::uniform_int_distribution<std::size_t>(0, 7)(random)]);
    };
    // A count or an ID is delimited by spaces and newlines only, so only those surround them.
    std::string bytes = original.countText;
    for (const auto& box : original.boxes) {
        const BoxTexts texts = textsOf(*box);
        bytes += separator(true) + texts[0] + separator(true) + texts[1];
        for (std::size_t field = 2; field < texts.size(); ++field) {
            bytes += separator(false) + texts[field];
        }
    }
    for (const std::string_view intersection : original.intersections) {
        const std::size_t space = intersection.find(' ');
        bytes += separator(false);
        bytes += intersection.substr(0, space);
        bytes += separator(false);
        bytes += intersection.substr(space + 1);
    }
    bytes += separator(false) + "-1" + separator(false) + "-1";
    EXPECT_EQ(read(bytes), snapshot(original));
}

} // namespace
