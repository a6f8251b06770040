#include "SphereGrid.h"

#include "ViewScene.h"
#include "parallelparts.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Few enough cells to walk them all every frame, enough to leave most boxes out of a close view.
constexpr std::size_t boxesPerCell = 32;

std::size_t slot(double offset, double side, std::size_t count) {
    const double at = std::floor(offset / side);
    // Not a number lands in the first cell.
    if (!(at >= 0)) {
        return 0;
    }
    return at >= double(count - 1) ? count - 1 : static_cast<std::size_t>(at);
}

void grow(SphereGrid::Cell& cell, const SphereGrid::Entry& sphere) {
    const Vec3& c = sphere.centre;
    cell.low = {std::min(cell.low.x, c.x), std::min(cell.low.y, c.y), std::min(cell.low.z, c.z)};
    cell.high = {std::max(cell.high.x, c.x), std::max(cell.high.y, c.y),
                 std::max(cell.high.z, c.z)};
    cell.largestRadius = std::max(cell.largestRadius, double(sphere.radius));
}

std::size_t partOf(double value, double low, double high, std::size_t parts) {
    const double span = high - low;
    if (!(span > 0)) {
        return 0;
    }
    const double at = std::floor((value - low) / span * double(parts));
    return at >= 0 ? std::min(parts - 1, static_cast<std::size_t>(at)) : 0;
}

// Puts the samples of each level before the other boxes of the cell. A box first, in the cell's
// order, of its part at one level is first of its part at every finer level: the samples grow
// level by level, and sorted by the level where each box first samples its part, every level's
// sample is a run from the start that stays the same when taken again in the new order.
void resample(SphereGrid::Cell& cell) {
    constexpr auto levels = static_cast<std::size_t>(SphereGrid::sampleLevels);
    std::vector<std::uint8_t> firstLevel(cell.entries.size(), levels);
    std::vector<unsigned char> taken;
    for (std::size_t level = 0; level < levels; ++level) {
        const std::size_t parts = std::size_t{1} << level;
        taken.assign(parts * parts * parts, 0);
        for (std::size_t i = 0; i < cell.entries.size(); ++i) {
            const Vec3& c = cell.entries[i].centre;
            const std::size_t part = (partOf(c.z, cell.low.z, cell.high.z, parts) * parts +
                                      partOf(c.y, cell.low.y, cell.high.y, parts)) *
                                         parts +
                                     partOf(c.x, cell.low.x, cell.high.x, parts);
            if (!taken[part]) {
                taken[part] = 1;
                firstLevel[i] = std::min(firstLevel[i], static_cast<std::uint8_t>(level));
            }
        }
    }
    std::array<std::uint32_t, levels + 1> starts{};
    for (const std::uint8_t level : firstLevel) {
        ++starts[level];
    }
    std::uint32_t sum = 0;
    for (std::size_t level = 0; level <= levels; ++level) {
        const std::uint32_t count = starts[level];
        starts[level] = sum;
        sum += count;
        if (level < levels) {
            cell.sampleCounts[level] = sum;
        }
    }
    std::vector<SphereGrid::Entry> ordered(cell.entries.size());
    for (std::size_t i = 0; i < cell.entries.size(); ++i) {
        ordered[starts[firstLevel[i]]++] = cell.entries[i];
    }
    cell.entries = std::move(ordered);
}

// Cubic cells, about one per boxesPerCell boxes over the extent; flat scenes get one layer.
double cellSide(const Vec3& extent, std::size_t boxes) {
    const double target = double(std::max<std::size_t>(1, boxes / boxesPerCell));
    double volume = 1;
    int axes = 0;
    const double widest = std::max({extent.x, extent.y, extent.z});
    for (const double e : {extent.x, extent.y, extent.z}) {
        if (e > widest * 1e-9) {
            volume *= e;
            ++axes;
        }
    }
    if (axes == 0 || !std::isfinite(volume)) {
        return 1;
    }
    return std::pow(volume / target, 1.0 / axes);
}

std::size_t countAlong(double extent, double side) {
    const double count = std::ceil(extent / side);
    return count >= 1 ? static_cast<std::size_t>(std::min(count, 1e6)) : 1;
}

// Renumbers the boxes of every cell, the cells shared between the cores: a million boxes
// follow each box removed or inserted.
template <typename Renumber>
void renumberEntries(std::vector<SphereGrid::Cell>& cells, std::size_t boxes, Renumber renumber) {
    // A second core only for scenes of nearly a million boxes: on a busy machine a thread may
    // wait long for a core, and a walk of a few megabytes ends sooner alone.
    constexpr std::size_t partedFromBytes = std::size_t{16} << 20;
    const std::size_t bytes = boxes * sizeof(SphereGrid::Entry);
    const std::size_t parts = bytes < partedFromBytes ? 1 : partsForBlocks(bytes / 4096);
    runParts(parts, [&](std::size_t part) {
        const std::size_t end = cells.size() * (part + 1) / parts;
        for (std::size_t cell = cells.size() * part / parts; cell < end; ++cell) {
            for (SphereGrid::Entry& entry : cells[cell].entries) {
                renumber(entry);
            }
        }
    });
}

} // namespace

