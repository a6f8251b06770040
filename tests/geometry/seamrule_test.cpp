// The seam rule checked on random pairs of turned boxes against a brute force that shares nothing
// with the check but the test of whether two solids touch: rays cast from a grid of points on one
// face towards the other face's plane, kept where they land inside that face.

#include "geometrytestsupport.h"
#include "problems.h"
#include "scene.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <optional>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

constexpr double SEAM_WIDTH = 1.0 / 16;
constexpr double SEAM_AREA = 1.0 / 16;
constexpr int GRID = 160;
// Cases this near a threshold are left out: the grid cannot tell on which side they fall.
constexpr double AREA_MARGIN = 0.02;
constexpr double GAP_MARGIN = 0.001;
constexpr double DEGREE_MARGIN = 0.02;

Vec3 unit(const Vec3& v) {
    return v * (1.0 / length(v));
}

// The vector turned by an angle about a unit axis.
Vec3 turned(const Vec3& v, const Vec3& axis, double angle) {
    return v * std::cos(angle) + cross(axis, v) * std::sin(angle) +
           axis * (dot(axis, v) * (1 - std::cos(angle)));
}

struct Frame {
    Vec3 u{1, 0, 0};
    Vec3 v{0, 1, 0};
    Vec3 w{0, 0, 1};

    Frame turnedBy(const Vec3& axis, double angle) const {
        return {turned(u, axis, angle), turned(v, axis, angle), turned(w, axis, angle)};
    }
};

struct FacePoints {
    std::vector<Vec3> corners;
    Vec3 normal;
};

FacePoints faceOf(const Solid& solid, std::size_t plane) {
    FacePoints face;
    for (const std::size_t index : solid.faces[plane]) {
        face.corners.push_back(solid.vertices[index]);
    }
    if (face.corners.size() >= 3) {
        face.normal =
            unit(cross(face.corners[1] - face.corners[0], face.corners[2] - face.corners[0]));
    }
    return face;
}

bool inside(const FacePoints& face, const Vec3& point) {
    for (std::size_t i = 0; i < face.corners.size(); ++i) {
        const Vec3& a = face.corners[i];
        const Vec3& b = face.corners[(i + 1) % face.corners.size()];
        if (dot(cross(b - a, point - a), face.normal) < 0) {
            return false;
        }
    }
    return true;
}

// What the rays from a's face find of b's face: the area they cover and the narrowest gap.
struct RayFinding {
    double area = 0;
    double narrowest = INFINITY;
};

RayFinding castRays(const FacePoints& a, const FacePoints& b) {
    RayFinding finding;
    // Faces of these boxes are parallelograms: their points are c0 + s (c1 - c0) + t (c3 - c0).
    const Vec3 side1 = a.corners[1] - a.corners[0];
    const Vec3 side2 = a.corners[3] - a.corners[0];
    const double cellArea = length(cross(side1, side2)) / (GRID * GRID);
    const Vec3 onB = b.corners[0];
    for (int i = 0; i < GRID; ++i) {
        for (int j = 0; j < GRID; ++j) {
            const Vec3 start =
                a.corners[0] + side1 * ((i + 0.5) / GRID) + side2 * ((j + 0.5) / GRID);
            const double distance = dot(onB - start, b.normal) / dot(a.normal, b.normal);
            if (inside(b, start + a.normal * distance)) {
                finding.area += cellArea;
                finding.narrowest = std::min(finding.narrowest, distance);
            }
        }
    }
    return finding;
}

// The seams between the faces of two solids by brute force, as (face of a, face of b), or
// nothing when some pair of faces lies too near a threshold to tell.
std::optional<std::set<std::pair<int, int>>> bruteSeams(const Solid& a, const Solid& b) {
    std::set<std::pair<int, int>> seams;
    for (std::size_t p = 0; p < 6; ++p) {
        for (std::size_t q = 0; q < 6; ++q) {
            const FacePoints faceA = faceOf(a, p);
            const FacePoints faceB = faceOf(b, q);
            const double degrees =
                std::acos(std::clamp(-dot(faceA.normal, faceB.normal), -1.0, 1.0)) * 180 /
                std::numbers::pi;
            if (std::fabs(degrees - 1) < DEGREE_MARGIN) {
                return std::nullopt;
            }
            if (degrees > 1) {
                continue;
            }
            const RayFinding rays = castRays(faceA, faceB);
            if (rays.area == 0) {
                continue;
            }
            const double gap = rays.narrowest;
            if (std::fabs(rays.area - SEAM_AREA) < AREA_MARGIN ||
                std::fabs(gap - GEOMETRY_TOLERANCE) < GAP_MARGIN ||
                std::fabs(gap - SEAM_WIDTH) < GAP_MARGIN) {
                return std::nullopt;
            }
            if (rays.area > SEAM_AREA && gap > GEOMETRY_TOLERANCE && gap < SEAM_WIDTH) {
                seams.insert({static_cast<int>(p), static_cast<int>(q)});
            }
        }
    }
    return seams;
}

