#pragma once

#include "boxvalues.h"
#include "documentchange.h"
#include "intersections.h"
#include "orlclass.h"
#include "playchecks.h"
#include "playlimits.h"
#include "problemrows.h"
#include "progress.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class FaceStore;
class ShapeSet;
class ShapesOnDemand;

// The report of checkDocument on a document being edited, kept up to date edit by edit: a change
// of a few boxes checks again those boxes and the boxes near them, reads again the intersection
// lines the edit wrote, and moves the ranks and lines around them, so that a window follows an
// edit of a large scene at once. After any change the problems are those, in the same order, that
// checkDocument gives for the document (the count as the document holds it).
//
// A scene where a heap of boxes stopped the search for intersections and near pairs is
// checked whole at each change: the point where such a search stops cannot be known otherwise.
class LiveChecks {
public:
    // The play checks with their usual limits, as checkDocument's.
    LiveChecks() : LiveChecks(PlayLimits{}) {}
    explicit LiveChecks(const std::optional<PlayLimits>& play);

    // Who waits for a whole check: each is optional, and may be called on any thread.
    struct RebuildWatch {
        // Told how far the check has gone; false stops it.
        WorkProgress progress;
        // Told once the document is read: the rest of the check works on what it keeps, so
        // that the document may change from then on.
        std::function<void()> documentRead;
    };

    // The whole check, building each box's solid in turn and keeping only what the checks need
    // of it, on every core for a large document. False when the watch stopped it: the checks
    // then hold nothing usable until the next rebuild.
    bool rebuild(const BoxDocument& document, const RebuildWatch& watch = {});
    // Whether update can follow the change, the document as it now is; otherwise it checks the
    // document whole.
    bool follows(const BoxDocument& document, const DocumentChange& change) const;
    // Follows the change the document went through since the last rebuild or update.
    void update(const BoxDocument& document, const DocumentChange& change);

    const std::vector<Problem>& problems() const { return rows_.problems(); }
    // Told of every row removed, inserted or changed, from the next update or rebuild on.
    void setListener(ProblemRowsListener* listener) { rows_.setListener(listener); }
    // The pairs of boxes that touch, (i, j) with i < j, increasing.
    const std::vector<RankPair>& intersections() const { return pairs_; }
    // The boxes the listed intersections pair with the box of the rank.
    std::vector<std::size_t> partnersOf(std::size_t rank) const;

private:
    struct Listing {
        std::uint64_t key;
        std::uint32_t line;
        auto operator<=>(const Listing&) const = default;
    };
    // What an update has yet to check again, gathered as ranks and lines move.
    struct Pending {
        // Ranks, as the document now has them, of the boxes changed or inserted.
        std::vector<std::size_t> boxes;
        // Those of them inserted: they have no entry in the index of IDs yet.
        std::vector<std::size_t> insertedBoxes;
        // Hashes of the IDs whose boxes changed: each box of such an ID tells its duplicate again.
        std::vector<std::uint32_t> idHashes;
        // Ranks of boxes that told a duplicate before the change.
        std::vector<std::size_t> duplicates;
        // Pairs whose listed lines and missing row are made again.
        std::vector<std::uint64_t> keys;
        // Lines whose rows are made again.
        std::vector<std::size_t> lines;
        // Lines the change wrote or inserted, read from the document.
        std::vector<std::size_t> readLines;
        // Lines whose key moved with the boxes while their text stayed, and lines whose key the
        // number of boxes decides: both read again.
        std::vector<std::size_t> movedLines;
        std::vector<std::size_t> oldLines;
    };
    class PositionMap;
    struct BoxRun;
    struct Bounds {
        std::array<float, 3> low;
        std::array<float, 3> high;
    };
    // Low above high: a box without a closed solid.
    static constexpr Bounds ABSENT{{1, 1, 1}, {0, 0, 0}};
    using IdEntry = std::pair<std::uint32_t, std::uint32_t>;
    // Whether two present boxes touch.
    using TouchTest = std::function<bool(std::size_t, std::size_t)>;
    // The rows of a whole check, section after section.
    struct Rows {
        std::vector<Problem> rows;
        std::vector<std::uint64_t> keys;
        std::array<std::size_t, ProblemRows::SectionCount> sizes{};

