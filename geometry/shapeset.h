#pragma once

#include "solid.h"
#include "vec3.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The closed solids of a scene, one entry per rank, packed for the touch tests: their vertices,
// their bounds, and the distinct directions of their faces and edges. Far smaller than the
// solids themselves, so that a whole scene can be kept while each solid is built in turn. Most
// solids of a scene are upright or turned alike: solids whose single-precision directions are
// equal share one orientation, kept once.
class ShapeSet {
public:
    void reserve(std::size_t solidCount);
    // Adds the next rank: the solid's shape if it is closed, an absent entry otherwise.
    void add(const Solid& solid);
    // Adds the ranks of the other set after these, in its order: shapes made apart, by several
    // threads, join into one set.
    void append(const ShapeSet& other);
    // Leaves no rank, keeping the room taken for the next ones.
    void clear();
    // The entry of a rank replaced by, or a rank inserted before it as, the one entry of a set of
    // one solid; and a rank taken out, the ranks above it moving down. An edited scene changes a
    // few ranks: what they held is left in place until it outweighs what is in use.
    void replace(std::size_t rank, const ShapeSet& single);
    void insert(std::size_t rank, const ShapeSet& single);
    void erase(std::size_t rank);
    std::size_t size() const { return entries_.size(); }
    // How many distinct orientations the present solids have, at most: those of solids replaced
    // or taken out may stay until the set is compacted.
    std::size_t orientationCount() const { return orientations_.size(); }
    bool present(std::size_t rank) const {
        return rank < entries_.size() && entries_[rank].vertexCount != 0;
    }
    // Bounds that contain the solid's, rounded outward to single precision.
    Vec3 boundsMin(std::size_t rank) const { return toVec3(entries_[rank].low); }
    Vec3 boundsMax(std::size_t rank) const { return toVec3(entries_[rank].high); }
    // Vertex i of a present solid, numbered as the solid numbers them, within a sixteenth of
    // the tolerance.
    Vec3 vertex(std::size_t rank, std::size_t index) const;
    // Whether two present solids overlap or touch: no axis separates them by more than the
    // tolerance. The axes are the normals of both solids' faces and the cross products of their
    // edges, which suffice for two convex solids.
    bool touch(std::size_t a, std::size_t b) const;

private:
    using Float3 = std::array<float, 3>;

    // The first orientations of a set, a scene's handful, keep the axes of each pair of them.
    static constexpr std::uint32_t PAIRED_ORIENTATIONS = 16;

    // How an entry's vertices are kept.
    enum class VertexForm : std::uint8_t {
        // In offsets_ from firstVertex on, each vertex from the lowest corner of the bounds.
        Offsets,
        // In the entry's frame: one corner from the lowest corner of the bounds, then the three
        // edges from it that span a parallelepiped, half the memory of its eight corners, read
        // with the bounds the broad phase has just read.
        Parallelepiped,
        // In exactVertices_ from firstVertex on, the solid being too large for single-precision
        // offsets from its lowest corner to stay far below the tolerance.
        Exact,
    };

    struct Entry {
        Float3 low;
        Float3 high;
        std::uint32_t orientation = 0;
        std::uint32_t firstVertex = 0;
        std::uint8_t vertexCount = 0;
        VertexForm form = VertexForm::Offsets;
        std::array<Float3, 4> frame{};
    };
    // The directions of the faces and edges of the solids turned alike.
    struct Orientation {
        // In axes_, the face axes followed by the edge axes.
        std::uint32_t firstAxis = 0;
        // In ownCrossAxes_: the cross products of the orientation's own edges, as units, that
        // are along no face axis. Two solids of one orientation need no other axis.
        std::uint32_t firstOwnCrossAxis = 0;
        std::uint8_t faceAxisCount = 0;
        std::uint8_t edgeAxisCount = 0;
        std::uint8_t ownCrossAxisCount = 0;
    };
    struct AxisList {
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };
    struct Range {
        double low;
        double high;
    };

