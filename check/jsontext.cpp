#include "jsontext.h"

#include "filetext.h"

#include <cstddef>
#include <cstdio>

namespace {

void appendEscape(std::string& out, unsigned value) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", value);
    out += escape;
}

} // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text.front());
        std::size_t used = 1;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            appendEscape(out, c);
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (const std::size_t length = utf8SequenceLength(text); length != 0) {
            out += text.substr(0, length);
            used = length;
        } else {
            appendEscape(out, c);
        }
        text.remove_prefix(used);
    }
    out += '"';
    return out;
}

std::string jsonFileText(const std::optional<std::string>& text) {
    return text ? jsonString(fileTextAsUtf8(*text)) : "null";
}
