#pragma once

#include "orlclass.h"
#include "progress.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Where the reader takes its bytes from, one chunk at a time, so that a large file is never
// held whole in memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // The next bytes, valid until the following call; empty at the end or after a failure.
    virtual std::string_view nextChunk() = 0;
    // True once reading has failed; what was read until then is not to be trusted.
    virtual bool failed() const { return false; }
};

// All the bytes at once, already in memory.
class TextSource final : public ByteSource {
public:
    explicit TextSource(std::string_view text) : text_(text) {}
    std::string_view nextChunk() override;

private:
    std::string_view text_;
};

// Passes on the chunks of another source, telling progress after each; once progress asks to
// stop, it gives no more bytes, as at the end.
class ProgressSource final : public ByteSource {
public:
    ProgressSource(ByteSource& source, const ReadProgress& progress)
        : source_(source), progress_(progress) {}
    std::string_view nextChunk() override;
    bool failed() const override { return source_.failed(); }
    bool stopped() const { return stopped_; }

private:
    ByteSource& source_;
    const ReadProgress& progress_;
    std::uint64_t bytesRead_ = 0;
    bool stopped_ = false;
};

// What one BOX file holds, parsed apart from any document so that a file that fails half-way
// leaves the document untouched.
struct BoxFileContent {
    std::string countText;
    TextList boxIds;
    BoxList boxes;
    TextList intersections;
};

class Cursor;

// Reads BOX bytes one part at a time, as readBoxContent does, so that a caller may use each box
// and let it go while the rest is read: first the count, then the boxes, then the intersections.
class BoxStream {
public:
    explicit BoxStream(ByteSource& source);
    ~BoxStream();
    BoxStream(const BoxStream&) = delete;
    BoxStream& operator=(const BoxStream&) = delete;

    // The count token; the boxes to read are at most the number it reads as.
    std::string readCount();
    // The next box into box, its ID also into id; false, box half filled, once the count or the
    // bytes run out.
    bool readBox(std::string& id, Box& box);
    // The next intersection, "0 1"; false at the end. Ends the boxes.
    bool readIntersection(std::string& text);

private:
    std::unique_ptr<Cursor> cursor_;
    long long boxesLeft_ = 0;
    bool intersectionsLeft_ = true;
    std::string first_;
    std::string second_;
};

// Parses BOX bytes. CR LF and a lone LF are both a newline; a lone CR is an ordinary character.
// The count and each box ID end at a space or a newline only, every other token at any white
// space. A box cut short by the end of the bytes is dropped, as is an intersection whose second
// rank is missing.
BoxFileContent readBoxContent(ByteSource& source);

// The first token of the bytes, delimited as the count is.
std::string readCountToken(ByteSource& source);
