#include "orientedbox.h"

#include "convexhull.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace {

// A hull of very many faces tries those of the largest areas: they are the faces a box would lie
// on, and the search stays quick on a dense mesh.
constexpr std::size_t MOST_DIRECTIONS = 1024;

struct Point2 {
    double x = 0;
    double y = 0;
};

double cross2(const Point2& o, const Point2& a, const Point2& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Counter-clockwise, without collinear points (Andrew's monotone chain).
std::vector<Point2> convexPolygon(std::vector<Point2> points) {
    std::sort(points.begin(), points.end(), [](const Point2& a, const Point2& b) {
        return a.x < b.x || (a.x == b.x && a.y < b.y);
    });
    if (points.size() < 3) {
        return points;
    }
    std::vector<Point2> hull(2 * points.size());
    std::size_t k = 0;
    for (const Point2& p : points) {
        while (k >= 2 && cross2(hull[k - 2], hull[k - 1], p) <= 0) {
            --k;
        }
        hull[k++] = p;
    }
    const std::size_t lowerSize = k + 1;
    for (std::size_t i = points.size() - 1; i-- > 0;) {
        while (k >= lowerSize && cross2(hull[k - 2], hull[k - 1], points[i]) <= 0) {
            --k;
        }
        hull[k++] = points[i];
    }
    hull.resize(k - 1);
    return hull;
}

struct Rectangle {
    Point2 direction;           // unit, along the first side
    double low = 0, high = 0;   // along direction
    double bottom = 0, top = 0; // along its left normal
    double area() const { return (high - low) * (top - bottom); }
};

double along(const Point2& a, const Point2& p) {
    return a.x * p.x + a.y * p.y;
}

// The smallest rectangle around a convex polygon has a side on one of the polygon's edges
// (rotating calipers): the three other sides' contact points only move forward as the edge does.
Rectangle smallestRectangle(const std::vector<Point2>& polygon) {
    const std::size_t n = polygon.size();
    const auto at = [&](std::size_t i) { return polygon[i % n]; };
    Rectangle best;
    double bestArea = std::numeric_limits<double>::infinity();
    std::size_t right = 0, top = 0, left = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Point2 edge{at(i + 1).x - at(i).x, at(i + 1).y - at(i).y};
        const double size = std::hypot(edge.x, edge.y);
        const Point2 d{edge.x / size, edge.y / size};
        const Point2 m{-d.y, d.x};
        if (i == 0) {
            right = top = left = 0;
            for (std::size_t j = 1; j < n; ++j) {
                right = along(d, polygon[j]) > along(d, polygon[right]) ? j : right;
                top = along(m, polygon[j]) > along(m, polygon[top]) ? j : top;
                left = along(d, polygon[j]) < along(d, polygon[left]) ? j : left;
            }
        } else {
            for (std::size_t step = 0; step < n && along(d, at(right + 1)) > along(d, at(right));
                 ++step) {
                right = (right + 1) % n;
            }
            for (std::size_t step = 0; step < n && along(m, at(top + 1)) > along(m, at(top));
                 ++step) {
                top = (top + 1) % n;
            }
            for (std::size_t step = 0; step < n && along(d, at(left + 1)) < along(d, at(left));
                 ++step) {
                left = (left + 1) % n;
            }
        }
        const Rectangle candidate{d, along(d, at(left)), along(d, at(right)), along(m, at(i)),
                                  along(m, at(top))};
        if (candidate.area() < bestArea) {
            bestArea = candidate.area();
            best = candidate;
        }
    }
    return best;
}

// Two unit vectors perpendicular to the normal and to each other, (u, v, normal) right-handed.
std::pair<Vec3, Vec3> planeBasis(const Vec3& normal) {
    const Vec3 helper = std::fabs(normal.x) < 0.6 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
    Vec3 u = cross(helper, normal);
    u = u * (1 / length(u));
    return {u, cross(normal, u)};
}

// The smallest box around the hull with one axis along the normal.
OrientedBox boxAlong(const Vec3& normal, const std::vector<Vec3>& vertices) {
    const auto [u, v] = planeBasis(normal);
    std::vector<Point2> projected;
    projected.reserve(vertices.size());
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const Vec3& p : vertices) {
        projected.push_back({dot(p, u), dot(p, v)});
        low = std::min(low, dot(p, normal));
        high = std::max(high, dot(p, normal));
    }
    const std::vector<Point2> polygon = convexPolygon(std::move(projected));
    OrientedBox box;
    if (polygon.size() < 3) {
        box.halfSizes = {0, 0, 0};
        return box;
    }
    const Rectangle r = smallestRectangle(polygon);
    const Vec3 first = u * r.direction.x + v * r.direction.y;
    const Vec3 second = cross(normal, first);
    box.axes = {first, second, normal};
    box.halfSizes = {(r.high - r.low) / 2, (r.top - r.bottom) / 2, (high - low) / 2};
    box.centre = first * ((r.low + r.high) / 2) + second * ((r.bottom + r.top) / 2) +
                 normal * ((low + high) / 2);
    return box;
}

