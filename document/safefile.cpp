#include "safefile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Room left in a file name for the temporary file's prefix and suffix.
constexpr std::size_t maximumBaseNameInTemporaryName = 200;
constexpr int temporaryNameAttempts = 64;

// The hops a chain of links may take before it counts as a loop, as the system itself counts.
constexpr int maximumLinkHops = 40;

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A symbolic link is followed, so that saving through it updates or creates the file it
// designates rather than replacing the link. None for a loop of links.
std::optional<std::string> resolveTarget(std::string path) {
    for (int hop = 0; hop < maximumLinkHops; ++hop) {
        struct stat linkStatus {};
        if (lstat(path.c_str(), &linkStatus) != 0 || !S_ISLNK(linkStatus.st_mode)) {
            return path;
        }
        std::string linked(static_cast<std::size_t>(linkStatus.st_size) + 1, '\0');
        const ssize_t length = readlink(path.c_str(), linked.data(), linked.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= linked.size()) {
            return std::nullopt;
        }
        linked.resize(static_cast<std::size_t>(length));
        path = linked.front() == '/' ? linked : folderOf(path) + '/' + linked;
    }
    return std::nullopt;
}

std::string temporaryNameFor(const std::string& path, unsigned long long randomValue) {
    const std::size_t slash = path.rfind('/');
    const std::size_t baseStart = slash == std::string::npos ? 0 : slash + 1;
    std::string name = path.substr(0, baseStart);
    name += '.';
    name += path.substr(baseStart, maximumBaseNameInTemporaryName);
    name += '.';
    constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int i = 0; i < 8; ++i) {
        name += digits[randomValue % 36];
        randomValue /= 36;
    }
    name += ".tmp";
    return name;
}

void syncFolder(const std::string& folder) {
    const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        // Only makes the rename durable sooner; the save has succeeded either way.
        static_cast<void>(fsync(descriptor));
        close(descriptor);
    }
}

} // namespace

InputFile::InputFile(const std::string& path) {
    // Without O_NONBLOCK, opening a pipe waits for a writer and a device may wait for ever.
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        return;
    }
    struct stat status {};
    const int flags = fcntl(descriptor, F_GETFL);
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
        fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(descriptor);
        return;
    }
    descriptor_ = descriptor;
}

InputFile::~InputFile() {
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

std::optional<std::size_t> InputFile::read(char* buffer, std::size_t capacity) {
    if (descriptor_ < 0) {
        return std::nullopt;
    }
    for (;;) {
        const ssize_t count = ::read(descriptor_, buffer, capacity);
        if (count >= 0) {
            return static_cast<std::size_t>(count);
        }
        if (errno != EINTR) {
            return std::nullopt;
        }
    }
}

SafeFileWriter::SafeFileWriter(const std::string& targetPath) {
    std::optional<std::string> resolved = resolveTarget(targetPath);
    if (!resolved || resolved->empty()) {
        return;
    }
    targetPath_ = std::move(*resolved);
    struct stat status {};
    if (stat(targetPath_.c_str(), &status) == 0) {
        // Replacing is a rename, which the folder alone permits: a target its owner made
        // read-only must refuse the save as writing into it would.
        if (S_ISDIR(status.st_mode) || access(targetPath_.c_str(), W_OK) != 0) {
            return;
        }
        targetMode_ = static_cast<unsigned>(status.st_mode & 07777);
        targetOwner_ =
            std::pair{static_cast<unsigned>(status.st_uid), static_cast<unsigned>(status.st_gid)};
    }
    std::random_device randomSource;
    for (int attempt = 0; attempt < temporaryNameAttempts; ++attempt) {
        const unsigned long long randomValue =
            (static_cast<unsigned long long>(randomSource()) << 32) ^ randomSource();
        std::string candidate = temporaryNameFor(targetPath_, randomValue);
        // Created like any new file (0666 less the umask); an existing target's bits are
        // copied at commit.
        const int descriptor =
            open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            descriptor_ = descriptor;
            temporaryPath_ = std::move(candidate);
            return;
        }
        if (errno != EEXIST) {
            return;
        }
    }
}

SafeFileWriter::~SafeFileWriter() {
    discard();
}

bool SafeFileWriter::write(std::string_view bytes) {
    if (descriptor_ < 0) {
        return false;
    }
    while (!bytes.empty()) {
        const ssize_t count = ::write(descriptor_, bytes.data(), bytes.size());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

bool SafeFileWriter::commit() {
    if (descriptor_ < 0) {
        return false;
    }
    if (targetOwner_) {
        // Only an administrator can give the file to another owner; anyone else keeps what
        // the system allows, as any new file would.
        static_cast<void>(fchown(descriptor_, static_cast<uid_t>(targetOwner_->first),
                                 static_cast<gid_t>(targetOwner_->second)));
    }
    if (targetMode_ && fchmod(descriptor_, static_cast<mode_t>(*targetMode_)) != 0) {
        return false;
    }
    if (fsync(descriptor_) != 0) {
        return false;
    }
    const int descriptor = descriptor_;
    descriptor_ = -1;
    if (close(descriptor) != 0 || rename(temporaryPath_.c_str(), targetPath_.c_str()) != 0) {
        unlink(temporaryPath_.c_str());
        temporaryPath_.clear();
        return false;
    }
    temporaryPath_.clear();
    syncFolder(folderOf(targetPath_));
    return true;
}

void SafeFileWriter::discard() {
    if (descriptor_ >= 0) {
        close(descriptor_);
        descriptor_ = -1;
    }
    if (!temporaryPath_.empty()) {
        unlink(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
}
