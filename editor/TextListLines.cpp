#include "TextListLines.h"

void TextListLines::walkLines(std::size_t first,
                              const std::function<bool(std::string_view)>& take) const {
    auto line = lines_.begin();
    for (std::size_t skipped = 0; skipped < first && line != lines_.end(); ++skipped) {
        ++line;
    }
    for (; line != lines_.end(); ++line) {
        if (!take(*line)) {
            return;
        }
    }
}
