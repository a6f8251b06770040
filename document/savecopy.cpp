#include "savecopy.h"

#include "safefile.h"

#include <array>

namespace {

constexpr std::string_view trailerStart = "\r\nquadrel-copy ";
constexpr std::uint64_t fnvPrime = 0x100000001b3u;
constexpr std::string_view hexDigits = "0123456789abcdef";

void appendHex(std::string& text, std::uint64_t value) {
    for (int shift = 60; shift >= 0; shift -= 4) {
        text += hexDigits[(value >> shift) & 0xf];
    }
}

std::optional<std::uint64_t> readHex(std::string_view text) {
    std::uint64_t value = 0;
    for (const char c : text) {
        const std::size_t digit = hexDigits.find(c);
        if (digit == std::string_view::npos) {
            return std::nullopt;
        }
        value = value << 4 | digit;
    }
    return value;
}

struct Trailer {
    std::uint64_t contentSize;
    std::uint64_t checksum;
};

std::optional<Trailer> parseTrailer(std::string_view text) {
    if (text.size() != copyTrailerSize || text.substr(0, trailerStart.size()) != trailerStart ||
        text[trailerStart.size() + 16] != ' ' || text.substr(copyTrailerSize - 2) != "\r\n") {
        return std::nullopt;
    }
    const auto size = readHex(text.substr(trailerStart.size(), 16));
    const auto checksum = readHex(text.substr(trailerStart.size() + 17, 16));
    if (!size || !checksum) {
        return std::nullopt;
    }
    return Trailer{*size, *checksum};
}

} // namespace

void CopyChecksum::add(std::string_view bytes) {
    std::uint64_t value = value_;
    for (const char c : bytes) {
        value = (value ^ static_cast<unsigned char>(c)) * fnvPrime;
    }
    value_ = value;
}

std::string copyTrailer(std::uint64_t contentSize, std::uint64_t checksum) {
    std::string trailer(trailerStart);
    appendHex(trailer, contentSize);
    trailer += ' ';
    appendHex(trailer, checksum);
    trailer += "\r\n";
    return trailer;
}

std::optional<std::uint64_t> completeCopyContentSize(const std::string& copyPath) {
    InputFile file(copyPath);
    if (!file.isOpen()) {
        return std::nullopt;
    }
    // Everything but the last copyTrailerSize bytes read so far is content; those wait in tail.
    std::array<char, 64 * 1024> buffer;
    std::string tail;
    std::uint64_t contentSize = 0;
    CopyChecksum checksum;
    for (;;) {
        const std::optional<std::size_t> count = file.read(buffer.data(), buffer.size());
        if (!count) {
            return std::nullopt;
        }
        if (*count == 0) {
            break;
        }
        const std::string_view chunk(buffer.data(), *count);
        if (chunk.size() >= copyTrailerSize) {
            checksum.add(tail);
            contentSize += tail.size();
            const std::string_view content = chunk.substr(0, chunk.size() - copyTrailerSize);
            checksum.add(content);
            contentSize += content.size();
            tail.assign(chunk.substr(content.size()));
        } else {
            tail += chunk;
            if (tail.size() > copyTrailerSize) {
                const std::size_t extra = tail.size() - copyTrailerSize;
                checksum.add(std::string_view(tail).substr(0, extra));
                contentSize += extra;
                tail.erase(0, extra);
            }
        }
    }
    const std::optional<Trailer> trailer = parseTrailer(tail);
    if (!trailer || trailer->contentSize != contentSize || trailer->checksum != checksum.value()) {
        return std::nullopt;
    }
    return contentSize;
}
