#pragma once

#include "vec3.h"

#include <array>
#include <optional>
#include <vector>

// A box turned in space: its centre, its three axes (orthonormal, right-handed) and its half
// sizes along them.
struct OrientedBox {
    Vec3 centre;
    std::array<Vec3, 3> axes;
    Vec3 halfSizes;

    double volume() const { return 8 * halfSizes.x * halfSizes.y * halfSizes.z; }
};

// How a cloud of points fits its smallest box.
struct BoxFit {
    OrientedBox box;
    double hullVolume = 0;
    // For each axis, along it and then against it: the normal of the hull's largest face on that
    // side of the box when it lies within a thousandth of a radian of the axis, and the face is
    // wide enough for single-precision vertices to tell its direction far better than a step of
    // 1/16384. The faces of a mesh made from six planes that are nearly but not exactly square
    // to each other, as fixed point writes them, keep their own normals this way.
    std::array<std::array<std::optional<Vec3>, 2>, 3> sideNormals;
};

// The smallest box around the points over the directions of their convex hull's faces: for each,
// the smallest rectangle around the hull seen along it. This finds the best box of every mesh that
// is a box, and one within a small factor of the best for any other. Of the equal ways to name
// the axes of the box found, the one nearest the scene's X, Y and Z is taken, so that a box
// already along them keeps its axes in order. Nothing when the points span no volume.
std::optional<BoxFit> fitOrientedBox(const std::vector<Vec3>& points);
