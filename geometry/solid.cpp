#include "solid.h"

#include "parallelepiped.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

namespace {

constexpr std::size_t BOX_PLANES = 6;
// The box's planes and, when it does not close, those of a cube that closes it.
constexpr std::size_t MAX_PLANES = 12;
constexpr double FAR_LIMIT = 0x1p36;
// Below this sine two unit normals count as parallel: the planes would meet only absurdly far.
constexpr double PARALLEL_SINE = 1e-9;
// Each edge of a sure parallelepiped once.
constexpr std::array<std::array<std::size_t, 2>, 12> PARALLELEPIPED_EDGES = [] {
    std::array<std::array<std::size_t, 2>, 12> edges{};
    std::size_t count = 0;
    for (const auto& face : PARALLELEPIPED_FACES) {
        for (std::size_t i = 0; i < face.size(); ++i) {
            const std::array<std::size_t, 2> edge = {
                std::min(face[i], face[(i + 1) % face.size()]),
                std::max(face[i], face[(i + 1) % face.size()])};
            if (std::find(edges.begin(), edges.begin() + count, edge) == edges.begin() + count) {
                edges[count++] = edge;
            }
        }
    }
    return edges;
}();

struct UnitPlane {
    Vec3 normal;
    double distance = 0; // from the origin, along the normal
};

struct PlaneSet {
    std::array<UnitPlane, MAX_PLANES> planes;
    std::size_t count = 0;
};

using PlaneMask = std::uint16_t;

struct Corner {
    Vec3 point;
    PlaneMask onPlanes = 0;
};

// True when some direction leaves every half-space open: the solid, if not empty, is unbounded.
// Such a direction is an edge of the cone {u : normal · u <= 0 for every plane}, so it lies
// along the cross product of two of the normals.
bool hasOpenDirection(const PlaneSet& set) {
    bool anyPair = false;
    for (std::size_t i = 0; i < set.count; ++i) {
        for (std::size_t j = i + 1; j < set.count; ++j) {
            const Vec3 c = cross(set.planes[i].normal, set.planes[j].normal);
            const double sine = length(c);
            if (sine < PARALLEL_SINE) {
                continue;
            }
            anyPair = true;
            const Vec3 u = c * (1.0 / sine);
            bool forward = true;
            bool backward = true;
            for (std::size_t m = 0; m < set.count; ++m) {
                const double along = dot(set.planes[m].normal, u);
                forward = forward && along <= PARALLEL_SINE;
                backward = backward && -along <= PARALLEL_SINE;
            }
            if (forward || backward) {
                return true;
            }
        }
    }
    // All normals parallel: the planes leave a whole plane of directions open.
    return !anyPair;
}

// The cross products of the normals of planes i < j, for sets of up to Planes planes: a sure
// parallelepiped's six need a table a quarter the size of the general search's.
template <std::size_t Planes> using Crosses = std::array<std::array<Vec3, Planes>, Planes>;

template <std::size_t Planes> Crosses<Planes> crossesOf(const PlaneSet& set) {
    Crosses<Planes> crosses;
    for (std::size_t i = 0; i < set.count; ++i) {
        for (std::size_t j = i + 1; j < set.count; ++j) {
            crosses[i][j] = cross(set.planes[i].normal, set.planes[j].normal);
        }
    }
    return crosses;
}

// The point where planes i < j < k meet, given det, their normals' triple product.
template <std::size_t Planes>
Vec3 meetingPoint(const PlaneSet& set, const Crosses<Planes>& crosses, std::size_t i, std::size_t j,
                  std::size_t k, double det) {
    return (set.planes[i].distance * crosses[j][k] - set.planes[j].distance * crosses[i][k] +
            set.planes[k].distance * crosses[i][j]) *
           (1.0 / det);
}

// Every point where three planes meet and that lies in every half-space, within the tolerance;
// points nearer each other than the tolerance are one.
void findCorners(const PlaneSet& set, std::vector<Corner>& corners) {
    corners.clear();
    const Crosses<MAX_PLANES> crosses = crossesOf<MAX_PLANES>(set);
    for (std::size_t i = 0; i < set.count; ++i) {
        for (std::size_t j = i + 1; j < set.count; ++j) {
            for (std::size_t k = j + 1; k < set.count; ++k) {
                const double det = dot(set.planes[i].normal, crosses[j][k]);
                if (std::fabs(det) < PARALLEL_SINE) {
                    continue;
                }
                const Vec3 point = meetingPoint(set, crosses, i, j, k, det);
                PlaneMask onPlanes = 0;
                bool inside = true;
                for (std::size_t m = 0; m < set.count && inside; ++m) {
                    const double offset = dot(set.planes[m].normal, point) - set.planes[m].distance;
                    inside = offset <= GEOMETRY_TOLERANCE;
                    if (std::fabs(offset) <= GEOMETRY_TOLERANCE) {
                        onPlanes = static_cast<PlaneMask>(onPlanes | 1u << m);
                    }
                }
                if (!inside) {
                    continue;
                }
                const auto same =
                    std::find_if(corners.begin(), corners.end(), [&](const Corner& c) {
                        return std::fabs(c.point.x - point.x) <= GEOMETRY_TOLERANCE &&
                               std::fabs(c.point.y - point.y) <= GEOMETRY_TOLERANCE &&
                               std::fabs(c.point.z - point.z) <= GEOMETRY_TOLERANCE;
                    });
                if (same == corners.end()) {
                    corners.push_back({point, onPlanes});
                } else {
                    same->onPlanes = static_cast<PlaneMask>(same->onPlanes | onPlanes);
                }
            }
        }
    }
}

// The triple product of the first three normals when the six planes pair as exact opposites,
// each pair thicker than SURE_THICKNESS, along directions whose triple product passes
// SURE_VOLUME_FACTOR: most boxes of a scene. No direction is then open, and the corners are the
// eight points where one plane of each pair meets the others, each on its three planes only.
// findCorners and hasOpenDirection would find exactly that, after far more work.
std::optional<double> sureParallelepipedDet(const PlaneSet& set) {
    if (set.count != BOX_PLANES) {
        return std::nullopt;
    }
    for (const auto& [p, q] : OPPOSITE_PLANES) {
        const UnitPlane& first = set.planes[p];
        const UnitPlane& second = set.planes[q];
        if (!(second.normal == -first.normal) ||
            !(first.distance + second.distance > SURE_THICKNESS)) {
            return std::nullopt;
        }
    }
    const double det = dot(set.planes[0].normal, cross(set.planes[1].normal, set.planes[2].normal));
    if (!(std::fabs(det) >= SURE_VOLUME_FACTOR)) {
        return std::nullopt;
    }
    return det;
}

// A monotonic stand-in for the angle of (x, y), from 0 up to 4, without trigonometry.
double pseudoAngle(double x, double y) {
    const double sum = std::fabs(x) + std::fabs(y);
    if (sum == 0) {
        return 0;
    }
    const double p = x / sum;
    return y < 0 ? 3 + p : 1 - p;
}

// Orders the face's vertex indices counter-clockwise seen from the side the normal points to.
void orderAround(const Vec3& normal, const std::vector<Vec3>& vertices,
                 std::vector<std::size_t>& face) {
    Vec3 centre;
    for (const std::size_t v : face) {
        centre = centre + vertices[v];
    }
    centre = centre * (1.0 / static_cast<double>(face.size()));
    // Any direction in the plane will do; the axis least along the normal gives a long one.
    const Vec3 axis =
        std::fabs(normal.x) <= std::fabs(normal.y) && std::fabs(normal.x) <= std::fabs(normal.z)
            ? Vec3{1, 0, 0}
            : (std::fabs(normal.y) <= std::fabs(normal.z) ? Vec3{0, 1, 0} : Vec3{0, 0, 1});
    const Vec3 first = cross(normal, axis);
    const Vec3 second = cross(normal, first);
    std::array<double, 16> angles{};
    const auto angleOf = [&](std::size_t v) {
        const Vec3 offset = vertices[v] - centre;
        return pseudoAngle(dot(offset, first), dot(offset, second));
    };
    // Faces hold few vertices: an insertion sort on precomputed angles avoids any allocation.
    const std::size_t count = std::min(face.size(), angles.size());
    for (std::size_t i = 0; i < count; ++i) {
        angles[i] = angleOf(face[i]);
    }
    if (face.size() > angles.size()) {
        std::sort(face.begin(), face.end(),
                  [&](std::size_t a, std::size_t b) { return angleOf(a) < angleOf(b); });
        return;
    }
    for (std::size_t i = 1; i < count; ++i) {
        const double angle = angles[i];
        const std::size_t index = face[i];
        std::size_t j = i;
        for (; j > 0 && angles[j - 1] > angle; --j) {
            angles[j] = angles[j - 1];
            face[j] = face[j - 1];
        }
        angles[j] = angle;
        face[j] = index;
    }
}

bool sameVertexSet(const std::vector<std::size_t>& a, const std::vector<std::size_t>& b) {
    return a.size() == b.size() && std::is_permutation(a.begin(), a.end(), b.begin());
}

void addEdge(std::vector<std::pair<std::size_t, std::size_t>>& edges, std::size_t a,
             std::size_t b) {
    const std::pair<std::size_t, std::size_t> edge{std::min(a, b), std::max(a, b)};
    if (std::find(edges.begin(), edges.end(), edge) == edges.end()) {
        edges.push_back(edge);
    }
}

void clearGeometry(Solid& solid) {
    solid.vertices.clear();
    for (auto& face : solid.faces) {
        face.clear();
    }
    solid.edges.clear();
    solid.volume = 0;
    solid.boundsMin = {};
    solid.boundsMax = {};
}

void setBounds(Solid& solid) {
    solid.boundsMin = solid.boundsMax = solid.vertices.front();
    for (const Vec3& v : solid.vertices) {
        solid.boundsMin = {std::min(solid.boundsMin.x, v.x), std::min(solid.boundsMin.y, v.y),
                           std::min(solid.boundsMin.z, v.z)};
        solid.boundsMax = {std::max(solid.boundsMax.x, v.x), std::max(solid.boundsMax.y, v.y),
                           std::max(solid.boundsMax.z, v.z)};
    }
}

// The corners as vertices, with the faces they make, the edges of those faces and the bounds.
void addFaces(const PlaneSet& set, const std::vector<Corner>& corners, Solid& solid) {
    for (const Corner& corner : corners) {
        solid.vertices.push_back(corner.point);
    }
    for (std::size_t p = 0; p < BOX_PLANES; ++p) {
        std::vector<std::size_t>& face = solid.faces[p];
        for (std::size_t v = 0; v < corners.size(); ++v) {
            if ((corners[v].onPlanes >> p & 1u) != 0) {
                face.push_back(v);
            }
        }
        if (face.size() < 3) {
            face.clear();
            continue;
        }
        orderAround(set.planes[p].normal, solid.vertices, face);
        for (std::size_t i = 0; i < face.size(); ++i) {
            addEdge(solid.edges, face[i], face[(i + 1) % face.size()]);
        }
    }
    setBounds(solid);
}

// Faces, edges, volume and bounds of the corners found, and whether they enclose a volume.
SolidStatus shape(const PlaneSet& set, const std::vector<Corner>& corners, Solid& solid) {
    addFaces(set, corners, solid);
    Vec3 inner;
    for (const Vec3& v : solid.vertices) {
        inner = inner + v;
    }
    inner = inner * (1.0 / static_cast<double>(solid.vertices.size()));
    // Each face is the base of a pyramid whose apex is a point inside; a face that two planes
    // share counts once.
    double volume = 0;
    double area = 0;
    for (std::size_t p = 0; p < BOX_PLANES; ++p) {
        const std::vector<std::size_t>& face = solid.faces[p];
        if (face.empty() ||
            std::any_of(solid.faces.begin(), solid.faces.begin() + p,
                        [&](const auto& other) { return sameVertexSet(other, face); })) {
            continue;
        }
        Vec3 areaVector;
        for (std::size_t i = 1; i + 1 < face.size(); ++i) {
            const Vec3 a = solid.vertices[face[0]];
            const Vec3 b = solid.vertices[face[i]];
            const Vec3 c = solid.vertices[face[i + 1]];
            areaVector = areaVector + cross(b - a, c - a);
            volume += dot(a - inner, cross(b - inner, c - inner)) / 6;
        }
        area += length(areaVector) / 2;
    }
    solid.volume = std::max(volume, 0.0);
    // Twice the volume over the area is the thickness of a slab: a solid thinner than the
    // tolerance is a polygon.
    if (solid.vertices.size() < 4 || !(2 * solid.volume > GEOMETRY_TOLERANCE * area)) {
        return SolidStatus::Flat;
    }
    return SolidStatus::Closed;
}

// A sure parallelepiped's shape, det the triple product of its first three normals. Its volume
// is the product of its three thicknesses over det; it is thicker than the tolerance, so it is
// closed.
void shapeParallelepiped(const PlaneSet& set, double det, Solid& solid) {
    const Crosses<BOX_PLANES> crosses = crossesOf<BOX_PLANES>(set);
    for (const auto& [i, j, k] : PARALLELEPIPED_CORNERS) {
        solid.vertices.push_back(
            meetingPoint(set, crosses, i, j, k, dot(set.planes[i].normal, crosses[j][k])));
    }
    // Mirrored normals turn every face the other way.
    for (std::size_t p = 0; p < BOX_PLANES; ++p) {
        const auto& corners = PARALLELEPIPED_FACES[p];
        if (det > 0) {
            solid.faces[p].assign(corners.begin(), corners.end());
        } else {
            solid.faces[p].assign(corners.rbegin(), corners.rend());
        }
    }
    for (const auto& [a, b] : PARALLELEPIPED_EDGES) {
        solid.edges.emplace_back(a, b);
    }
    setBounds(solid);
    double volume = 1;
    for (const auto& [p, q] : OPPOSITE_PLANES) {
        volume *= set.planes[p].distance + set.planes[q].distance;
    }
    solid.volume = volume / std::fabs(det);
    solid.status = SolidStatus::Closed;
}

} // namespace

