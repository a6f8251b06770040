#include "boxwriter.h"

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

} // namespace

void writeBoxContent(const BoxDocument& document, ByteSink& sink) {
    sink.put(fieldText(document.countText));
    for (const auto& box : document.boxes) {
        writeBox(*box, sink);
    }
    sink.put(newline);
    sink.put(newline);
    std::size_t position = 0;
    for (const std::string& intersection : document.intersections) {
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
