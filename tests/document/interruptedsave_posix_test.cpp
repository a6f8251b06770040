#include "posixfiletestsupport.h"
#include "safefile.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

// Saves killed at each of their steps, the owner and bits of what a save creates, and the
// temporary files that killed saves leave behind.

namespace {

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool isCompanion(const std::string& name) {
    return endsWith(name, ".quadrel-tmp") || endsWith(name, ".quadrel-copy");
}

// The number of steps the child process still takes before it kills itself.
int stepsBeforeKill = 0;

void killAtChosenStep() {
    if (--stepsBeforeKill == 0) {
        raise(SIGKILL);
    }
}

// Runs the action in a child process, after prepare; true when it exits with success.
enum class ChildEnd { succeeded, failed, killed };

ChildEnd inChild(const std::function<bool()>& prepare, const std::function<bool()>& action) {
    std::cout.flush();
    const pid_t child = fork();
    if (child == 0) {
        bool ok = false;
        try {
            ok = prepare() && action();
        } catch (...) {
            ok = false;
        }
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) {
        return ChildEnd::killed;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ChildEnd::succeeded : ChildEnd::failed;
}

std::string boxText(std::size_t boxCount) {
    BoxDocument document;
    fillLarge(document, boxCount);
    return document.writeText();
}

struct KillOutcome {
    int steps = 0;
    int restored = 0;
    int foundOld = 0;
    int foundNew = 0;
};

class KilledSaveTest : public BoxFileTest {
protected:
    // Saves a large document over the target's old content in a child process killed at its
    // first step, then its second, and so on until a save ends by itself. After each kill the
    // file is opened as the editor opens it: it must hold exactly the old content or the whole
    // new one, and the next save must leave nothing of the killed one behind.
    KillOutcome killAtEveryStep(const fs::path& target, const std::function<bool()>& prepare,
                                const std::set<std::string>& names, const fs::path& cache) {
        const std::string oldContent = boxText(300);
        BoxDocument document;
        fillLarge(document, 700);
        document.setPath(target.string());
        const std::string newContent = document.writeText();
        KillOutcome outcome;
        for (int step = 1; step < 1000; ++step) {
            SCOPED_TRACE("killed at step " + std::to_string(step));
            // Written in place, so that a hard link keeps sharing the content.
            writeContent(target, oldContent);
            const ChildEnd end = inChild(prepare, [&] {
                stepsBeforeKill = step;
                setSaveStepHook(killAtChosenStep);
                return document.writeFile();
            });
            EXPECT_NE(end, ChildEnd::failed);

            std::error_code reason;
            const SaveRecovery recovery = restoreInterruptedSave(target.string(), reason);
            EXPECT_NE(recovery, SaveRecovery::failed) << reason.message();
            const std::string content = contentOf(target);
            if (recovery == SaveRecovery::restored) {
                ++outcome.restored;
                EXPECT_EQ(content, oldContent);
            } else if (content == oldContent) {
                ++outcome.foundOld;
            } else {
                ++outcome.foundNew;
                EXPECT_EQ(content, newContent);
            }
            EXPECT_EQ(interruptedSaveCopy(target.string()), std::nullopt);
            EXPECT_EQ(statusOf(target).st_nlink, names.size() == 2 ? 2u : 1u);

            // Whatever the kill left is a temporary file of a process that no longer runs.
            for (const std::string& name : namesIn(target.parent_path())) {
                EXPECT_TRUE(names.count(name) == 1 || endsWith(name, ".quadrel-tmp")) << name;
            }
            EXPECT_EQ(inChild(prepare,
                              [&] {
                                  BoxDocument again;
                                  again.readText(oldContent);
                                  again.setPath(target.string());
                                  return again.writeFile();
                              }),
                      ChildEnd::succeeded);
            EXPECT_EQ(namesIn(target.parent_path()), names);
            if (!cache.empty()) {
                EXPECT_TRUE(namesIn(cache).empty());
            }
            if (end != ChildEnd::killed) {
                EXPECT_EQ(content, newContent);
                outcome.steps = step;
                break;
            }
        }
        return outcome;
    }
};

TEST_F(KilledSaveTest, AnInPlaceSaveKilledAtAnyStepLeavesTheOldContentOrTheNew) {
    const fs::path target = folder_ / "salle.box";
    writeContent(target, "");
    fs::create_hard_link(target, folder_ / "lien.box");
    const KillOutcome outcome =
        killAtEveryStep(target, [] { return true; }, {"lien.box", "salle.box"}, {});
    // The copy, its renaming, each write of the new content and the end of the save are steps;
    // kills between the copy and the end leave it, and opening writes it back.
    EXPECT_GE(outcome.steps, 8);
    EXPECT_GE(outcome.restored, 5);
    EXPECT_GE(outcome.foundOld, 2);
}

TEST_F(KilledSaveTest, AReplacingSaveKilledAtAnyStepLeavesTheOldContentOrTheNew) {
    const fs::path target = folder_ / "salle.box";
    const KillOutcome outcome = killAtEveryStep(target, [] { return true; }, {"salle.box"}, {});
    EXPECT_GE(outcome.steps, 5);
    EXPECT_EQ(outcome.restored, 0);
    EXPECT_GE(outcome.foundOld, 4);
    EXPECT_GE(outcome.foundNew, 1);
}

// In a folder that takes no new file the copy goes to the cache folder, where opening finds it.
TEST_F(KilledSaveTest, ACopyInTheCacheFolderIsPutBackToo) {
    const fs::path work = folder_ / "travail";
    const fs::path sealed = work / "scelle";
    fs::create_directories(sealed);
    fs::create_directories(work / "cache" / "quadrel");
    const fs::path target = sealed / "salle.box";
    writeContent(target, "");
    if (geteuid() == 0) {
        ASSERT_EQ(chown(target.c_str(), nobodyId, nobodyId), 0);
    }
    giveToOrdinaryUser(work);
    fs::permissions(sealed, static_cast<fs::perms>(0555));
    const char* previousCache = std::getenv("XDG_CACHE_HOME");
    const std::string savedCache = previousCache != nullptr ? previousCache : "";
    setenv("XDG_CACHE_HOME", (work / "cache").c_str(), 1);
    const KillOutcome outcome =
        killAtEveryStep(target, becomeOrdinaryUser, {"salle.box"}, work / "cache" / "quadrel");
    if (previousCache != nullptr) {
        setenv("XDG_CACHE_HOME", savedCache.c_str(), 1);
    } else {
        unsetenv("XDG_CACHE_HOME");
    }
    EXPECT_GE(outcome.restored, 5);
}

// What the hook sees of the companions of a save at each of its steps.
struct CompanionLook {
    std::string name;
    struct stat status;
};

fs::path watchedFolder;
std::vector<CompanionLook> looks;

void lookAtCompanions() {
    for (const std::string& name : namesIn(watchedFolder)) {
        struct stat status {};
        if (isCompanion(name) && stat((watchedFolder / name).c_str(), &status) == 0) {
            looks.push_back({name, status});
        }
    }
}

// Every look at a companion that holds content finds it with the expected mode and owners.
bool companionsHeldContentOnlyAs(mode_t mode, uid_t owner, gid_t group) {
    bool sawContent = false;
    bool ok = true;
    for (const CompanionLook& look : looks) {
        if (look.status.st_size == 0) {
            // Just created: not readable by more than this user yet.
            ok = ok && (look.status.st_mode & 077) == 0;
            continue;
        }
        sawContent = true;
        EXPECT_EQ(look.status.st_mode & 07777, mode) << look.name;
        EXPECT_EQ(look.status.st_uid, owner) << look.name;
        EXPECT_EQ(look.status.st_gid, group) << look.name;
        ok = ok && (look.status.st_mode & 07777) == mode && look.status.st_uid == owner &&
             look.status.st_gid == group;
    }
    EXPECT_TRUE(sawContent);
    return ok && sawContent;
}

TEST_F(BoxFileTest, TheCopyHasTheFilesModeOwnerAndGroupBeforeAnyContent) {
    const fs::path target = folder_ / "secret.box";
    writeContent(target, boxText(400));
    fs::create_hard_link(target, folder_ / "lien.box");
    fs::permissions(target, static_cast<fs::perms>(0640));
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(target.c_str(), 4242, 4343), 0);
    }
    const struct stat before = statusOf(target);
    watchedFolder = folder_;
    looks.clear();
    setSaveStepHook(lookAtCompanions);
    BoxDocument document;
    fillLarge(document, 10);
    document.setPath(target.string());
    const bool saved = document.writeFile();
    setSaveStepHook(nullptr);
    ASSERT_TRUE(saved);
    EXPECT_TRUE(std::any_of(looks.begin(), looks.end(), [](const CompanionLook& look) {
        return endsWith(look.name, ".quadrel-copy");
    }));
    EXPECT_TRUE(companionsHeldContentOnlyAs(0640, before.st_uid, before.st_gid));
    EXPECT_EQ(statusOf(target).st_uid, before.st_uid);
    EXPECT_EQ(modeOf(target), 0640u);
}

