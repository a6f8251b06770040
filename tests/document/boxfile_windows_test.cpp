#include "filetestsupport.h"
#include "safefile.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <windows.h>

// Saving and reading real files where Windows differs from POSIX: UTF-16 names, the read-only
// attribute, files held open by other programs, devices and pipes.

namespace {

DWORD attributesOf(const fs::path& path) {
    return GetFileAttributesW(path.c_str());
}

// Holds the file open as another program would, sharing it only as the given mode allows.
class HeldFile {
public:
    HeldFile(const fs::path& path, DWORD shareMode)
        : handle_(CreateFileW(path.c_str(), GENERIC_READ, shareMode, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {
        EXPECT_NE(handle_, INVALID_HANDLE_VALUE);
    }
    ~HeldFile() { CloseHandle(handle_); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

private:
    HANDLE handle_;
};

TEST_F(BoxFileTest, SavesAndReadsAFileWhoseNameHasAccents) {
    const fs::path subfolder = folder_ / fs::path(u8"Scènes d'été");
    fs::create_directory(subfolder);
    const fs::path target = subfolder / fs::path(u8"maïs Ωμέγα ✓.box");
    BoxDocument document;
    document.readText(workedExampleBytes);
    document.setPath(utf8Path(target));
    ASSERT_TRUE(document.writeFile());
    EXPECT_EQ(namesIn(subfolder), std::set<std::string>{utf8Path(target.filename())});
    EXPECT_EQ(contentOf(target), workedExampleBytes);

    BoxDocument reread;
    ASSERT_TRUE(reread.loadCountText(utf8Path(target)));
    EXPECT_EQ(reread.countText, "2");
    ASSERT_TRUE(reread.readFile(utf8Path(target)));
    EXPECT_EQ(reread.writeText(), workedExampleBytes);

    // Saving again replaces the same file rather than making a second one under a mangled name.
    document.intersections.clear();
    ASSERT_TRUE(document.writeFile());
    EXPECT_EQ(namesIn(subfolder), std::set<std::string>{utf8Path(target.filename())});
    EXPECT_EQ(contentOf(target), document.writeText());
}

TEST_F(BoxFileTest, APathThatIsNotUtf8NamesNoFile) {
    for (const std::string& path :
         {utf8Path(folder_) + "\\\xff.box", utf8Path(folder_) + "\\a\xc3.box",
          utf8Path(folder_) + std::string("\\nul\0.box", 9)}) {
        SCOPED_TRACE(testing::PrintToString(path));
        BoxDocument document;
        document.readText(workedExampleBytes);
        document.setPath(path);
        EXPECT_FALSE(document.writeFile());
        EXPECT_FALSE(document.readFile(path));
        EXPECT_FALSE(document.loadCountText(path));
        EXPECT_TRUE(namesIn(folder_).empty());
    }
}

TEST_F(BoxFileTest, AReadOnlyFileRefusesTheSaveAndStaysAsItWas) {
    const fs::path target = folder_ / "lecture-seule.box";
    writeContent(target, "ancien contenu");
    ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    BoxDocument document;
    document.readText(workedExampleBytes);
    document.setPath(target.string());
    EXPECT_FALSE(document.writeFile());
    EXPECT_EQ(contentOf(target), "ancien contenu");
    EXPECT_EQ(attributesOf(target) & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});
    EXPECT_EQ(namesIn(folder_), std::set<std::string>{"lecture-seule.box"});

    // The file still reads: read-only forbids writing, nothing else.
    BoxDocument reader;
    EXPECT_TRUE(reader.loadCountText(target.string()));
    EXPECT_EQ(reader.countText, "ancien");
}

TEST_F(BoxFileTest, ReplacingAFileKeepsItsAttributes) {
    const fs::path target = folder_ / "cache.box";
    writeContent(target, std::string(100000, 'x'));
    ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    BoxDocument document;
    document.readText(workedExampleBytes);
    document.setPath(target.string());
    ASSERT_TRUE(document.writeFile());
    EXPECT_EQ(contentOf(target), workedExampleBytes);
    EXPECT_EQ(attributesOf(target) & FILE_ATTRIBUTE_HIDDEN, DWORD{FILE_ATTRIBUTE_HIDDEN});
    EXPECT_EQ(namesIn(folder_), std::set<std::string>{"cache.box"});
}

// A new file would leave the other names of a hard-linked file with the old content: such a file
// is overwritten in place, and a save that fails half-way writes the old content back.
TEST_F(BoxFileTest, AFileWithOtherHardLinksIsOverwrittenInPlace) {
    const fs::path target = folder_ / "lie.box";
    const fs::path other = folder_ / "autre-nom.box";
    writeContent(target, std::string(100000, 'x'));
    ASSERT_TRUE(CreateHardLinkW(other.c_str(), target.c_str(), nullptr));
    BoxDocument document;
    document.readText(workedExampleBytes);
    document.setPath(target.string());
    ASSERT_TRUE(document.writeFile());
    EXPECT_EQ(contentOf(target), workedExampleBytes);
    EXPECT_EQ(contentOf(other), workedExampleBytes);
    EXPECT_EQ(namesIn(folder_), (std::set<std::string>{"autre-nom.box", "lie.box"}));
    {
        SafeFileWriter writer(target.string());
        ASSERT_TRUE(writer.isOpen());
        ASSERT_TRUE(writer.write("moitié"));
    }
    EXPECT_EQ(contentOf(target), workedExampleBytes);
    EXPECT_EQ(contentOf(other), workedExampleBytes);
    EXPECT_EQ(namesIn(folder_), (std::set<std::string>{"autre-nom.box", "lie.box"}));
}

// Temporary files of saves that were killed are removed at the next save; those of a process that
// still runs, or of another file, stay.
TEST_F(BoxFileTest, TemporariesOfEndedSavesAreRemovedAtTheNextSave) {
    const fs::path target = folder_ / "salle.box";
    writeContent(target, "ancien contenu");
    const std::string live =
        ".salle.box." + std::to_string(GetCurrentProcessId()) + ".abcdefgh.quadrel-tmp";
    // No process has an ID above the largest multiple of four that Windows gives.
    const std::string stale = ".salle.box.4294967292.abcdefgh.quadrel-tmp";
    const std::string otherFile = ".autre.box.4294967292.abcdefgh.quadrel-tmp";
    for (const std::string& name : {live, stale, otherFile}) {
        writeContent(folder_ / name, "vieux");
    }
    BoxDocument document;
    document.readText(workedExampleBytes);
    document.setPath(target.string());
    ASSERT_TRUE(document.writeFile());
    EXPECT_EQ(namesIn(folder_), (std::set<std::string>{"salle.box", live, otherFile}));
    EXPECT_EQ(contentOf(target), workedExampleBytes);
}

// Another program may hold the file open. Unless it lets others delete the file, the save fails
// and leaves the file, and the folder, as they were. Windows versions differ on whether a file
// held open with deletion shared may be replaced; either way nothing may be lost or left behind.
TEST_F(BoxFileTest, AFileHeldOpenByAnotherProgramIsNeverHalfReplaced) {
    for (const DWORD shareMode : {DWORD{FILE_SHARE_READ}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE},
                                  DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}}) {
        SCOPED_TRACE(shareMode);
        const fs::path target = folder_ / "ouvert.box";
        writeContent(target, "ancien contenu");
        BoxDocument document;
        document.readText(workedExampleBytes);
        document.setPath(target.string());
        bool saved = false;
        {
            const HeldFile held(target, shareMode);
            saved = document.writeFile();
            EXPECT_EQ(namesIn(folder_), std::set<std::string>{"ouvert.box"});
        }
        if ((shareMode & FILE_SHARE_DELETE) == 0) {
            EXPECT_FALSE(saved);
        }
        EXPECT_EQ(contentOf(target), saved ? workedExampleBytes : "ancien contenu");
        fs::remove(target);
    }
}

// A pipe with no writer would keep a read waiting for ever; devices and folders are no files.
TEST_F(BoxFileTest, FoldersDevicesAndPipesAreRefusedWithoutWaiting) {
    const std::wstring pipeName = L"\\\\.\\pipe\\quadrel-" + std::to_wstring(GetCurrentProcessId());
    const HANDLE pipe = CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_OUTBOUND,
                                         PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 0, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    const fs::path subfolder = folder_ / "dossier.box";
    fs::create_directory(subfolder);
    writeContent(subfolder / "dedans.box", "contenu");
    for (const fs::path& path :
         {subfolder, fs::path("NUL"), fs::path(folder_ / "NUL"), fs::path("CONIN$"),
          fs::path(pipeName), folder_ / "absent.box", folder_ / "absent" / "a.box"}) {
        SCOPED_TRACE(path.string());
        BoxDocument document;
        document.setPath("C:\\ancien.box");
        document.readText(workedExampleBytes);
        const DocumentSnapshot before = snapshot(document);
        EXPECT_FALSE(document.loadCountText(path.string()));
        EXPECT_FALSE(document.readFile(path.string()));
        EXPECT_FALSE(document.loadFile(path.string()));
        EXPECT_EQ(snapshot(document), before);
    }
    CloseHandle(pipe);
    for (const fs::path& target :
         {subfolder, fs::path(folder_ / "NUL"), folder_ / "absent" / "a.box",
          subfolder / "dedans.box:flux", folder_ / "a.box:flux"}) {
        SCOPED_TRACE(target.string());
        BoxDocument document;
        document.readText(workedExampleBytes);
        document.setPath(target.string());
        EXPECT_FALSE(document.writeFile());
        EXPECT_EQ(namesIn(folder_), std::set<std::string>{"dossier.box"});
        EXPECT_EQ(namesIn(subfolder), std::set<std::string>{"dedans.box"});
        EXPECT_EQ(contentOf(subfolder / "dedans.box"), "contenu");
    }
}

TEST_F(BoxFileTest, SavingWithForwardSlashesAndARelativeName) {
    const fs::path previous = fs::current_path();
    fs::current_path(folder_);
    fs::create_directory("sous");
    BoxDocument document;
    document.readText(workedExampleBytes);
    document.setPath("sous/avant.box");
    const bool slashSaved = document.writeFile();
    document.setPath("sous\\arriere.box");
    const bool backslashSaved = document.writeFile();
    fs::current_path(previous);
    ASSERT_TRUE(slashSaved);
    ASSERT_TRUE(backslashSaved);
    EXPECT_EQ(namesIn(folder_ / "sous"), (std::set<std::string>{"arriere.box", "avant.box"}));
    EXPECT_EQ(contentOf(folder_ / "sous" / "avant.box"), workedExampleBytes);
}

} // namespace
