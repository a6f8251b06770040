#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

// Lines that a list shows without keeping a copy: it reads the few it paints when it paints them.
// Whoever changes the lines tells the list what changed before it next paints.
class LineSource {
public:
    virtual ~LineSource() = default;

    virtual std::size_t lineCount() const = 0;
    // The text stays valid until the lines change or line is called again.
    // Precondition: index < lineCount().
    virtual std::string_view line(std::size_t index) const = 0;
    // Hands the lines from first on, in order, to take, until take returns false or the lines
    // end: one walk, for a search through many lines. Precondition: first <= lineCount().
    virtual void walkLines(std::size_t first,
                           const std::function<bool(std::string_view)>& take) const = 0;
};

// What changed in the lines, in the order it happened: lines removed (ascending, where they
// were), lines given a new text (ascending, where they stood once the removals were made), lines
// inserted (ascending, where they are in the end).
struct LineChanges {
    std::vector<std::size_t> removed;
    std::vector<std::size_t> rewritten;
    std::vector<std::size_t> inserted;
    // Any line may have a new text besides those listed, their number unchanged by it.
    bool anyRewritten = false;
};
