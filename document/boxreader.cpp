#include "boxreader.h"

#include "leadinginteger.h"

#include <array>
#include <memory>
#include <utility>

std::string_view TextSource::nextChunk() {
    return std::exchange(text_, std::string_view());
}

namespace {

constexpr std::array<bool, 256> whiteSpaceTable() {
    std::array<bool, 256> table{};
    for (const unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) {
        table[c] = true;
    }
    return table;
}

constexpr std::array<bool, 256> whiteSpace = whiteSpaceTable();

bool isWhiteSpace(char c) {
    return whiteSpace[static_cast<unsigned char>(c)];
}

// Walks the bytes of a source chunk by chunk; tokens that straddle two chunks are joined.
class Cursor {
public:
    explicit Cursor(ByteSource& source) : source_(source) {}

    // A token ended by a space or a newline only. Returns false, with an empty token, at the end.
    bool readLineToken(std::string& token) {
        token.clear();
        for (;;) {
            if (!available()) {
                return false;
            }
            const char c = *next_;
            if (c == ' ' || c == '\n') {
                ++next_;
            } else if (c == '\r') {
                ++next_;
                if (!consumeLineFeed()) {
                    token.push_back('\r');
                    break;
                }
            } else {
                break;
            }
        }
        while (available()) {
            const char* start = next_;
            while (next_ != end_ && *next_ != ' ' && *next_ != '\n' && *next_ != '\r') {
                ++next_;
            }
            token.append(start, next_);
            if (next_ == end_) {
                continue;
            }
            const char c = *next_++;
            if (c != '\r' || consumeLineFeed()) {
                break;
            }
            token.push_back('\r');
        }
        return !token.empty();
    }

    // A token ended by any white space. Returns false, with an empty token, at the end.
    bool readWord(std::string& token) {
        for (;;) {
            while (next_ != end_ && isWhiteSpace(*next_)) {
                ++next_;
            }
            if (next_ != end_) {
                break;
            }
            if (!refill()) {
                token.clear();
                return false;
            }
        }
        const char* start = next_;
        while (next_ != end_ && !isWhiteSpace(*next_)) {
            ++next_;
        }
        token.assign(start, next_);
        while (next_ == end_ && refill()) {
            start = next_;
            while (next_ != end_ && !isWhiteSpace(*next_)) {
                ++next_;
            }
            token.append(start, next_);
        }
        return true;
    }

private:
    bool available() { return next_ != end_ || refill(); }

    bool refill() {
        if (exhausted_) {
            return false;
        }
        const std::string_view chunk = source_.nextChunk();
        if (chunk.empty()) {
            exhausted_ = true;
            return false;
        }
        next_ = chunk.data();
        end_ = next_ + chunk.size();
        return true;
    }

    // After a CR: consumes the LF that makes it a newline, if one follows.
    bool consumeLineFeed() {
        if (available() && *next_ == '\n') {
            ++next_;
            return true;
        }
        return false;
    }

    ByteSource& source_;
    const char* next_ = nullptr;
    const char* end_ = nullptr;
    bool exhausted_ = false;
};

// Reads the 28 values that follow a box's ID, in file order.
bool readBoxValues(Cursor& cursor, Box& box) {
    if (!cursor.readWord(box.maxRadius)) {
        return false;
    }
    for (std::size_t axis = 0; axis < Box::centerTextCount; ++axis) {
        if (!cursor.readWord(box.centerText(axis))) {
            return false;
        }
    }
    for (std::size_t k = 0; k < Box::planeTextCount; ++k) {
        if (!cursor.readWord(box.planeText(k))) {
            return false;
        }
    }
    return true;
}

} // namespace

BoxFileContent readBoxContent(ByteSource& source) {
    BoxFileContent content;
    Cursor cursor(source);
    cursor.readLineToken(content.countText);
    // Boxes are read one at a time until the count or the bytes run out; the count is never
    // trusted for an allocation.
    const long long count = parseLeadingInteger(content.countText);
    for (long long read = 0; read < count; ++read) {
        auto box = std::make_unique<Box>();
        if (!cursor.readLineToken(box->id) || !readBoxValues(cursor, *box)) {
            return content;
        }
        content.boxIds.append(box->id);
        content.boxes.append(std::move(box));
    }
    std::string first;
    std::string second;
    while (cursor.readWord(first) && first.front() != '-' && cursor.readWord(second)) {
        std::string intersection;
        intersection.reserve(first.size() + 1 + second.size());
        intersection += first;
        intersection += ' ';
        intersection += second;
        content.intersections.append(std::move(intersection));
    }
    return content;
}

std::string readCountToken(ByteSource& source) {
    Cursor cursor(source);
    std::string token;
    cursor.readLineToken(token);
    return token;
}
