#pragma once

#include "playlimits.h"
#include "vec3.h"

#include <array>
#include <cstddef>
#include <optional>

// A face of a solid, in the scene's coordinates.
struct FaceOutline {
    // Enough for any face six planes cut: its other five planes bound it.
    static constexpr std::size_t MAX_CORNERS = 8;
    std::array<Vec3, MAX_CORNERS> corners;
    std::size_t count = 0;
    Vec3 normal;       // of unit length, out of the solid
    double offset = 0; // normal · p for the points p of the face's plane
};

// The outline of a face given its corners in order, or nothing when they are too many or span
// no area.
std::optional<FaceOutline> faceOutline(const Vec3* corners, std::size_t count);

// The cosine of one degree: normals within a degree of opposite face each other.
inline constexpr double FACING_COSINE = 0.99984769515639124;

// Whether two faces' normals are opposite within a degree.
inline bool faceEachOther(const FaceOutline& a, const FaceOutline& b) {
    return dot(a.normal, b.normal) <= -FACING_COSINE;
}

// The gap between two faces of different solids that leave a seam: normals opposite within a
// degree, outlines overlapping by at least a sixteenth of a square unit seen along the first
// face's normal, the narrowest gap over that overlap wider than the tolerance and narrower than
// the seam width. Nothing when they leave no seam.
std::optional<double> seamGap(const FaceOutline& a, const FaceOutline& b, double seamWidth);

// The height between two walkable faces that meet seen from above: the smallest difference of
// their heights where their outlines meet, within the tolerance, seen from above, when it is
// wider than the tolerance and narrower than the smallest step. Nothing otherwise.
std::optional<double> stepHeight(const FaceOutline& a, const FaceOutline& b, double minStep);
