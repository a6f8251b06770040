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

// Room left in a file name for the temporary file's prefix and suffix.
constexpr std::size_t maximumBaseNameInTemporaryName = 200;
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

// The attributes of a file on a disk; none for a folder, a device, a console or a pipe.
std::optional<DWORD> regularFileAttributes(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileType(handle) != FILE_TYPE_DISK ||
        GetFileInformationByHandle(handle, &information) == 0 ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return information.dwFileAttributes;
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

std::string temporaryNameFor(const std::string& path, unsigned long long randomValue) {
    const std::size_t baseStart = baseNameStart(path);
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

// What a save finds at its target: no file, a regular file this user may write, with its
// attributes, or anything else, which refuses the save. A read-only file cannot be written even
// by an administrator, so it refuses the save as writing into it would.
enum class TargetState { absent, writable, refused };

std::pair<TargetState, DWORD> examineTarget(const std::wstring& path) {
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, shareEverything, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const bool absent = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return {absent ? TargetState::absent : TargetState::refused, 0};
    }
    const std::optional<DWORD> attributes = regularFileAttributes(handle);
    CloseHandle(handle);
    if (!attributes || (*attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return {TargetState::refused, 0};
    }
    return {TargetState::writable, *attributes};
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
    if (!regularFileAttributes(handle)) {
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

// What the Windows side keeps while a save is under way: the temporary file that takes the new
// bytes, and what it must know of the file it replaces.
struct SafeFileWriter::State {
    std::wstring targetPath;
    std::wstring temporaryPath;
    int descriptor = -1;
    std::optional<DWORD> targetAttributes;

    bool openTemporary(const std::string& target);
    bool replaceTarget();
    void discard();
};

bool SafeFileWriter::State::openTemporary(const std::string& target) {
    std::random_device randomSource;
    for (int attempt = 0; attempt < temporaryNameAttempts; ++attempt) {
        const unsigned long long randomValue =
            (static_cast<unsigned long long>(randomSource()) << 32) ^ randomSource();
        const auto candidate = widePath(temporaryNameFor(target, randomValue));
        if (!candidate) {
            return false;
        }
        const HANDLE handle = CreateFileW(candidate->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            descriptor = descriptorFor(handle, _O_WRONLY);
            if (descriptor < 0) {
                DeleteFileW(candidate->c_str());
                return false;
            }
            temporaryPath = *candidate;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            return false;
        }
    }
    return false;
}

bool SafeFileWriter::State::replaceTarget() {
    const bool flushed =
        FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor))) != 0;
    const bool closed = _close(std::exchange(descriptor, -1)) == 0;
    // The replaced file's attributes pass to the new one, as its permission bits do on POSIX.
    const bool attributesKept =
        !targetAttributes ||
        SetFileAttributesW(temporaryPath.c_str(), keptAttributes(*targetAttributes)) != 0;
    return flushed && closed && attributesKept &&
           MoveFileExW(temporaryPath.c_str(), targetPath.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void SafeFileWriter::State::discard() {
    if (descriptor >= 0) {
        _close(std::exchange(descriptor, -1));
    }
    if (!temporaryPath.empty()) {
        DeleteFileW(temporaryPath.c_str());
        temporaryPath.clear();
    }
}

SafeFileWriter::SafeFileWriter(const std::string& targetPath) : state_(std::make_unique<State>()) {
    const auto wideTarget = widePath(targetPath);
    if (!wideTarget || namesAStream(targetPath)) {
        return;
    }
    const auto [found, attributes] = examineTarget(*wideTarget);
    if (found == TargetState::refused) {
        return;
    }
    if (found == TargetState::writable) {
        state_->targetAttributes = attributes;
    }
    state_->targetPath = *wideTarget;
    state_->openTemporary(targetPath);
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
    }
    state_->discard();
    return replaced;
}
