#include "sparsetexts.h"

#include <algorithm>

void SparseTexts::add(std::string_view text, std::string_view plain) {
    const std::size_t entry = count_++;
    if (text == plain) {
        return;
    }
    entries_.push_back(static_cast<std::uint32_t>(entry));
    bytes_.append(text);
    ends_.push_back(bytes_.size());
}

std::optional<std::string_view> SparseTexts::kept(std::size_t entry) const {
    const auto found = std::lower_bound(entries_.begin(), entries_.end(), entry);
    if (found == entries_.end() || *found != entry) {
        return std::nullopt;
    }
    const auto index = static_cast<std::size_t>(found - entries_.begin());
    const std::size_t start = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(bytes_).substr(start, ends_[index] - start);
}