// A user who may write a file of another owner cannot give the copy that owner: the copy is then
// this user's alone.
TEST_F(BoxFileTest, ACopyThatCannotTakeTheFilesOwnerIsReadableByItsUserAlone) {
    if (geteuid() != 0) {
        std::cout << "Only an administrator can give a file to another owner: skipped.\n";
        return;
    }
    const fs::path work = folder_ / "travail";
    fs::create_directories(work);
    const fs::path target = work / "partage.box";
    writeContent(target, boxText(400));
    fs::create_hard_link(target, work / "lien.box");
    ASSERT_EQ(chown(target.c_str(), 4242, 4343), 0);
    fs::permissions(target, static_cast<fs::perms>(0666));
    const bool checked = asOrdinaryUser(work, [&] {
        watchedFolder = work;
        looks.clear();
        setSaveStepHook(lookAtCompanions);
        BoxDocument document;
        fillLarge(document, 10);
        document.setPath(target.string());
        const bool saved = document.writeFile();
        setSaveStepHook(nullptr);
        return saved && companionsHeldContentOnlyAs(0600, nobodyId, nobodyId);
    });
    EXPECT_TRUE(checked);
    EXPECT_EQ(statusOf(target).st_uid, 4242u);
    EXPECT_EQ(modeOf(target), 0666u);
}

