#include "filetestsupport.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

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

TEST_F(BoxFileTest, SavingWithoutAPathWritesNothing) {
    const fs::path previous = fs::current_path();
    fs::current_path(folder_);
    BoxDocument document;
    document.readText(workedExampleBytes);
    EXPECT_FALSE(document.writeFile());
    fs::current_path(previous);
    EXPECT_TRUE(namesIn(folder_).empty());
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
