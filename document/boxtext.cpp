#include "boxtext.h"

#include <cstring>
#include <new>
#include <utility>

static_assert(sizeof(BoxText) == BoxText::inlineCapacity + 1 && alignof(BoxText) == 1);
static_assert(sizeof(char*) == BoxText::inlineCapacity);

BoxText::BoxText(BoxText&& other) noexcept : length_(std::exchange(other.length_, 0)) {
    std::memcpy(bytes_, other.bytes_, inlineCapacity);
}

BoxText& BoxText::operator=(BoxText&& other) noexcept {
    if (this != &other) {
        release();
        std::memcpy(bytes_, other.bytes_, inlineCapacity);
        length_ = std::exchange(other.length_, 0);
    }
    return *this;
}

std::string_view BoxText::heapView() const noexcept {
    const char* block = heapBlock();
    std::size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    return std::string_view(block + sizeof size, size);
}

// The new bytes are copied before the old ones are released: the text may be a view of itself.
BoxText& BoxText::assign(std::string_view text) {
    const std::size_t size = text.size();
    if (size <= inlineCapacity) {
        char copy[inlineCapacity];
        text.copy(copy, size);
        release();
        std::memcpy(bytes_, copy, size);
        length_ = static_cast<unsigned char>(size);
        return *this;
    }
    char* block = static_cast<char*>(::operator new(sizeof size + size));
    std::memcpy(block, &size, sizeof size);
    text.copy(block + sizeof size, size);
    release();
    std::memcpy(bytes_, &block, sizeof block);
    length_ = onHeap;
    return *this;
}

char* BoxText::heapBlock() const noexcept {
    char* block = nullptr;
    std::memcpy(&block, bytes_, sizeof block);
    return block;
}

void BoxText::release() noexcept {
    if (length_ == onHeap) {
        ::operator delete(heapBlock());
        length_ = 0;
    }
}
