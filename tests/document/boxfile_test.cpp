#include "filetestsupport.h"
#include "leadinginteger.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

// Saving and reading real files, as every system must do it.

namespace {

TEST_F(BoxFileTest, SavesTheExactBytesAndReadsThemBack) {
    BoxDocument document;
    document.readText(workedExampleBytes);
    const fs::path target = folder_ / "exemple.box";
    document.setPath(target.string());
    ASSERT_TRUE(document.writeFile());
    EXPECT_EQ(contentOf(target), workedExampleBytes);
    EXPECT_EQ(namesIn(folder_), std::set<std::string>{"exemple.box"});

    BoxDocument reread;
    reread.setPath(target.string());
    ASSERT_TRUE(reread.loadCountText(target.string()));
    EXPECT_EQ(reread.countText, "2");
    ASSERT_TRUE(reread.readFile(target.string()));
    DocumentSnapshot expected = workedExampleSnapshot();
    expected.path = target.string();
    EXPECT_EQ(snapshot(reread), expected);
}

TEST_F(BoxFileTest, RoundTripsAFileLargerThanTheReadAndWriteBuffers) {
    BoxDocument document;
    fillLarge(document, 3000);
    const fs::path target = folder_ / "grand.box";
    document.setPath(target.string());
    ASSERT_TRUE(document.writeFile());
    const std::string bytes = contentOf(target);
    ASSERT_GT(bytes.size(), 4u * 64 * 1024);
    EXPECT_EQ(bytes, document.writeText());

    BoxDocument reread;
    reread.setPath(target.string());
    ASSERT_TRUE(reread.readFile(target.string()));
    EXPECT_EQ(snapshot(reread), snapshot(document));
}

TEST_F(BoxFileTest, LoadCountTextTakesOnlyTheFirstToken) {
    const fs::path source = folder_ / "compte.box";
    writeContent(source, "12\t \r\n 1  2 garbage");
    BoxDocument document;
    document.readText(workedExampleBytes);
    ASSERT_TRUE(document.loadCountText(source.string()));
    DocumentSnapshot expected = workedExampleSnapshot();
    expected.countText = "12\t";
    EXPECT_EQ(snapshot(document), expected);
}

TEST_F(BoxFileTest, LoadingAFileReplacesTheWholeDocumentWithItsContentAndCountAsWritten) {
    const fs::path source = folder_ / "compte.box";
    std::string bytes = workedExampleBytes;
    bytes.replace(0, 1, "02");
    writeContent(source, bytes);
    BoxDocument document;
    document.setPath("/ancien.box");
    document.readText(workedExampleBytes);
    (*document.boxes.begin())->id = "9";
    document.intersections.append("1 0");
    ASSERT_TRUE(document.loadFile(source.string()));
    DocumentSnapshot expected = workedExampleSnapshot();
    expected.countText = "02";
    expected.path = source.string();
    EXPECT_EQ(snapshot(document), expected);

    writeContent(source, "");
    ASSERT_TRUE(document.loadFile(source.string()));
    EXPECT_EQ(snapshot(document), (DocumentSnapshot{"", source.string(), {}, {}, {}}));
}

// The checker reads a file once and still needs the count it wrote, even where the document had
// to correct it; a count that agrees with the boxes is the document's own and is not handed over.
TEST_F(BoxFileTest, LoadingHandsOverTheWrittenCountOnlyWhenItWasCorrected) {
    const fs::path source = folder_ / "compte.box";
    struct Case {
        std::string count;
        std::string kept;
        std::optional<std::string> written;
    };
    // Twice the reader's chunk, so that the token straddles chunks.
    const std::string longToken = "9" + std::string(128 * 1024 + 3, '0');
    for (const Case& c : std::vector<Case>{{"02", "02", std::nullopt},
                                           {"5", "2", "5"},
                                           {"-2", "0", "-2"},
                                           {longToken, "2", longToken}}) {
        std::string bytes = workedExampleBytes;
        bytes.replace(0, 1, c.count);
        writeContent(source, bytes);
        BoxDocument document;
        std::optional<std::string> written;
        ASSERT_TRUE(document.loadFile(source.string(), written));
        EXPECT_EQ(document.countText, c.kept);
        // Compared whole, but reported by size: the long token would flood the report.
        EXPECT_TRUE(written == c.written)
            << c.count.substr(0, 8) << ": " << (written ? written->size() : 0) << " bytes";
    }
}

TEST_F(BoxFileTest, SavingWithoutAPathWritesNothing) {
    const fs::path previous = fs::current_path();
    fs::current_path(folder_);
    BoxDocument document;
    document.readText(workedExampleBytes);
    EXPECT_FALSE(document.writeFile());
    fs::current_path(previous);
    EXPECT_TRUE(namesIn(folder_).empty());
}

// Each text that would read back as other tokens, in each place it can stand.
TEST_F(BoxFileTest, ASaveRefusesATextThatWouldNotReadBackAsTheSameToken) {
    struct Case {
        const char* name;
        std::function<void(BoxDocument&)> spoil;
    };
    const auto planeText = [](const char* text) {
        return [text](BoxDocument& document) { (*document.boxes.begin())->planeText(7) = text; };
    };
    const std::vector<Case> cases = {
        {"a space in a plane value", planeText("17.5 3")},
        {"a tab in a plane value", planeText("40\t00")},
        {"a carriage return in a plane value", planeText("4000\r")},
        {"a vertical tab in a plane value", planeText("\v4000")},
        {"a space in a radius", [](BoxDocument& d) { (*d.boxes.begin())->maxRadius = "1 2"; }},
        {"a newline in a centre", [](BoxDocument& d) { (*d.boxes.begin())->centerY = "0\n1"; }},
        {"a space in an ID", [](BoxDocument& d) { (*d.boxes.begin())->id = "1 3"; }},
        {"a newline in an ID", [](BoxDocument& d) { (*d.boxes.begin())->id = "\n1"; }},
        {"a space in the count", [](BoxDocument& d) { d.setCountText("2 "); }},
        {"a newline in the count", [](BoxDocument& d) { d.setCountText("2\n"); }},
        {"a count above the boxes", [](BoxDocument& d) { d.setCountText("3"); }},
        {"a count below the boxes", [](BoxDocument& d) { d.setCountText("1"); }},
        {"an empty count over boxes", [](BoxDocument& d) { d.setCountText(""); }},
        {"an intersection of one token", [](BoxDocument& d) { d.intersections.append("01"); }},
        {"an empty intersection", [](BoxDocument& d) { d.intersections.append(""); }},
        {"an intersection of two spaces", [](BoxDocument& d) { d.intersections.append("0  1"); }},
        {"an intersection of three tokens",
         [](BoxDocument& d) { d.intersections.append("0 1 2"); }},
        {"an intersection ending in a space", [](BoxDocument& d) { d.intersections.append("0 "); }},
        {"an intersection with a tab", [](BoxDocument& d) { d.intersections.append("0\t1 2"); }},
        {"an intersection that ends the list",
         [](BoxDocument& d) { d.intersections.append("-1 0"); }},
    };
    const fs::path target = folder_ / "ancien.box";
    for (const Case& item : cases) {
        SCOPED_TRACE(item.name);
        writeContent(target, "ancien contenu");
        BoxDocument document;
        document.readText(workedExampleBytes);
        document.setPath(target.string());
        item.spoil(document);
        EXPECT_FALSE(document.writeFile());
        EXPECT_EQ(contentOf(target), "ancien contenu");
        EXPECT_EQ(namesIn(folder_), std::set<std::string>{"ancien.box"});
    }
}

// Texts that read back as themselves, among them characters that only look like separators.
TEST_F(BoxFileTest, ASaveKeepsTextsThatReadBackAsThemselves) {
    BoxDocument document;
    document.readText(workedExampleBytes);
    document.setCountText("02\t");
    (*document.boxes.begin())->id = "A\t1\r";
    (*document.boxes.begin())->maxRadius = "-17.5";
    (*document.boxes.begin())->planeText(0) = "\xc3\xa9\x01";
    document.intersections.append("1 -0");
    const fs::path target = folder_ / "bizarre.box";
    document.setPath(target.string());
    ASSERT_TRUE(document.writeFile());
    BoxDocument reread;
    ASSERT_TRUE(reread.readFile(target.string()));
    reread.setPath(target.string());
    // The reader keeps the first ID; boxIds follows the file.
    DocumentSnapshot expected = snapshot(document);
    expected.boxIds.front() = "A\t1\r";
    EXPECT_EQ(snapshot(reread), expected);
}

// What the window's commands do to a document, on texts that its fields let through: digits
// in the ID and the radius, anything but white space in a hexadecimal field, whatever a file
// brought, intersections of two different ranks, and deletions that renumber.
class EditorLikeCommands {
public:
    explicit EditorLikeCommands(unsigned seed) : random_(seed) {}

