#include "intersections.h"

#include "digitsort.h"
#include "parallelwork.h"
#include "shapeset.h"
#include "solid.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <utility>

namespace {

constexpr int LEVEL_COUNT = 40;
constexpr double LEVEL_GROWTH = 4;
// Cell coordinates, and the difference of two of them, stay inside a 64-bit integer whatever
// the scene's extent.
constexpr double CELL_COORDINATE_LIMIT = 0x1p60;
// Work allowed per box: far above what a real scene needs, so that a heap of boxes piled in one
// place cannot keep the search going for hours.
// A box of a real scene has a handful of neighbours; a voxel grid gives 13 pairs per box.
constexpr std::size_t BOUNDS_TESTS_PER_BOX = 1024;
constexpr std::size_t EXACT_TESTS_PER_BOX = 64;
constexpr std::size_t BASE_BOUNDS_TESTS = std::size_t{1} << 22;
constexpr std::size_t BASE_EXACT_TESTS = std::size_t{1} << 18;
// Work goes to the threads in pieces of this many cells or boxes: a thread that finishes early
// takes the next piece, and claiming one costs little beside it.
constexpr std::size_t BUCKETS_PER_PIECE = 64;
// Up to this many shapes, a cell tests every pair rather than sorting them first.
constexpr std::size_t SMALL_CELL = 6;
constexpr std::size_t BOXES_PER_PIECE = 1024;
// Entries go to buckets by the high bits of their keys, a few to a bucket.
constexpr std::size_t ENTRIES_PER_BUCKET = 2;
// Tests a thread takes from the shared allowance at a time.
constexpr std::size_t TESTS_PER_CLAIM = 1024;

struct Bounds {
    std::array<double, 3> low;
    std::array<double, 3> high;
};

// Widened by half a margin on every side, so that bounds within the margin overlap.
Bounds widenedBounds(const ShapeSet& shapes, std::size_t rank, double halfMargin) {
    const Vec3 low = shapes.boundsMin(rank);
    const Vec3 high = shapes.boundsMax(rank);
    return {{low.x - halfMargin, low.y - halfMargin, low.z - halfMargin},
            {high.x + halfMargin, high.y + halfMargin, high.z + halfMargin}};
}

bool overlap(const Bounds& a, const Bounds& b) {
    for (std::size_t axis = 0; axis < 3; ++axis) {
        if (a.low[axis] > b.high[axis] || b.low[axis] > a.high[axis]) {
            return false;
        }
    }
    return true;
}

double extentOf(const Bounds& bounds) {
    return std::max({bounds.high[0] - bounds.low[0], bounds.high[1] - bounds.low[1],
                     bounds.high[2] - bounds.low[2]});
}

std::uint64_t mix(std::uint64_t value) {
    value += 0x9e3779b97f4a7c15u;
    value = (value ^ value >> 30) * 0xbf58476d1ce4e5b9u;
    value = (value ^ value >> 27) * 0x94d049bb133111ebu;
    return value ^ value >> 31;
}

using CellIndex = std::array<std::int64_t, 3>;

std::uint64_t cellKey(int level, const CellIndex& cell) {
    std::uint64_t key = mix(static_cast<std::uint64_t>(level));
    for (const std::int64_t coordinate : cell) {
        key = mix(key ^ static_cast<std::uint64_t>(coordinate));
    }
    return key;
}

// Tests the whole search may still make, shared by its threads, which take them in batches.
class Allowance {
public:
    explicit Allowance(std::size_t total) : left_(total) {}

