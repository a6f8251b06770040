#include "textbuffer.h"

#include <algorithm>

void TextBuffer::reserve(std::size_t bytes) {
    if (capacity_ < bytes) {
        // Left uninitialised: every byte is written before it is used.
        auto grown = std::make_unique_for_overwrite<char[]>(bytes);
        std::copy_n(data_.get(), used_, grown.get());
        data_ = std::move(grown);
        capacity_ = bytes;
    }
}

char* TextBuffer::room(std::size_t most) {
    if (capacity_ - used_ < most) {
        reserve(std::max(2 * capacity_, used_ + most));
    }
    return data_.get() + used_;
}