    void run(BoxDocument& document, int steps) {
        document.readText(fileOfTokens());
        for (int step = 0; step < steps; ++step) {
            switch (pick(5)) {
            case 0:
                addBox(document);
                break;
            case 1:
                validate(document);
                break;
            case 2:
                deleteBox(document);
                break;
            case 3:
                addIntersection(document);
                break;
            default:
                deleteIntersection(document);
                break;
            }
        }
    }

private:
    std::size_t pick(std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
    }

    std::string textOf(std::string_view alphabet, std::size_t longest) {
        std::string text(pick(longest + 1), ' ');
        for (char& c : text) {
            c = alphabet[pick(alphabet.size())];
        }
        return text;
    }

    std::string digits() { return textOf("0123456789", 4); }
    // Any byte but white space, as paste, drop and the conversions may bring.
    std::string hexText() { return textOf("0123456789abcdefABCDEF.-+xyz\x01\x7f\xc3\xa9", 9); }

    std::string token() {
        std::string text = hexText();
        return text.empty() ? "0" : text;
    }

    std::string fileOfTokens() {
        const std::size_t boxCount = pick(4);
        std::string bytes = std::to_string(boxCount);
        for (std::size_t box = 0; box < boxCount; ++box) {
            bytes += "\r\n " + textOf("ab\t\r12", 5) + "x";
            for (int value = 0; value < 28; ++value) {
                bytes += value % 4 == 0 ? "\r\n  " : "\t";
                bytes += token();
            }
        }
        bytes += "\r\n\r\n";
        for (std::size_t pair = pick(4); pair > 0; --pair) {
            bytes += std::to_string(pick(9)) + " " + token() + "  ";
        }
        return bytes + "\r\n-1 -1\r\n";
    }

