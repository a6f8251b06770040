#include "facepairs.h"

#include "polygon2d.h"
#include "solid.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

// The least overlap of two faces seen along their normal, in square units, for a seam.
constexpr double SEAM_AREA = 1.0 / 16;

// Two directions across the normal, turning as x and y do about z.
std::pair<Vec3, Vec3> basisAcross(const Vec3& normal) {
    const Vec3 axis = std::fabs(normal.x) < 0.5 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
    Vec3 u = cross(axis, normal);
    u = u * (1.0 / length(u));
    return {u, cross(normal, u)};
}

// The face seen along a direction, counter-clockwise, relative to an origin.
Polygon2 projected(const FaceOutline& face, const Vec3& origin, const Vec3& u, const Vec3& v) {
    Polygon2 polygon;
    for (std::size_t i = 0; i < face.count; ++i) {
        const Vec3 relative = face.corners[i] - origin;
        polygon.push_back({dot(relative, u), dot(relative, v)});
    }
    if (signedArea(polygon) < 0) {
        std::reverse(polygon.begin(), polygon.end());
    }
    return polygon;
}

// The range of distances, along a's normal, from a's corners to b's plane.
std::pair<double, double> distancesToPlane(const FaceOutline& a, const FaceOutline& b) {
    const double along = dot(b.normal, a.normal);
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (std::size_t i = 0; i < a.count; ++i) {
        const double distance = (b.offset - dot(b.normal, a.corners[i])) / along;
        low = std::min(low, distance);
        high = std::max(high, distance);
    }
    return {low, high};
}

// The height of a face's plane above the point (x, y).
double heightAt(const FaceOutline& face, double x, double y) {
    return (face.offset - face.normal.x * x - face.normal.y * y) / face.normal.z;
}

std::pair<double, double> heightRange(const FaceOutline& face) {
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (std::size_t i = 0; i < face.count; ++i) {
        low = std::min(low, face.corners[i].z);
        high = std::max(high, face.corners[i].z);
    }
    return {low, high};
}

} // namespace

std::optional<FaceOutline> faceOutline(const Vec3* corners, std::size_t count) {
    if (count < 3 || count > FaceOutline::MAX_CORNERS) {
        return std::nullopt;
    }
    FaceOutline face;
    face.count = count;
    std::copy(corners, corners + count, face.corners.begin());
    // Newell's normal, relative to the first corner so that far faces keep it exact.
    Vec3 normal;
    Vec3 centre;
    for (std::size_t i = 0; i < count; ++i) {
        const Vec3 here = corners[i] - corners[0];
        const Vec3 next = corners[(i + 1) % count] - corners[0];
        normal = normal + cross(here, next);
        centre = centre + corners[i];
    }
    const double twiceArea = length(normal);
    if (twiceArea == 0) {
        return std::nullopt;
    }
    face.normal = normal * (1.0 / twiceArea);
    face.offset = dot(face.normal, centre * (1.0 / static_cast<double>(count)));
    return face;
}

std::optional<double> seamGap(const FaceOutline& a, const FaceOutline& b, double seamWidth) {
    if (!faceEachOther(a, b)) {
        return std::nullopt;
    }
    // The gap over the overlap lies within its range over a's whole face: most pairs of faces
    // that touch, or lie far apart, need no overlap.
    const auto [nearest, farthest] = distancesToPlane(a, b);
    if (farthest <= GEOMETRY_TOLERANCE || nearest >= seamWidth) {
        return std::nullopt;
    }
    const auto [u, v] = basisAcross(a.normal);
    const Vec3& origin = a.corners[0];
    const Polygon2 overlap = clipConvex(projected(a, origin, u, v), projected(b, origin, u, v));
    if (overlap.size() < 3 || signedArea(overlap) < SEAM_AREA) {
        return std::nullopt;
    }
    // The gap varies linearly over the overlap: its narrowest is at a corner.
    const double along = dot(b.normal, a.normal);
    double gap = std::numeric_limits<double>::infinity();
    for (const Point2& point : overlap) {
        const Vec3 onA =
            origin + u * point.x + v * point.y + a.normal * (a.offset - dot(a.normal, origin));
        gap = std::min(gap, (b.offset - dot(b.normal, onA)) / along);
    }
    if (gap <= GEOMETRY_TOLERANCE || gap >= seamWidth) {
        return std::nullopt;
    }
    return gap;
}

std::optional<double> stepHeight(const FaceOutline& a, const FaceOutline& b, double minStep) {
    const auto [lowA, highA] = heightRange(a);
    const auto [lowB, highB] = heightRange(b);
    const double leastDifference = lowA - highB;
    const double mostDifference = highA - lowB;
    if ((leastDifference >= -GEOMETRY_TOLERANCE && mostDifference <= GEOMETRY_TOLERANCE) ||
        leastDifference >= minStep || mostDifference <= -minStep) {
        return std::nullopt;
    }
    const Vec3& origin = a.corners[0];
    const Vec3 u{1, 0, 0};
    const Vec3 v{0, 1, 0};
    const Polygon2 meeting =
        clipConvex(projected(b, origin, u, v), projected(a, origin, u, v), GEOMETRY_TOLERANCE);
    if (meeting.empty()) {
        return std::nullopt;
    }
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -lowest;
    for (const Point2& point : meeting) {
        const double x = origin.x + point.x;
        const double y = origin.y + point.y;
        const double difference = heightAt(a, x, y) - heightAt(b, x, y);
        lowest = std::min(lowest, difference);
        highest = std::max(highest, difference);
    }
    // Faces that cross where they meet are flush there.
    const double height = lowest > 0 ? lowest : highest < 0 ? -highest : 0;
    if (height <= GEOMETRY_TOLERANCE || height >= minStep) {
        return std::nullopt;
    }
    return height;
}