    // Up to TESTS_PER_CLAIM tests; none once the allowance is spent.
    std::size_t claim() {
        std::size_t left = left_.load(std::memory_order_relaxed);
        std::size_t taken = 0;
        do {
            taken = std::min(left, TESTS_PER_CLAIM);
        } while (taken != 0 &&
                 !left_.compare_exchange_weak(left, left - taken, std::memory_order_relaxed));
        return taken;
    }

private:
    std::atomic<std::size_t> left_;
};

// A shape of a cell, as the sweep through the cell sees it.
struct SweepItem {
    Bounds bounds;
    std::uint32_t rank;
    // Which of the shape's cells this is (see Search::Entry).
    std::uint8_t corner;
};

// What one thread finds, and what it needs for finding it.
struct Worker {
    // The pairs found, near or touching, each as its key (see Search::keyOf).
    std::vector<std::uint64_t> found;
    std::size_t boundsTests = 0;
    std::size_t exactTests = 0;
    std::vector<SweepItem> sweep;
};

class Search {
public:
    Search(const ShapeSet& shapes, unsigned threadCount, double nearMargin)
        : shapes_(shapes), threadCount_(std::max(threadCount, 1u)), nearMargin_(nearMargin),
          listsNear_(nearMargin > GEOMETRY_TOLERANCE),
          halfMargin_(std::max(nearMargin, GEOMETRY_TOLERANCE) / 2),
          rankBits_(std::max(static_cast<int>(std::bit_width(shapes.size())), 1)),
          boundsTests_(BASE_BOUNDS_TESTS + BOUNDS_TESTS_PER_BOX * shapes.size()),
          exactTests_(BASE_EXACT_TESTS + EXACT_TESTS_PER_BOX * shapes.size()) {
        double size = 1;
        for (double& entry : cellSizes_) {
            entry = size;
            size *= LEVEL_GROWTH;
        }
    }

    IntersectionSearch run() {
        placeShapes();
        std::vector<Worker> workers(threadCount_);
        runInParallel(threadCount_, [&](unsigned index) { work(workers[index]); });
        if (stopped_ && threadCount_ > 1) {
            // Which pairs a stopped search found depends on how its threads met the limit: one
            // thread alone always finds the same ones.
            return Search(shapes_, 1, nearMargin_).run();
        }
        IntersectionSearch result;
        result.complete = !stopped_;
        std::vector<std::uint64_t> found = merged(workers);
        const std::uint64_t highMask = (std::uint64_t{1} << rankBits_) - 1;
        const auto touching = static_cast<std::size_t>(
            std::count_if(found.begin(), found.end(), [](std::uint64_t key) { return key & 1; }));
        result.pairs.reserve(touching);
        if (listsNear_) {
            result.nearPairs.reserve(found.size());
        }
        for (const std::uint64_t key : found) {
            const RankPair pair{key >> (rankBits_ + 1), key >> 1 & highMask};
            if (listsNear_) {
                result.nearPairs.push_back(pair);
            }
            if ((key & 1) != 0) {
                result.pairs.push_back(pair);
            }
        }
        return result;
    }

private:
    // The key of the pair (a, b), a < b: keys sort as their pairs do, and the lowest bit is set
    // when the two touch.
    std::uint64_t keyOf(std::size_t a, std::size_t b, bool touching) const {
        return static_cast<std::uint64_t>(a) << (rankBits_ + 1) |
               static_cast<std::uint64_t>(b) << 1 | static_cast<std::uint64_t>(touching);
    }

    // The threads' sorted lists as one, each pair once, touching if it was found so anywhere.
    // Merged from the back into the room the first list keeps, rather than through a buffer of
    // their size: fresh memory is dear.
    static std::vector<std::uint64_t> merged(std::vector<Worker>& workers) {
        std::size_t total = 0;
        for (const Worker& worker : workers) {
            total += worker.found.size();
        }
        std::vector<std::uint64_t> keys = std::move(workers.front().found);
        keys.reserve(total);
        for (std::size_t i = 1; i < workers.size(); ++i) {
            const std::vector<std::uint64_t>& other = workers[i].found;
            std::size_t kept = keys.size();
            std::size_t taken = other.size();
            keys.resize(kept + taken);
            for (std::size_t place = keys.size(); taken != 0;) {
                keys[--place] =
                    kept != 0 && other[taken - 1] < keys[kept - 1] ? keys[--kept] : other[--taken];
            }
            std::vector<std::uint64_t>().swap(workers[i].found);
        }
        std::size_t kept = 0;
        for (const std::uint64_t key : keys) {
            if (kept != 0 && keys[kept - 1] >> 1 == key >> 1) {
                keys[kept - 1] |= key;
            } else {
                keys[kept++] = key;
            }
        }
        keys.resize(kept);
        return keys;
    }

