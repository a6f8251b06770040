#include "nearpairs.h"

#include "shapeset.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int LEVEL_COUNT = 40;
constexpr double LEVEL_GROWTH = 4;
// Cell coordinates stay far inside 64 bits whatever the scene's extent.
constexpr double CELL_COORDINATE_LIMIT = 0x1p60;
// Work allowed per box, far above what a real scene needs.
constexpr std::size_t TESTS_PER_BOX = 1024;
constexpr std::size_t BASE_TESTS = std::size_t{1} << 22;

// In single precision, rounded outward: a box's bounds are read for every neighbour it may
// have, and half the bytes read is most of the time saved.
struct Bounds {
    std::array<float, 3> low;
    std::array<float, 3> high;
};

float roundedDown(double value) {
    const float rounded = static_cast<float>(value);
    return rounded > value ? std::nextafter(rounded, -INFINITY) : rounded;
}

float roundedUp(double value) {
    const float rounded = static_cast<float>(value);
    return rounded < value ? std::nextafter(rounded, INFINITY) : rounded;
}

using CellIndex = std::array<std::int64_t, 3>;

std::uint64_t mix(std::uint64_t value) {
    value += 0x9e3779b97f4a7c15u;
    value = (value ^ value >> 30) * 0xbf58476d1ce4e5b9u;
    value = (value ^ value >> 27) * 0x94d049bb133111ebu;
    return value ^ value >> 31;
}

std::uint64_t cellKey(int level, const CellIndex& cell) {
    std::uint64_t key = mix(static_cast<std::uint64_t>(level));
    for (const std::int64_t coordinate : cell) {
        key = mix(key ^ static_cast<std::uint64_t>(coordinate));
    }
    return key;
}

template <typename Visit>
void forEachCell(const CellIndex& low, const CellIndex& high, Visit visit) {
    for (std::int64_t x = low[0]; x <= high[0]; ++x) {
        for (std::int64_t y = low[1]; y <= high[1]; ++y) {
            for (std::int64_t z = low[2]; z <= high[2]; ++z) {
                visit(CellIndex{x, y, z});
            }
        }
    }
}

class Search {
public:
    Search(const ShapeSet& shapes, double margin)
        : shapes_(shapes), halfMargin_(margin / 2),
          testsLeft_(BASE_TESTS + TESTS_PER_BOX * shapes.size()) {}

    NearPairSearch run() {
        place();
        for (std::size_t rank = 0; rank < levels_.size() && !stopped_; ++rank) {
            if (levels_[rank] >= 0) {
                query(rank);
            }
        }
        for (std::size_t i = 0; i < oversized_.size() && !stopped_; ++i) {
            queryOversized(oversized_[i]);
        }
        std::sort(found_.pairs.begin(), found_.pairs.end());
        found_.complete = !stopped_;
        return std::move(found_);
    }

private:
    static constexpr std::int8_t ABSENT = -1;
    static constexpr std::int8_t OVERSIZED = -2;

    // A shape in one cell, with what the tests of its neighbours read of it; sorted by key,
    // the shapes of a cell follow each other.
    struct Entry {
        std::uint64_t key;
        std::uint32_t rank;
        std::int8_t level;
        Bounds bounds;
    };

    // Widened by half the margin on every side, so that bounds within the margin overlap.
    Bounds widenedBounds(std::size_t rank) const {
        const Vec3 low = shapes_.boundsMin(rank);
        const Vec3 high = shapes_.boundsMax(rank);
        return {{roundedDown(low.x - halfMargin_), roundedDown(low.y - halfMargin_),
                 roundedDown(low.z - halfMargin_)},
                {roundedUp(high.x + halfMargin_), roundedUp(high.y + halfMargin_),
                 roundedUp(high.z + halfMargin_)}};
    }

    static bool overlap(const Bounds& a, const Bounds& b) {
        for (std::size_t axis = 0; axis < 3; ++axis) {
            if (a.low[axis] > b.high[axis] || b.low[axis] > a.high[axis]) {
                return false;
            }
        }
        return true;
    }

    static double extentOf(const Bounds& bounds, std::size_t axis) {
        return static_cast<double>(bounds.high[axis]) - bounds.low[axis];
    }

    double cellSize(int level) const { return cellSizes_[static_cast<std::size_t>(level)]; }

    bool fits(const Bounds& bounds, int level) const {
        const double size = cellSize(level);
        return extentOf(bounds, 0) <= size && extentOf(bounds, 1) <= size &&
               extentOf(bounds, 2) <= size;
    }

