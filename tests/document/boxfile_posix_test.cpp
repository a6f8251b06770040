#include "posixfiletestsupport.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <iostream>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

// Saving and reading real files where POSIX permission bits, devices, size limits and symbolic
// links come into play.

namespace {

TEST_F(BoxFileTest, ReadingAnUnreadableFileChangesNothing) {
    const fs::path subfolder = folder_ / "dossier.box";
    fs::create_directory(subfolder);
    fs::path forbidden = folder_ / "interdit.box";
    writeContent(forbidden, "0\r\n\r\n0 1\r\n-1 -1\r\n");
    fs::permissions(forbidden, fs::perms::none);
    if (std::ifstream(forbidden).is_open()) {
        // Root reads through permission bits: a file whose reading fails stands in for it.
        forbidden = "/proc/self/mem";
    }
    for (const fs::path& path :
         {folder_ / "absent.box", subfolder, forbidden, fs::path("/dev/null"), fs::path()}) {
        SCOPED_TRACE(path.string());
        BoxDocument document;
        document.setPath("/ancien.box");
        document.readText(workedExampleBytes);
        const DocumentSnapshot before = snapshot(document);
        EXPECT_FALSE(document.loadCountText(path.string()));
        EXPECT_FALSE(document.readFile(path.string()));
        EXPECT_FALSE(document.loadFile(path.string()));
        EXPECT_EQ(snapshot(document), before);
    }
}

// Opening a pipe for reading waits for a writer: a reader that opened it so would never return.
// Should it block, the test opens the writing end itself, which frees it, and fails.
TEST_F(BoxFileTest, ReadingANamedPipeOrADeviceNeitherBlocksNorChangesAnything) {
    const fs::path pipe = folder_ / "tube.box";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const fs::path& path : {pipe, fs::path("/dev/zero"), fs::path("/dev/tty")}) {
        SCOPED_TRACE(path.string());
        BoxDocument document;
        document.setPath("/ancien.box");
        document.readText(workedExampleBytes);
        const DocumentSnapshot before = snapshot(document);
        auto reading = std::async(std::launch::async, [&document, &path] {
            return std::vector<bool>{document.loadCountText(path.string()),
                                     document.readFile(path.string()),
                                     document.loadFile(path.string())};
        });
        if (reading.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            ADD_FAILURE() << "opening for reading blocked";
            for (int unblocked = 0; unblocked < 3; ++unblocked) {
                const int writer = open(path.c_str(), O_WRONLY | O_NONBLOCK);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                if (writer >= 0) {
                    close(writer);
                }
            }
        }
        EXPECT_EQ(reading.get(), std::vector<bool>(3, false));
        EXPECT_EQ(snapshot(document), before);
    }
}

TEST_F(BoxFileTest, SavingWhereNoFileCanBeCreatedChangesNothing) {
    const fs::path subfolder = folder_ / "dossier.box";
    fs::create_directory(subfolder);
    writeContent(subfolder / "dedans.box", "contenu");
    for (const fs::path& target :
         {folder_ / "absent" / "a.box", subfolder, fs::path("/proc/self/quadrel.box"),
          fs::path("/proc/quadrel.box")}) {
        SCOPED_TRACE(target.string());
        BoxDocument document;
        document.readText(workedExampleBytes);
        document.setPath(target.string());
        const DocumentSnapshot before = snapshot(document);
        EXPECT_FALSE(document.writeFile());
        EXPECT_EQ(snapshot(document), before);
        EXPECT_EQ(namesIn(folder_), std::set<std::string>{"dossier.box"});
        EXPECT_EQ(namesIn(subfolder), std::set<std::string>{"dedans.box"});
        EXPECT_EQ(contentOf(subfolder / "dedans.box"), "contenu");
    }
}

// The window names the reason to the user, so it must be the system's own.
TEST_F(BoxFileTest, AFailedSaveSaysWhy) {
    BoxDocument document;
    document.readText(workedExampleBytes);
    std::error_code reason;
    document.setPath((folder_ / "absent" / "a.box").string());
    EXPECT_FALSE(document.writeFile(reason));
    EXPECT_EQ(reason, std::errc::no_such_file_or_directory);

    document.setPath((folder_ / "gros.box").string());
    {
        const FileSizeLimit limit(100);
        EXPECT_FALSE(document.writeFile(reason));
    }
    EXPECT_EQ(reason, std::errc::file_too_large);

    EXPECT_TRUE(document.writeFile(reason));
    EXPECT_FALSE(reason);
    document.setPath("");
    EXPECT_FALSE(document.writeFile(reason));
    EXPECT_EQ(reason, std::errc::invalid_argument);
}

