#include "companionname.h"
#include "filetestsupport.h"
#include "safefile.h"

#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <string>
#include <system_error>

// The copy an in-place save keeps, and its temporary files: their names and format, the same on
// every system, and what opening a file does with a copy a save cut short left.

namespace {

TEST(CompanionNames, NameTheFileTheProcessAndTheirKind) {
    EXPECT_EQ(temporaryName("d/", "salle.box", 4242, 0), "d/.salle.box.4242.00000000.quadrel-tmp");
    EXPECT_EQ(temporaryName("", "salle.box", 7, 36 + 2 * 36 * 36),
              ".salle.box.7.01200000.quadrel-tmp");
    EXPECT_EQ(copyName("d/", "salle.box"), "d/.salle.box.quadrel-copy");
    const std::string longName(300, 'n');
    EXPECT_EQ(copyName("", longName), "." + std::string(200, 'n') + ".quadrel-copy");
    EXPECT_EQ(temporaryOwner(temporaryName("", longName, 99, 12345), longName), 99u);
}

TEST(CompanionNames, ATemporaryIsRecognisedOnlyForItsOwnFile) {
    struct Case {
        const char* name;
        std::optional<unsigned long long> owner;
    };
    for (const Case& item : {
             Case{".salle.box.4242.a1b2c3d4.quadrel-tmp", 4242},
             Case{".salle.box.1.zzzzzzzz.quadrel-tmp", 1},
             Case{".salle.box.4242.a1b2c3d4.quadrel-copy", std::nullopt},
             Case{".salle.box2.4242.a1b2c3d4.quadrel-tmp", std::nullopt},
             Case{".autre.box.4242.a1b2c3d4.quadrel-tmp", std::nullopt},
             Case{"salle.box.4242.a1b2c3d4.quadrel-tmp", std::nullopt},
             Case{".salle.box.42x2.a1b2c3d4.quadrel-tmp", std::nullopt},
             Case{".salle.box..a1b2c3d4.quadrel-tmp", std::nullopt},
             Case{".salle.box.4242.a1b2c3d.quadrel-tmp", std::nullopt},
             Case{".salle.box.4242.A1B2C3D4.quadrel-tmp", std::nullopt},
             Case{".salle.box.4242a1b2c3d4.quadrel-tmp", std::nullopt},
             Case{".salle.box.99999999999999999999.a1b2c3d4.quadrel-tmp", std::nullopt},
             Case{".salle.box.tmp", std::nullopt},
             Case{"", std::nullopt},
         }) {
        SCOPED_TRACE(item.name);
        EXPECT_EQ(temporaryOwner(item.name, "salle.box"), item.owner);
    }
}

TEST(CopyFormat, TheTrailerGivesTheLengthAndTheChecksumOfTheContent) {
    // FNV-1a of nothing is its offset basis; of "a", the published value.
    EXPECT_EQ(copyTrailer(0, CopyChecksum().value()),
              "\r\nquadrel-copy 0000000000000000 cbf29ce484222325\r\n");
    CopyChecksum a;
    a.add("a");
    EXPECT_EQ(a.value(), 0xaf63dc4c8601ec8cu);
    EXPECT_EQ(copyTrailer(0x123456789abcdefu, 1).size(), copyTrailerSize);
    EXPECT_EQ(copyTrailer(0x123456789abcdefu, 1),
              "\r\nquadrel-copy 0123456789abcdef 0000000000000001\r\n");
}

class CopyFileTest : public BoxFileTest {};

// Sizes put the trailer across the reader's 64 KiB chunks, and the content in none, one or many.
TEST_F(CopyFileTest, OnlyAWholeUndamagedCopyIsComplete) {
    const fs::path copy = folder_ / "copie";
    for (const std::size_t size : {0u, 1u, 49u, 50u, 65486u, 65500u, 65536u, 200000u}) {
        SCOPED_TRACE(size);
        std::string content(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            content[i] = static_cast<char>(i * 7 + i / 251);
        }
        const std::string bytes = completeCopyBytes(content);
        writeContent(copy, bytes);
        EXPECT_EQ(completeCopyContentSize(copy.string()), size);
        writeContent(copy, bytes.substr(0, bytes.size() - 1));
        EXPECT_EQ(completeCopyContentSize(copy.string()), std::nullopt);
        writeContent(copy, bytes + "\n");
        EXPECT_EQ(completeCopyContentSize(copy.string()), std::nullopt);
        if (size > 0) {
            std::string damaged = bytes;
            damaged[size / 2] ^= 0x20;
            writeContent(copy, damaged);
            EXPECT_EQ(completeCopyContentSize(copy.string()), std::nullopt);
        }
        writeContent(copy, content);
        EXPECT_EQ(completeCopyContentSize(copy.string()), std::nullopt);
    }
    EXPECT_EQ(completeCopyContentSize((folder_ / "absent").string()), std::nullopt);
}

TEST_F(CopyFileTest, OpeningPutsBackTheOldContentAndRemovesTheCopy) {
    const fs::path target = folder_ / "salle.box";
    writeContent(target, workedExampleBytes.substr(0, 40));
    writeContent(copyBeside(target), completeCopyBytes(workedExampleBytes));
    EXPECT_EQ(interruptedSaveCopy(utf8Path(target)), utf8Path(copyBeside(target)));
    std::error_code reason;
    EXPECT_EQ(restoreInterruptedSave(utf8Path(target), reason), SaveRecovery::restored);
    EXPECT_FALSE(reason);
    EXPECT_EQ(contentOf(target), workedExampleBytes);
    EXPECT_EQ(namesIn(folder_), std::set<std::string>{"salle.box"});
    EXPECT_EQ(interruptedSaveCopy(utf8Path(target)), std::nullopt);
    EXPECT_EQ(restoreInterruptedSave(utf8Path(target), reason), SaveRecovery::nothingToRestore);
    EXPECT_EQ(contentOf(target), workedExampleBytes);
}

TEST_F(CopyFileTest, ACopyCutShortOrDamagedIsNotPutBack) {
    const fs::path target = folder_ / "salle.box";
    const std::string copyBytes = completeCopyBytes(workedExampleBytes);
    for (const std::string& copy :
         {copyBytes.substr(0, copyBytes.size() - 3), copyBytes.substr(0, 100), std::string()}) {
        writeContent(target, "nouveau");
        writeContent(copyBeside(target), copy);
        std::error_code reason;
        EXPECT_EQ(interruptedSaveCopy(utf8Path(target)), std::nullopt);
        EXPECT_EQ(restoreInterruptedSave(utf8Path(target), reason), SaveRecovery::nothingToRestore);
        EXPECT_EQ(contentOf(target), "nouveau");
        EXPECT_EQ(contentOf(copyBeside(target)), copy);
    }
}

// A copy beside a file that a later save replaced whole is older than the file: it must not come
// back at the next opening.
TEST_F(CopyFileTest, ASuccessfulSaveRemovesACopyAnEarlierSaveLeft) {
    const fs::path target = folder_ / "salle.box";
    writeContent(target, "partiel");
    writeContent(copyBeside(target), completeCopyBytes("ancien"));
    BoxDocument document;
    document.readText(workedExampleBytes);
    document.setPath(utf8Path(target));
    ASSERT_TRUE(document.writeFile());
    EXPECT_EQ(contentOf(target), workedExampleBytes);
    EXPECT_EQ(namesIn(folder_), std::set<std::string>{"salle.box"});
}

// The copy is written under a temporary name, then takes its own: a save that completes leaves
// neither, and the other name of the file sees the new content.
TEST_F(CopyFileTest, AnInPlaceSaveLeavesNoCopyBehind) {
    const fs::path target = folder_ / "salle.box";
    const fs::path link = folder_ / "lien.box";
    writeContent(target, std::string(100000, 'x'));
    fs::create_hard_link(target, link);
    BoxDocument document;
    fillLarge(document, 500);
    document.setPath(utf8Path(target));
    ASSERT_TRUE(document.writeFile());
    EXPECT_EQ(contentOf(link), document.writeText());
    EXPECT_EQ(namesIn(folder_), (std::set<std::string>{"lien.box", "salle.box"}));
}

// An earlier save cut short left the file half written: a new in-place save that fails writes
// back the content of that earlier copy, the last whole one, not a copy of the half.
TEST_F(CopyFileTest, AnInPlaceSaveThatFailsAfterACutShortOneWritesBackTheEarlierCopy) {
    const fs::path target = folder_ / "salle.box";
    const fs::path link = folder_ / "lien.box";
    writeContent(target, "moitié d'un enregistrement");
    fs::create_hard_link(target, link);
    writeContent(copyBeside(target), completeCopyBytes(workedExampleBytes));
    {
        SafeFileWriter writer(utf8Path(target));
        ASSERT_TRUE(writer.isOpen());
        ASSERT_TRUE(writer.write("un début"));
    }
    EXPECT_EQ(contentOf(link), workedExampleBytes);
    EXPECT_EQ(namesIn(folder_), (std::set<std::string>{"lien.box", "salle.box"}));
}

} // namespace
