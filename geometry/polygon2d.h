#pragma once

#include <vector>

// Convex polygons of a plane, their corners counter-clockwise.

struct Point2 {
    double x = 0;
    double y = 0;
};

using Polygon2 = std::vector<Point2>;

// The part of the subject inside the convex clip polygon, each edge of the clip moved outward by
// the margin first (a margin of zero clips to the polygon itself). Empty when they do not meet.
Polygon2 clipConvex(const Polygon2& subject, const Polygon2& clip, double margin = 0);
// The signed area: positive when the corners turn counter-clockwise.
double signedArea(const Polygon2& polygon);