TEST_F(BoxFileTest, ASaveThatFailsWhileWritingKeepsTheOldFile) {
    const fs::path target = folder_ / "ancien.box";
    writeContent(target, "ancien contenu");
    fs::permissions(target, static_cast<fs::perms>(0640));
    BoxDocument document;
    fillLarge(document, 1000);
    document.setPath(target.string());
    {
        const FileSizeLimit limit(1000);
        EXPECT_FALSE(document.writeFile());
    }
    EXPECT_EQ(contentOf(target), "ancien contenu");
    EXPECT_EQ(modeOf(target), 0640u);
    EXPECT_EQ(namesIn(folder_), std::set<std::string>{"ancien.box"});
}

TEST_F(BoxFileTest, ASaveIntoAReadOnlyFolderKeepsTheOldFile) {
    const fs::path target = folder_ / "ancien.box";
    writeContent(target, "ancien contenu");
    fs::permissions(folder_, static_cast<fs::perms>(0555));
    BoxDocument document;
    fillLarge(document, 1000);
    document.setPath(target.string());
    // Either way the save could go through (by a new file, or in place with a copy of the old
    // content in the cache folder), so it is made to fail at its first write.
    {
        const FileSizeLimit limit(1000);
        EXPECT_FALSE(document.writeFile());
    }
    EXPECT_EQ(contentOf(target), "ancien contenu");
    EXPECT_EQ(namesIn(folder_), std::set<std::string>{"ancien.box"});
}

TEST_F(BoxFileTest, ReplacingAFileKeepsItsPermissionBitsAndDropsItsOldBytes) {
    const fs::path target = folder_ / "ancien.box";
    writeContent(target, std::string(100000, 'x'));
    fs::permissions(target, static_cast<fs::perms>(0604));
    BoxDocument document;
    document.readText(workedExampleBytes);
    document.setPath(target.string());
    ASSERT_TRUE(document.writeFile());
    EXPECT_EQ(contentOf(target), workedExampleBytes);
    EXPECT_EQ(modeOf(target), 0604u);
    EXPECT_EQ(namesIn(folder_), std::set<std::string>{"ancien.box"});
}

TEST_F(BoxFileTest, AReadOnlyTargetIsReplacedOnlyByAUserWhoMayWriteIt) {
    const fs::path target = folder_ / "lecture-seule.box";
    writeContent(target, "ancien contenu");
    fs::permissions(target, static_cast<fs::perms>(0444));
    BoxDocument document;
    document.readText(workedExampleBytes);
    document.setPath(target.string());
    // Root may write any file, so for root the save must go through, keeping the bits.
    const bool writable = access(target.c_str(), W_OK) == 0;
    EXPECT_EQ(document.writeFile(), writable);
    EXPECT_EQ(contentOf(target), writable ? workedExampleBytes : "ancien contenu");
    EXPECT_EQ(modeOf(target), 0444u);
    EXPECT_EQ(namesIn(folder_), std::set<std::string>{"lecture-seule.box"});
}

TEST_F(BoxFileTest, ANewFileGetsTheUsualPermissionBits) {
    const mode_t previousMask = umask(022);
    BoxDocument document;
    document.setCountText("0");
    document.setPath((folder_ / "nouveau.box").string());
    const bool saved = document.writeFile();
    umask(previousMask);
    ASSERT_TRUE(saved);
    EXPECT_EQ(modeOf(folder_ / "nouveau.box"), 0644u);
    EXPECT_EQ(contentOf(folder_ / "nouveau.box"), "0\r\n\r\n\r\n-1 -1\r\n");
}

TEST_F(BoxFileTest, SavingThroughASymbolicLinkUpdatesTheLinkedFile) {
    const fs::path real = folder_ / "vrai.box";
    const fs::path link = folder_ / "lien.box";
    writeContent(real, "ancien");
    fs::create_symlink("vrai.box", link);
    BoxDocument document;
    document.readText(workedExampleBytes);
    document.setPath(link.string());
    ASSERT_TRUE(document.writeFile());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(contentOf(real), workedExampleBytes);
    EXPECT_EQ(namesIn(folder_), (std::set<std::string>{"lien.box", "vrai.box"}));
}

