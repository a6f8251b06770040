#include "companionname.h"
#include "safefile.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <io.h>
#include <random>
#include <utility>
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

std::string companionName(const std::string& path, unsigned long long randomValue,
                          const char* suffix) {
    const std::size_t baseStart = baseNameStart(path);
    return ::companionName(std::string_view(path).substr(0, baseStart),
                           std::string_view(path).substr(baseStart), randomValue, suffix);
}

// What a save finds at its target: no file, a regular file this user may write, or anything else,
// which refuses the save. A read-only file cannot be written even by an administrator, so it
// refuses the save as writing into it would.
enum class TargetState { absent, writable, refused };

struct Target {
    TargetState state = TargetState::refused;
    DWORD attributes = 0;
    DWORD links = 0;
};

Target examineTarget(const std::wstring& path) {
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, shareEverything, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const bool absent = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return {absent ? TargetState::absent : TargetState::refused};
    }
    const auto information = regularFileInformation(handle);
    CloseHandle(handle);
    if (!information || (information->dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return {};
    }
    return {TargetState::writable, information->dwFileAttributes, information->nNumberOfLinks};
}

// Copies everything from one file to the other from their starts, leaving the destination exactly
// as long as the source, and flushes it to disk.
bool copyContent(HANDLE source, HANDLE destination) {
    LARGE_INTEGER start{};
    if (SetFilePointerEx(source, start, nullptr, FILE_BEGIN) == 0 ||
        SetFilePointerEx(destination, start, nullptr, FILE_BEGIN) == 0 ||
        SetEndOfFile(destination) == 0) {
        return false;
    }
    std::string buffer(64 * 1024, '\0');
    for (;;) {
        DWORD count = 0;
        if (ReadFile(source, buffer.data(), static_cast<DWORD>(buffer.size()), &count, nullptr) ==
            0) {
            return false;
        }
        if (count == 0) {
            return FlushFileBuffers(destination) != 0;
        }
        DWORD written = 0;
        if (WriteFile(destination, buffer.data(), count, &written, nullptr) == 0 ||
            written != count) {
            return false;
        }
    }
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
// place instead, since a new file would leave its other names with the old content; a copy of
// its old content, made beside it first, is written back if the save fails.
struct SafeFileWriter::State {
    std::wstring targetPath;
    std::optional<DWORD> targetAttributes;
    // Where the new bytes go: the temporary file, or the target itself when saving in place.
    int descriptor = -1;
    std::wstring temporaryPath;
    HANDLE backup = INVALID_HANDLE_VALUE;
    std::wstring backupPath;
    // Set once the target's old content may be gone: from then on, a failure writes it back.
    bool overwriting = false;

    std::optional<std::wstring> createCompanion(const std::string& target, const char* suffix,
                                                DWORD access, HANDLE& handle);
    bool openTemporary(const std::string& target);
    bool openInPlace(const std::string& target);
    bool replaceTarget();
    bool restoreTarget();
    void dropBackup();
    void discard();
};

std::optional<std::wstring> SafeFileWriter::State::createCompanion(const std::string& target,
                                                                   const char* suffix, DWORD access,
                                                                   HANDLE& handle) {
    std::random_device randomSource;
    for (int attempt = 0; attempt < temporaryNameAttempts; ++attempt) {
        const unsigned long long randomValue =
            (static_cast<unsigned long long>(randomSource()) << 32) ^ randomSource();
        auto candidate = widePath(companionName(target, randomValue, suffix));
        if (!candidate) {
            return std::nullopt;
        }
        handle = CreateFileW(candidate->c_str(), access, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            return candidate;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool SafeFileWriter::State::openTemporary(const std::string& target) {
    HANDLE handle = INVALID_HANDLE_VALUE;
    auto created = createCompanion(target, ".tmp", GENERIC_WRITE, handle);
    if (!created) {
        return false;
    }
    descriptor = descriptorFor(handle, _O_WRONLY);
    if (descriptor < 0) {
        DeleteFileW(created->c_str());
        return false;
    }
    temporaryPath = std::move(*created);
    return true;
}

bool SafeFileWriter::State::openInPlace(const std::string& target) {
    auto created = createCompanion(target, ".bak", GENERIC_READ | GENERIC_WRITE, backup);
    if (!created) {
        return false;
    }
    backupPath = std::move(*created);
    // Others may go on reading the file, but not write it while it is being overwritten.
    const HANDLE handle =
        CreateFileW(targetPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    if (!copyContent(handle, backup)) {
        CloseHandle(handle);
        return false;
    }
    overwriting = true;
    LARGE_INTEGER start{};
    if (SetFilePointerEx(handle, start, nullptr, FILE_BEGIN) == 0 || SetEndOfFile(handle) == 0) {
        CloseHandle(handle);
        return false;
    }
    descriptor = descriptorFor(handle, _O_WRONLY);
    return descriptor >= 0;
}

bool SafeFileWriter::State::replaceTarget() {
    const bool flushed =
        FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor))) != 0;
    const bool closed = _close(std::exchange(descriptor, -1)) == 0;
    if (backup != INVALID_HANDLE_VALUE) {
        return flushed && closed;
    }
    // The replaced file's attributes pass to the new one, as its permission bits do on POSIX.
    const bool attributesKept =
        !targetAttributes ||
        SetFileAttributesW(temporaryPath.c_str(), keptAttributes(*targetAttributes)) != 0;
    return flushed && closed && attributesKept &&
           MoveFileExW(temporaryPath.c_str(), targetPath.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// Writes the old content back over a target saved in place; false leaves the copy on disk.
bool SafeFileWriter::State::restoreTarget() {
    const HANDLE handle =
        CreateFileW(targetPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool restored = copyContent(backup, handle);
    CloseHandle(handle);
    return restored;
}

void SafeFileWriter::State::dropBackup() {
    CloseHandle(std::exchange(backup, INVALID_HANDLE_VALUE));
    DeleteFileW(backupPath.c_str());
    backupPath.clear();
}

void SafeFileWriter::State::discard() {
    if (descriptor >= 0) {
        _close(std::exchange(descriptor, -1));
    }
    if (!temporaryPath.empty()) {
        DeleteFileW(temporaryPath.c_str());
        temporaryPath.clear();
    }
    if (backup == INVALID_HANDLE_VALUE) {
        return;
    }
    if (!overwriting || restoreTarget()) {
        dropBackup();
    } else {
        // The old content could not be written back: its copy stays, the only one left.
        CloseHandle(std::exchange(backup, INVALID_HANDLE_VALUE));
        backupPath.clear();
    }
}

SafeFileWriter::SafeFileWriter(const std::string& targetPath) : state_(std::make_unique<State>()) {
    const auto wideTarget = widePath(targetPath);
    if (!wideTarget || namesAStream(targetPath)) {
        return;
    }
    const Target target = examineTarget(*wideTarget);
    if (target.state == TargetState::refused) {
        return;
    }
    state_->targetPath = *wideTarget;
    if (target.state == TargetState::absent) {
        state_->openTemporary(targetPath);
        return;
    }
    state_->targetAttributes = target.attributes;
    if (target.links > 1 ? !state_->openInPlace(targetPath) : !state_->openTemporary(targetPath)) {
        state_->discard();
    }
}

SafeFileWriter::~SafeFileWriter() {
    state_->discard();
}

bool SafeFileWriter::isOpen() const {
    return state_->descriptor >= 0;
}

bool SafeFileWriter::write(std::string_view bytes) {
    if (state_->descriptor < 0) {
        return false;
    }
    while (!bytes.empty()) {
        const std::size_t chunk = std::min(bytes.size(), largestTransfer);
        const int count = _write(state_->descriptor, bytes.data(), static_cast<unsigned>(chunk));
        if (count <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

bool SafeFileWriter::commit() {
    if (state_->descriptor < 0) {
        return false;
    }
    const bool replaced = state_->replaceTarget();
    if (replaced) {
        state_->temporaryPath.clear();
        if (state_->backup != INVALID_HANDLE_VALUE) {
            state_->dropBackup();
        }
    }
    state_->discard();
    return replaced;
}
