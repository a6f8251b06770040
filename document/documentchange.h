#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// What an edit changed in a document, so that a view can follow it line by line instead of
// reading 100,000 lines again. Boxes and intersection lines are named by position, each list
// ascending, and the changes take effect in this order: removals (positions before the edit),
// then rewrites (positions once the removals are done), then insertions (positions after it).
struct DocumentChange {
    std::vector<std::size_t> removedBoxes;
    std::vector<std::size_t> changedBoxes;
    std::vector<std::size_t> insertedBoxes;
    std::vector<std::size_t> removedLines;
    std::vector<std::size_t> rewrittenLines;
    std::vector<std::size_t> insertedLines;
    // The lines renumbered as the boxes moved: every line kept that reads as a pair of ranks may
    // have been written again, in plain decimal or in the text it had before an earlier
    // renumbering, and names the ranks it named moved as the boxes moved (a rank past the last
    // box moves as if boxes stood there). rewrittenLines does not list these lines, of which a
    // large file has millions: a view moves what it knows of them by the boxes' moves alone.
    bool linesRenumbered = false;
    bool countChanged = false;
    // Changes of too many kinds to follow one by one: a view reads everything again.
    bool everything = false;
    // The box a view shows once the edit is done, if one is left to show.
    std::optional<std::size_t> shownRank;

    bool touchesBoxes() const;
    bool touchesLines() const;
    // The change of two edits made one after the other.
    static DocumentChange combined(const DocumentChange& first, const DocumentChange& second);
};