TEST_F(BoxFileTest, SavingThroughALinkToAMissingFileCreatesTheFileAndKeepsTheLinks) {
    fs::create_directory(folder_ / "sous");
    fs::create_symlink("sous/relais.box", folder_ / "lien.box");
    fs::create_symlink(folder_ / "sous" / "vrai.box", folder_ / "sous" / "relais.box");
    BoxDocument document;
    document.readText(workedExampleBytes);
    document.setPath((folder_ / "lien.box").string());
    ASSERT_TRUE(document.writeFile());
    EXPECT_TRUE(fs::is_symlink(folder_ / "lien.box"));
    EXPECT_TRUE(fs::is_symlink(folder_ / "sous" / "relais.box"));
    EXPECT_EQ(contentOf(folder_ / "sous" / "vrai.box"), workedExampleBytes);
    EXPECT_EQ(namesIn(folder_ / "sous"), (std::set<std::string>{"relais.box", "vrai.box"}));
}

TEST_F(BoxFileTest, SavingThroughALoopOfLinksFailsAndChangesNothing) {
    fs::create_symlink("b.box", folder_ / "a.box");
    fs::create_symlink("a.box", folder_ / "b.box");
    fs::create_symlink("soi.box", folder_ / "soi.box");
    for (const char* name : {"a.box", "soi.box"}) {
        SCOPED_TRACE(name);
        BoxDocument document;
        document.readText(workedExampleBytes);
        document.setPath((folder_ / name).string());
        EXPECT_FALSE(document.writeFile());
        EXPECT_EQ(fs::read_symlink(folder_ / "a.box"), "b.box");
        EXPECT_EQ(fs::read_symlink(folder_ / "b.box"), "a.box");
        EXPECT_EQ(fs::read_symlink(folder_ / "soi.box"), "soi.box");
        EXPECT_EQ(namesIn(folder_), (std::set<std::string>{"a.box", "b.box", "soi.box"}));
    }
}

std::string attributeOf(const fs::path& path, const char* name) {
    char value[64] = {};
    const ssize_t size = getxattr(path.c_str(), name, value, sizeof value);
    return size < 0 ? std::string("(none)") : std::string(value, static_cast<std::size_t>(size));
}

// A save keeps what the file is beside its bytes, whichever way it has to go about it.
TEST_F(BoxFileTest, ASaveKeepsHardLinksOwnerGroupModeAndAttributes) {
    struct Case {
        const char* name;
        bool hardLink;
        bool otherOwner;
        bool attribute;
    };
    const bool root = geteuid() == 0;
    for (const Case& item : {Case{"a hard link", true, false, false},
                             Case{"another owner and group", false, true, false},
                             Case{"an extended attribute", false, false, true},
                             Case{"all of them", true, true, true}}) {
        SCOPED_TRACE(item.name);
        if (item.otherOwner && !root) {
            std::cout << "Only an administrator can give a file to another owner: skipped.\n";
            continue;
        }
        const fs::path target = folder_ / "cible.box";
        const fs::path link = folder_ / "autre-nom.box";
        fs::remove(target);
        fs::remove(link);
        writeContent(target, "ancien contenu");
        fs::permissions(target, static_cast<fs::perms>(0640));
        std::set<std::string> names{"cible.box"};
        if (item.hardLink) {
            fs::create_hard_link(target, link);
            names.insert("autre-nom.box");
        }
        if (item.otherOwner) {
            ASSERT_EQ(chown(target.c_str(), 4242, 4343), 0);
        }
        if (item.attribute) {
            ASSERT_EQ(setxattr(target.c_str(), "user.quadrel", "garde", 5, 0), 0);
        }
        const struct stat before = statusOf(target);
        BoxDocument document;
        document.readText(workedExampleBytes);
        document.setPath(target.string());
        ASSERT_TRUE(document.writeFile());
        const struct stat after = statusOf(target);
        EXPECT_EQ(contentOf(target), workedExampleBytes);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_nlink, before.st_nlink);
        if (item.hardLink) {
            EXPECT_EQ(after.st_ino, before.st_ino);
            EXPECT_EQ(contentOf(link), workedExampleBytes);
        }
        EXPECT_EQ(attributeOf(target, "user.quadrel"), item.attribute ? "garde" : "(none)");
        EXPECT_EQ(namesIn(folder_), names);
    }
}