        void add(ProblemRows::Section section, std::uint64_t key, std::vector<Problem> found) {
            sizes[section] += found.size();
            keys.insert(keys.end(), found.size(), key);
            std::move(found.begin(), found.end(), std::back_inserter(rows));
        }
    };

    bool checkEveryBox(const BoxDocument& document, const RebuildWatch& watch, Rows& rows,
                       std::uint64_t& done, std::uint64_t total, ShapeSet& shapes,
                       FaceStore& faces);
    void checkRun(const BoxDocument& document, std::size_t index, BoxList::ConstPosition position,
                  BoxRun& run) const;

    void moveBoxes(const BoxDocument& document, const PositionMap& map,
                   const DocumentChange& change, Pending& pending);
    // The ranks of the pairs, IDs and lines moved through the change of boxes, as leaves and
    // moved tell; lowest is the lowest rank that may move.
    template <typename Leaves, typename Moved>
    void moveRanks(const BoxDocument& document, Leaves leaves, Moved moved, std::size_t lowest,
                   const DocumentChange& change, Pending& pending);
    void moveLines(const PositionMap& map, const DocumentChange& change, Pending& pending);
    void readLines(const BoxDocument& document, const DocumentChange& change, Pending& pending);
    void checkBoxesAgain(const BoxDocument& document, Pending& pending);
    // The old IDs of the boxes checked again leave the index, their new ones come in.
    void indexIdsAgain(const BoxDocument& document, Pending& pending);
    void findPairsAgain(ShapesOnDemand& shapes, Pending& pending);
    void checkKeysAgain(const BoxDocument& document, ShapesOnDemand& shapes, Pending& pending);

    // The solid's and the play checks' problems of a box, its solid built again and its bounds
    // placed at the rank.
    std::vector<Problem> placeBox(std::size_t rank, const Box& box);
    std::vector<Problem> textRows(const BoxDocument& document, std::size_t rank,
                                  const Box& box) const;
    // The rows of a box with its duplicate told again, as the IDs now stand.
    void patchDuplicate(const BoxDocument& document, std::size_t rank,
                        std::vector<ProblemRows::Block>& blocks) const;
    // The rank of the first box before the rank, whose ID is given, that bears the same ID.
    std::optional<std::uint32_t> firstOtherWithId(const BoxDocument& document, std::size_t rank,
                                                  std::string_view id) const;
    std::vector<Problem> countRows(const BoxDocument& document) const;
    // textOf gives the document's text of a line: of this one and of the first with its pair.
    std::vector<Problem> lineRows(std::size_t line,
                                  const std::function<std::string_view(std::size_t)>& textOf,
                                  const TouchTest& touch) const;
    std::vector<Problem> missingRows(std::uint64_t key) const;
    std::vector<Problem> playRows(std::uint64_t pairKey, const IdOfRank& idOf) const;
    bool present(std::size_t rank) const { return bounds_[rank].low[0] <= bounds_[rank].high[0]; }
    // The present boxes whose bounds come within the margin of those of the rank.
    std::vector<std::size_t> neighboursOf(std::size_t rank, double margin) const;
    bool computed(std::uint64_t key) const;
    std::pair<std::size_t, std::size_t> listingsOf(std::uint64_t key) const;

    std::optional<PlayLimits> play_;
    std::size_t boxCount_ = 0;
    // Each box's bounds as the touch tests have them, rounded outward to single precision, low
    // above high for a box without a closed solid: where the boxes an edit may reach stand. Their
    // shapes and faces are built again from the document when an edit reaches them, rather than
    // kept for every box. IDs too are read from the document.
    std::vector<Bounds> bounds_;
    // (hash of the ID, rank) of every box with an ID, increasing: the boxes of one ID follow each
    // other, the first of them first. A hash shared by two IDs costs only a comparison of IDs.
    std::vector<IdEntry> idIndex_;
    std::vector<RankPair> pairs_;
    std::vector<PlayFinding> findings_;
    // Whether the searches of the last whole check went to their end.
    bool complete_ = true;
    // Each line's key: low << 32 | high, or MALFORMED, or UNSOUND for a pair of ranks that are
    // not two distinct boxes of the document. The texts stay the document's, read when a row
    // needs them.
    std::vector<std::uint64_t> lineKeys_;
    // The lines that name two distinct boxes, by key then line.
    std::vector<Listing> listings_;
    ProblemRows rows_;
};
