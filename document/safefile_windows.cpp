#include "companionname.h"
#include "safefile.h"
#include "savecopy.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <io.h>
#include <random>
#include <utility>
#include <vector>
#include <windows.h>

// The Windows side of the file access. The files are opened through the system, which alone can
// refuse folders and devices without waiting on them, and then handed to the C runtime as binary
// descriptors, so that the rest of the class reads and writes the same way on every system.

namespace {

constexpr int temporaryNameAttempts = 64;
// The C runtime counts the bytes of one read or write in an unsigned int.
constexpr std::size_t largestTransfer = std::size_t{1} << 30;

// Paths are UTF-8 in the program and UTF-16 for the system. A path that is not valid UTF-8, or
// that holds a null character, names no file.
std::optional<std::wstring> widePath(const std::string& path) {
    if (path.empty() || path.size() > INT_MAX || path.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    const int size = static_cast<int>(path.size());
    const int wideSize =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, nullptr, 0);
    if (wideSize <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, wide.data(), wideSize);
    return wide;
}

// Others may read, write, rename or delete the file while this program holds it, as on POSIX.
constexpr DWORD shareEverything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What the system knows of a file on a disk; none for a folder, a device, a console or a pipe.
std::optional<BY_HANDLE_FILE_INFORMATION> regularFileInformation(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileType(handle) != FILE_TYPE_DISK ||
        GetFileInformationByHandle(handle, &information) == 0 ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return information;
}

// Hands the handle over to a C runtime descriptor, or closes it when none is left.
int descriptorFor(HANDLE handle, int flags) {
    const int descriptor =
        _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), flags | _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(handle);
    }
    return descriptor;
}

// Where the file's own name starts, after its folder or its drive ("C:name" is relative to the
// drive's current folder).
std::size_t baseNameStart(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\");
    if (separator != std::string::npos) {
        return separator + 1;
    }
    return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

// A colon in a file's own name designates one of its alternate data streams, which a temporary
// file beside it could not replace.
bool namesAStream(const std::string& path) {
    return path.find(':', baseNameStart(path)) != std::string::npos;
}

SaveStepHook saveStepHook = nullptr;

void saveStep() {
    if (saveStepHook != nullptr) {
        saveStepHook();
    }
}

// The system's error codes as the portable reasons the rest of the program names.
std::error_code reasonOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_ACCESS_DENIED:
        return std::make_error_code(std::errc::permission_denied);
    case ERROR_WRITE_PROTECT:
        return std::make_error_code(std::errc::read_only_file_system);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return std::make_error_code(std::errc::device_or_resource_busy);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return std::make_error_code(std::errc::no_space_on_device);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return std::make_error_code(std::errc::file_exists);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return std::make_error_code(std::errc::invalid_argument);
    case ERROR_FILENAME_EXCED_RANGE:
        return std::make_error_code(std::errc::filename_too_long);
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return std::make_error_code(std::errc::not_enough_memory);
    default:
        return std::make_error_code(std::errc::io_error);
    }
}

std::error_code lastError() {
    return reasonOf(GetLastError());
}

std::string utf8(const std::wstring& text) {
    if (text.empty() || text.size() > INT_MAX) {
        return {};
    }
    const int wideSize = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), wideSize, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), wideSize, result.data(), size, nullptr, nullptr);
    return result;
}

// The folder part (empty, or ending with its separator) and the base name of a file, after which
// its companions are named.
struct CompanionPlace {
    std::string folderPart;
    std::string baseName;
};

CompanionPlace besideTarget(const std::string& path) {
    const std::size_t baseStart = baseNameStart(path);
    return {path.substr(0, baseStart), path.substr(baseStart)};
}

