#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

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

// Replaces a file only once its new content is completely on disk: the bytes go to a temporary
// file in the target's folder, which is renamed over the target by commit(). Until then the
// target is untouched, and a writer destroyed without a successful commit removes its temporary
// file, so a failed save leaves every file as it was.
class SafeFileWriter {
public:
    // Opens the temporary file; isOpen() is false when the target is a folder or a file this
    // user may not write, or when its folder cannot take a new file.
    explicit SafeFileWriter(const std::string& targetPath);
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    bool isOpen() const { return descriptor_ >= 0; }
    bool write(std::string_view bytes);
    // Flushes the temporary file to disk, gives it the target's permission bits and, as far as
    // the system allows, its owner when the target exists, and renames it over the target.
    bool commit();

private:
    void discard();

    std::string targetPath_;
    std::string temporaryPath_;
    int descriptor_ = -1;
    std::optional<unsigned> targetMode_;
    std::optional<std::pair<unsigned, unsigned>> targetOwner_;
};
