#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A reader of JSON as strict as the standard: the text must be valid UTF-8 (no overlong form, no
// surrogate, nothing past U+10FFFF), strings hold no raw control character and only the escapes
// JSON defines, with surrogate escapes in pairs. It keeps every string it reads, decoded, so that
// a test can look at what a strict reader would get.
class StrictJson {
public:
    // The strings of the text in order (keys too), or nothing if the text is not strict JSON.
    static std::optional<std::vector<std::string>> stringsOf(std::string_view text) {
        StrictJson json(text);
        json.skipSpace();
        if (!json.value(0)) {
            return std::nullopt;
        }
        json.skipSpace();
        if (json.at_ != text.size()) {
            return std::nullopt;
        }
        return std::move(json.strings_);
    }

private:
    static constexpr int deepest = 64;

    explicit StrictJson(std::string_view text) : text_(text) {}

    bool more() const { return at_ < text_.size(); }
    char peek() const { return more() ? text_[at_] : '\0'; }
    bool take(char c) {
        if (peek() != c || !more()) {
            return false;
        }
        ++at_;
        return true;
    }
    bool takeWord(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) {
            return false;
        }
        at_ += word.size();
        return true;
    }
    void skipSpace() {
        while (more() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')) {
            ++at_;
        }
    }

    bool value(int depth) {
        if (depth > deepest) {
            return false;
        }
        switch (peek()) {
        case '{':
            return object(depth);
        case '[':
            return array(depth);
        case '"':
            return string();
        case 't':
            return takeWord("true");
        case 'f':
            return takeWord("false");
        case 'n':
            return takeWord("null");
        default:
            return number();
        }
    }

    // Elements between open and close, separated by commas, spaces around each.
    template <class Element> bool sequence(char open, char close, const Element& element) {
        take(open);
        skipSpace();
        if (take(close)) {
            return true;
        }
        do {
            skipSpace();
            if (!element()) {
                return false;
            }
            skipSpace();
        } while (take(','));
        return take(close);
    }

    bool object(int depth) {
        return sequence('{', '}', [&] {
            if (peek() != '"' || !string()) {
                return false;
            }
            skipSpace();
            if (!take(':')) {
                return false;
            }
            skipSpace();
            return value(depth + 1);
        });
    }

    bool array(int depth) {
        return sequence('[', ']', [&] { return value(depth + 1); });
    }

    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    bool digits() {
        const std::size_t start = at_;
        while (more() && isDigit(peek())) {
            ++at_;
        }
        return at_ > start;
    }

    bool number() {
        take('-');
        if (!take('0') && (!isDigit(peek()) || !digits())) {
            return false;
        }
        if (take('.') && !digits()) {
            return false;
        }
        if (take('e') || take('E')) {
            if (!take('+')) {
                take('-');
            }
            return digits();
        }
        return true;
    }

    std::optional<unsigned> hex4() {
        if (text_.size() - at_ < 4) {
            return std::nullopt;
        }
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            const unsigned digit = isDigit(c)               ? unsigned(c - '0')
                                   : (c >= 'a' && c <= 'f') ? unsigned(c - 'a' + 10)
                                   : (c >= 'A' && c <= 'F') ? unsigned(c - 'A' + 10)
                                                            : 16u;
            if (digit == 16) {
                return std::nullopt;
            }
            value = value * 16 + digit;
        }
        return value;
    }

    static void appendUtf8(std::string& out, char32_t c) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xc0 | (c >> 6));
            out += char(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            out += char(0xe0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3f));
            out += char(0x80 | (c & 0x3f));
        } else {
            out += char(0xf0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3f));
            out += char(0x80 | ((c >> 6) & 0x3f));
            out += char(0x80 | (c & 0x3f));
        }
    }

    bool escape(std::string& out) {
        const char c = more() ? text_[at_++] : '\0';
        const std::string_view simple = "\"\\/bfnrt";
        const std::string_view meant = "\"\\/\b\f\n\r\t";
        if (const std::size_t k = simple.find(c); c != '\0' && k != std::string_view::npos) {
            out += meant[k];
            return true;
        }
        if (c != 'u') {
            return false;
        }
        const std::optional<unsigned> first = hex4();
        if (!first || (*first >= 0xdc00 && *first <= 0xdfff)) {
            return false;
        }
        char32_t codePoint = *first;
        if (*first >= 0xd800 && *first <= 0xdbff) {
            if (!takeWord("\\u")) {
                return false;
            }
            const std::optional<unsigned> second = hex4();
            if (!second || *second < 0xdc00 || *second > 0xdfff) {
                return false;
            }
            codePoint = 0x10000 + ((*first - 0xd800) << 10) + (*second - 0xdc00);
        }
        appendUtf8(out, codePoint);
        return true;
    }

    // One character of UTF-8 in its shortest form, appended.
    bool utf8Character(std::string& out) {
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text_[at_ + i]); };
        const unsigned char lead = byte(0);
        std::size_t length = 0;
        char32_t codePoint = 0;
        char32_t least = 0;
        if (lead < 0x80) {
            length = 1;
            codePoint = lead;
        } else if ((lead & 0xe0) == 0xc0) {
            length = 2;
            codePoint = lead & 0x1f;
            least = 0x80;
        } else if ((lead & 0xf0) == 0xe0) {
            length = 3;
            codePoint = lead & 0x0f;
            least = 0x800;
        } else if ((lead & 0xf8) == 0xf0) {
            length = 4;
            codePoint = lead & 0x07;
            least = 0x10000;
        } else {
            return false;
        }
        if (text_.size() - at_ < length) {
            return false;
        }
        for (std::size_t i = 1; i < length; ++i) {
            if ((byte(i) & 0xc0) != 0x80) {
                return false;
            }
            codePoint = codePoint << 6 | (byte(i) & 0x3f);
        }
        if (codePoint < least || codePoint > 0x10ffff ||
            (codePoint >= 0xd800 && codePoint <= 0xdfff)) {
            return false;
        }
        out.append(text_.substr(at_, length));
        at_ += length;
        return true;
    }

    bool string() {
        take('"');
        std::string decoded;
        while (more() && peek() != '"') {
            if (static_cast<unsigned char>(peek()) < 0x20) {
                return false;
            }
            if (take('\\')) {
                if (!escape(decoded)) {
                    return false;
                }
            } else if (!utf8Character(decoded)) {
                return false;
            }
        }
        if (!take('"')) {
            return false;
        }
        strings_.push_back(std::move(decoded));
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::vector<std::string> strings_;
};
