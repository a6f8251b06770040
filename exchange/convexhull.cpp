#include "convexhull.h"

extern "C" {
#include <libqhull_r/qhull_ra.h>
}

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <limits>
#include <tuple>

namespace {

// The volume enclosed by faces given as polygons of the points themselves, each cut into a fan of
// triangles and each triangle joined to an inner point. The corners of a face found with a
// tolerance, or of a facet Qhull merged, need not lie on one plane: a fan over its own points is
// a surface within the hull, so the volume never passes the hull's. Of the fans from each
// corner, the largest is taken: for a face of four corners, one a little below the others, it
// is the hull's own, where another would cut a dent.
class FanVolume {
public:
    explicit FanVolume(const Vec3& inner) : inner_(inner) {}

    // corners: in order around the face, counter-clockwise seen from outside.
    void addFace(const std::vector<Vec3>& corners) {
        const std::size_t k = corners.size();
        if (k < 3) {
            return;
        }
        // The fan from corner p sums (c[p] - inner) · edge(i) over the edges i not at p, where
        // edge(i) = (c[i] - inner) × (c[i + 1] - inner): all of them less the two at p.
        edges_.resize(k);
        Vec3 all;
        for (std::size_t i = 0; i < k; ++i) {
            edges_[i] = cross(corners[i] - inner_, corners[(i + 1) % k] - inner_);
            all = all + edges_[i];
        }
        double largest = -std::numeric_limits<double>::infinity();
        for (std::size_t p = 0; p < k; ++p) {
            const Vec3 others = all - edges_[(p + k - 1) % k] - edges_[p];
            largest = std::max(largest, dot(corners[p] - inner_, others));
        }
        sum_ += largest;
    }

    double volume() const { return sum_ / 6; }

private:
    Vec3 inner_;
    std::vector<Vec3> edges_;
    double sum_ = 0;
};

// Qhull reports why a hull fails on a stream; a flat mesh is an expected outcome here, told to
// the caller as nothing, so its messages go nowhere.
std::FILE* silentStream() {
    static std::FILE* const stream = std::fopen("/dev/null", "w");
    return stream;
}

// Owns one run of Qhull and frees its memory whatever happens.
class QhullRun {
public:
    QhullRun() { qh_zero(&qh_, silentStream()); }
    ~QhullRun() {
        qh_freeqhull(&qh_, !qh_ALL);
        int longBlocks = 0;
        int longBytes = 0;
        qh_memfreeshort(&qh_, &longBlocks, &longBytes);
    }
    QhullRun(const QhullRun&) = delete;
    QhullRun& operator=(const QhullRun&) = delete;

    // "Qs" tries every point for the first simplex, which finds thin slabs that the default
    // choice may take for flat.
    bool run(std::vector<coordT>& coordinates) {
        char flags[] = "qhull Qs";
        return qh_new_qhull(&qh_, 3, static_cast<int>(coordinates.size() / 3), coordinates.data(),
                            False, flags, nullptr, silentStream()) == 0;
    }

    qhT* get() { return &qh_; }

private:
    qhT qh_{};
};

std::optional<ConvexHull> qhullHull(const std::vector<Vec3>& points) {
    std::vector<coordT> coordinates;
    coordinates.reserve(points.size() * 3);
    for (const Vec3& point : points) {
        coordinates.insert(coordinates.end(), {point.x, point.y, point.z});
    }
    QhullRun run;
    if (!run.run(coordinates)) {
        return std::nullopt;
    }
    qhT* qh = run.get();
    qh_getarea(qh, qh->facet_list);
    ConvexHull hull;
    // Qhull's own total measures merged facets from their fitted planes, which near-coplanar
    // points can lift above the points: the volume comes from the facets' vertices instead.
    FanVolume volume(Vec3{qh->interior_point[0], qh->interior_point[1], qh->interior_point[2]});
    std::vector<Vec3> corners;
    facetT* facet = nullptr;
    FORALLfacets {
        if (facet->normal == nullptr) {
            continue;
        }
        const Vec3 normal{facet->normal[0], facet->normal[1], facet->normal[2]};
        hull.faces.push_back({normal, facet->f.area});
        setT* ordered = qh_facet3vertex(qh, facet);
        corners.clear();
        vertexT* vertex = nullptr;
        vertexT** vertexp = nullptr;
        FOREACHvertex_(ordered) {
            corners.push_back({vertex->point[0], vertex->point[1], vertex->point[2]});
        }
        qh_settempfree(qh, &ordered);
        Vec3 newell;
        for (std::size_t i = 0; i < corners.size(); ++i) {
            newell = newell + cross(corners[i], corners[(i + 1) % corners.size()]);
        }
        if (dot(newell, normal) < 0) {
            std::reverse(corners.begin(), corners.end());
        }
        volume.addFace(corners);
    }
    hull.volume = volume.volume();
    vertexT* vertex = nullptr;
    FORALLvertices {
        hull.vertices.push_back({vertex->point[0], vertex->point[1], vertex->point[2]});
    }
    if (!(hull.volume > 0) || hull.faces.size() < 4) {
        return std::nullopt;
    }
    return hull;
}

// Up to this many distinct points, the hull is found by trying every plane through three of
// them: far quicker than starting Qhull for the eight corners of a box-shaped mesh.
constexpr std::size_t SMALL_CLOUD = 16;

struct Point2 {
    double x = 0;
    double y = 0;
};

// The indices of the points' convex polygon, counter-clockwise (Andrew's monotone chain).
std::vector<std::size_t> convexPolygon(const std::vector<Point2>& points) {
    std::vector<std::size_t> order(points.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::tie(points[a].x, points[a].y) < std::tie(points[b].x, points[b].y);
    });
    if (order.size() < 3) {
        return order;
    }
    const auto turn = [&](std::size_t o, std::size_t a, std::size_t b) {
        return (points[a].x - points[o].x) * (points[b].y - points[o].y) -
               (points[a].y - points[o].y) * (points[b].x - points[o].x);
    };
    std::vector<std::size_t> hull(2 * order.size());
    std::size_t k = 0;
    for (std::size_t i : order) {
        while (k >= 2 && turn(hull[k - 2], hull[k - 1], i) <= 0) {
            --k;
        }
        hull[k++] = i;
    }
    const std::size_t lowerSize = k + 1;
    for (std::size_t j = order.size() - 1; j-- > 0;) {
        while (k >= lowerSize && turn(hull[k - 2], hull[k - 1], order[j]) <= 0) {
            --k;
        }
        hull[k++] = order[j];
    }
    hull.resize(k - 1);
    return hull;
}