    static std::int64_t cellCoordinate(double position, double size) {
        return static_cast<std::int64_t>(
            std::clamp(std::floor(position / size), -CELL_COORDINATE_LIMIT, CELL_COORDINATE_LIMIT));
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

    // Twice the median extent: most boxes span one or two cells along each axis.
    void chooseBaseSize() {
        std::vector<double> extents;
        for (std::size_t rank = 0; rank < shapes_.size(); ++rank) {
            if (levels_[rank] != ABSENT) {
                const Bounds& bounds = bounds_[rank];
                extents.push_back(
                    std::max({extentOf(bounds, 0), extentOf(bounds, 1), extentOf(bounds, 2)}));
            }
        }
        if (extents.empty()) {
            return;
        }
        const auto middle = extents.begin() + static_cast<std::ptrdiff_t>(extents.size() / 2);
        std::nth_element(extents.begin(), middle, extents.end());
        const double base = std::max(2 * *middle, 4 * halfMargin_);
        for (std::size_t level = 0; level < cellSizes_.size(); ++level) {
            cellSizes_[level] = base * std::pow(LEVEL_GROWTH, static_cast<double>(level));
        }
    }

    void place() {
        levels_.assign(shapes_.size(), ABSENT);
        bounds_.resize(shapes_.size());
        for (std::size_t rank = 0; rank < shapes_.size(); ++rank) {
            if (shapes_.present(rank)) {
                levels_[rank] = 0;
                bounds_[rank] = widenedBounds(rank);
            }
        }
        chooseBaseSize();
        entries_.reserve(shapes_.size() * 2);
        for (std::size_t rank = 0; rank < shapes_.size(); ++rank) {
            if (levels_[rank] == ABSENT) {
                continue;
            }
            const Bounds& bounds = bounds_[rank];
            int level = 0;
            while (level < LEVEL_COUNT - 1 && !fits(bounds, level)) {
                ++level;
            }
            const auto [low, high] = cellRange(bounds, level);
            if (high[0] - low[0] > 1 || high[1] - low[1] > 1 || high[2] - low[2] > 1) {
                levels_[rank] = OVERSIZED;
                oversized_.push_back(static_cast<std::uint32_t>(rank));
                continue;
            }
            levels_[rank] = static_cast<std::int8_t>(level);
            usedLevels_[static_cast<std::size_t>(level)] = true;
            forEachCell(low, high, [&](const CellIndex& cell) {
                entries_.push_back({cellKey(level, cell), static_cast<std::uint32_t>(rank),
                                    static_cast<std::int8_t>(level), bounds});
            });
        }
        std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
            return a.key != b.key ? a.key < b.key : a.rank < b.rank;
        });
        // Each cell's slot holds the place of its first entry, plus one.
        std::size_t slotCount = 16;
        while (slotCount < entries_.size() * 2) {
            slotCount *= 2;
        }
        slots_.assign(slotCount, 0);
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (i != 0 && entries_[i].key == entries_[i - 1].key) {
                continue;
            }
            std::size_t slot = entries_[i].key & (slotCount - 1);
            while (slots_[slot] != 0) {
                slot = (slot + 1) & (slotCount - 1);
            }
            slots_[slot] = static_cast<std::uint32_t>(i + 1);
        }
    }

    // The place of the cell's first entry, or entries_.size() when the cell is empty.
    std::size_t findCell(std::uint64_t key) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = key & mask; slots_[slot] != 0; slot = (slot + 1) & mask) {
            const std::size_t first = slots_[slot] - 1;
            if (entries_[first].key == key) {
                return first;
            }
        }
        return entries_.size();
    }

    // A pair is taken only in the cell that holds the lowest corner of the two bounds' overlap,
    // so that it is met once.
    bool isReferenceCell(const Bounds& a, const Bounds& b, int level, const CellIndex& cell) const {
        const double size = cellSize(level);
        for (std::size_t axis = 0; axis < 3; ++axis) {
            if (cellCoordinate(std::max(a.low[axis], b.low[axis]), size) != cell[axis]) {
                return false;
            }
        }
        return true;
    }

    // The shapes of the box's own level and of every coarser one.
    void query(std::size_t rank) {
        const int ownLevel = levels_[rank];
        const Bounds& bounds = bounds_[rank];
        for (int level = ownLevel; level < LEVEL_COUNT && !stopped_; ++level) {
            if (!usedLevels_[static_cast<std::size_t>(level)]) {
                continue;
            }
            const auto [low, high] = cellRange(bounds, level);
            forEachCell(low, high, [&](const CellIndex& cell) {
                const std::uint64_t key = cellKey(level, cell);
                for (std::size_t i = findCell(key);
                     i < entries_.size() && entries_[i].key == key && !stopped_; ++i) {
                    const Entry& entry = entries_[i];
                    const std::size_t other = entry.rank;
                    if (entry.level != level || (level == ownLevel && other <= rank)) {
                        continue;
                    }
                    if (spend() && overlap(bounds, entry.bounds) &&
                        isReferenceCell(bounds, entry.bounds, level, cell)) {
                        found_.pairs.emplace_back(std::min(rank, other), std::max(rank, other));
                    }
                }
            });
        }
    }

    void queryOversized(std::size_t rank) {
        const Bounds& bounds = bounds_[rank];
        for (std::size_t other = 0; other < levels_.size() && !stopped_; ++other) {
            if (levels_[other] == ABSENT || other == rank ||
                (levels_[other] == OVERSIZED && other < rank)) {
                continue;
            }
            if (spend() && overlap(bounds, bounds_[other])) {
                found_.pairs.emplace_back(std::min(rank, other), std::max(rank, other));
            }
        }
    }

    bool spend() {
        if (testsLeft_ == 0) {
            stopped_ = true;
            return false;
        }
        --testsLeft_;
        return true;
    }

    const ShapeSet& shapes_;
    double halfMargin_;
    std::array<double, LEVEL_COUNT> cellSizes_{};
    std::vector<std::int8_t> levels_;
    std::vector<Bounds> bounds_;
    std::vector<std::uint32_t> oversized_;
    std::array<bool, LEVEL_COUNT> usedLevels_{};
    std::vector<Entry> entries_;
    std::vector<std::uint32_t> slots_;
    std::size_t testsLeft_;
    bool stopped_ = false;
    NearPairSearch found_;
};

} // namespace

NearPairSearch findNearPairs(const ShapeSet& shapes, double margin) {
    return Search(shapes, margin).run();
}
