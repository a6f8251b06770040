#pragma once

#include "vec3.h"

#include <optional>
#include <vector>

// The convex hull of a cloud of points: its corners, the outward unit normal and area of each of
// its faces (coplanar triangles merged into one face), and its volume.
struct ConvexHull {
    struct Face {
        Vec3 normal;
        double area = 0;
    };
    std::vector<Vec3> vertices;
    std::vector<Face> faces;
    double volume = 0;
};

// Nothing when the points span no volume: fewer than four, or all on one plane or line.
std::optional<ConvexHull> convexHull(const std::vector<Vec3>& points);