// Writing clears the set-ID bits of a file, whichever way the save goes.
TEST_F(BoxFileTest, ASetIdFileSavedByItsOwnerKeepsItsBits) {
    for (const bool hardLink : {false, true}) {
        SCOPED_TRACE(hardLink ? "in place" : "replaced");
        const fs::path work = folder_ / (hardLink ? "lie" : "seul");
        fs::create_directories(work);
        const fs::path target = work / "outil.box";
        writeContent(target, "ancien contenu");
        if (hardLink) {
            fs::create_hard_link(target, work / "lien.box");
        }
        if (geteuid() == 0) {
            ASSERT_EQ(chown(target.c_str(), nobodyId, nobodyId), 0);
        }
        ASSERT_EQ(chmod(target.c_str(), 06755), 0);
        const bool saved = asOrdinaryUser(work, [&] {
            BoxDocument document;
            document.readText(workedExampleBytes);
            document.setPath(target.string());
            return document.writeFile();
        });
        EXPECT_TRUE(saved);
        EXPECT_EQ(contentOf(target), workedExampleBytes);
        EXPECT_EQ(modeOf(target), 06755u);
    }
}

// A process that has ended, found by starting one that ends at once.
pid_t endedProcess() {
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    return child;
}

TEST_F(BoxFileTest, TemporariesOfEndedSavesAreRemovedAtTheNextSave) {
    const std::string dead = std::to_string(endedProcess());
    for (const bool hardLink : {false, true}) {
        SCOPED_TRACE(hardLink ? "in place" : "replaced");
        const fs::path work = folder_ / (hardLink ? "lie" : "seul");
        fs::create_directories(work);
        const fs::path target = work / "salle.box";
        writeContent(target, "ancien contenu");
        // Those of running processes, of another file, and names that only look alike stay.
        std::set<std::string> kept{
            "salle.box",
            ".salle.box." + std::to_string(getpid()) + ".abcdefgh.quadrel-tmp",
            ".salle.box." + std::to_string(getppid()) + ".abcdefgh.quadrel-tmp",
            ".autre.box." + dead + ".abcdefgh.quadrel-tmp",
            ".salle.box2." + dead + ".abcdefgh.quadrel-tmp",
            "salle.box." + dead + ".abcdefgh.quadrel-tmp",
            ".salle.box." + dead + ".abcdefgh.tmp"};
        if (hardLink) {
            fs::create_hard_link(target, work / "lien.box");
            kept.insert("lien.box");
        }
        const std::set<std::string> stale{".salle.box." + dead + ".abcdefgh.quadrel-tmp",
                                          ".salle.box." + dead + ".01234567.quadrel-tmp"};
        for (const std::set<std::string>* names : {&std::as_const(kept), &stale}) {
            for (const std::string& name : *names) {
                if (!fs::exists(work / name)) {
                    writeContent(work / name, "vieux");
                }
            }
        }
        ASSERT_EQ(namesIn(work).size(), kept.size() + stale.size());

        BoxDocument document;
        document.readText(workedExampleBytes);
        document.setPath(target.string());
        ASSERT_TRUE(document.writeFile());
        EXPECT_EQ(namesIn(work), kept);
        EXPECT_EQ(contentOf(target), workedExampleBytes);
    }
}