    void fill(Box& box, const std::string& id) {
        box.id = id;
        box.maxRadius = digits();
        for (std::size_t axis = 0; axis < Box::centerTextCount; ++axis) {
            box.centerText(axis) = hexText();
        }
        for (std::size_t k = 0; k < Box::planeTextCount; ++k) {
            box.planeText(k) = hexText();
        }
    }

    void setCount(BoxDocument& document, long long delta) {
        document.setCountText(
            std::to_string(saturatingAdd(parseLeadingInteger(document.countText), delta)));
    }

    void addBox(BoxDocument& document) {
        const std::string id = digits();
        if (id.empty() || document.boxIds.find(id) != document.boxIds.end()) {
            return;
        }
        document.boxIds.append(id);
        fill(document.appendBox(), id);
        setCount(document, 1);
    }

    void validate(BoxDocument& document) {
        if (document.boxes.empty()) {
            return;
        }
        Box& box =
            **std::next(document.boxes.begin(), static_cast<long>(pick(document.boxes.size())));
        fill(box, box.id);
    }

    void deleteBox(BoxDocument& document) {
        if (document.boxes.empty()) {
            return;
        }
        const std::size_t rank = pick(document.boxes.size());
        document.removeIntersectionsOfRank(std::to_string(rank));
        document.shiftRanksAbove(-1, static_cast<long long>(rank));
        document.boxes.remove(std::next(document.boxes.begin(), static_cast<long>(rank)));
        document.boxIds.remove(std::next(document.boxIds.begin(), static_cast<long>(rank)));
        setCount(document, -1);
    }

