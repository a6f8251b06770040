#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

// The operating-system side of reading and saving BOX files, kept here so that the rest of the
// document code stays plain standard C++.

// A regular file opened for reading in binary mode. Folders, devices and pipes are refused:
// none of them is a BOX file, and a device could feed the reader without end.
class InputFile {
public:
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool isOpen() const { return descriptor_ >= 0; }
    // The number of bytes read into the buffer, 0 at the end of the file, none on a read error.
    std::optional<std::size_t> read(char* buffer, std::size_t capacity);

private:
    int descriptor_ = -1;
};

// Saves a file so that a failed save leaves it as it was, and a successful one keeps what the
// file is beside its bytes: its links, owner, group, permission bits and extended attributes.
//
// When a new file can stand in for the old one with all of that, the bytes go to a temporary
// file in the target's folder, which commit() renames over the target. Otherwise (a file with
// other hard links, an owner or attributes this user cannot give a new file, a folder that takes
// no new file) the target is overwritten in place, after a complete copy of its old content has
// been put beside it, or in the user's cache folder when its folder takes no new file. Any
// failure before commit() returns writes the copy back; the copy is removed once the new content
// is on disk, and kept only if even writing it back failed. A save cut short, by a crash or a
// kill, leaves that complete copy, which restoreInterruptedSave puts back.
//
// Temporary files are named after their target and the saving process; those left by a process
// that no longer runs are removed at the next save of their target.
//
// A symbolic link is followed to the file it designates, created if missing; a loop of links
// fails. A writer destroyed without a successful commit() leaves every file as it was.
class SafeFileWriter {
public:
    // isOpen() is false when the target is a loop of links, a folder or another file that is not
    // a regular one, a file this user may not write, or when no protected way to save it exists.
    explicit SafeFileWriter(const std::string& targetPath);
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    bool isOpen() const;
    bool write(std::string_view bytes);
    // Puts the new content in place and on disk. False, with the old content kept, on failure.
    bool commit();
    // Why the save failed, as the first failing call gave it: a std::errc value.
    std::error_code error() const;

private:
    // What one system's implementation keeps while a save is under way.
    struct State;
    std::unique_ptr<State> state_;
};

// The complete copy of the file's old content that a save cut short left, beside the file or in
// the user's cache folder; none when there is none.
std::optional<std::string> interruptedSaveCopy(const std::string& path);

enum class SaveRecovery { nothingToRestore, restored, failed };

// Writes back over the file the old content that a save cut short left in a complete copy, and
// removes the copy once the content is on disk. On failure the file and the copy stay as they
// are, and reason tells why.
SaveRecovery restoreInterruptedSave(const std::string& path, std::error_code& reason);

// Called at every step of a save or a restoration that changes a file, so that a test can stop
// the process there.
using SaveStepHook = void (*)();
void setSaveStepHook(SaveStepHook hook);