// The reason a failed save gives is the one of the call that failed, not of the cleaning up
// after it.
TEST_F(BoxFileTest, EveryFailedSaveSaysWhy) {
    const fs::path linked = folder_ / "lie.box";
    writeContent(linked, std::string(150000, 'x'));
    fs::create_hard_link(linked, folder_ / "lien.box");
    fs::create_directory(folder_ / "dossier.box");
    fs::create_symlink("boucle.box", folder_ / "boucle.box");
    struct Case {
        std::string path;
        std::optional<rlim_t> sizeLimit;
        std::errc reason;
    };
    for (const Case& item : {
             Case{linked.string(), 1000, std::errc::file_too_large},
             Case{linked.string(), 160000, std::errc::file_too_large},
             Case{(folder_ / "nouveau.box").string(), 1000, std::errc::file_too_large},
             Case{(folder_ / "dossier.box").string(), std::nullopt, std::errc::is_a_directory},
             Case{(folder_ / "boucle.box").string(), std::nullopt,
                  std::errc::too_many_symbolic_link_levels},
             Case{"/dev/null", std::nullopt, std::errc::operation_not_supported},
             Case{(folder_ / "absent" / "a.box").string(), std::nullopt,
                  std::errc::no_such_file_or_directory},
         }) {
        SCOPED_TRACE(item.path);
        BoxDocument document;
        fillLarge(document, 1000);
        document.setPath(item.path);
        std::error_code reason;
        {
            std::optional<FileSizeLimit> limit;
            if (item.sizeLimit) {
                limit.emplace(*item.sizeLimit);
            }
            EXPECT_FALSE(document.writeFile(reason));
        }
        EXPECT_EQ(reason, item.reason) << reason.message();
    }
    EXPECT_EQ(contentOf(linked), std::string(150000, 'x'));
    EXPECT_EQ(namesIn(folder_),
              (std::set<std::string>{"boucle.box", "dossier.box", "lie.box", "lien.box"}));
}

TEST_F(BoxFileTest, AFileThatCannotBeWrittenIsNotRestoredAndKeepsItsCopy) {
    const fs::path work = folder_ / "travail";
    fs::create_directories(work);
    const fs::path target = work / "salle.box";
    writeContent(target, "moitié");
    writeContent(copyBeside(target), completeCopyBytes(workedExampleBytes));
    if (geteuid() == 0) {
        ASSERT_EQ(chown(target.c_str(), nobodyId, nobodyId), 0);
    }
    fs::permissions(target, static_cast<fs::perms>(0444));
    const bool refused = asOrdinaryUser(work, [&] {
        std::error_code reason;
        const SaveRecovery recovery = restoreInterruptedSave(target.string(), reason);
        EXPECT_EQ(recovery, SaveRecovery::failed);
        EXPECT_EQ(reason, std::errc::permission_denied) << reason.message();
        return recovery == SaveRecovery::failed && reason == std::errc::permission_denied;
    });
    EXPECT_TRUE(refused);
    EXPECT_EQ(contentOf(target), "moitié");
    EXPECT_EQ(contentOf(copyBeside(target)), completeCopyBytes(workedExampleBytes));
}

} // namespace
