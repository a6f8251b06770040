#include "safefile.h"

#include "companionname.h"
#include "savecopy.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <random>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr int temporaryNameAttempts = 64;

// The hops a chain of links may take before it counts as a loop, as the system itself counts.
constexpr int maximumLinkHops = 40;

constexpr mode_t permissionBits = 0777;
constexpr mode_t setIdBits = S_ISUID | S_ISGID;
constexpr mode_t modeBits = 07777;

SaveStepHook saveStepHook = nullptr;

void saveStep() {
    if (saveStepHook != nullptr) {
        saveStepHook();
    }
}

// The reason the last system call gave.
std::error_code lastError() {
    return {errno != 0 ? errno : EIO, std::generic_category()};
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A symbolic link is followed, so that saving through it updates or creates the file it
// designates rather than replacing the link. None for a loop of links, with errno set.
std::optional<std::string> resolveTarget(std::string path) {
    for (int hop = 0; hop < maximumLinkHops; ++hop) {
        struct stat linkStatus {};
        if (lstat(path.c_str(), &linkStatus) != 0 || !S_ISLNK(linkStatus.st_mode)) {
            return path;
        }
        std::string linked(static_cast<std::size_t>(linkStatus.st_size) + 1, '\0');
        const ssize_t length = readlink(path.c_str(), linked.data(), linked.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= linked.size()) {
            if (length >= 0) {
                errno = EIO;
            }
            return std::nullopt;
        }
        linked.resize(static_cast<std::size_t>(length));
        path = linked.front() == '/' ? linked : folderOf(path) + '/' + linked;
    }
    errno = ELOOP;
    return std::nullopt;
}

// Where the companions of a file go: a folder part (empty, or ending with a slash) and the base
// name they are named after.
struct CompanionPlace {
    std::string folderPart;
    std::string baseName;
};

CompanionPlace besideTarget(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t baseStart = slash == std::string::npos ? 0 : slash + 1;
    return {path.substr(0, baseStart), path.substr(baseStart)};
}

// The user's cache folder for this program, made if missing and asked for; empty when there is
// none.
std::string cacheFolder(bool create) {
    std::string base;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && cache[0] == '/') {
        base = cache;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        base = std::string(home) + "/.cache";
    } else {
        return {};
    }
    std::string folder = base + "/quadrel";
    if (create) {
        mkdir(base.c_str(), 0700);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            return {};
        }
    }
    return folder;
}

// The cache folder serves files of every folder: their companions there are named after a hash
// of the file's full path. None when the file or the cache folder cannot be found.
std::optional<CompanionPlace> inCache(const std::string& path, bool create) {
    char* fullPath = realpath(path.c_str(), nullptr);
    if (fullPath == nullptr) {
        return std::nullopt;
    }
    CopyChecksum hash;
    hash.add(fullPath);
    std::free(fullPath);
    const std::string folder = cacheFolder(create);
    if (folder.empty()) {
        return std::nullopt;
    }
    std::string name;
    for (int shift = 60; shift >= 0; shift -= 4) {
        name += "0123456789abcdef"[(hash.value() >> shift) & 0xf];
    }
    return CompanionPlace{folder + '/', name};
}

void syncFolder(const std::string& folder) {
    const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        // Only makes a rename or a removal durable sooner; the save has succeeded either way.
        static_cast<void>(fsync(descriptor));
        close(descriptor);
    }
}