    static constexpr std::int8_t ABSENT = -1;
    static constexpr std::int8_t OVERSIZED = -2;

    // A shape in one cell; sorted by key, the shapes of a cell follow each other.
    struct Entry {
        std::uint64_t key;
        std::uint32_t rank;
        // Bit a is set when this cell is not the lowest one the shape's bounds reach along axis
        // a. A cell owns the pairs whose bounds' overlap starts in it: along every axis it is
        // the lowest cell of one of the two, so that their entries have no bit in common.
        std::uint8_t corner;
    };
    static constexpr std::size_t NO_CELL = static_cast<std::size_t>(-1);

    // The bounds the grids hold, widened for the near pairs when they are asked for. Computed
    // again at each use rather than kept: the shapes hold them already.
    Bounds boundsOf(std::size_t rank) const { return widenedBounds(shapes_, rank, halfMargin_); }

    double cellSize(int level) const {
        return baseSize_ * cellSizes_[static_cast<std::size_t>(level)];
    }

    static std::int64_t cellCoordinate(double position, double size) {
        const double scaled = std::floor(position / size);
        return static_cast<std::int64_t>(
            std::clamp(scaled, -CELL_COORDINATE_LIMIT, CELL_COORDINATE_LIMIT));
    }

    std::pair<CellIndex, CellIndex> cellRange(const Bounds& bounds, int level) const {
        const double size = cellSize(level);
        CellIndex low{};
        CellIndex high{};
        for (std::size_t axis = 0; axis < 3; ++axis) {
            low[axis] = cellCoordinate(bounds.low[axis], size);
            high[axis] = cellCoordinate(bounds.high[axis], size);
        }
        return {low, high};
    }

    // The base cell is twice the median extent: most boxes of a scene then span one or two cells
    // along each axis, and share a cell with few others.
    void chooseBaseSize() {
        std::vector<double> extents;
        for (std::size_t rank = 0; rank < shapes_.size(); ++rank) {
            if (shapes_.present(rank)) {
                extents.push_back(extentOf(boundsOf(rank)));
            }
        }
        if (extents.empty()) {
            return;
        }
        const auto middle = extents.begin() + static_cast<std::ptrdiff_t>(extents.size() / 2);
        std::nth_element(extents.begin(), middle, extents.end());
        baseSize_ = std::max(2 * *middle, 2 * halfMargin_);
    }

    // The level of a present shape, or OVERSIZED when its bounds span more than two cells of the
    // level its extent calls for.
    std::int8_t levelOf(const Bounds& bounds) const {
        const double extent = extentOf(bounds);
        int level = 0;
        while (level < LEVEL_COUNT - 1 && !(extent <= cellSize(level))) {
            ++level;
        }
        const auto [low, high] = cellRange(bounds, level);
        if (high[0] - low[0] > 1 || high[1] - low[1] > 1 || high[2] - low[2] > 1) {
            return OVERSIZED;
        }
        return static_cast<std::int8_t>(level);
    }

    // The first rank of each thread's share of the ranks, and the end.
    std::vector<std::size_t> rankShares() const {
        std::vector<std::size_t> shares;
        for (unsigned i = 0; i <= threadCount_; ++i) {
            shares.push_back(shapes_.size() * i / threadCount_);
        }
        return shares;
    }