    void addIntersection(BoxDocument& document) {
        const std::size_t count = document.boxes.size();
        if (count < 2) {
            return;
        }
        const std::string first = std::to_string(pick(count));
        const std::string second = std::to_string(pick(count));
        const std::string pair = first + " " + second;
        if (first != second && document.intersections.find(pair) == document.intersections.end() &&
            document.intersections.find(second + " " + first) == document.intersections.end()) {
            document.intersections.append(pair);
        }
    }

    void deleteIntersection(BoxDocument& document) {
        if (!document.intersections.empty()) {
            document.intersections.remove(
                std::next(document.intersections.begin(),
                          static_cast<long>(pick(document.intersections.size()))));
        }
    }

    std::mt19937 random_;
};

TEST_F(BoxFileTest, EveryDocumentTheEditorCanBuildSavesAndReadsBackEqual) {
    const fs::path target = folder_ / "propriete.box";
    for (unsigned seed = 0; seed < 150; ++seed) {
        SCOPED_TRACE(seed);
        BoxDocument document;
        EditorLikeCommands(seed).run(document, static_cast<int>(seed % 40));
        document.setPath(target.string());
        ASSERT_TRUE(document.writeFile());
        BoxDocument reread;
        ASSERT_TRUE(reread.readFile(target.string()));
        reread.setPath(target.string());
        // An empty field is written, and so read back, as "0".
        DocumentSnapshot expected = snapshot(document);
        for (BoxTexts& texts : expected.boxes) {
            for (std::string& text : texts) {
                text = text.empty() ? "0" : text;
            }
        }
        EXPECT_EQ(snapshot(reread), expected);
        EXPECT_EQ(contentOf(target), reread.writeText());
    }
}

TEST_F(BoxFileTest, SavingInTheCurrentFolderWithABareName) {
    const fs::path previous = fs::current_path();
    fs::current_path(folder_);
    BoxDocument document;
    document.readText(workedExampleBytes);
    document.setPath("nu.box");
    const bool saved = document.writeFile();
    fs::current_path(previous);
    ASSERT_TRUE(saved);
    EXPECT_EQ(contentOf(folder_ / "nu.box"), workedExampleBytes);
    EXPECT_EQ(namesIn(folder_), std::set<std::string>{"nu.box"});
}

// Windows' C runtime reads text-mode files up to the first Ctrl-Z and folds CR LF into LF: the
// file access must hand the reader exactly the bytes on disk, whatever their line ends.
TEST_F(BoxFileTest, ReadsTheBytesOnDiskWithoutTranslatingLineEnds) {
    const std::string crLf = workedExampleBytes;
    std::string bareLf;
    for (const char c : workedExampleBytes) {
        if (c != '\r') {
            bareLf += c;
        }
    }
    std::string controlZ = workedExampleBytes;
    controlZ.insert(controlZ.find(" 2  3"), "\x1a");
    std::string lateCount = "\x1a" + workedExampleBytes;
    for (const std::string& bytes : {crLf, bareLf, controlZ, lateCount}) {
        SCOPED_TRACE(testing::PrintToString(bytes.substr(0, 12)));
        const fs::path source = folder_ / "fins.box";
        writeContent(source, bytes);
        ASSERT_EQ(contentOf(source), bytes);
        BoxDocument fromText;
        fromText.readText(bytes);
        BoxDocument fromFile;
        ASSERT_TRUE(fromFile.readFile(source.string()));
        EXPECT_EQ(snapshot(fromFile), snapshot(fromText));
        ASSERT_TRUE(fromFile.loadCountText(source.string()));
        EXPECT_EQ(fromFile.countText, bytes.substr(0, bytes.find_first_of(" \r\n")));

        fromFile.setPath((folder_ / "copie.box").string());
        ASSERT_TRUE(fromFile.writeFile());
        EXPECT_EQ(contentOf(folder_ / "copie.box"), fromFile.writeText());
    }
}

} // namespace
