#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// One text of a box, any bytes of any length, in as little memory as a file's tokens allow: up to
// eight bytes, which covers nearly every token, live in the object itself; a longer text lives in
// one heap block that starts with its length. The object takes nine bytes and needs no
// alignment, so that a box's 29 texts pack without padding and a large file costs few pages.
class BoxText {
public:
    static constexpr std::size_t inlineCapacity = 8;

    BoxText() noexcept = default;
    explicit BoxText(std::string_view text) { assign(text); }
    BoxText(const BoxText& other) : BoxText(other.view()) {}
    BoxText(BoxText&& other) noexcept;
    BoxText& operator=(const BoxText& other) { return assign(other.view()); }
    BoxText& operator=(BoxText&& other) noexcept;
    // Also takes a std::string or a literal: both convert to a view of their bytes.
    BoxText& operator=(std::string_view text) {
        // A short text over a short one, the reader's every step, needs no call. The text may
        // be a part of this one: the bytes move rather than copy.
        if (text.size() <= inlineCapacity && length_ != onHeap) {
            std::char_traits<char>::move(bytes_, text.data(), text.size());
            length_ = static_cast<unsigned char>(text.size());
            return *this;
        }
        return assign(text);
    }
    ~BoxText() { release(); }

    std::string_view view() const noexcept {
        return length_ != onHeap ? std::string_view(bytes_, length_) : heapView();
    }
    operator std::string_view() const noexcept { return view(); }
    // Lets a text be handed wherever a std::string is expected, as the fields were before.
    operator std::string() const { return std::string(view()); }

    std::size_t size() const noexcept { return view().size(); }
    bool empty() const noexcept { return length_ == 0; }

    friend bool operator==(const BoxText& left, const BoxText& right) noexcept {
        return left.view() == right.view();
    }
    friend bool operator==(const BoxText& left, std::string_view right) noexcept {
        return left.view() == right;
    }

private:
    // The length of an inline text, or this mark for a text on the heap.
    static constexpr unsigned char onHeap = 0xff;

    BoxText& assign(std::string_view text);
    std::string_view heapView() const noexcept;
    char* heapBlock() const noexcept;
    void release() noexcept;

    // The inline bytes, or the address of the heap block, copied in and out byte by byte.
    char bytes_[inlineCapacity]{};
    unsigned char length_ = 0;
};