double component(const Vec3& v, std::size_t axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// Of the 24 ways to name a box's axes (which axis comes first, and which way each points, kept
// right-handed), the one whose axes lie nearest X, Y and Z: the largest trace of the rotation.
OrientedBox nearestNaming(const OrientedBox& box) {
    static constexpr std::array<std::array<std::size_t, 3>, 6> ORDERS{
        {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}, {0, 2, 1}, {1, 0, 2}, {2, 1, 0}}};
    OrientedBox best = box;
    double bestTrace = -std::numeric_limits<double>::infinity();
    for (std::size_t o = 0; o < ORDERS.size(); ++o) {
        const auto& order = ORDERS[o];
        // An odd order turns the frame left-handed: the third axis is then turned round.
        const double parity = o < 3 ? 1 : -1;
        for (int signs = 0; signs < 4; ++signs) {
            const double s0 = (signs & 1) != 0 ? -1 : 1;
            const double s1 = (signs & 2) != 0 ? -1 : 1;
            const double s2 = s0 * s1 * parity;
            const std::array<Vec3, 3> axes{box.axes[order[0]] * s0, box.axes[order[1]] * s1,
                                           box.axes[order[2]] * s2};
            const double trace = axes[0].x + axes[1].y + axes[2].z;
            if (trace > bestTrace + 1e-12) {
                bestTrace = trace;
                best.axes = axes;
                best.halfSizes = {component(box.halfSizes, order[0]),
                                  component(box.halfSizes, order[1]),
                                  component(box.halfSizes, order[2])};
            }
        }
    }
    return best;
}

std::vector<Vec3> distinctDirections(std::vector<ConvexHull::Face> faces) {
    std::stable_sort(
        faces.begin(), faces.end(),
        [](const ConvexHull::Face& a, const ConvexHull::Face& b) { return a.area > b.area; });
    std::vector<Vec3> directions;
    for (const ConvexHull::Face& face : faces) {
        const double size = length(face.normal);
        if (!(size > 0)) {
            continue;
        }
        const Vec3 normal = face.normal * (1 / size);
        const bool known = std::any_of(directions.begin(), directions.end(), [&](const Vec3& d) {
            return std::fabs(dot(d, normal)) > 1 - 1e-12;
        });
        if (!known) {
            directions.push_back(normal);
            if (directions.size() == MOST_DIRECTIONS) {
                break;
            }
        }
    }
    return directions;
}

// Faces this near a box's side are taken as lying on it.
const double SIDE_COSINE = std::cos(1e-3);
// How far a face's direction may be off, in radians, for its normal to be taken: a sixth of a
// step of 1/16384 on a unit normal.
constexpr double RELIABLE_DIRECTION = 1e-5;
// The relative error of a vertex in single precision, as models carry them.
constexpr double SINGLE_PRECISION = 1.0 / (1 << 24);

// Whether the sides of a box along an axis are wide enough for their direction to be told from
// vertices rounded to single precision, however far from the origin the box lies.
bool wideEnough(const OrientedBox& box, std::size_t axis) {
    const std::array<double, 3> half{box.halfSizes.x, box.halfSizes.y, box.halfSizes.z};
    const double narrowest = 2 * std::min(half[(axis + 1) % 3], half[(axis + 2) % 3]);
    const double farthest = length(box.centre) + length(box.halfSizes);
    return farthest * SINGLE_PRECISION < RELIABLE_DIRECTION * narrowest;
}

std::array<std::array<std::optional<Vec3>, 2>, 3>
sideNormals(const OrientedBox& box, const std::vector<ConvexHull::Face>& faces) {
    std::array<std::array<std::optional<Vec3>, 2>, 3> sides;
    std::array<std::array<double, 2>, 3> areas{};
    for (const ConvexHull::Face& face : faces) {
        const double size = length(face.normal);
        if (!(size > 0)) {
            continue;
        }
        const Vec3 normal = face.normal * (1 / size);
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const double along = dot(normal, box.axes[axis]);
            const std::size_t side = along > 0 ? 0 : 1;
            if (std::fabs(along) > SIDE_COSINE && face.area > areas[axis][side] &&
                wideEnough(box, axis)) {
                areas[axis][side] = face.area;
                sides[axis][side] = normal;
            }
        }
    }
    return sides;
}

} // namespace

std::optional<BoxFit> fitOrientedBox(const std::vector<Vec3>& points) {
    const std::optional<ConvexHull> hull = convexHull(points);
    if (!hull) {
        return std::nullopt;
    }
    std::optional<OrientedBox> best;
    for (const Vec3& direction : distinctDirections(hull->faces)) {
        const OrientedBox box = boxAlong(direction, hull->vertices);
        if (box.volume() > 0 && (!best || box.volume() < best->volume())) {
            best = box;
        }
    }
    if (!best) {
        return std::nullopt;
    }
    const OrientedBox named = nearestNaming(*best);
    return BoxFit{named, hull->volume, sideNormals(named, hull->faces)};
}
