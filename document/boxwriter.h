#pragma once

#include "orlclass.h"

#include <array>
#include <cstddef>
#include <string_view>

// Collects bytes in a fixed buffer and hands them on a buffer at a time, so that writing a
// large document never builds its whole text.
class ByteSink {
public:
    virtual ~ByteSink() = default;

    void put(std::string_view bytes) {
        if (bytes.size() <= buffer_.size() - used_) {
            bytes.copy(buffer_.data() + used_, bytes.size());
            used_ += bytes.size();
        } else {
            putLarge(bytes);
        }
    }
    // Hands on whatever the buffer holds.
    void flush();

protected:
    ByteSink() = default;
    virtual void drain(std::string_view bytes) = 0;

private:
    void putLarge(std::string_view bytes);

    static constexpr std::size_t bufferSize = 64 * 1024;
    std::array<char, bufferSize> buffer_;
    std::size_t used_ = 0;
};

// Writes the document in the BOX format: CR LF line ends, every text verbatim except that an
// empty count or box field is written as "0", which keeps the following tokens in their places.
void writeBoxContent(const BoxDocument& document, ByteSink& sink);

// True when every text of the document would read back from the written file as the same token
// in the same place: no white space inside a value, no space or newline inside the count or an
// ID, a count that matches the boxes held, and every intersection two tokens joined by one space
// whose first does not begin with "-". An empty count or box field counts, being written "0".
bool readsBackUnchanged(const BoxDocument& document);
