#include "documentchange.h"

#include <algorithm>
#include <iterator>

namespace {

bool movesNothing(const DocumentChange& change) {
    return change.removedBoxes.empty() && change.insertedBoxes.empty() &&
           change.removedLines.empty() && change.insertedLines.empty() && !change.linesRenumbered &&
           !change.everything;
}

std::vector<std::size_t> merged(const std::vector<std::size_t>& a,
                                const std::vector<std::size_t>& b) {
    std::vector<std::size_t> both;
    std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(both));
    return both;
}

} // namespace

bool DocumentChange::touchesBoxes() const {
    return !removedBoxes.empty() || !changedBoxes.empty() || !insertedBoxes.empty();
}

bool DocumentChange::touchesLines() const {
    return !removedLines.empty() || !rewrittenLines.empty() || !insertedLines.empty() ||
           linesRenumbered;
}

DocumentChange DocumentChange::combined(const DocumentChange& first, const DocumentChange& second) {
    DocumentChange change;
    const bool firstTouches = first.touchesBoxes() || first.touchesLines() || first.everything;
    const bool secondTouches = second.touchesBoxes() || second.touchesLines() || second.everything;
    if (!firstTouches || !secondTouches) {
        change = firstTouches ? first : second;
    } else if (movesNothing(first) && movesNothing(second)) {
        change.changedBoxes = merged(first.changedBoxes, second.changedBoxes);
        change.rewrittenLines = merged(first.rewrittenLines, second.rewrittenLines);
    } else {
        // Positions of the second change would have to be renumbered through the first.
        change.everything = true;
    }
    change.countChanged = first.countChanged || second.countChanged;
    change.shownRank = second.shownRank ? second.shownRank : first.shownRank;
    return change;
}