    static Vec3 toVec3(const Float3& value) { return {value[0], value[1], value[2]}; }
    Range project(const Entry& entry, const Vec3& axis) const;
    // Whether no axis separates the two by more than the tolerance.
    bool apartAlong(const Entry& first, const Entry& second, const Vec3& axis) const;
    const Float3* faceAxes(const Orientation& orientation) const {
        return axes_.data() + orientation.firstAxis;
    }
    const Float3* edgeAxes(const Orientation& orientation) const {
        return axes_.data() + orientation.firstAxis + orientation.faceAxisCount;
    }
    bool hasFaceAxis(const Orientation& orientation, const Float3& direction) const;
    // Whether the two have the same edge axes in the same order, each perhaps reversed.
    bool sameEdgeAxes(const Orientation& first, const Orientation& second) const;
    // Visits the axes that may separate two solids of these orientations, as units, until the
    // visit returns true; returns whether it did. Face axes come first: they part most pairs.
    template <typename Visit>
    bool forEachAxisApart(const Orientation& first, const Orientation& second, Visit visit) const;
    void addPairAxes(std::uint32_t first, std::uint32_t second);

    // Whether the vector, or its exact opposite, was met already among the solid's faces or
    // edges: its direction then adds nothing, and is not worked out again. Notes it otherwise.
    // Most parallel edges of an upright box are the same vector to the bit.
    bool seenAlready(const Vec3& vector);
    // The orientation of these axes, added if no solid has it yet.
    std::uint32_t orientationOf(const Float3* axes, std::size_t faceAxisCount,
                                std::size_t edgeAxisCount);
    bool isOrientation(std::uint32_t index, const Float3* axes, std::size_t faceAxisCount,
                       std::size_t edgeAxisCount) const;
    void addOwnCrossAxes(Orientation& orientation);
    void indexOrientation(std::uint32_t index);
    // Notes the orientation among the recent ones, and returns it.
    std::uint32_t remembered(std::uint32_t orientation);
    // The orientation of the other set, as this set numbers it.
    std::uint32_t adoptedOrientation(const ShapeSet& other, std::uint32_t index);

    // The entry of the set of one solid, its data added after this set's own.
    Entry adopted(const ShapeSet& single);
    // How many values the entry's vertices take outside the entry.
    static std::size_t weightOf(const Entry& entry);
    void leaveBehind(const Entry& entry);
    // Copies the data in use into fresh storage, leaving out what replaced entries held.
    void compact();

    std::vector<Entry> entries_;
    // Stored values no entry refers to any more.
    std::size_t unused_ = 0;
    std::vector<Float3> offsets_;
    std::vector<Vec3> exactVertices_;
    std::vector<Orientation> orientations_;
    // Any direction serves as an axis, so directions are kept in single precision; positions
    // along them are computed in double precision, when needed rather than kept, as fresh
    // memory costs more than the projection.
    std::vector<Float3> axes_;
    std::vector<Vec3> ownCrossAxes_;
    // The orientations by the hash of their axes: each slot holds an index, plus one.
    std::vector<std::uint32_t> orientationSlots_;
    // The orientations found last, tried before the others: neighbours in a scene are mostly
    // turned alike, or in a few ways over and over.
    std::array<std::uint32_t, 4> recentOrientations_{};
    std::size_t nextRecent_ = 0;
    // For the orientations a and b below PAIRED_ORIENTATIONS, a > b, the axes in
    // pairAxisValues_ of their pair at a * PAIRED_ORIENTATIONS + b.
    std::vector<AxisList> pairAxes_;
    std::vector<Vec3> pairAxisValues_;
    // The directions of the solid being added, kept in double precision to tell the new ones,
    // and the same in single precision, face axes first.
    std::vector<Vec3> directions_;
    std::vector<Float3> newAxes_;
    // The vectors of the solid's faces or edges whose directions were taken already.
    std::vector<Vec3> seen_;
};
