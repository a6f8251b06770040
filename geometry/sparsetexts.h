#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Texts copied from a document for a check that quotes them once the document may change, most
// of which the check can write again itself (an intersection line "3 5" from its pair, an ID
// "8" from its rank): only the others are kept, so that millions of entries cost a few bytes
// rather than a copy of the list.
class SparseTexts {
public:
    // The next entry: its text is kept unless it equals the plain text given for it.
    void add(std::string_view text, std::string_view plain);
    std::size_t size() const { return count_; }
    // The text of an entry whose text was kept; nothing for one equal to its plain text.
    std::optional<std::string_view> kept(std::size_t entry) const;

private:
    std::size_t count_ = 0;
    // The entries kept, increasing, with where each text ends in bytes_. Entries are numbered
    // on 32 bits, as the checks number ranks and lines.
    std::vector<std::uint32_t> entries_;
    std::vector<std::size_t> ends_;
    std::string bytes_;
};
