#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The copy of a file's old content that a save keeps while it overwrites the file in place. It
// holds the content, then a trailer of fixed length that gives the content's length and
// checksum: a copy cut short or damaged is told from a complete one, which alone may be put
// back. The trailer starts on a new line, after the terminator a BOX reader stops at.

// FNV-1a over 64 bits: quick, and enough to tell a damaged copy from a sound one.
class CopyChecksum {
public:
    void add(std::string_view bytes);
    std::uint64_t value() const { return value_; }

private:
    std::uint64_t value_ = 0xcbf29ce484222325u;
};

inline constexpr std::size_t copyTrailerSize = 50;

// The trailer of a copy whose content has the given length and checksum.
std::string copyTrailer(std::uint64_t contentSize, std::uint64_t checksum);

// The length of the content of the complete copy at the path, or none when there is no file
// there or it is not a complete copy.
std::optional<std::uint64_t> completeCopyContentSize(const std::string& copyPath);