    // Writes each shape's entries into buckets by the high bits of their keys, each thread
    // those of its share of the ranks, then sorts each bucket by key: two passes over the
    // shapes and one over short buckets, rather than a sort of every entry. Within a bucket the
    // entries come in rank order, so that the order is the same whatever the threads.
    void placeShapes() {
        chooseBaseSize();
        const std::size_t count = shapes_.size();
        levels_.assign(count, ABSENT);
        const std::vector<std::size_t> shares = rankShares();
        const int bucketBits =
            std::clamp(static_cast<int>(std::bit_width(count / ENTRIES_PER_BUCKET)), 4, 30);
        const std::size_t bucketCount = std::size_t{1} << bucketBits;
        bucketShift_ = 64 - bucketBits;
        // Each share's count of entries per bucket, then where it writes its next one there.
        // Each thread fills its own: the thread that fills a part of fresh memory pays for it.
        const auto places =
            std::make_unique_for_overwrite<std::uint32_t[]>(bucketCount * threadCount_);
        runInParallel(threadCount_, [&](unsigned share) {
            std::uint32_t* counts = places.get() + share * bucketCount;
            std::fill(counts, counts + bucketCount, 0);
            for (std::size_t rank = shares[share]; rank < shares[share + 1]; ++rank) {
                if (!shapes_.present(rank)) {
                    continue;
                }
                const Bounds bounds = boundsOf(rank);
                levels_[rank] = levelOf(bounds);
                if (levels_[rank] != OVERSIZED) {
                    const int level = levels_[rank];
                    const auto [low, high] = cellRange(bounds, level);
                    forEachCell(low, high, [&](const CellIndex& cell, std::uint8_t) {
                        ++counts[cellKey(level, cell) >> bucketShift_];
                    });
                }
            }
        });
        bucketStarts_.resize(bucketCount + 1);
        std::size_t total = 0;
        for (std::size_t bucket = 0; bucket < bucketCount; ++bucket) {
            bucketStarts_[bucket] = static_cast<std::uint32_t>(total);
            for (unsigned share = 0; share < threadCount_; ++share) {
                std::uint32_t& place = places[share * bucketCount + bucket];
                total += std::exchange(place, static_cast<std::uint32_t>(total));
            }
        }
        bucketStarts_[bucketCount] = static_cast<std::uint32_t>(total);
        for (std::size_t rank = 0; rank < count; ++rank) {
            if (levels_[rank] == OVERSIZED) {
                oversized_.push_back(rank);
            } else if (levels_[rank] != ABSENT) {
                usedLevels_[static_cast<std::size_t>(levels_[rank])] = true;
            }
        }
        entryStorage_ = std::make_unique_for_overwrite<Entry[]>(total);
        entries_ = {entryStorage_.get(), total};
        runInParallel(threadCount_, [&](unsigned share) {
            std::uint32_t* next = places.get() + share * bucketCount;
            for (std::size_t rank = shares[share]; rank < shares[share + 1]; ++rank) {
                if (levels_[rank] < 0) {
                    continue;
                }
                const int level = levels_[rank];
                const auto [low, high] = cellRange(boundsOf(rank), level);
                forEachCell(low, high, [&](const CellIndex& cell, std::uint8_t corner) {
                    const std::uint64_t key = cellKey(level, cell);
                    entries_[next[key >> bucketShift_]++] = {key, static_cast<std::uint32_t>(rank),
                                                             corner};
                });
            }
        });
        runInParallel(threadCount_, [&](unsigned share) {
            const std::size_t last = bucketCount * (share + 1) / threadCount_;
            for (std::size_t bucket = bucketCount * share / threadCount_; bucket < last; ++bucket) {
                sortBucket(bucket);
            }
        });
        listCoarserQueries();
    }

    // By key, keeping the order of equal keys: an insertion sort, as buckets are short.
    void sortBucket(std::size_t bucket) {
        Entry* first = entries_.data() + bucketStarts_[bucket];
        Entry* last = entries_.data() + bucketStarts_[bucket + 1];
        for (Entry* next = first + 1; next < last; ++next) {
            const Entry entry = *next;
            Entry* place = next;
            for (; place != first && (place - 1)->key > entry.key; --place) {
                *place = *(place - 1);
            }
            *place = entry;
        }
    }