// A hard link makes the save overwrite the file in place. Each limit makes another step fail:
// the copy of the old content, or the overwrite at one of its writes; every failure must leave
// the old content, under both names, and no copy behind.
TEST_F(BoxFileTest, AnOverwriteInPlaceThatFailsAtAnyStepKeepsTheOldContent) {
    const fs::path target = folder_ / "ancien.box";
    const fs::path link = folder_ / "lien-dur.box";
    const std::string oldContent(150000, 'x');
    writeContent(target, oldContent);
    fs::create_hard_link(target, link);
    BoxDocument document;
    fillLarge(document, 2000);
    document.setPath(target.string());
    const std::size_t newSize = document.writeText().size();
    ASSERT_GT(newSize, oldContent.size() + 64 * 1024);
    for (const rlim_t limit :
         std::vector<rlim_t>{0, 1, 4096, 149999, 150000, 150001, 196608, 196609, newSize - 1}) {
        SCOPED_TRACE(limit);
        {
            const FileSizeLimit sizeLimit(limit);
            EXPECT_FALSE(document.writeFile());
        }
        EXPECT_EQ(contentOf(target), oldContent);
        EXPECT_EQ(statusOf(target).st_nlink, 2u);
        EXPECT_EQ(namesIn(folder_), (std::set<std::string>{"ancien.box", "lien-dur.box"}));
    }
    {
        const FileSizeLimit sizeLimit(newSize);
        ASSERT_TRUE(document.writeFile());
    }
    EXPECT_EQ(contentOf(link), document.writeText());
    EXPECT_EQ(namesIn(folder_), (std::set<std::string>{"ancien.box", "lien-dur.box"}));

    // A shorter content leaves nothing of the longer one behind it.
    BoxDocument shorter;
    shorter.readText(workedExampleBytes);
    shorter.setPath(link.string());
    ASSERT_TRUE(shorter.writeFile());
    EXPECT_EQ(contentOf(target), workedExampleBytes);
}

// A folder that takes no new file: the copy of the old content goes to the cache folder, and
// is gone after the save, whether it succeeded or failed; with no cache folder either, the
// save fails and changes nothing.
TEST_F(BoxFileTest, AFolderThatTakesNoNewFileIsSavedInPlaceWithACopyInTheCache) {
    const fs::path work = folder_ / "travail";
    const fs::path sealed = work / "scelle";
    const fs::path cache = work / "cache";
    fs::create_directories(sealed);
    fs::create_directories(cache);
    const fs::path target = sealed / "ancien.box";
    writeContent(target, "ancien contenu");
    fs::permissions(target, static_cast<fs::perms>(0644));
    if (geteuid() == 0) {
        ASSERT_EQ(chown(target.c_str(), nobodyId, nobodyId), 0);
    }
    const auto save = [&](const char* cacheHome, std::optional<rlim_t> limit) {
        return asOrdinaryUser(work, [&] {
            fs::permissions(sealed, static_cast<fs::perms>(0555));
            setenv("XDG_CACHE_HOME", cacheHome, 1);
            BoxDocument document;
            fillLarge(document, 100);
            document.setPath(target.string());
            std::optional<FileSizeLimit> sizeLimit;
            if (limit) {
                sizeLimit.emplace(*limit);
            }
            return document.writeFile();
        });
    };
    EXPECT_FALSE(save("/proc/quadrel-cache", std::nullopt));
    EXPECT_EQ(contentOf(target), "ancien contenu");
    EXPECT_FALSE(save(cache.c_str(), 1000));
    EXPECT_EQ(contentOf(target), "ancien contenu");
    EXPECT_TRUE(namesIn(cache / "quadrel").empty());
    EXPECT_TRUE(save(cache.c_str(), std::nullopt));
    BoxDocument expected;
    fillLarge(expected, 100);
    EXPECT_EQ(contentOf(target), expected.writeText());
    EXPECT_EQ(namesIn(sealed), std::set<std::string>{"ancien.box"});
    EXPECT_TRUE(namesIn(cache / "quadrel").empty());
    EXPECT_EQ(modeOf(target), 0644u);
}

// A group the user is not in cannot be given to a new file: the save goes in place and the
// file keeps its group.
TEST_F(BoxFileTest, AFileOfAnotherGroupKeepsItsGroup) {
    if (geteuid() != 0) {
        std::cout << "Giving a file a group its user is not in takes an administrator: skipped.\n";
        return;
    }
    const fs::path work = folder_ / "travail";
    fs::create_directories(work);
    const fs::path target = work / "groupe.box";
    writeContent(target, "ancien contenu");
    fs::permissions(target, static_cast<fs::perms>(0664));
    ASSERT_EQ(chown(target.c_str(), nobodyId, 4343), 0);
    const bool saved = asOrdinaryUser(work, [&] {
        BoxDocument document;
        document.setCountText("0");
        document.setPath(target.string());
        return document.writeFile();
    });
    EXPECT_TRUE(saved);
    EXPECT_EQ(contentOf(target), "0\r\n\r\n\r\n-1 -1\r\n");
    EXPECT_EQ(statusOf(target).st_gid, 4343u);
    EXPECT_EQ(namesIn(work), std::set<std::string>{"groupe.box"});
}

} // namespace