bool processRuns(unsigned long long processId) {
    if (processId == 0 || processId > static_cast<unsigned long long>(INT_MAX)) {
        return false;
    }
    return kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

// Removes the temporary files of the place's base name whose saving process has ended: a save
// cut short leaves its temporary behind, and nothing else would ever remove it.
void removeStaleTemporaries(const CompanionPlace& place) {
    const int savedError = errno;
    DIR* folder = opendir(place.folderPart.empty() ? "." : place.folderPart.c_str());
    if (folder != nullptr) {
        const auto ownId = static_cast<unsigned long long>(getpid());
        while (const dirent* entry = readdir(folder)) {
            const auto owner = temporaryOwner(entry->d_name, place.baseName);
            if (owner && *owner != ownId && !processRuns(*owner)) {
                unlinkat(dirfd(folder), entry->d_name, 0);
            }
        }
        closedir(folder);
    }
    errno = savedError;
}

// Creates a new temporary file of the place with the given mode; returns its descriptor, or -1
// with errno set.
int createTemporary(const CompanionPlace& place, mode_t mode, std::string& createdPath) {
    std::random_device randomSource;
    const auto processId = static_cast<unsigned long long>(getpid());
    for (int attempt = 0; attempt < temporaryNameAttempts; ++attempt) {
        const unsigned long long randomValue =
            (static_cast<unsigned long long>(randomSource()) << 32) ^ randomSource();
        std::string candidate =
            temporaryName(place.folderPart, place.baseName, processId, randomValue);
        const int descriptor = open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (descriptor >= 0) {
            createdPath = std::move(candidate);
            saveStep();
            return descriptor;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    return -1;
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

// Copies the first size bytes of one file over the start of another, adding them to the
// checksum when one is given. False, with errno set, on failure.
bool copyBytes(int from, int to, off_t size, CopyChecksum* checksum) {
    std::array<char, 64 * 1024> buffer;
    for (off_t offset = 0; offset < size;) {
        const ssize_t count = pread(from, buffer.data(),
                                    static_cast<std::size_t>(std::min<off_t>(
                                        size - offset, static_cast<off_t>(buffer.size()))),
                                    offset);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            // A file that ends early has changed under the copy.
            if (count == 0) {
                errno = EIO;
            }
            return false;
        }
        const std::string_view bytes(buffer.data(), static_cast<std::size_t>(count));
        if (checksum != nullptr) {
            checksum->add(bytes);
        }
        if (!writeAll(to, bytes, offset)) {
            return false;
        }
        saveStep();
        offset += count;
    }
    return true;
}

// Makes a file hold exactly the first size bytes of another, on disk.
bool copyContent(int from, int to, off_t size) {
    return copyBytes(from, to, size, nullptr) && ftruncate(to, size) == 0 && fsync(to) == 0;
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

// Makes a new file what the target is beside its bytes and its set-ID bits, which writing would
// clear; false when the system will not.
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
        fchmod(descriptor, target.st_mode & permissionBits) != 0 || fstat(descriptor, &made) != 0) {
        return false;
    }
    if (made.st_uid != target.st_uid || made.st_gid != target.st_gid ||
        (made.st_mode & modeBits) != (target.st_mode & permissionBits)) {
        errno = EPERM;
        return false;
    }
    return true;
}

struct FoundCopy {
    std::string path;
    off_t contentSize;
};

// The complete copy a save cut short left for the target, beside it or in the cache folder.
std::optional<FoundCopy> findCompleteCopy(const std::string& targetPath) {
    std::vector<CompanionPlace> places{besideTarget(targetPath)};
    if (auto cache = inCache(targetPath, false)) {
        places.push_back(std::move(*cache));
    }
    for (const CompanionPlace& place : places) {
        std::string path = copyName(place.folderPart, place.baseName);
        const std::optional<std::uint64_t> size = completeCopyContentSize(path);
        if (size && *size <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
            return FoundCopy{std::move(path), static_cast<off_t>(*size)};
        }
    }
    return std::nullopt;
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
    std::error_code error;
    // Where the new bytes go: the temporary file, or the target itself when saving in place.
    int descriptor = -1;
    off_t written = 0;
    std::string temporaryPath;
    // The target's mode, when it exists: its set-ID bits are given back after the content.
    std::optional<mode_t> targetMode;
    // Saving in place: the complete copy of the old content, and the content's size.
    bool inPlace = false;
    int copyDescriptor = -1;
    std::string copyPath;
    off_t oldSize = 0;
    // The copy was left by an earlier save cut short: the target holds a part of what that save
    // wrote, and the copy stays until the target is whole again.
    bool earlierCopy = false;

    // Keeps the reason of the first failure; returns false.
    bool fail();
    bool fail(std::errc reason);
    bool openTemporary(const struct stat* target);
    bool openInPlace(const struct stat& target);
    bool useEarlierCopy(const FoundCopy& found);
    bool makeCopy(int source, const struct stat& target);
    enum class CopyMade { made, notCreated, failed };
    CopyMade makeCopyIn(const CompanionPlace& place, int source, const struct stat& target);
    void giveBackSetIdBits();
    void removeCopy();
    void discard();
};

bool SafeFileWriter::State::fail() {
    if (!error) {
        error = lastError();
    }
    return false;
}

bool SafeFileWriter::State::fail(std::errc reason) {
    if (!error) {
        error = std::make_error_code(reason);
    }
    return false;
}

bool SafeFileWriter::State::openTemporary(const struct stat* target) {
    // A new file gets the usual bits (0666 less the umask); a replacement the target's, below.
    descriptor =
        createTemporary(besideTarget(targetPath), target == nullptr ? 0666 : 0600, temporaryPath);
    if (descriptor < 0) {
        return fail();
    }
    if (target == nullptr || giveAttributesOf(targetPath, *target, descriptor)) {
        return true;
    }
    fail();
    discard();
    return false;
}

bool SafeFileWriter::State::openInPlace(const struct stat& target) {
    const int source = open(targetPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (source < 0) {
        return fail();
    }
    struct stat opened {};
    bool copied = false;
    if (fstat(source, &opened) != 0) {
        fail();
    } else if (opened.st_dev != target.st_dev || opened.st_ino != target.st_ino ||
               !S_ISREG(opened.st_mode)) {
        // Replaced between the look and the opening: the next attempt sees the new file.
        fail(std::errc::resource_unavailable_try_again);
    } else {
        oldSize = opened.st_size;
        const std::optional<FoundCopy> earlier = findCompleteCopy(targetPath);
        copied = earlier ? useEarlierCopy(*earlier) : makeCopy(source, opened);
    }
    close(source);
    if (!copied) {
        return false;
    }
    descriptor = open(targetPath.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        fail();
        discard();
        return false;
    }
    inPlace = true;
    return true;
}

// The target holds what a save cut short wrote of its content: the earlier copy, not a copy of
// that, is what a failure writes back.
bool SafeFileWriter::State::useEarlierCopy(const FoundCopy& found) {
    copyDescriptor = open(found.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (copyDescriptor < 0) {
        return fail();
    }
    copyPath = found.path;
    oldSize = found.contentSize;
    earlierCopy = true;
    return true;
}

// The copy goes beside the target, or to the cache folder when the target's folder takes no
// new file.
bool SafeFileWriter::State::makeCopy(int source, const struct stat& target) {
    const CopyMade beside = makeCopyIn(besideTarget(targetPath), source, target);
    if (beside != CopyMade::notCreated) {
        return beside == CopyMade::made;
    }
    const std::optional<CompanionPlace> cache = inCache(targetPath, true);
    if (!cache) {
        return false;
    }
    removeStaleTemporaries(*cache);
    error.clear();
    return makeCopyIn(*cache, source, target) == CopyMade::made;
}

// The copy is written under a temporary name and takes its own name only once it is complete
// and on disk: a copy under that name is always whole.
SafeFileWriter::State::CopyMade SafeFileWriter::State::makeCopyIn(const CompanionPlace& place,
                                                                  int source,
                                                                  const struct stat& target) {
    std::string temporary;
    const int copy = createTemporary(place, 0600, temporary);
    if (copy < 0) {
        fail();
        return CopyMade::notCreated;
    }
    // Before any content goes in, the copy becomes the target's owner, group and permission
    // bits, or stays readable by this user alone when they cannot be given.
    if (fchown(copy, target.st_uid, target.st_gid) == 0) {
        static_cast<void>(fchmod(copy, target.st_mode & permissionBits));
    }
    std::string finalPath = copyName(place.folderPart, place.baseName);
    CopyChecksum checksum;
    const bool made =
        copyBytes(source, copy, oldSize, &checksum) &&
        writeAll(copy, copyTrailer(static_cast<std::uint64_t>(oldSize), checksum.value()),
                 oldSize) &&
        fsync(copy) == 0 && rename(temporary.c_str(), finalPath.c_str()) == 0;
    if (!made) {
        fail();
        close(copy);
        unlink(temporary.c_str());
        return CopyMade::failed;
    }
    saveStep();
    syncFolder(place.folderPart.empty() ? "." : place.folderPart);
    copyDescriptor = copy;
    copyPath = std::move(finalPath);
    return CopyMade::made;
}

// Writing clears the set-user-ID and set-group-ID bits; the target's come back once the content
// is in. Only the file's owner may set them: for another user the system has cleared them, as it
// does whoever writes the file, and the save goes on without them.
void SafeFileWriter::State::giveBackSetIdBits() {
    if (targetMode && (*targetMode & setIdBits) != 0) {
        static_cast<void>(fchmod(descriptor, *targetMode & modeBits));
    }
}

void SafeFileWriter::State::removeCopy() {
    if (copyDescriptor >= 0) {
        close(std::exchange(copyDescriptor, -1));
    }
    if (!copyPath.empty()) {
        unlink(copyPath.c_str());
        syncFolder(folderOf(copyPath));
        copyPath.clear();
        saveStep();
    }
}

// Undoes whatever the save did: the temporary file goes, or the old content is written back.
void SafeFileWriter::State::discard() {
    const bool overwritten = inPlace && descriptor >= 0;
    bool restored = true;
    if (overwritten) {
        restored = copyContent(copyDescriptor, descriptor, oldSize);
        giveBackSetIdBits();
    }
    if (descriptor >= 0) {
        close(std::exchange(descriptor, -1));
    }
    if (!temporaryPath.empty()) {
        unlink(temporaryPath.c_str());
        temporaryPath.clear();
    }
    // A copy that could not be written back is all that is left of the old content, and an
    // earlier save's copy is still needed while the target holds part of that save.
    if (restored && (overwritten || !earlierCopy)) {
        removeCopy();
    } else if (copyDescriptor >= 0) {
        close(std::exchange(copyDescriptor, -1));
        copyPath.clear();
    }
    inPlace = false;
}

SafeFileWriter::SafeFileWriter(const std::string& targetPath) : state_(std::make_unique<State>()) {
    State& state = *state_;
    std::optional<std::string> resolved = resolveTarget(targetPath);
    if (!resolved) {
        state.fail();
        return;
    }
    if (resolved->empty()) {
        state.fail(std::errc::no_such_file_or_directory);
        return;
    }
    state.targetPath = std::move(*resolved);
    removeStaleTemporaries(besideTarget(state.targetPath));
    struct stat status {};
    if (stat(state.targetPath.c_str(), &status) != 0) {
        if (errno == ENOENT) {
            state.openTemporary(nullptr);
        } else {
            state.fail();
        }
        return;
    }
    if (S_ISDIR(status.st_mode)) {
        state.fail(std::errc::is_a_directory);
        return;
    }
    if (!S_ISREG(status.st_mode)) {
        state.fail(std::errc::operation_not_supported);
        return;
    }
    // A read-only target refuses the save as writing into it would, though the folder alone
    // permits a rename over it.
    if (access(state.targetPath.c_str(), W_OK) != 0) {
        state.fail();
        return;
    }
    state.targetMode = status.st_mode;
    // A rename would leave the other hard links with the old content.
    if (status.st_nlink == 1 && state.openTemporary(&status)) {
        return;
    }
    state.error.clear();
    state.openInPlace(status);
}

SafeFileWriter::~SafeFileWriter() {
    state_->discard();
}

bool SafeFileWriter::isOpen() const {
    return state_->descriptor >= 0;
}

std::error_code SafeFileWriter::error() const {
    return state_->error;
}

bool SafeFileWriter::write(std::string_view bytes) {
    State& state = *state_;
    if (state.descriptor < 0) {
        return state.fail(std::errc::bad_file_descriptor);
    }
    if (!writeAll(state.descriptor, bytes, state.written)) {
        return state.fail();
    }
    state.written += static_cast<off_t>(bytes.size());
    saveStep();
    return true;
}

bool SafeFileWriter::commit() {
    State& state = *state_;
    if (state.descriptor < 0) {
        return state.fail(std::errc::bad_file_descriptor);
    }
    if (state.inPlace) {
        if (ftruncate(state.descriptor, state.written) != 0) {
            state.fail();
            state.discard();
            return false;
        }
        saveStep();
        state.giveBackSetIdBits();
        if (fsync(state.descriptor) != 0) {
            state.fail();
            state.discard();
            return false;
        }
        saveStep();
        close(std::exchange(state.descriptor, -1));
        state.inPlace = false;
        state.removeCopy();
        return true;
    }
    state.giveBackSetIdBits();
    if (fsync(state.descriptor) != 0) {
        state.fail();
        state.discard();
        return false;
    }
    saveStep();
    const int descriptor = std::exchange(state.descriptor, -1);
    if (close(descriptor) != 0 ||
        rename(state.temporaryPath.c_str(), state.targetPath.c_str()) != 0) {
        state.fail();
        state.discard();
        return false;
    }
    state.temporaryPath.clear();
    saveStep();
    syncFolder(folderOf(state.targetPath));
    // A copy that an earlier save cut short left would otherwise put its older content back
    // over this one at the next opening.
    if (const std::optional<FoundCopy> earlier = findCompleteCopy(state.targetPath)) {
        state.copyPath = earlier->path;
        state.removeCopy();
    }
    return true;
}

std::optional<std::string> interruptedSaveCopy(const std::string& path) {
    const std::optional<std::string> target = resolveTarget(path);
    if (!target || target->empty()) {
        return std::nullopt;
    }
    std::optional<FoundCopy> found = findCompleteCopy(*target);
    if (!found) {
        return std::nullopt;
    }
    return std::move(found->path);
}

SaveRecovery restoreInterruptedSave(const std::string& path, std::error_code& reason) {
    reason.clear();
    const std::optional<std::string> target = resolveTarget(path);
    if (!target || target->empty()) {
        return SaveRecovery::nothingToRestore;
    }
    const std::optional<FoundCopy> copy = findCompleteCopy(*target);
    if (!copy) {
        return SaveRecovery::nothingToRestore;
    }
    errno = 0;
    const int destination = open(target->c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (destination < 0) {
        reason = lastError();
        return SaveRecovery::failed;
    }
    struct stat status {};
    const bool regular = fstat(destination, &status) == 0 && S_ISREG(status.st_mode);
    if (!regular && errno == 0) {
        errno = EISDIR;
    }
    const int source = regular ? open(copy->path.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    const bool restored = source >= 0 && copyContent(source, destination, copy->contentSize);
    if (!restored) {
        reason = lastError();
    }
    if (source >= 0) {
        close(source);
    }
    close(destination);
    if (!restored) {
        return SaveRecovery::failed;
    }
    unlink(copy->path.c_str());
    syncFolder(folderOf(copy->path));
    saveStep();
    return SaveRecovery::restored;
}

void setSaveStepHook(SaveStepHook hook) {
    saveStepHook = hook;
}
