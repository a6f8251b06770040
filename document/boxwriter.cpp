#include "boxwriter.h"

#include "leadinginteger.h"

#include <string>

void ByteSink::flush() {
    if (used_ > 0) {
        drain(std::string_view(buffer_.data(), used_));
        used_ = 0;
    }
}

void ByteSink::putLarge(std::string_view bytes) {
    flush();
    if (bytes.size() >= buffer_.size()) {
        drain(bytes);
        return;
    }
    bytes.copy(buffer_.data(), bytes.size());
    used_ = bytes.size();
}

namespace {

constexpr std::string_view newline = "\r\n";
constexpr std::size_t intersectionsPerLine = 9;

std::string_view fieldText(std::string_view text) {
    return text.empty() ? std::string_view("0") : text;
}

void writeBox(const Box& box, ByteSink& sink) {
    sink.put("\r\n ");
    sink.put(fieldText(box.id));
    sink.put("  ");
    sink.put(fieldText(box.maxRadius));
    sink.put("\r\n  ");
    sink.put(fieldText(box.centerX));
    sink.put(" ");
    sink.put(fieldText(box.centerY));
    sink.put(" ");
    sink.put(fieldText(box.centerZ));
    for (const Plane& plane : box.planes) {
        sink.put("\r\n  ");
        sink.put(fieldText(plane.a));
        sink.put(" ");
        sink.put(fieldText(plane.b));
        sink.put(" ");
        sink.put(fieldText(plane.c));
        sink.put(" ");
        sink.put(fieldText(plane.d));
    }
}

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The count and an ID end only at a space or a newline.
bool isLineToken(std::string_view text) {
    return text.find_first_of(" \n") == std::string_view::npos;
}

bool isWord(std::string_view text) {
    for (const char c : text) {
        if (isWhiteSpace(c)) {
            return false;
        }
    }
    return true;
}

bool boxReadsBackUnchanged(const Box& box) {
    if (!isLineToken(box.id) || !isWord(box.maxRadius)) {
        return false;
    }
    for (std::size_t axis = 0; axis < Box::centerTextCount; ++axis) {
        if (!isWord(box.centerText(axis))) {
            return false;
        }
    }
    for (std::size_t k = 0; k < Box::planeTextCount; ++k) {
        if (!isWord(box.planeText(k))) {
            return false;
        }
    }
    return true;
}

bool intersectionReadsBackUnchanged(std::string_view text) {
    const std::size_t space = text.find(' ');
    if (space == 0 || space == std::string_view::npos || space + 1 == text.size()) {
        return false;
    }
    return text.front() != '-' && isWord(text.substr(0, space)) && isWord(text.substr(space + 1));
}

} // namespace

bool readsBackUnchanged(const BoxDocument& document) {
    const std::string_view count = fieldText(document.countText);
    if (!isLineToken(count)) {
        return false;
    }
    // The reader takes exactly as many boxes as the count says, and none below 1.
    const long long boxCount = parseLeadingInteger(count);
    if (boxCount <= 0 ? !document.boxes.empty()
                      : static_cast<unsigned long long>(boxCount) != document.boxes.size()) {
        return false;
    }
    for (const auto& box : document.boxes) {
        if (!boxReadsBackUnchanged(*box)) {
            return false;
        }
    }
    for (const std::string_view intersection : document.intersections) {
        if (!intersectionReadsBackUnchanged(intersection)) {
            return false;
        }
    }
    return true;
}

void writeBoxContent(const BoxDocument& document, ByteSink& sink) {
    sink.put(fieldText(document.countText));
    for (const auto& box : document.boxes) {
        writeBox(*box, sink);
    }
    sink.put(newline);
    sink.put(newline);
    std::size_t position = 0;
    for (const std::string_view intersection : document.intersections) {
        if (position != 0) {
            sink.put(position % intersectionsPerLine == 0 ? newline : std::string_view("  "));
        }
        sink.put(intersection);
        ++position;
    }
    sink.put(newline);
    sink.put("-1 -1");
    sink.put(newline);
    sink.flush();
}
