#pragma once

#include "solid.h"
#include "vec3.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The closed solids of a scene, one entry per rank, packed for the touch tests: their vertices,
// the distinct directions of their faces and edges, and their bounds. Far smaller than the
// solids themselves, so that a whole scene can be kept while each solid is built in turn.
class ShapeSet {
public:
    void reserve(std::size_t solidCount);
    // Adds the next rank: the solid's shape if it is closed, an absent entry otherwise.
    void add(const Solid& solid);
    std::size_t size() const { return entries_.size(); }
    bool present(std::size_t rank) const {
        return rank < entries_.size() && entries_[rank].vertexCount != 0;
    }
    const Vec3& boundsMin(std::size_t rank) const { return entries_[rank].low; }
    const Vec3& boundsMax(std::size_t rank) const { return entries_[rank].high; }
    // Whether two present solids overlap or touch: no axis separates them by more than the
    // tolerance. The axes are the normals of both solids' faces and the cross products of their
    // edges, which suffice for two convex solids.
    bool touch(std::size_t a, std::size_t b) const;

private:
    // A face direction with the range the solid's own vertices cover along it.
    struct FaceAxis {
        Vec3 direction;
        double low = 0;
        double high = 0;
    };
    struct Entry {
        Vec3 low;
        Vec3 high;
        std::size_t firstVertex = 0;
        std::size_t firstFaceAxis = 0;
        std::size_t firstEdgeAxis = 0;
        std::uint8_t vertexCount = 0;
        std::uint8_t faceAxisCount = 0;
        std::uint8_t edgeAxisCount = 0;
    };

    bool separatedByFaces(const Entry& own, const Entry& other) const;

    std::vector<Entry> entries_;
    std::vector<Vec3> vertices_;
    std::vector<FaceAxis> faceAxes_;
    std::vector<Vec3> edgeAxes_;
};
