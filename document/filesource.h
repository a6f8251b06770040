#pragma once

#include "boxreader.h"
#include "safefile.h"

#include <array>
#include <string_view>

// Pulls a file through a fixed buffer, so that reading never holds the whole file.
class FileSource final : public ByteSource {
public:
    explicit FileSource(InputFile& file) : file_(file) {}

    std::string_view nextChunk() override;
    bool failed() const override { return failed_; }

private:
    InputFile& file_;
    std::array<char, 64 * 1024> buffer_;
    bool failed_ = false;
};
