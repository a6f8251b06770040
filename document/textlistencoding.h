#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

// How a TextList lays out its entries in a block: each text behind its length in seven-bit
// groups, low group first. Shared by the list and by the walks that rewrite its blocks in place.
namespace textlistencoding {

// Large enough that the blocks' own bookkeeping is lost in their bytes, small enough that moving
// the bytes behind an entry costs less than walking to it.
inline constexpr std::size_t blockBytes = 4000;

inline std::size_t headerSize(std::size_t length) {
    std::size_t size = 1;
    for (; length >= 0x80; length >>= 7) {
        ++size;
    }
    return size;
}

inline std::size_t encodedSize(std::string_view text) {
    return headerSize(text.size()) + text.size();
}

// Writes the text behind its length at out, which has room for encodedSize(text) bytes.
inline void encode(std::string_view text, char* out) {
    std::size_t length = text.size();
    for (; length >= 0x80; length >>= 7) {
        *out++ = static_cast<char>(0x80 | (length & 0x7f));
    }
    *out++ = static_cast<char>(length);
    if (!text.empty()) {
        std::memcpy(out, text.data(), text.size());
    }
}

// The text encoded at the offset, and the offset of the entry after it.
struct Decoded {
    std::string_view text;
    std::size_t next;
};

inline Decoded decode(const char* bytes, std::size_t offset) {
    std::size_t length = 0;
    unsigned shift = 0;
    for (;;) {
        const auto byte = static_cast<unsigned char>(bytes[offset++]);
        length |= static_cast<std::size_t>(byte & 0x7f) << shift;
        if ((byte & 0x80) == 0) {
            break;
        }
        shift += 7;
    }
    return {std::string_view(bytes + offset, length), offset + length};
}

inline Decoded decode(const std::vector<char>& bytes, std::size_t offset) {
    return decode(bytes.data(), offset);
}

} // namespace textlistencoding