TEST(SeamRule, RandomTurnedPairsAgreeWithRaysCastFaceToFace) {
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> unitRange(-1, 1);
    std::uniform_real_distribution<double> halfSize(0.3, 1.2);
    std::uniform_real_distribution<double> gapRange(-0.01, 0.08);
    std::uniform_real_distribution<double> turn(0, 1.6 * std::numbers::pi / 180);
    std::uniform_int_distribution<int> faceChoice(0, 5);
    const auto randomAxis = [&] {
        Vec3 axis;
        do {
            axis = {unitRange(random), unitRange(random), unitRange(random)};
        } while (length(axis) < 0.1 || length(axis) > 1);
        return unit(axis);
    };
    int told = 0;
    int withSeam = 0;
    int withoutSeam = 0;
    for (int trial = 0; trial < 300; ++trial) {
        const Frame frameA = Frame{}.turnedBy(randomAxis(), unitRange(random) * std::numbers::pi);
        const Frame frameB = frameA.turnedBy(randomAxis(), turn(random));
        const Vec3 halfA{halfSize(random), halfSize(random), halfSize(random)};
        const Vec3 halfB{halfSize(random), halfSize(random), halfSize(random)};
        const Vec3 centreA{unitRange(random) * 5, unitRange(random) * 5, unitRange(random) * 5};
        // B stands beyond one face of A, shifted across it by up to the faces' sizes.
        const std::array<Vec3, 3> axesA = {frameA.u, frameA.v, frameA.w};
        const std::array<double, 3> sizesA = {halfA.x, halfA.y, halfA.z};
        const std::array<double, 3> sizesB = {halfB.x, halfB.y, halfB.z};
        const int face = faceChoice(random);
        const std::size_t axis = static_cast<std::size_t>(face % 3);
        const double sign = face < 3 ? 1 : -1;
        Vec3 centreB =
            centreA + axesA[axis] * (sign * (sizesA[axis] + sizesB[axis] + gapRange(random)));
        for (std::size_t across = 0; across < 3; ++across) {
            if (across != axis) {
                centreB = centreB +
                          axesA[across] * (unitRange(random) * (sizesA[across] + sizesB[across]));
            }
        }
        BoxDocument document;
        loadScene(document,
                  {boxTexts("1", "1000", centreA,
                            framePlanes(centreA, halfA, frameA.u, frameA.v, frameA.w)),
                   boxTexts("2", "1000", centreB,
                            framePlanes(centreB, halfB, frameB.u, frameB.v, frameB.w))},
                  {});
        const std::vector<Solid> solids = buildSolids(document);
        ASSERT_TRUE(solids[0].closed() && solids[1].closed());
        std::optional<std::set<std::pair<int, int>>> expected = bruteSeams(solids[0], solids[1]);
        if (!expected) {
            continue;
        }
        // Solids that touch somewhere have no gap between them.
        if (solidsTouch(solids[0], solids[1])) {
            expected->clear();
        }
        std::set<std::pair<int, int>> found;
        for (const Problem& problem : inspectDocument(document).problems) {
            if (problem.kind == ProblemKind::Seam) {
                EXPECT_EQ(problem.rank, 0u);
                EXPECT_EQ(problem.otherRank, 1u);
                found.insert({*problem.plane, *problem.otherPlane});
            }
        }
        EXPECT_EQ(found, *expected) << "trial " << trial;
        ++told;
        ++(expected->empty() ? withoutSeam : withSeam);
    }
    // The random pairs must try the rule both ways, most of them clear of every threshold.
    EXPECT_GT(told, 200);
    EXPECT_GT(withSeam, 40);
    EXPECT_GT(withoutSeam, 40);
}

} // namespace