Solid buildSolid(const BoxValues& values) {
    Solid solid;
    buildSolid(values, solid);
    return solid;
}

void buildSolid(const BoxValues& values, Solid& solid) {
    clearGeometry(solid);
    PlaneSet set;
    for (const PlaneValues& plane : values.planes) {
        const double norm = length(plane.normal);
        if (norm == 0) {
            solid.status = SolidStatus::ZeroNormal;
            return;
        }
        set.planes[set.count++] = {plane.normal * (1.0 / norm), plane.d / norm};
    }
    if (const std::optional<double> det = sureParallelepipedDet(set)) {
        shapeParallelepiped(set, *det, solid);
        return;
    }
    thread_local std::vector<Corner> corners;
    if (hasOpenDirection(set)) {
        // Only a point in common tells an unbounded solid from an empty one; a far cube around
        // the origin gives one, if there is any, among the corners it adds.
        for (std::size_t axis = 0; axis < 3; ++axis) {
            for (const double sign : {1.0, -1.0}) {
                Vec3 normal;
                (axis == 0 ? normal.x : axis == 1 ? normal.y : normal.z) = sign;
                set.planes[set.count++] = {normal, FAR_LIMIT};
            }
        }
        findCorners(set, corners);
        solid.status = corners.empty() ? SolidStatus::Empty : SolidStatus::Unbounded;
        return;
    }
    findCorners(set, corners);
    if (corners.empty()) {
        solid.status = SolidStatus::Empty;
        return;
    }
    solid.status = shape(set, corners, solid);
}