void SphereGrid::build(const std::vector<BoxSphere>& spheres) {
    constexpr double huge = std::numeric_limits<double>::max();
    Vec3 low{huge, huge, huge};
    Vec3 high{-huge, -huge, -huge};
    for (const BoxSphere& sphere : spheres) {
        const Vec3 c = sphere.centre();
        low = {std::min(low.x, c.x), std::min(low.y, c.y), std::min(low.z, c.z)};
        high = {std::max(high.x, c.x), std::max(high.y, c.y), std::max(high.z, c.z)};
    }
    origin_ = spheres.empty() ? Vec3{} : low;
    const Vec3 extent = spheres.empty() ? Vec3{} : high - low;
    side_ = cellSide(extent, spheres.size());
    const std::size_t cap = 4 * std::max<std::size_t>(1, spheres.size() / boxesPerCell) + 8;
    for (;;) {
        columns_ = countAlong(extent.x, side_);
        rows_ = countAlong(extent.y, side_);
        layers_ = countAlong(extent.z, side_);
        if (double(columns_) * double(rows_) * double(layers_) <= double(cap)) {
            break;
        }
        side_ *= 1.25;
    }
    Cell empty;
    empty.low = {huge, huge, huge};
    empty.high = {-huge, -huge, -huge};
    cells_.assign(columns_ * rows_ * layers_, empty);
    cellOf_.assign(spheres.size(), nowhere);
    for (std::size_t rank = 0; rank < spheres.size(); ++rank) {
        put(rank, spheres[rank]);
    }
    for (Cell& cell : cells_) {
        resample(cell);
    }
}

std::size_t SphereGrid::cellAt(const Vec3& point) const {
    const std::size_t column = slot(point.x - origin_.x, side_, columns_);
    const std::size_t row = slot(point.y - origin_.y, side_, rows_);
    const std::size_t layer = slot(point.z - origin_.z, side_, layers_);
    return (layer * rows_ + row) * columns_ + column;
}

void SphereGrid::place(std::size_t rank, const BoxSphere& sphere) {
    leave(rank);
    resample(cells_[put(rank, sphere)]);
}

SphereGrid::Entry SphereGrid::entryOf(std::size_t rank, const BoxSphere& sphere) {
    const Vec3 centre = sphere.centre();
    return {{float(centre.x), float(centre.y), float(centre.z)},
            float(sphere.radius()),
            static_cast<std::uint32_t>(rank),
            sphere.drawable()};
}

std::size_t SphereGrid::put(std::size_t rank, const BoxSphere& sphere) {
    const Entry entry = entryOf(rank, sphere);
    const std::size_t index = cellAt(entry.centre);
    Cell& cell = cells_[index];
    cell.entries.push_back(entry);
    cell.crossCount += entry.drawable ? 0 : 1;
    grow(cell, entry);
    cellOf_[rank] = static_cast<std::uint32_t>(index);
    return index;
}

void SphereGrid::leave(std::size_t rank) {
    if (cellOf_[rank] == nowhere) {
        return;
    }
    Cell& cell = cells_[cellOf_[rank]];
    const auto entry = std::find_if(cell.entries.begin(), cell.entries.end(),
                                    [rank](const Entry& entry) { return entry.rank == rank; });
    cell.crossCount -= entry->drawable ? 0 : 1;
    cell.entries.erase(entry);
    resample(cell);
    cellOf_[rank] = nowhere;
}

void SphereGrid::erase(const std::vector<std::size_t>& ranks) {
    if (ranks.empty()) {
        return;
    }
    for (const std::size_t rank : ranks) {
        leave(rank);
    }
    const std::size_t first = ranks.front();
    if (ranks.size() == 1) {
        // The usual edit: a compare for each of a million boxes.
        const auto gone = static_cast<std::uint32_t>(first);
        renumberEntries(cells_, cellOf_.size(), [gone](Entry& entry) {
            if (entry.rank > gone) {
                --entry.rank;
            }
        });
    } else {
        renumberEntries(cells_, cellOf_.size(), [&](Entry& entry) {
            if (entry.rank > first) {
                entry.rank -= static_cast<std::uint32_t>(
                    std::lower_bound(ranks.begin(), ranks.end(), std::size_t{entry.rank}) -
                    ranks.begin());
            }
        });
    }
    std::size_t kept = first;
    auto gone = ranks.begin();
    for (std::size_t rank = first; rank < cellOf_.size(); ++rank) {
        if (gone != ranks.end() && *gone == rank) {
            ++gone;
            continue;
        }
        cellOf_[kept++] = cellOf_[rank];
    }
    cellOf_.resize(kept);
}

void SphereGrid::insert(const std::vector<std::size_t>& ranks) {
    if (ranks.empty()) {
        return;
    }
    // A box numbered s before moves up by the count of new ranks j with ranks[j] - j <= s.
    std::vector<std::size_t> thresholds(ranks.size());
    for (std::size_t j = 0; j < ranks.size(); ++j) {
        thresholds[j] = ranks[j] - j;
    }
    const std::size_t first = thresholds.front();
    // Boxes appended move no rank; one box inserted, the usual edit, takes a compare for each.
    if (first < cellOf_.size() && ranks.size() == 1) {
        const auto newRank = static_cast<std::uint32_t>(first);
        renumberEntries(cells_, cellOf_.size(), [newRank](Entry& entry) {
            if (entry.rank >= newRank) {
                ++entry.rank;
            }
        });
    } else if (first < cellOf_.size()) {
        renumberEntries(cells_, cellOf_.size(), [&](Entry& entry) {
            if (entry.rank >= first) {
                entry.rank += static_cast<std::uint32_t>(std::upper_bound(thresholds.begin(),
                                                                          thresholds.end(),
                                                                          std::size_t{entry.rank}) -
                                                         thresholds.begin());
            }
        });
    }
    const std::size_t oldSize = cellOf_.size();
    cellOf_.resize(oldSize + ranks.size(), nowhere);
    // From the end, so that no entry is overwritten before it moves.
    std::size_t from = oldSize;
    auto added = ranks.rbegin();
    for (std::size_t to = cellOf_.size(); to-- > first;) {
        if (added != ranks.rend() && *added == to) {
            cellOf_[to] = nowhere;
            ++added;
        } else {
            cellOf_[to] = cellOf_[--from];
        }
    }
}
