#pragma once

#include "LineSource.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Lines kept end to end in one buffer, so that many short lines cost little more memory than
// their bytes.
class PackedLines : public LineSource {
public:
    std::size_t lineCount() const override { return ends_.size(); }
    std::string_view line(std::size_t index) const override;
    void walkLines(std::size_t first,
                   const std::function<bool(std::string_view)>& take) const override;

    void append(std::string_view text);
    // Precondition: index < lineCount().
    void remove(std::size_t index);
    void clear();
    // Makes room for lines of so many bytes in all, before a first filling.
    void reserve(std::size_t count, std::size_t bytes);

private:
    std::string bytes_;
    // Where each line ends in bytes_.
    std::vector<std::size_t> ends_;
};
