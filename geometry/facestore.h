#pragma once

#include "facepairs.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
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

// The faces of every box of a scene, kept as the corners of each face among the vertices the
// shapes keep, outlines being built again when a FaceReader asks for them. Which corners make
// which face is the same for most boxes (every box of six four-sided faces whose solid numbers its
// vertices alike): each such layout is kept once, and a box costs five bytes.
class FaceStore {
public:
    void reserve(std::size_t boxCount);
    // The next rank: the faces of the solid if it is closed, none otherwise; walkable: bit p
    // for each plane p a character stands on.
    void add(const Solid& solid, std::uint8_t walkable);
    // The boxes of the other store as the next ranks, as if added here one by one.
    void append(const FaceStore& other);
    void clear();
    std::size_t size() const { return layoutOf_.size(); }
    std::uint8_t walkable(std::size_t rank) const { return walkable_[rank]; }
    // How many different layouts of corners the boxes have.
    std::size_t layoutCount() const { return layouts_.size(); }
    // Builds the outlines of the planes given that faces lacks.
    void build(const ShapeSet& shapes, std::size_t rank, std::uint8_t planes,
               BoxFaces& faces) const;

private:
    // The corners of each face, plane by plane, as indices into a solid's vertices.
    struct Layout {
        std::array<std::uint8_t, 6> sizes{};
        std::uint32_t first = 0; // in corners_
    };

    // The layout of the sizes and corners given, added if it is new.
    std::uint32_t layoutFor(const std::array<std::uint8_t, 6>& sizes, const std::uint8_t* corners);
    bool holds(std::uint32_t layout, const std::array<std::uint8_t, 6>& sizes,
               const std::uint8_t* corners) const;

    std::vector<std::uint32_t> layoutOf_;
    std::vector<std::uint8_t> walkable_;
    std::vector<Layout> layouts_;
    std::vector<std::uint8_t> corners_;
    // The layouts by a hash of their sizes and corners; one whose hash is taken stays out.
    std::unordered_map<std::uint64_t, std::uint32_t> byHash_;
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
