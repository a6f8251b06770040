#include "boxreader.h"

#include "leadinginteger.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <utility>

std::string_view TextSource::nextChunk() {
    return std::exchange(text_, std::string_view());
}

std::string_view ProgressSource::nextChunk() {
    if (stopped_) {
        return {};
    }
    const std::string_view chunk = source_.nextChunk();
    if (chunk.empty() || !progress_) {
        return chunk;
    }
    bytesRead_ += chunk.size();
    if (!progress_(bytesRead_)) {
        stopped_ = true;
        return {};
    }
    return chunk;
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

} // namespace

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

    // A token ended by any white space, or nothing at the end. The view lies in the source's
    // chunk, or in a buffer of the cursor when the token straddles two chunks; either way it is
    // valid until the next read.
    std::optional<std::string_view> nextWord() {
        for (;;) {
            while (next_ != end_ && isWhiteSpace(*next_)) {
                ++next_;
            }
            if (next_ != end_) {
                break;
            }
            if (!refill()) {
                return std::nullopt;
            }
        }
        const char* start = next_;
        while (next_ != end_ && !isWhiteSpace(*next_)) {
            ++next_;
        }
        if (next_ != end_) {
            return std::string_view(start, next_);
        }
        joined_.assign(start, next_);
        while (next_ == end_ && refill()) {
            start = next_;
            while (next_ != end_ && !isWhiteSpace(*next_)) {
                ++next_;
            }
            joined_.append(start, next_);
        }
        return std::string_view(joined_);
    }

    // As nextWord, into an owned token. Returns false, with an empty token, at the end.
    bool readWord(std::string& token) {
        const std::optional<std::string_view> word = nextWord();
        token.assign(word.value_or(std::string_view()));
        return word.has_value();
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
    std::string joined_;
    const char* next_ = nullptr;
    const char* end_ = nullptr;
    bool exhausted_ = false;
};

namespace {

// Reads one value of a box into its field.
bool readValue(Cursor& cursor, BoxText& field) {
    const std::optional<std::string_view> word = cursor.nextWord();
    if (!word) {
        return false;
    }
    field = *word;
    return true;
}

// Reads the 28 values that follow a box's ID, in file order.
bool readBoxValues(Cursor& cursor, Box& box) {
    if (!readValue(cursor, box.maxRadius)) {
        return false;
    }
    for (std::size_t axis = 0; axis < Box::centerTextCount; ++axis) {
        if (!readValue(cursor, box.centerText(axis))) {
            return false;
        }
    }
    for (Plane& plane : box.planes) {
        if (!readValue(cursor, plane.a) || !readValue(cursor, plane.b) ||
            !readValue(cursor, plane.c) || !readValue(cursor, plane.d)) {
            return false;
        }
    }
    return true;
}

} // namespace

BoxStream::BoxStream(ByteSource& source) : cursor_(std::make_unique<Cursor>(source)) {}

BoxStream::~BoxStream() = default;

std::string BoxStream::readCount() {
    std::string count;
    cursor_->readLineToken(count);
    // Boxes are read one at a time until the count or the bytes run out; the count is never
    // trusted for an allocation.
    boxesLeft_ = std::max(parseLeadingInteger(count), 0LL);
    return count;
}

bool BoxStream::readBox(std::string& id, Box& box) {
    if (boxesLeft_ == 0) {
        return false;
    }
    if (!cursor_->readLineToken(id) || !readBoxValues(*cursor_, box)) {
        // A box cut short ends the boxes and, with the bytes, everything else.
        boxesLeft_ = 0;
        intersectionsLeft_ = false;
        return false;
    }
    box.id = id;
    --boxesLeft_;
    return true;
}

bool BoxStream::readIntersection(std::string& text) {
    boxesLeft_ = 0;
    if (!intersectionsLeft_ || !cursor_->readWord(first_) || first_.front() == '-' ||
        !cursor_->readWord(second_)) {
        intersectionsLeft_ = false;
        return false;
    }
    text.clear();
    text.reserve(first_.size() + 1 + second_.size());
    text += first_;
    text += ' ';
    text += second_;
    return true;
}

BoxFileContent readBoxContent(ByteSource& source) {
    BoxFileContent content;
    BoxStream stream(source);
    content.countText = stream.readCount();
    std::string id;
    for (auto box = std::make_unique<Box>(); stream.readBox(id, *box);
         box = std::make_unique<Box>()) {
        content.boxIds.append(id);
        content.boxes.append(std::move(box));
    }
    std::string intersection;
    while (stream.readIntersection(intersection)) {
        content.intersections.append(intersection);
    }
    return content;
}

std::string readCountToken(ByteSource& source) {
    Cursor cursor(source);
    std::string token;
    cursor.readLineToken(token);
    return token;
}
