#pragma once

#include "filetestsupport.h"

#include <csignal>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <iostream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Helpers shared by the tests that save real files where POSIX owners, permission bits and
// processes come into play.

inline unsigned modeOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0);
    return status.st_mode & 07777;
}

// Makes every write beyond the given size fail, as a full disk would, for the guard's lifetime.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

inline struct stat statusOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0);
    return status;
}

inline constexpr uid_t nobodyId = 65534;

// As root, gives the folder and the folders in it to "nobody", whom becomeOrdinaryUser turns a
// process into; for an ordinary user, does nothing.
inline void giveToOrdinaryUser(const fs::path& ownedFolder) {
    if (geteuid() != 0) {
        return;
    }
    for (const auto& entry : fs::recursive_directory_iterator(ownedFolder)) {
        if (entry.is_directory()) {
            lchown(entry.path().c_str(), nobodyId, nobodyId);
        }
    }
    lchown(ownedFolder.c_str(), nobodyId, nobodyId);
    fs::permissions(ownedFolder.parent_path(), fs::perms::others_exec, fs::perm_options::add);
}

// For a child process of root: becomes "nobody", for whom permission bits hold.
inline bool becomeOrdinaryUser() {
    return geteuid() != 0 ||
           (setgroups(0, nullptr) == 0 && setgid(nobodyId) == 0 && setuid(nobodyId) == 0);
}

// Runs the check as an ordinary user, for whom permission bits hold; as root, in a child
// process that has become "nobody", to whom the folders are given. Returns the check's result.
inline bool asOrdinaryUser(const fs::path& ownedFolder, const std::function<bool()>& check) {
    if (geteuid() != 0) {
        return check();
    }
    giveToOrdinaryUser(ownedFolder);
    std::cout.flush();
    const pid_t child = fork();
    if (child == 0) {
        bool ok = becomeOrdinaryUser();
        try {
            ok = ok && check();
        } catch (...) {
            ok = false;
        }
        // The child must not go on running the parent's tests.
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
