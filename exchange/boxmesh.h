#pragma once

#include "boxvalues.h"
#include "solid.h"
#include "vec3.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// A box's solid as a model shows it: its corners, and each face of the solid once, in plane
// order, with its corners counter-clockwise seen from outside and its outward unit normal.
//
// Most boxes of a scene are parallelepipeds whose opposite planes face each other exactly; their
// eight corners are computed here directly, by the very arithmetic of buildSolid, so that they
// are the same to the bit, without the edges, bounds and volume a model has no use for. Any
// other box goes through buildSolid.
class BoxMesh {
public:
    // How the faces join the corners: every parallelepiped built here alike, or the box's own.
    enum class Layout : std::uint8_t { Parallelepiped, Mirrored, Other };
    // Six planes meet three by three in at most twenty points.
    static constexpr std::size_t MOST_CORNERS = 20;

    // False when the box has no solid (empty, unbounded, flat, or a plane with no normal).
    bool build(const BoxValues& values);

    const std::vector<Vec3>& corners() const { return corners_; }
    std::size_t faceCount() const { return faceCount_; }
    // The corners of face f, as indices into corners().
    std::span<const std::uint8_t> face(std::size_t f) const {
        return {faceCorners_.data() + faceStarts_[f], faceStarts_[f + 1] - faceStarts_[f]};
    }
    const Vec3& normal(std::size_t f) const { return normals_[f]; }
    // The number of corners of all faces together.
    std::size_t faceCornerCount() const { return faceStarts_[faceCount_]; }
    Layout layout() const { return layout_; }

private:
    bool buildParallelepiped(const BoxValues& values);
    bool buildOther(const BoxValues& values);

    std::vector<Vec3> corners_;
    std::vector<std::uint8_t> faceCorners_;
    std::array<std::size_t, 7> faceStarts_{};
    std::array<Vec3, 6> normals_{};
    std::size_t faceCount_ = 0;
    Layout layout_ = Layout::Other;
    Solid solid_;
};
