#include "filesource.h"

#include <optional>

std::string_view FileSource::nextChunk() {
    if (failed_) {
        return {};
    }
    const std::optional<std::size_t> count = file_.read(buffer_.data(), buffer_.size());
    if (!count) {
        failed_ = true;
        return {};
    }
    return std::string_view(buffer_.data(), *count);
}
