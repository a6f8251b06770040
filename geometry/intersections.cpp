#include "intersections.h"

#include "shapeset.h"
#include "solid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

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

struct Bounds {
    std::array<double, 3> low;
    std::array<double, 3> high;
};

// Widened by half the tolerance on every side, so that bounds within the tolerance overlap.
Bounds widenedBounds(const ShapeSet& shapes, std::size_t rank) {
    const Vec3 low = shapes.boundsMin(rank);
    const Vec3 high = shapes.boundsMax(rank);
    const double margin = GEOMETRY_TOLERANCE / 2;
    return {{low.x - margin, low.y - margin, low.z - margin},
            {high.x + margin, high.y + margin, high.z + margin}};
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

class Search {
public:
    explicit Search(const ShapeSet& shapes) : shapes_(shapes) {
        double size = 1;
        for (double& entry : cellSizes_) {
            entry = size;
            size *= LEVEL_GROWTH;
        }
        const std::size_t count = shapes.size();
        boundsTestsLeft_ = BASE_BOUNDS_TESTS + BOUNDS_TESTS_PER_BOX * count;
        exactTestsLeft_ = BASE_EXACT_TESTS + EXACT_TESTS_PER_BOX * count;
    }

    IntersectionSearch run() {
        result_.pairs.reserve(shapes_.size() * 8);
        placeShapes();
        for (std::size_t rank = 0; rank < levels_.size() && result_.complete; ++rank) {
            if (levels_[rank] >= 0) {
                queryFrom(rank);
            }
        }
        for (std::size_t i = 0; i < oversized_.size() && result_.complete; ++i) {
            queryOversized(oversized_[i]);
        }
        std::sort(result_.pairs.begin(), result_.pairs.end());
        result_.pairs.erase(std::unique(result_.pairs.begin(), result_.pairs.end()),
                            result_.pairs.end());
        return std::move(result_);
    }

private:
    static constexpr std::int8_t ABSENT = -1;
    static constexpr std::int8_t OVERSIZED = -2;

    // A shape in one cell; sorted by key, the shapes of a cell follow each other.
    struct Entry {
        std::uint64_t key;
        std::uint32_t rank;
    };
    static constexpr std::size_t NO_CELL = static_cast<std::size_t>(-1);

    // Computed again at each use rather than kept: the shapes hold them already.
    Bounds boundsOf(std::size_t rank) const { return widenedBounds(shapes_, rank); }

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
        for (std::size_t rank = 0; rank < levels_.size(); ++rank) {
            if (levels_[rank] != ABSENT) {
                extents.push_back(extentOf(boundsOf(rank)));
            }
        }
        if (extents.empty()) {
            return;
        }
        const auto middle = extents.begin() + static_cast<std::ptrdiff_t>(extents.size() / 2);
        std::nth_element(extents.begin(), middle, extents.end());
        baseSize_ = std::max(2 * *middle, GEOMETRY_TOLERANCE);
    }

    void placeShapes() {
        const std::size_t count = shapes_.size();
        levels_.assign(count, ABSENT);
        for (std::size_t rank = 0; rank < count; ++rank) {
            if (shapes_.present(rank)) {
                levels_[rank] = 0;
            }
        }
        chooseBaseSize();
        std::vector<Entry>& entries = entries_;
        // Room for the most cells a box can take: what stays untouched costs no memory, while
        // growing would copy.
        entries.reserve(count * 8);
        for (std::size_t rank = 0; rank < count; ++rank) {
            if (levels_[rank] == ABSENT) {
                continue;
            }
            const Bounds bounds = boundsOf(rank);
            const double extent = extentOf(bounds);
            int level = 0;
            while (level < LEVEL_COUNT - 1 && !(extent <= cellSize(level))) {
                ++level;
            }
            const auto [low, high] = cellRange(bounds, level);
            if (high[0] - low[0] > 1 || high[1] - low[1] > 1 || high[2] - low[2] > 1) {
                levels_[rank] = OVERSIZED;
                oversized_.push_back(rank);
                continue;
            }
            levels_[rank] = static_cast<std::int8_t>(level);
            usedLevels_[static_cast<std::size_t>(level)] = true;
            forEachCell(low, high, [&](const CellIndex& cell) {
                entries.push_back({cellKey(level, cell), static_cast<std::uint32_t>(rank)});
            });
        }
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            return a.key != b.key ? a.key < b.key : a.rank < b.rank;
        });
        // Each cell's slot holds the place of its first entry, plus one.
        std::size_t cellCount = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            cellCount += i == 0 || entries[i].key != entries[i - 1].key ? 1 : 0;
        }
        std::size_t slotCount = 16;
        while (slotCount < cellCount * 2) {
            slotCount *= 2;
        }
        slots_.assign(slotCount, 0);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (i != 0 && entries[i].key == entries[i - 1].key) {
                continue;
            }
            std::size_t slot = entries[i].key & (slotCount - 1);
            while (slots_[slot] != 0) {
                slot = (slot + 1) & (slotCount - 1);
            }
            slots_[slot] = static_cast<std::uint32_t>(i + 1);
        }
    }

    template <typename Visit>
    static void forEachCell(const CellIndex& low, const CellIndex& high, Visit visit) {
        for (std::int64_t x = low[0]; x <= high[0]; ++x) {
            for (std::int64_t y = low[1]; y <= high[1]; ++y) {
                for (std::int64_t z = low[2]; z <= high[2]; ++z) {
                    visit(CellIndex{x, y, z});
                }
            }
        }
    }

    // The place of the cell's first entry, or NO_CELL.
    std::size_t findCell(std::uint64_t key) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = key & mask; slots_[slot] != 0; slot = (slot + 1) & mask) {
            const std::size_t first = slots_[slot] - 1;
            if (entries_[first].key == key) {
                return first;
            }
        }
        return NO_CELL;
    }

    // Looks at the shapes of its own level and of every coarser one; a pair is taken only in
    // the cell that holds the lowest corner of the two bounds' overlap, so that it is met once.
    void queryFrom(std::size_t rank) {
        const int ownLevel = levels_[rank];
        const Bounds bounds = boundsOf(rank);
        for (int level = ownLevel; level < LEVEL_COUNT && result_.complete; ++level) {
            if (!usedLevels_[static_cast<std::size_t>(level)]) {
                continue;
            }
            const auto [low, high] = cellRange(bounds, level);
            forEachCell(low, high, [&](const CellIndex& cell) {
                const std::uint64_t key = cellKey(level, cell);
                const std::size_t first = findCell(key);
                if (first == NO_CELL) {
                    return;
                }
                for (std::size_t i = first;
                     i < entries_.size() && entries_[i].key == key && result_.complete; ++i) {
                    const std::size_t other = entries_[i].rank;
                    if (levels_[other] != level || (level == ownLevel && other <= rank)) {
                        continue;
                    }
                    if (!spend(boundsTestsLeft_)) {
                        continue;
                    }
                    const Bounds otherBounds = boundsOf(other);
                    if (!overlap(bounds, otherBounds) ||
                        !isReferenceCell(bounds, otherBounds, level, cell)) {
                        continue;
                    }
                    testExactly(rank, other);
                }
            });
        }
    }

    bool isReferenceCell(const Bounds& a, const Bounds& b, int level, const CellIndex& cell) const {
        const double size = cellSize(level);
        for (std::size_t axis = 0; axis < 3; ++axis) {
            if (cellCoordinate(std::max(a.low[axis], b.low[axis]), size) != cell[axis]) {
                return false;
            }
        }
        return true;
    }

    void queryOversized(std::size_t rank) {
        const Bounds bounds = boundsOf(rank);
        for (std::size_t other = 0; other < levels_.size() && result_.complete; ++other) {
            if (levels_[other] == ABSENT || other == rank ||
                (levels_[other] == OVERSIZED && other < rank)) {
                continue;
            }
            if (spend(boundsTestsLeft_) && overlap(bounds, boundsOf(other))) {
                testExactly(rank, other);
            }
        }
    }

    void testExactly(std::size_t a, std::size_t b) {
        if (spend(exactTestsLeft_) && shapes_.touch(a, b)) {
            result_.pairs.emplace_back(std::min(a, b), std::max(a, b));
        }
    }

    bool spend(std::size_t& left) {
        if (left == 0) {
            result_.complete = false;
            return false;
        }
        --left;
        return true;
    }

    const ShapeSet& shapes_;
    double baseSize_ = 1;
    std::array<double, LEVEL_COUNT> cellSizes_{};
    std::vector<std::int8_t> levels_;
    std::vector<std::size_t> oversized_;
    std::array<bool, LEVEL_COUNT> usedLevels_{};
    std::vector<Entry> entries_;
    std::vector<std::uint32_t> slots_;
    std::size_t boundsTestsLeft_ = 0;
    std::size_t exactTestsLeft_ = 0;
    IntersectionSearch result_;
};

} // namespace

IntersectionSearch findIntersections(const ShapeSet& shapes) {
    return Search(shapes).run();
}
