#include "safefile.h"

#include "companionname.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

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

// A companion name of path in its own folder, or in folder when one is given.
std::string companionName(const std::string& path, const std::string& folder,
                          unsigned long long randomValue, const char* suffix) {
    const std::size_t slash = path.rfind('/');
    const std::size_t baseStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string folderPart = folder.empty() ? path.substr(0, baseStart) : folder + '/';
    return ::companionName(folderPart, std::string_view(path).substr(baseStart), randomValue,
                           suffix);
}

// Creates a new file under a companion name of path; returns its descriptor, or -1.
int createCompanion(const std::string& path, const std::string& folder, const char* suffix,
                    std::string& createdPath) {
    std::random_device randomSource;
    for (int attempt = 0; attempt < temporaryNameAttempts; ++attempt) {
        const unsigned long long randomValue =
            (static_cast<unsigned long long>(randomSource()) << 32) ^ randomSource();
        std::string candidate = companionName(path, folder, randomValue, suffix);
        // Created like any new file (0666 less the umask); the target's bits come later.
        const int descriptor = open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            createdPath = std::move(candidate);
            return descriptor;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    return -1;
}

// The user's cache folder for this program, made if missing; empty when there is none.
std::string cacheFolder() {
    std::string base;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && cache[0] == '/') {
        base = cache;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        base = std::string(home) + "/.cache";
    } else {
        return {};
    }
    mkdir(base.c_str(), 0700);
    std::string folder = base + "/quadrel";
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    return folder;
}

void syncFolder(const std::string& folder) {
    const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        // Only makes a rename or a removal durable sooner; the save has succeeded either way.
        static_cast<void>(fsync(descriptor));
        close(descriptor);
    }
}

bool writeAll(int descriptor, std::string_view bytes, off_t offset) {
    while (!bytes.empty()) {
        const ssize_t count = pwrite(descriptor, bytes.data(), bytes.size(), offset);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(count));
        offset += count;
    }
    return true;
}

// Copies the first size bytes of one file over the start of another, and cuts it there.
bool copyContent(int from, int to, off_t size) {
    std::array<char, 64 * 1024> buffer;
    for (off_t offset = 0; offset < size;) {
        const ssize_t count = pread(from, buffer.data(),
                                    static_cast<std::size_t>(std::min<off_t>(
                                        size - offset, static_cast<off_t>(buffer.size()))),
                                    offset);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0 || !writeAll(to, std::string_view(buffer.data(), count), offset)) {
            return false;
        }
        offset += count;
    }
    return ftruncate(to, size) == 0 && fsync(to) == 0;
}

