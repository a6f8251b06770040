#pragma once

#include "vec3.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class BoxSphere;

// A point of the scene kept in single precision, read as a Vec3.
struct Float3 {
    float x = 0;
    float y = 0;
    float z = 0;

    operator Vec3() const { return {x, y, z}; }
};

// The boxes of a scene sorted into the cells of a regular grid by the centre of their sphere, so
// that a frame looks at the cells it sees rather than at every box. Each cell knows the bounds of
// its centres and its largest radius, which may be looser than its boxes after edits but never
// tighter. Ranks follow the scene's spheres: the owner calls erase, insert and place whenever it
// erases, inserts or rebuilds spheres.
class SphereGrid {
public:
    // What a frame reads of a box, kept beside its rank so that a cell's boxes lie together: its
    // sphere, whose centre and radius are single-precision values.
    struct Entry {
        Float3 centre;
        float radius;
        std::uint32_t rank;
        bool drawable;
    };
    static Entry entryOf(std::size_t rank, const BoxSphere& sphere);

    // Coarser and coarser samples of a cell: at level L, one of its boxes in each of the 2^L by
    // 2^L by 2^L parts of its bounds that hold any. A far cell whose parts fall within a pixel
    // draws those boxes for all of its own.
    static constexpr int sampleLevels = 4;

    struct Cell {
        Vec3 low;
        Vec3 high;
        double largestRadius = 0;
        // Boxes without a solid, drawn as crosses and never sampled.
        std::size_t crossCount = 0;
        // The samples lead, coarsest first: the sample of level L is the first sampleCounts[L]
        // entries, so that a far cell's frame reads a few neighbouring entries.
        std::vector<Entry> entries;
        std::array<std::uint32_t, sampleLevels> sampleCounts{};
    };

    // Sorts every sphere, in cells of a few dozen boxes over the extent of their centres.
    void build(const std::vector<BoxSphere>& spheres);
    // These ranks are gone, ascending as they were numbered before; the later ones move down.
    void erase(const std::vector<std::size_t>& ranks);
    // Room for new boxes at these ranks, ascending as they are numbered after the insertion; the
    // later ones move up. The new ranks are in no cell until placed.
    void insert(const std::vector<std::size_t>& ranks);
    // Puts the rank in the cell where its sphere now stands, leaving the cell it was in.
    void place(std::size_t rank, const BoxSphere& sphere);

    const std::vector<Cell>& cells() const { return cells_; }
    // The index of the cell holding the rank.
    std::size_t cellOf(std::size_t rank) const { return cellOf_[rank]; }
    std::size_t size() const { return cellOf_.size(); }

private:
    std::size_t cellAt(const Vec3& point) const;
    // Into its cell, the cell's samples left as they were; returns the cell's index.
    std::size_t put(std::size_t rank, const BoxSphere& sphere);
    void leave(std::size_t rank);

    static constexpr std::uint32_t nowhere = UINT32_MAX;

    Vec3 origin_;
    double side_ = 1;
    std::size_t columns_ = 1, rows_ = 1, layers_ = 1;
    std::vector<Cell> cells_;
    // By rank: the cell holding it, or nowhere.
    std::vector<std::uint32_t> cellOf_;
};