bool processRuns(unsigned long long processId) {
    if (processId > 0xffffffffu) {
        return false;
    }
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(processId));
    if (process == nullptr) {
        // A process that runs under another account still runs.
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    DWORD exitCode = 0;
    const bool running = GetExitCodeProcess(process, &exitCode) != 0 && exitCode == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

// Removes the temporary files of the place's base name whose saving process has ended: a save
// cut short leaves its temporary behind, and nothing else would ever remove it.
void removeStaleTemporaries(const CompanionPlace& place) {
    const auto pattern = widePath(place.folderPart + "*.quadrel-tmp");
    if (!pattern) {
        return;
    }
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(pattern->c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    const unsigned long long ownId = GetCurrentProcessId();
    do {
        const std::string name = utf8(found.cFileName);
        const auto owner = temporaryOwner(name, place.baseName);
        if (owner && *owner != ownId && !processRuns(*owner)) {
            if (const auto stale = widePath(place.folderPart + name)) {
                DeleteFileW(stale->c_str());
            }
        }
    } while (FindNextFileW(search, &found) != 0);
    FindClose(search);
}

// Creates a new temporary file of the place, open with the given access; its path, or none with
// the system's error set.
std::optional<std::wstring> createTemporary(const CompanionPlace& place, DWORD access,
                                            HANDLE& handle) {
    std::random_device randomSource;
    for (int attempt = 0; attempt < temporaryNameAttempts; ++attempt) {
        const unsigned long long randomValue =
            (static_cast<unsigned long long>(randomSource()) << 32) ^ randomSource();
        auto candidate = widePath(
            temporaryName(place.folderPart, place.baseName, GetCurrentProcessId(), randomValue));
        if (!candidate) {
            SetLastError(ERROR_INVALID_NAME);
            return std::nullopt;
        }
        handle = CreateFileW(candidate->c_str(), access, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            saveStep();
            return candidate;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// Copies the first size bytes of one file over the start of another, adding them to the checksum
// when one is given. False, with the system's error set, on failure.
bool copyBytes(HANDLE source, HANDLE destination, std::uint64_t size, CopyChecksum* checksum) {
    LARGE_INTEGER start{};
    if (SetFilePointerEx(source, start, nullptr, FILE_BEGIN) == 0 ||
        SetFilePointerEx(destination, start, nullptr, FILE_BEGIN) == 0) {
        return false;
    }
    std::string buffer(64 * 1024, '\0');
    for (std::uint64_t copied = 0; copied < size;) {
        const auto wanted =
            static_cast<DWORD>(std::min<std::uint64_t>(size - copied, buffer.size()));
        DWORD count = 0;
        if (ReadFile(source, buffer.data(), wanted, &count, nullptr) == 0) {
            return false;
        }
        if (count == 0) {
            // A file that ends early has changed under the copy.
            SetLastError(ERROR_HANDLE_EOF);
            return false;
        }
        if (checksum != nullptr) {
            checksum->add(std::string_view(buffer.data(), count));
        }
        DWORD written = 0;
        if (WriteFile(destination, buffer.data(), count, &written, nullptr) == 0) {
            return false;
        }
        if (written != count) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        saveStep();
        copied += count;
    }
    return true;
}

// Makes a file hold exactly the first size bytes of another, on disk.
bool copyContent(HANDLE source, HANDLE destination, std::uint64_t size) {
    return copyBytes(source, destination, size, nullptr) && SetEndOfFile(destination) != 0 &&
           FlushFileBuffers(destination) != 0;
}

std::optional<std::uint64_t> sizeOf(HANDLE handle) {
    LARGE_INTEGER size{};
    if (GetFileSizeEx(handle, &size) == 0 || size.QuadPart < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

struct FoundCopy {
    std::wstring path;
    std::uint64_t contentSize;
};

// The complete copy a save cut short left beside the target.
std::optional<FoundCopy> findCompleteCopy(const std::string& target) {
    const CompanionPlace place = besideTarget(target);
    const std::string path = copyName(place.folderPart, place.baseName);
    const std::optional<std::uint64_t> size = completeCopyContentSize(path);
    auto widePathName = widePath(path);
    if (!size || !widePathName) {
        return std::nullopt;
    }
    return FoundCopy{std::move(*widePathName), *size};
}

// What a save finds at its target: no file, a regular file this user may write, or anything else,
// which refuses the save. A read-only file cannot be written even by an administrator, so it
// refuses the save as writing into it would.
enum class TargetState { absent, writable, refused };

struct Target {
    TargetState state = TargetState::refused;
    std::error_code refusal;
    DWORD attributes = 0;
    DWORD links = 0;
};

Target examineTarget(const std::wstring& path) {
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, shareEverything, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return {TargetState::absent, {}};
        }
        return {TargetState::refused, reasonOf(error)};
    }
    const auto information = regularFileInformation(handle);
    CloseHandle(handle);
    if (!information) {
        return {TargetState::refused, std::make_error_code(std::errc::operation_not_supported)};
    }
    if ((information->dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return {TargetState::refused, std::make_error_code(std::errc::permission_denied)};
    }
    return {TargetState::writable, {}, information->dwFileAttributes, information->nNumberOfLinks};
}

// What a program may set with SetFileAttributesW; the rest (compression, encryption, links)
// belongs to the file system.
constexpr DWORD settableAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                     FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY;

DWORD keptAttributes(DWORD targetAttributes) {
    const DWORD kept = targetAttributes & settableAttributes;
    return kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;
}

} // namespace

InputFile::InputFile(const std::string& path) {
    const auto widePathName = widePath(path);
    if (!widePathName) {
        return;
    }
    // A folder does not open without backup semantics; a device or a pipe opens at once and is
    // refused before anything reads from it.
    const HANDLE handle = CreateFileW(widePathName->c_str(), GENERIC_READ, shareEverything, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return;
    }
    if (!regularFileInformation(handle)) {
        CloseHandle(handle);
        return;
    }
    descriptor_ = descriptorFor(handle, _O_RDONLY);
}

InputFile::~InputFile() {
    if (descriptor_ >= 0) {
        _close(descriptor_);
    }
}

std::optional<std::size_t> InputFile::read(char* buffer, std::size_t capacity) {
    if (descriptor_ < 0) {
        return std::nullopt;
    }
    const int count =
        _read(descriptor_, buffer, static_cast<unsigned>(std::min(capacity, largestTransfer)));
    if (count < 0) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(count);
}

// What the Windows side keeps while a save is under way. Usually the new bytes go to a temporary
// file that commit() moves over the target. A target with other hard links is overwritten in
// place instead, since a new file would leave its other names with the old content; a complete
// copy of its old content, made beside it first, is written back if the save fails.
struct SafeFileWriter::State {
    std::string target;
    std::wstring targetPath;
    std::optional<DWORD> targetAttributes;
    std::error_code error;
    // Where the new bytes go: the temporary file, or the target itself when saving in place.
    int descriptor = -1;
    std::wstring temporaryPath;
    HANDLE copy = INVALID_HANDLE_VALUE;
    std::wstring copyPath;
    std::uint64_t oldSize = 0;
    // Set once the target's old content may be gone: from then on, a failure writes it back.
    bool overwriting = false;
    // The copy was left by an earlier save cut short: the target holds a part of what that save
    // wrote, and the copy stays until the target is whole again.
    bool earlierCopy = false;

    // Keeps the reason of the first failure; returns false.
    bool fail(std::error_code reason);
    bool openTemporary();
    bool openInPlace();
    bool makeCopy(HANDLE source);
    bool replaceTarget();
    bool restoreTarget();
    void removeCopy();
    void discard();
};

bool SafeFileWriter::State::fail(std::error_code reason) {
    if (!error) {
        error = reason;
    }
    return false;
}

bool SafeFileWriter::State::openTemporary() {
    HANDLE handle = INVALID_HANDLE_VALUE;
    auto created = createTemporary(besideTarget(target), GENERIC_WRITE, handle);
    if (!created) {
        return fail(lastError());
    }
    temporaryPath = std::move(*created);
    descriptor = descriptorFor(handle, _O_WRONLY);
    if (descriptor < 0) {
        return fail(std::make_error_code(std::errc::too_many_files_open));
    }
    return true;
}

bool SafeFileWriter::State::openInPlace() {
    // Others may go on reading the file, but not write it while it is being overwritten.
    const HANDLE handle =
        CreateFileW(targetPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return fail(lastError());
    }
    bool copied = false;
    if (const std::optional<FoundCopy> earlier = findCompleteCopy(target)) {
        // The earlier copy, not a copy of what the target holds now, is what a failure writes
        // back.
        copy = CreateFileW(earlier->path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
        copied = copy != INVALID_HANDLE_VALUE || fail(lastError());
        if (copied) {
            copyPath = earlier->path;
            oldSize = earlier->contentSize;
            earlierCopy = true;
        }
    } else {
        copied = makeCopy(handle);
    }
    if (!copied) {
        CloseHandle(handle);
        return false;
    }
    overwriting = true;
    LARGE_INTEGER start{};
    if (SetFilePointerEx(handle, start, nullptr, FILE_BEGIN) == 0 || SetEndOfFile(handle) == 0) {
        fail(lastError());
        CloseHandle(handle);
        return false;
    }
    saveStep();
    descriptor = descriptorFor(handle, _O_WRONLY);
    return descriptor >= 0 || fail(std::make_error_code(std::errc::too_many_files_open));
}

// The copy is written under a temporary name and takes its own name only once it is complete
// and on disk: a copy under that name is always whole.
bool SafeFileWriter::State::makeCopy(HANDLE source) {
    const CompanionPlace place = besideTarget(target);
    const auto finalPath = widePath(copyName(place.folderPart, place.baseName));
    const std::optional<std::uint64_t> size = sizeOf(source);
    if (!finalPath || !size) {
        return fail(lastError());
    }
    oldSize = *size;
    HANDLE handle = INVALID_HANDLE_VALUE;
    const auto temporary = createTemporary(place, GENERIC_WRITE, handle);
    if (!temporary) {
        return fail(lastError());
    }
    CopyChecksum checksum;
    bool made = copyBytes(source, handle, oldSize, &checksum);
    if (made) {
        const std::string trailer = copyTrailer(oldSize, checksum.value());
        DWORD written = 0;
        made = WriteFile(handle, trailer.data(), static_cast<DWORD>(trailer.size()), &written,
                         nullptr) != 0 &&
               written == trailer.size() && FlushFileBuffers(handle) != 0;
    }
    if (!made) {
        fail(lastError());
    }
    CloseHandle(handle);
    made = made && (MoveFileExW(temporary->c_str(), finalPath->c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0 ||
                    fail(lastError()));
    if (!made) {
        DeleteFileW(temporary->c_str());
        return false;
    }
    saveStep();
    copyPath = *finalPath;
    copy = CreateFileW(finalPath->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
    if (copy == INVALID_HANDLE_VALUE) {
        fail(lastError());
        removeCopy();
        return false;
    }
    return true;
}

bool SafeFileWriter::State::replaceTarget() {
    const bool flushed =
        FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor))) != 0 ||
        fail(lastError());
    const bool closed = _close(std::exchange(descriptor, -1)) == 0 ||
                        fail(std::make_error_code(std::errc::io_error));
    if (!flushed || !closed) {
        return false;
    }
    saveStep();
    if (copy != INVALID_HANDLE_VALUE) {
        return true;
    }
    // The replaced file's attributes pass to the new one, as its permission bits do on POSIX.
    if (targetAttributes &&
        SetFileAttributesW(temporaryPath.c_str(), keptAttributes(*targetAttributes)) == 0) {
        return fail(lastError());
    }
    if (MoveFileExW(temporaryPath.c_str(), targetPath.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        return fail(lastError());
    }
    temporaryPath.clear();
    saveStep();
    return true;
}

// Writes the old content back over a target saved in place; false leaves the copy on disk.
bool SafeFileWriter::State::restoreTarget() {
    const HANDLE handle =
        CreateFileW(targetPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool restored = copyContent(copy, handle, oldSize);
    CloseHandle(handle);
    return restored;
}

void SafeFileWriter::State::removeCopy() {
    if (copy != INVALID_HANDLE_VALUE) {
        CloseHandle(std::exchange(copy, INVALID_HANDLE_VALUE));
    }
    if (!copyPath.empty()) {
        DeleteFileW(copyPath.c_str());
        copyPath.clear();
        saveStep();
    }
}

void SafeFileWriter::State::discard() {
    if (descriptor >= 0) {
        _close(std::exchange(descriptor, -1));
    }
    if (!temporaryPath.empty()) {
        DeleteFileW(temporaryPath.c_str());
        temporaryPath.clear();
    }
    // A copy that could not be written back is all that is left of the old content, and an
    // earlier save's copy is still needed while the target holds part of that save.
    const bool restored = !overwriting || restoreTarget();
    if (restored && (overwriting || !earlierCopy)) {
        removeCopy();
    } else if (copy != INVALID_HANDLE_VALUE) {
        CloseHandle(std::exchange(copy, INVALID_HANDLE_VALUE));
        copyPath.clear();
    }
    overwriting = false;
}

SafeFileWriter::SafeFileWriter(const std::string& targetPath) : state_(std::make_unique<State>()) {
    State& state = *state_;
    const auto wideTarget = widePath(targetPath);
    if (!wideTarget || namesAStream(targetPath)) {
        state.fail(std::make_error_code(std::errc::invalid_argument));
        return;
    }
    const Target target = examineTarget(*wideTarget);
    if (target.state == TargetState::refused) {
        state.fail(target.refusal);
        return;
    }
    state.target = targetPath;
    state.targetPath = *wideTarget;
    removeStaleTemporaries(besideTarget(targetPath));
    if (target.state == TargetState::absent) {
        state.openTemporary();
        return;
    }
    state.targetAttributes = target.attributes;
    if (target.links > 1 ? !state.openInPlace() : !state.openTemporary()) {
        state.discard();
    }
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
        return state.fail(std::make_error_code(std::errc::bad_file_descriptor));
    }
    while (!bytes.empty()) {
        const std::size_t chunk = std::min(bytes.size(), largestTransfer);
        const int count = _write(state.descriptor, bytes.data(), static_cast<unsigned>(chunk));
        if (count <= 0) {
            return state.fail(std::error_code(count < 0 ? errno : ENOSPC, std::generic_category()));
        }
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    saveStep();
    return true;
}

bool SafeFileWriter::commit() {
    State& state = *state_;
    if (state.descriptor < 0) {
        return state.fail(std::make_error_code(std::errc::bad_file_descriptor));
    }
    const bool replaced = state.replaceTarget();
    if (replaced) {
        if (state.copy != INVALID_HANDLE_VALUE) {
            state.overwriting = false;
            state.removeCopy();
        } else if (const std::optional<FoundCopy> earlier = findCompleteCopy(state.target)) {
            // A copy that an earlier save cut short left would otherwise put its older content
            // back over this one at the next opening.
            state.copyPath = earlier->path;
            state.removeCopy();
        }
    }
    state.discard();
    return replaced;
}

std::optional<std::string> interruptedSaveCopy(const std::string& path) {
    if (!widePath(path) || namesAStream(path)) {
        return std::nullopt;
    }
    const std::optional<FoundCopy> found = findCompleteCopy(path);
    if (!found) {
        return std::nullopt;
    }
    return utf8(found->path);
}

SaveRecovery restoreInterruptedSave(const std::string& path, std::error_code& reason) {
    reason.clear();
    const auto target = widePath(path);
    if (!target || namesAStream(path)) {
        return SaveRecovery::nothingToRestore;
    }
    const std::optional<FoundCopy> copy = findCompleteCopy(path);
    if (!copy) {
        return SaveRecovery::nothingToRestore;
    }
    const HANDLE destination =
        CreateFileW(target->c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    if (destination == INVALID_HANDLE_VALUE) {
        reason = lastError();
        return SaveRecovery::failed;
    }
    const HANDLE source = CreateFileW(copy->path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    const bool restored = regularFileInformation(destination).has_value() &&
                          source != INVALID_HANDLE_VALUE &&
                          copyContent(source, destination, copy->contentSize);
    if (!restored) {
        reason = lastError();
    }
    if (source != INVALID_HANDLE_VALUE) {
        CloseHandle(source);
    }
    CloseHandle(destination);
    if (!restored) {
        return SaveRecovery::failed;
    }
    DeleteFileW(copy->path.c_str());
    saveStep();
    return SaveRecovery::restored;
}

void setSaveStepHook(SaveStepHook hook) {
    saveStepHook = hook;
}