    // The shapes below the coarsest level in use, which must look for shapes of coarser levels.
    void listCoarserQueries() {
        int coarsest = -1;
        for (int level = 0; level < LEVEL_COUNT; ++level) {
            coarsest = usedLevels_[static_cast<std::size_t>(level)] ? level : coarsest;
        }
        for (std::size_t rank = 0; rank < levels_.size(); ++rank) {
            if (levels_[rank] >= 0 && levels_[rank] < coarsest) {
                coarserQueries_.push_back(static_cast<std::uint32_t>(rank));
            }
        }
    }

    // Visits each cell from low to high with its corner bits (see Entry), when the two are at
    // most one cell apart along each axis.
    template <typename Visit>
    static void forEachCell(const CellIndex& low, const CellIndex& high, Visit visit) {
        for (std::int64_t x = low[0]; x <= high[0]; ++x) {
            for (std::int64_t y = low[1]; y <= high[1]; ++y) {
                for (std::int64_t z = low[2]; z <= high[2]; ++z) {
                    const auto corner = static_cast<std::uint8_t>((x - low[0]) | (y - low[1]) << 1 |
                                                                  (z - low[2]) << 2);
                    visit(CellIndex{x, y, z}, corner);
                }
            }
        }
    }

    // The place of the cell's first entry, or NO_CELL.
    std::size_t findCell(std::uint64_t key) const {
        const std::size_t bucket = key >> bucketShift_;
        for (std::size_t i = bucketStarts_[bucket]; i < bucketStarts_[bucket + 1]; ++i) {
            if (entries_[i].key >= key) {
                return entries_[i].key == key ? i : NO_CELL;
            }
        }
        return NO_CELL;
    }

    // Takes pieces of work in order until none is left or the search stops: first the buckets
    // of cells, each cell swept for the pairs of its own level, then the boxes that look into
    // coarser levels, then the oversized boxes one at a time.
    void work(Worker& worker) {
        const std::size_t bucketCount = bucketStarts_.size() - 1;
        const std::size_t cellPieces = (bucketCount + BUCKETS_PER_PIECE - 1) / BUCKETS_PER_PIECE;
        const std::size_t queryPieces =
            (coarserQueries_.size() + BOXES_PER_PIECE - 1) / BOXES_PER_PIECE;
        const std::size_t pieces = cellPieces + queryPieces + oversized_.size();
        worker.found.reserve(shapes_.size() * 8 / threadCount_);
        for (std::size_t piece = nextPiece_++; piece < pieces && !stopped_; piece = nextPiece_++) {
            if (piece < cellPieces) {
                const std::size_t end =
                    bucketStarts_[std::min((piece + 1) * BUCKETS_PER_PIECE, bucketCount)];
                std::size_t first = bucketStarts_[piece * BUCKETS_PER_PIECE];
                while (first < end && !stopped_) {
                    std::size_t last = first + 1;
                    while (last < end && entries_[last].key == entries_[first].key) {
                        ++last;
                    }
                    sweepCell(worker, first, last);
                    first = last;
                }
            } else if (piece < cellPieces + queryPieces) {
                const std::size_t first = (piece - cellPieces) * BOXES_PER_PIECE;
                const std::size_t last = std::min(first + BOXES_PER_PIECE, coarserQueries_.size());
                for (std::size_t i = first; i < last && !stopped_; ++i) {
                    queryCoarser(worker, coarserQueries_[i]);
                }
            } else {
                queryOversized(worker, oversized_[piece - cellPieces - queryPieces]);
            }
        }
        sortByDigits(worker.found, 2 * rankBits_ + 1);
    }

