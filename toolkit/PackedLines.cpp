#include "PackedLines.h"

std::string_view PackedLines::line(std::size_t index) const {
    const std::size_t end = ends_.at(index);
    const std::size_t start = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(bytes_).substr(start, end - start);
}

void PackedLines::walkLines(std::size_t first,
                            const std::function<bool(std::string_view)>& take) const {
    for (std::size_t index = first; index < ends_.size(); ++index) {
        if (!take(line(index))) {
            return;
        }
    }
}

void PackedLines::append(std::string_view text) {
    bytes_ += text;
    ends_.push_back(bytes_.size());
}

void PackedLines::remove(std::size_t index) {
    const std::size_t start = index == 0 ? 0 : ends_.at(index - 1);
    const std::size_t length = ends_.at(index) - start;
    bytes_.erase(start, length);
    ends_.erase(ends_.begin() + static_cast<std::ptrdiff_t>(index));
    for (auto end = ends_.begin() + static_cast<std::ptrdiff_t>(index); end != ends_.end(); ++end) {
        *end -= length;
    }
}

void PackedLines::clear() {
    bytes_.clear();
    ends_.clear();
}

void PackedLines::reserve(std::size_t count, std::size_t bytes) {
    ends_.reserve(count);
    bytes_.reserve(bytes);
}
