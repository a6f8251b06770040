#include "polygon2d.h"

#include <cmath>
#include <cstddef>

namespace {

double crossOf(const Point2& origin, const Point2& a, const Point2& b) {
    return (a.x - origin.x) * (b.y - origin.y) - (a.y - origin.y) * (b.x - origin.x);
}

// Keeps the part of the polygon on the left of the edge from a to b, the edge moved outward
// (to its right) by the margin.
Polygon2 clipByEdge(const Polygon2& polygon, const Point2& a, const Point2& b, double margin) {
    const double edgeLength = std::hypot(b.x - a.x, b.y - a.y);
    if (edgeLength == 0) {
        return polygon;
    }
    // How far left of the moved edge a point lies, scaled by the edge's length.
    const auto inside = [&](const Point2& p) { return crossOf(a, b, p) + margin * edgeLength; };
    Polygon2 kept;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Point2& current = polygon[i];
        const Point2& next = polygon[(i + 1) % polygon.size()];
        const double here = inside(current);
        const double there = inside(next);
        if (here >= 0) {
            kept.push_back(current);
        }
        if ((here >= 0) != (there >= 0)) {
            const double t = here / (here - there);
            kept.push_back(
                {current.x + (next.x - current.x) * t, current.y + (next.y - current.y) * t});
        }
    }
    return kept;
}

} // namespace

Polygon2 clipConvex(const Polygon2& subject, const Polygon2& clip, double margin) {
    Polygon2 result = subject;
    for (std::size_t i = 0; i < clip.size() && !result.empty(); ++i) {
        result = clipByEdge(result, clip[i], clip[(i + 1) % clip.size()], margin);
    }
    return result;
}

double signedArea(const Polygon2& polygon) {
    double twice = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Point2& a = polygon[i];
        const Point2& b = polygon[(i + 1) % polygon.size()];
        twice += a.x * b.y - a.y * b.x;
    }
    return twice / 2;
}