// One face of a small hull: the points on it, in order around it, with its exact normal and
// area from Newell's formula over that polygon.
struct SmallFace {
    Vec3 normal;
    double offset = 0;
    double area = 0;
    std::vector<std::size_t> corners;
};

std::optional<SmallFace> faceOn(const std::vector<Vec3>& points, const Vec3& outward, double offset,
                                double tolerance) {
    const Vec3 helper = std::fabs(outward.x) < 0.6 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
    Vec3 u = cross(helper, outward);
    u = u * (1 / length(u));
    const Vec3 v = cross(outward, u);
    std::vector<std::size_t> on;
    std::vector<Point2> projected;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (std::fabs(dot(outward, points[i]) - offset) <= tolerance) {
            on.push_back(i);
            projected.push_back({dot(points[i], u), dot(points[i], v)});
        }
    }
    const std::vector<std::size_t> polygon = convexPolygon(projected);
    if (polygon.size() < 3) {
        return std::nullopt;
    }
    SmallFace face;
    Vec3 newell;
    double sum = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Vec3& a = points[on[polygon[i]]];
        const Vec3& b = points[on[polygon[(i + 1) % polygon.size()]]];
        newell = newell + cross(a, b);
        sum += dot(outward, a);
        face.corners.push_back(on[polygon[i]]);
    }
    const double size = length(newell);
    if (!(size > 0)) {
        return std::nullopt;
    }
    face.area = size / 2;
    face.normal = newell * (1 / size);
    if (dot(face.normal, outward) < 0) {
        face.normal = -face.normal;
    }
    face.offset = sum / static_cast<double>(polygon.size());
    return face;
}

std::optional<ConvexHull> smallHull(const std::vector<Vec3>& points) {
    Vec3 centroid;
    for (const Vec3& p : points) {
        centroid = centroid + p;
    }
    centroid = centroid * (1.0 / static_cast<double>(points.size()));
    double spread = 0;
    double reach = 0;
    for (const Vec3& p : points) {
        spread = std::max(spread, length(p - centroid));
        reach = std::max({reach, std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
    }
    // Points this near a plane lie on it: a few roundings of single precision, in which models
    // carry their vertices, at the distance of the farthest from the origin.
    const double tolerance = 4e-7 * (spread + reach);
    std::vector<SmallFace> faces;
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            for (std::size_t k = j + 1; k < n; ++k) {
                const Vec3 e1 = points[j] - points[i];
                const Vec3 e2 = points[k] - points[i];
                const Vec3 c = cross(e1, e2);
                const double size = length(c);
                // A triangle thinner than the tolerance does not tell a direction.
                if (!(size > tolerance * (length(e1) + length(e2)))) {
                    continue;
                }
                Vec3 normal = c * (1 / size);
                double offset = dot(normal, points[i]);
                double above = 0;
                double below = 0;
                for (const Vec3& p : points) {
                    above = std::max(above, dot(normal, p) - offset);
                    below = std::min(below, dot(normal, p) - offset);
                }
                if (above > tolerance) {
                    if (below < -tolerance) {
                        continue;
                    }
                    normal = -normal;
                    offset = -offset;
                }
                const bool known = std::any_of(faces.begin(), faces.end(), [&](const SmallFace& f) {
                    return dot(f.normal, normal) > 1 - 1e-6 &&
                           std::fabs(dot(f.normal, points[i]) - f.offset) <= tolerance;
                });
                if (known) {
                    continue;
                }
                if (std::optional<SmallFace> face = faceOn(points, normal, offset, tolerance)) {
                    faces.push_back(std::move(*face));
                }
            }
        }
    }
    ConvexHull hull;
    std::vector<bool> corner(n, false);
    FanVolume volume(centroid);
    std::vector<Vec3> corners;
    for (const SmallFace& face : faces) {
        hull.faces.push_back({face.normal, face.area});
        corners.clear();
        for (std::size_t index : face.corners) {
            corner[index] = true;
            corners.push_back(points[index]);
        }
        volume.addFace(corners);
    }
    hull.volume = volume.volume();
    for (std::size_t i = 0; i < n; ++i) {
        if (corner[i]) {
            hull.vertices.push_back(points[i]);
        }
    }
    if (hull.faces.size() < 4 || !(hull.volume > tolerance * spread * spread)) {
        return std::nullopt;
    }
    return hull;
}

} // namespace

std::optional<ConvexHull> convexHull(const std::vector<Vec3>& points) {
    // Meshes repeat a corner once per face that has its own normal there.
    std::vector<Vec3> distinct = points;
    const auto order = [](const Vec3& a, const Vec3& b) {
        return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z);
    };
    std::sort(distinct.begin(), distinct.end(), order);
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    if (distinct.size() < 4) {
        return std::nullopt;
    }
    return distinct.size() <= SMALL_CLOUD ? smallHull(distinct) : qhullHull(distinct);
}