// The names of a file's extended attributes, or none when they cannot be listed.
std::optional<std::vector<std::string>> attributeNames(const std::string& path, int descriptor) {
    const ssize_t size =
        descriptor >= 0 ? flistxattr(descriptor, nullptr, 0) : listxattr(path.c_str(), nullptr, 0);
    if (size < 0) {
        return errno == ENOTSUP ? std::optional(std::vector<std::string>()) : std::nullopt;
    }
    std::string list(static_cast<std::size_t>(size), '\0');
    const ssize_t read = descriptor >= 0 ? flistxattr(descriptor, list.data(), list.size())
                                         : listxattr(path.c_str(), list.data(), list.size());
    if (read < 0) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (std::size_t start = 0; start < static_cast<std::size_t>(read);) {
        const std::size_t end = list.find('\0', start);
        names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

// Gives the new file the target's extended attributes, and only those.
bool copyAttributes(const std::string& targetPath, int descriptor) {
    const auto wanted = attributeNames(targetPath, -1);
    const auto present = attributeNames(targetPath, descriptor);
    if (!wanted || !present) {
        return false;
    }
    for (const std::string& name : *present) {
        if (std::find(wanted->begin(), wanted->end(), name) == wanted->end() &&
            fremovexattr(descriptor, name.c_str()) != 0) {
            return false;
        }
    }
    for (const std::string& name : *wanted) {
        const ssize_t size = getxattr(targetPath.c_str(), name.c_str(), nullptr, 0);
        if (size < 0) {
            return false;
        }
        std::string value(static_cast<std::size_t>(size), '\0');
        const ssize_t read = getxattr(targetPath.c_str(), name.c_str(), value.data(), value.size());
        if (read < 0 || fsetxattr(descriptor, name.c_str(), value.data(),
                                  static_cast<std::size_t>(read), 0) != 0) {
            return false;
        }
    }
    return true;
}

// Makes a new file what the target is beside its bytes; false when the system will not.
bool giveAttributesOf(const std::string& targetPath, const struct stat& target, int descriptor) {
    struct stat made {};
    if (fstat(descriptor, &made) != 0) {
        return false;
    }
    if ((made.st_uid != target.st_uid || made.st_gid != target.st_gid) &&
        fchown(descriptor, target.st_uid, target.st_gid) != 0) {
        return false;
    }
    if (!copyAttributes(targetPath, descriptor) ||
        fchmod(descriptor, target.st_mode & 07777) != 0 || fstat(descriptor, &made) != 0) {
        return false;
    }
    return made.st_uid == target.st_uid && made.st_gid == target.st_gid &&
           (made.st_mode & 07777) == (target.st_mode & 07777);
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

struct SafeFileWriter::State {
    std::string targetPath;
    // Where the new bytes go: the temporary file, or the target itself when saving in place.
    int descriptor = -1;
    off_t written = 0;
    std::string temporaryPath;
    // Saving in place: the copy of the old content, and its size.
    bool inPlace = false;
    int backupDescriptor = -1;
    std::string backupPath;
    off_t oldSize = 0;

    bool openTemporary(const struct stat* target);
    bool openInPlace(const struct stat& target);
    bool makeBackup(int source);
    void discard();
};

bool SafeFileWriter::State::openTemporary(const struct stat* target) {
    descriptor = createCompanion(targetPath, {}, ".tmp", temporaryPath);
    if (descriptor < 0) {
        return false;
    }
    if (target == nullptr || giveAttributesOf(targetPath, *target, descriptor)) {
        return true;
    }
    discard();
    return false;
}

bool SafeFileWriter::State::openInPlace(const struct stat& target) {
    const int source = open(targetPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (source < 0) {
        return false;
    }
    struct stat opened {};
    const bool same = fstat(source, &opened) == 0 && opened.st_dev == target.st_dev &&
                      opened.st_ino == target.st_ino && S_ISREG(opened.st_mode);
    oldSize = opened.st_size;
    const bool backedUp = same && makeBackup(source);
    close(source);
    if (!backedUp) {
        return false;
    }
    descriptor = open(targetPath.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        discard();
        return false;
    }
    inPlace = true;
    return true;
}

// The copy goes beside the target, or to the cache folder when the target's folder takes no
// new file; a copy that is not wholly on disk protects nothing and fails the save.
bool SafeFileWriter::State::makeBackup(int source) {
    backupDescriptor = createCompanion(targetPath, {}, ".old", backupPath);
    if (backupDescriptor < 0) {
        const std::string cache = cacheFolder();
        if (cache.empty()) {
            return false;
        }
        backupDescriptor = createCompanion(targetPath, cache, ".old", backupPath);
        if (backupDescriptor < 0) {
            return false;
        }
    }
    if (copyContent(source, backupDescriptor, oldSize)) {
        return true;
    }
    close(backupDescriptor);
    backupDescriptor = -1;
    unlink(backupPath.c_str());
    backupPath.clear();
    return false;
}

// Undoes whatever the save did: the temporary file goes, or the old content is written back.
void SafeFileWriter::State::discard() {
    bool restored = true;
    if (inPlace && descriptor >= 0) {
        restored = copyContent(backupDescriptor, descriptor, oldSize);
    }
    if (descriptor >= 0) {
        close(descriptor);
        descriptor = -1;
    }
    if (!temporaryPath.empty()) {
        unlink(temporaryPath.c_str());
        temporaryPath.clear();
    }
    if (backupDescriptor >= 0) {
        close(backupDescriptor);
        backupDescriptor = -1;
    }
    // A copy that could not be written back is all that is left of the old content.
    if (!backupPath.empty() && restored) {
        unlink(backupPath.c_str());
        backupPath.clear();
    }
    inPlace = false;
}

SafeFileWriter::SafeFileWriter(const std::string& targetPath) : state_(std::make_unique<State>()) {
    std::optional<std::string> resolved = resolveTarget(targetPath);
    if (!resolved || resolved->empty()) {
        return;
    }
    state_->targetPath = std::move(*resolved);
    struct stat status {};
    if (stat(state_->targetPath.c_str(), &status) != 0) {
        if (errno == ENOENT) {
            state_->openTemporary(nullptr);
        }
        return;
    }
    // A read-only target refuses the save as writing into it would, though the folder alone
    // permits a rename over it.
    if (!S_ISREG(status.st_mode) || access(state_->targetPath.c_str(), W_OK) != 0) {
        return;
    }
    // A rename would leave the other hard links with the old content.
    if (status.st_nlink == 1 && state_->openTemporary(&status)) {
        return;
    }
    state_->openInPlace(status);
}

SafeFileWriter::~SafeFileWriter() {
    state_->discard();
}

bool SafeFileWriter::isOpen() const {
    return state_->descriptor >= 0;
}

bool SafeFileWriter::write(std::string_view bytes) {
    if (state_->descriptor < 0 || !writeAll(state_->descriptor, bytes, state_->written)) {
        return false;
    }
    state_->written += static_cast<off_t>(bytes.size());
    return true;
}

bool SafeFileWriter::commit() {
    State& state = *state_;
    if (state.descriptor < 0) {
        return false;
    }
    if (state.inPlace) {
        if (ftruncate(state.descriptor, state.written) != 0 || fsync(state.descriptor) != 0) {
            state.discard();
            return false;
        }
        close(state.descriptor);
        state.descriptor = -1;
        state.inPlace = false;
        state.discard();
        return true;
    }
    if (fsync(state.descriptor) != 0) {
        state.discard();
        return false;
    }
    const int descriptor = std::exchange(state.descriptor, -1);
    if (close(descriptor) != 0 ||
        rename(state.temporaryPath.c_str(), state.targetPath.c_str()) != 0) {
        state.discard();
        return false;
    }
    state.temporaryPath.clear();
    syncFolder(folderOf(state.targetPath));
    return true;
}
