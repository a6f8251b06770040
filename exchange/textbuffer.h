#pragma once

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

template <typename Number> void appendNumber(std::string& text, Number value) {
    std::array<char, 32> digits{};
    const auto written = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    text.append(digits.data(), written.ptr);
}

// The most characters a number takes: "-1.17549435e-38" for a float, 20 digits and a sign for
// an integer.
inline constexpr std::size_t NUMBER_ROOM = 24;

// Bytes written at the end of a buffer that grows ahead of need: a writer asks once for room
// enough for a whole box, then writes its numbers with no check each, which the formatting of
// large models spends most of its time on otherwise.
class TextBuffer {
public:
    void clear() { used_ = 0; }
    // Makes room for `bytes` in all without moving what is written later.
    void reserve(std::size_t bytes);
    // Where to write at most `most` more bytes; end() then keeps those written up to the end.
    char* room(std::size_t most);
    void end(const char* written) { used_ = static_cast<std::size_t>(written - data_.get()); }
    std::string_view view() const { return {data_.get(), used_}; }
    void append(std::string_view bytes) { end(put(room(bytes.size()), bytes)); }

    static char* put(char* at, std::string_view bytes) {
        bytes.copy(at, bytes.size());
        return at + bytes.size();
    }
    static char* put(char* at, char c) {
        *at = c;
        return at + 1;
    }
    template <typename Number> static char* putNumber(char* at, Number value) {
        return std::to_chars(at, at + NUMBER_ROOM, value).ptr;
    }

private:
    // Not a vector: growing one writes zeros over all the new room first.
    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
};

// The shortest texts that read back as the same single-precision values, kept for the numbers
// met last: the coordinates of a scene repeat (the corners of a box share their coordinates in
// pairs or more, and boxes on a grid, floors at one height share theirs), and a text copied
// costs a fraction of one formatted. A thousand texts, small enough to stay in the nearest
// cache: more are missed less often but each costs a slower look-up. One per thread.
class NumberTexts {
public:
    // Writes the text of value at `at`, where NUMBER_ROOM bytes are free, and returns its end.
    char* put(char* at, float value) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        Entry& entry = entries_[bits * 2654435761u >> (32 - INDEX_BITS)];
        if (entry.length == 0 || entry.bits != bits) {
            const auto written =
                std::to_chars(entry.text.data(), entry.text.data() + entry.text.size(), value);
            if (written.ec != std::errc()) {
                return std::to_chars(at, at + NUMBER_ROOM, value).ptr;
            }
            entry.bits = bits;
            entry.length = static_cast<std::uint8_t>(written.ptr - entry.text.data());
        }
        // The whole entry's text: a copy of fixed length is a couple of instructions.
        std::memcpy(at, entry.text.data(), entry.text.size());
        return at + entry.length;
    }

private:
    static constexpr unsigned INDEX_BITS = 10;
    struct Entry {
        // Room for the longest, "-1.17549435e-38".
        std::array<char, 16> text{};
        std::uint32_t bits = 0;
        // 0 while the entry holds nothing.
        std::uint8_t length = 0;
    };
    std::array<Entry, std::size_t{1} << INDEX_BITS> entries_{};
};
