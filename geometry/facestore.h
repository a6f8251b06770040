#pragma once

#include "facepairs.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class ShapeSet;
struct Solid;

// The faces of one box, plane by plane.
struct BoxFaces {
    std::array<std::optional<FaceOutline>, 6> faces;
    std::uint8_t walkable = 0; // bit p for plane p
    std::uint8_t built = 0;    // bit p when faces[p] holds plane p's outline, if it has one
};

// The faces of every box of a scene, kept as indices into the vertices the shapes keep: a few
// bytes a box, where the outlines themselves would take more than a kilobyte. Outlines are built
// again when a FaceReader asks for them.
class FaceStore {
public:
    void reserve(std::size_t boxCount);
    // The next rank: the faces of the solid if it is closed, none otherwise; walkable: bit p
    // for each plane p a character stands on.
    void add(const Solid& solid, std::uint8_t walkable);
    // The boxes of the other store as the next ranks, as if added here one by one.
    void append(const FaceStore& other);
    void clear();
    // As ShapeSet's: the entry of a rank replaced by, or inserted as, the one entry of a store
    // of one box, or taken out.
    void replace(std::size_t rank, const FaceStore& single);
    void insert(std::size_t rank, const FaceStore& single);
    void erase(std::size_t rank);
    std::size_t size() const { return boxes_.size(); }
    std::uint8_t walkable(std::size_t rank) const { return boxes_[rank].walkable; }
    // Builds the outlines of the planes given that faces lacks.
    void build(const ShapeSet& shapes, std::size_t rank, std::uint8_t planes,
               BoxFaces& faces) const;

private:
    struct Indices {
        std::uint32_t first = 0;
        std::array<std::uint8_t, 6> sizes{};
        std::uint8_t walkable = 0;
    };

    Indices adopted(const FaceStore& single);
    static std::size_t cornerCount(const Indices& indices);
    void leaveBehind(const Indices& indices);

    std::vector<Indices> boxes_;
    // The corners of every face, as indices into its solid's vertices.
    std::vector<std::uint8_t> corners_;
    // Corners no box refers to any more.
    std::size_t unusedCorners_ = 0;
};

// The outlines of a store's faces as one thread asks for them, the last ones kept for boxes
// asked for again soon, as neighbours are. Each thread has its own. The outlines kept are found
// by rank: a reader serves until the store changes.
class FaceReader {
public:
    FaceReader(const FaceStore& store, const ShapeSet& shapes) : store_(store), shapes_(shapes) {}

    // The faces of two boxes present in the shapes, both valid until the next call: at least
    // those of the planes given, bit p for plane p.
    std::pair<const BoxFaces*, const BoxFaces*> facesOf(std::size_t a, std::size_t b,
                                                        std::uint8_t planes);

private:
    struct Cached {
        std::size_t rank = SIZE_MAX;
        BoxFaces faces;
    };

    const BoxFaces& cached(std::size_t rank, std::uint8_t planes);

    const FaceStore& store_;
    const ShapeSet& shapes_;
    std::vector<Cached> cache_;
    BoxFaces spare_;
};
