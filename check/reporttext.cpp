#include "reporttext.h"

#include "filetext.h"

#include <cstdio>

namespace {

void appendEscape(std::string& out, const char* format, unsigned value) {
    char escape[12];
    std::snprintf(escape, sizeof escape, format, value);
    out += escape;
}

unsigned codePointOf(std::string_view sequence) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(sequence[i]); };
    switch (sequence.size()) {
    case 2:
        return (byte(0) & 0x1fu) << 6 | (byte(1) & 0x3fu);
    case 3:
        return (byte(0) & 0x0fu) << 12 | (byte(1) & 0x3fu) << 6 | (byte(2) & 0x3fu);
    default:
        return (byte(0) & 0x07u) << 18 | (byte(1) & 0x3fu) << 12 | (byte(2) & 0x3fu) << 6 |
               (byte(3) & 0x3fu);
    }
}

// The C1 controls, NEL among them, and the Unicode line and paragraph separators.
bool breaksOrControls(unsigned codePoint) {
    return (codePoint >= 0x80 && codePoint < 0xa0) || codePoint == 0x2028 || codePoint == 0x2029;
}

} // namespace

std::string escapedForLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text.front());
        const std::size_t length = utf8SequenceLength(text);
        if (length == 0) {
            appendEscape(out, "\\x%02x", c);
            text.remove_prefix(1);
            continue;
        }
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            appendEscape(out, "\\x%02x", c);
        } else if (length > 1 && breaksOrControls(codePointOf(text.substr(0, length)))) {
            appendEscape(out, "\\u%04x", codePointOf(text.substr(0, length)));
        } else {
            out += text.substr(0, length);
        }
        text.remove_prefix(length);
    }
    return out;
}
