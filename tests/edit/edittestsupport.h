#pragma once

#include "boxtestsupport.h"
#include "documentchange.h"
#include "rankpair.h"

#include <algorithm>
#include <cstddef>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

// A view's copy of the IDs and the intersection lines, kept up to date through DocumentChange
// records alone, the way the window's lists follow the document.
struct MirroredLists {
    std::vector<std::string> ids;
    std::vector<std::string> lines;
    std::string count;

    explicit MirroredLists(const BoxDocument& document)
        : ids(textsIn(document.boxIds)), lines(textsIn(document.intersections)),
          count(document.countText) {}

    void follow(const DocumentChange& change, const BoxDocument& document) {
        if (change.everything) {
            *this = MirroredLists(document);
            return;
        }
        followList(ids, change.removedBoxes, change.changedBoxes, change.insertedBoxes,
                   textsIn(document.boxIds));
        followList(lines, change.removedLines, change.rewrittenLines, change.insertedLines,
                   textsIn(document.intersections), change.linesRenumbered ? &change : nullptr);
        if (change.countChanged) {
            count = document.countText;
        }
    }

private:
    // Only the positions named are read from the document: a change that forgets one leaves the
    // old text here.
    // A renumbering: each kept line that is a pair must name its ranks moved as the boxes moved,
    // in whatever text the document now gives it; every other line keeps its own text here.
    static void followList(std::vector<std::string>& shown, const std::vector<std::size_t>& removed,
                           const std::vector<std::size_t>& rewritten,
                           const std::vector<std::size_t>& inserted,
                           const std::vector<std::string>& now,
                           const DocumentChange* renumbering = nullptr) {
        for (auto index = removed.rbegin(); index != removed.rend(); ++index) {
            ASSERT_LT(*index, shown.size());
            shown.erase(shown.begin() + static_cast<std::ptrdiff_t>(*index));
        }
        std::vector<std::size_t> finalIndexOf(shown.size());
        std::vector<bool> isNew;
        std::size_t kept = 0;
        auto next = inserted.begin();
        while (kept < shown.size() || next != inserted.end()) {
            if (next != inserted.end() && *next == isNew.size()) {
                isNew.push_back(true);
                ++next;
            } else {
                ASSERT_LT(kept, shown.size());
                finalIndexOf[kept++] = isNew.size();
                isNew.push_back(false);
            }
        }
        std::vector<std::string> result(isNew.size());
        for (std::size_t k = 0; k < shown.size(); ++k) {
            result[finalIndexOf[k]] = shown[k];
        }
        if (renumbering != nullptr) {
            for (std::size_t k = 0; k < shown.size(); ++k) {
                const std::optional<IntersectionRanks> pair = parseRankPair(shown[k]);
                if (!pair) {
                    continue;
                }
                ASSERT_LT(finalIndexOf[k], now.size());
                const std::string& text = now[finalIndexOf[k]];
                ASSERT_EQ(parseRankPair(text),
                          IntersectionRanks(movedRank(pair->first, *renumbering),
                                            movedRank(pair->second, *renumbering)))
                    << '"' << shown[k] << "\" became \"" << text << '"';
                result[finalIndexOf[k]] = text;
            }
        }
        for (const std::size_t index : rewritten) {
            ASSERT_LT(index, finalIndexOf.size());
            ASSERT_LT(finalIndexOf[index], now.size());
            result[finalIndexOf[index]] = now[finalIndexOf[index]];
        }
        for (const std::size_t index : inserted) {
            ASSERT_LT(index, now.size());
            result[index] = now[index];
        }
        shown = std::move(result);
    }

    // A rank moved down past each box removed below it, then up past each box inserted at or
    // below where it stands; a rank that named a removed box names nothing.
    static long long movedRank(long long rank, const DocumentChange& change) {
        if (rank < 0) {
            return rank;
        }
        long long moved = rank;
        for (const std::size_t removed : change.removedBoxes) {
            const auto position = static_cast<long long>(removed);
            if (position == rank) {
                return -1;
            }
            moved -= position < rank ? 1 : 0;
        }
        for (const std::size_t inserted : change.insertedBoxes) {
            moved += static_cast<long long>(inserted) <= moved ? 1 : 0;
        }
        return moved;
    }
};

inline bool operator==(const MirroredLists& mirror, const BoxDocument& document) {
    return mirror.ids == textsIn(document.boxIds) &&
           mirror.lines == textsIn(document.intersections) && mirror.count == document.countText;
}