    // The pairs of shapes of one level that share the cell and are met there once: in the cell
    // that holds the lowest corner of their bounds' overlap. Two cells whose keys are the same
    // share their entries: a pair of shapes that are not in one cell may then be met here as
    // well as where it belongs, and is found twice, which the merging of the lists undoes.
    void sweepCell(Worker& worker, std::size_t first, std::size_t last) {
        if (last - first < 2) {
            return;
        }
        std::vector<SweepItem>& items = worker.sweep;
        items.clear();
        // Along an axis where no shape has its lowest cell here, no pair belongs here: a heap of
        // shapes costs nothing in the cells it only crosses.
        std::uint8_t crossedOnly = 7;
        for (std::size_t i = first; i < last; ++i) {
            const Entry& entry = entries_[i];
            crossedOnly &= entry.corner;
            items.push_back({boundsOf(entry.rank), entry.rank, entry.corner});
        }
        if (crossedOnly != 0) {
            return;
        }
        if (items.size() <= SMALL_CELL) {
            for (std::size_t i = 0; i < items.size(); ++i) {
                for (std::size_t j = i + 1; j < items.size(); ++j) {
                    if (!meetPair(worker, items[i], items[j])) {
                        return;
                    }
                }
            }
            return;
        }
        const std::size_t axis = sortForSweep(items);
        // Sorted along the axis, the later of two shapes has the overlap's lowest corner along
        // it: only shapes whose lowest cell along it is this one can be the later one.
        const std::uint8_t bit = static_cast<std::uint8_t>(1u << axis);
        const auto firstInside = static_cast<std::size_t>(
            std::find_if(items.begin(), items.end(),
                         [&](const SweepItem& item) { return (item.corner & bit) == 0; }) -
            items.begin());
        for (std::size_t i = 0; i < items.size(); ++i) {
            const SweepItem& item = items[i];
            for (std::size_t j = std::max(i + 1, firstInside);
                 j < items.size() && items[j].bounds.low[axis] <= item.bounds.high[axis]; ++j) {
                if (!meetPair(worker, item, items[j])) {
                    return;
                }
            }
        }
    }

    // Tests the pair if it belongs to the cell; false once the search has stopped.
    bool meetPair(Worker& worker, const SweepItem& a, const SweepItem& b) {
        if ((a.corner & b.corner) != 0 || a.rank == b.rank) {
            return true;
        }
        if (!spend(worker.boundsTests, boundsTests_)) {
            return false;
        }
        if (overlap(a.bounds, b.bounds)) {
            testPair(worker, a.rank, b.rank);
        }
        return true;
    }

    // Sorts the shapes along the axis where their lowest corners spread most, so that only those
    // that overlap along it are compared.
    std::size_t sortForSweep(std::vector<SweepItem>& items) const {
        std::size_t axis = 0;
        double widest = -1;
        for (std::size_t candidate = 0; candidate < 3; ++candidate) {
            const auto [lowest, highest] = std::minmax_element(
                items.begin(), items.end(), [candidate](const SweepItem& a, const SweepItem& b) {
                    return a.bounds.low[candidate] < b.bounds.low[candidate];
                });
            const double spread = highest->bounds.low[candidate] - lowest->bounds.low[candidate];
            if (spread > widest) {
                axis = candidate;
                widest = spread;
            }
        }
        std::sort(items.begin(), items.end(), [axis](const SweepItem& a, const SweepItem& b) {
            return a.bounds.low[axis] != b.bounds.low[axis]
                       ? a.bounds.low[axis] < b.bounds.low[axis]
                       : a.rank < b.rank;
        });
        return axis;
    }

    // The pairs of a shape with the shapes of every coarser level.
    void queryCoarser(Worker& worker, std::size_t rank) {
        const int ownLevel = levels_[rank];
        const Bounds bounds = boundsOf(rank);
        for (int level = ownLevel + 1; level < LEVEL_COUNT && !stopped_; ++level) {
            if (!usedLevels_[static_cast<std::size_t>(level)]) {
                continue;
            }
            const auto [low, high] = cellRange(bounds, level);
            forEachCell(low, high, [&](const CellIndex& cell, std::uint8_t corner) {
                const std::uint64_t key = cellKey(level, cell);
                const std::size_t first = findCell(key);
                if (first == NO_CELL) {
                    return;
                }
                for (std::size_t i = first; i < entries_.size() && entries_[i].key == key; ++i) {
                    const std::size_t other = entries_[i].rank;
                    if (levels_[other] != level || (entries_[i].corner & corner) != 0 ||
                        !spend(worker.boundsTests, boundsTests_)) {
                        continue;
                    }
                    if (overlap(bounds, boundsOf(other))) {
                        testPair(worker, rank, other);
                    }
                }
            });
        }
    }

