#pragma once

#include "LineSource.h"
#include "textlist.h"

// A list of the document, read by a list control where it lies: the window keeps no copy of
// its lines.
class TextListLines : public LineSource {
public:
    explicit TextListLines(const TextList& lines) : lines_(lines) {}

    std::size_t lineCount() const override { return lines_.size(); }
    std::string_view line(std::size_t index) const override { return lines_.at(index); }
    void walkLines(std::size_t first,
                   const std::function<bool(std::string_view)>& take) const override;

private:
    const TextList& lines_;
};