    void queryOversized(Worker& worker, std::size_t rank) {
        const Bounds bounds = boundsOf(rank);
        for (std::size_t other = 0; other < levels_.size() && !stopped_; ++other) {
            if (levels_[other] == ABSENT || other == rank ||
                (levels_[other] == OVERSIZED && other < rank)) {
                continue;
            }
            if (spend(worker.boundsTests, boundsTests_) && overlap(bounds, boundsOf(other))) {
                testPair(worker, rank, other);
            }
        }
    }

    // A pair whose bounds, as the grids hold them, overlap: near, and tested exactly when its
    // bounds come within the tolerance.
    void testPair(Worker& worker, std::size_t a, std::size_t b) {
        const std::size_t low = std::min(a, b);
        const std::size_t high = std::max(a, b);
        if (listsNear_) {
            const double halfTolerance = GEOMETRY_TOLERANCE / 2;
            const bool close = overlap(widenedBounds(shapes_, a, halfTolerance),
                                       widenedBounds(shapes_, b, halfTolerance));
            worker.found.push_back(keyOf(low, high, close && touchWithin(worker, a, b)));
        } else if (touchWithin(worker, a, b)) {
            worker.found.push_back(keyOf(low, high, true));
        }
    }

    // Whether the two touch, if the allowance of exact tests is not spent.
    bool touchWithin(Worker& worker, std::size_t a, std::size_t b) {
        return spend(worker.exactTests, exactTests_) && shapes_.touch(a, b);
    }

    // Takes one test from the thread's batch, claiming a new batch when it is spent; stops the
    // whole search once the allowance is.
    bool spend(std::size_t& batch, Allowance& allowance) {
        if (batch == 0) {
            batch = allowance.claim();
            if (batch == 0) {
                stopped_ = true;
                return false;
            }
        }
        --batch;
        return true;
    }

    const ShapeSet& shapes_;
    const unsigned threadCount_;
    const double nearMargin_;
    const bool listsNear_;
    // Half the margin the grids' bounds are widened by: the tolerance, or the near margin.
    const double halfMargin_;
    // The bits a rank takes in the key of a pair: two ranks and a bit fit in 64 bits below two
    // billion shapes, far more than memory holds.
    const int rankBits_;
    double baseSize_ = 1;
    std::array<double, LEVEL_COUNT> cellSizes_{};
    std::vector<std::int8_t> levels_;
    std::vector<std::size_t> oversized_;
    std::array<bool, LEVEL_COUNT> usedLevels_{};
    std::unique_ptr<Entry[]> entryStorage_;
    std::span<Entry> entries_;
    // The bucket of an entry is its key's bits from this one up.
    int bucketShift_ = 63;
    // Where each bucket's entries start in entries_, then the end.
    std::vector<std::uint32_t> bucketStarts_;
    std::vector<std::uint32_t> coarserQueries_;
    Allowance boundsTests_;
    Allowance exactTests_;
    std::atomic<std::size_t> nextPiece_{0};
    std::atomic<bool> stopped_{false};
};

} // namespace

IntersectionSearch findIntersections(const ShapeSet& shapes) {
    return findIntersections(shapes, threadCountFor(shapes.size()));
}

IntersectionSearch findIntersections(const ShapeSet& shapes, unsigned threadCount) {
    return Search(shapes, threadCount, 0).run();
}

IntersectionSearch findIntersectionsAndNearPairs(const ShapeSet& shapes, double nearMargin) {
    return findIntersectionsAndNearPairs(shapes, nearMargin, threadCountFor(shapes.size()));
}

IntersectionSearch findIntersectionsAndNearPairs(const ShapeSet& shapes, double nearMargin,
                                                 unsigned threadCount) {
    return Search(shapes, threadCount, nearMargin).run();
}
