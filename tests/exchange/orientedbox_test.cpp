#include "convexhull.h"
#include "meshtestsupport.h"
#include "orientedbox.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

constexpr double NEAR = 1e-9;

void expectNear(const Vec3& actual, const Vec3& expected, double tolerance = NEAR) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

TEST(ConvexHull, OfABoxHasItsSixFacesAndVolume) {
    std::vector<Vec3> points = boxCorners({1, 2, 3}, {1, 2, 0.5}, turnedFrame(0, 0));
    // Points inside change nothing.
    points.push_back({1, 2, 3});
    points.push_back({1.5, 2.5, 3.1});
    const std::optional<ConvexHull> hull = convexHull(points);
    ASSERT_TRUE(hull);
    EXPECT_NEAR(hull->volume, 8.0, NEAR);
    EXPECT_EQ(hull->faces.size(), 6u);
    EXPECT_EQ(hull->vertices.size(), 8u);
}

// Small clouds are hulled by trying every plane through three points, larger ones by Qhull: both
// give the same faces, corners and volume for a turned box with points on and inside it, and
// repeated corners count once.
TEST(ConvexHull, SmallAndLargeCloudsAgree) {
    const Frame frame = turnedFrame(30, 30);
    const Vec3 centre{5, -3, 2};
    std::vector<Vec3> points = boxCorners(centre, {2, 1, 0.5}, frame);
    points.push_back(centre + frame[0] * 2);                                 // on a face
    points.push_back(centre + frame[0] * 2 + frame[1] * 0.5);                // on a face
    points.push_back(centre + frame[0] * 1 + frame[1] * 1 + frame[2] * 0.5); // on an edge
    for (int i = 0; i < 5; ++i) {
        points.push_back(centre + frame[0] * (0.3 * i - 0.6) + frame[2] * 0.1); // inside
    }
    points.push_back(points[0]); // repeated
    const std::optional<ConvexHull> small = convexHull(points);
    points.push_back(centre + frame[1] * 0.2); // a 17th distinct point
    const std::optional<ConvexHull> large = convexHull(points);
    ASSERT_TRUE(small);
    ASSERT_TRUE(large);
    for (const ConvexHull* hull : {&*small, &*large}) {
        EXPECT_NEAR(hull->volume, 8.0, 1e-9);
        EXPECT_EQ(hull->faces.size(), 6u);
        double area = 0;
        for (const ConvexHull::Face& face : hull->faces) {
            area += face.area;
            const bool alongAnAxis = std::any_of(frame.begin(), frame.end(), [&](const Vec3& axis) {
                return std::fabs(std::fabs(dot(face.normal, axis)) - 1) < 1e-12;
            });
            EXPECT_TRUE(alongAnAxis);
        }
        EXPECT_NEAR(area, 2 * (4 * 2 + 4 * 1 + 2 * 1), 1e-9);
    }
    // The small hull keeps the corners, and the points on faces and edges, which do not change
    // the box; Qhull keeps the corners alone.
    EXPECT_EQ(large->vertices.size(), 8u);
    EXPECT_GE(small->vertices.size(), 8u);
}

// Points on a face of a box at a grid: every face's points lie on one plane, up to the
// rounding of single precision in which models carry them.
std::vector<Vec3> gridOnBoxFaces(const Vec3& centre, const Vec3& half, const Frame& frame,
                                 int perSide) {
    std::vector<Vec3> points;
    const std::array<double, 3> halves{half.x, half.y, half.z};
    for (int axis = 0; axis < 3; ++axis) {
        const int u = (axis + 1) % 3;
        const int v = (axis + 2) % 3;
        for (const double side : {-1.0, 1.0}) {
            for (int i = 0; i <= perSide; ++i) {
                for (int j = 0; j <= perSide; ++j) {
                    const double su = 2.0 * i / perSide - 1;
                    const double sv = 2.0 * j / perSide - 1;
                    const Vec3 p = centre + frame[axis] * (side * halves[axis]) +
                                   frame[u] * (su * halves[u]) + frame[v] * (sv * halves[v]);
                    points.push_back({static_cast<float>(p.x), static_cast<float>(p.y),
                                      static_cast<float>(p.z)});
                }
            }
        }
    }
    return points;
}

// Many points on each flat face, turned and rounded to single precision: the hull's volume is
// the box's, never more, whether the small hull or Qhull finds it. Faces counted twice, or
// pieces of one face overlapping, would make it larger.
TEST(ConvexHull, OfFlatFacesWithManyPointsIsTheBoxVolume) {
    struct Case {
        Frame frame;
        Vec3 half;
        int perSide;
    };
    const std::vector<Case> cases{
        {turnedFrame(0, 0), {1, 2, 0.5}, 1},     {turnedFrame(30, 30), {2, 1, 0.5}, 1},
        {turnedFrame(30, 30), {2, 1, 0.5}, 2},   {turnedFrame(17, 41), {3, 0.25, 1}, 2},
        {turnedFrame(30, 30), {2, 1, 0.5}, 4},   {turnedFrame(17, 41), {3, 0.25, 1}, 7},
        {turnedFrame(5, 80), {50, 40, 0.1}, 12}, {turnedFrame(0, 0), {1, 1, 1}, 20},
    };
    for (const Case& c : cases) {
        const Vec3 centre{100.25, -40.5, 12};
        const std::vector<Vec3> points = gridOnBoxFaces(centre, c.half, c.frame, c.perSide);
        const std::optional<ConvexHull> hull = convexHull(points);
        ASSERT_TRUE(hull) << c.perSide;
        const double volume = 8 * c.half.x * c.half.y * c.half.z;
        // Single precision moves each point by up to about 4e-6 at these distances.
        const double slack =
            1e-5 * (c.half.x * c.half.y + c.half.y * c.half.z + c.half.z * c.half.x) * 8;
        EXPECT_NEAR(hull->volume, volume, slack) << c.perSide << " per side";
        const std::optional<BoxFit> fit = fitOrientedBox(points);
        ASSERT_TRUE(fit);
        EXPECT_LE(fit->hullVolume, fit->box.volume() * (1 + 1e-9)) << c.perSide << " per side";
    }
}

// A slab with one top corner a millionth lower, as single precision leaves a model's vertex: its
// top is two triangles, and the hull is the slab less the thin tetrahedron under the lowered
// corner. Taking the four top points for one plane would count more than the slab holds.
TEST(ConvexHull, OfASlabWithACornerJustLowerIsTheSlabLessATetrahedron) {
    const double height = 0.015625;
    const double lowered = static_cast<float>(0.015624);
    std::vector<Vec3> points{{2, 0, 0},      {4, 0, 0},      {4, 1, 0},      {2, 1, 0},
                             {2, 0, height}, {4, 0, height}, {4, 1, height}, {2, 1, lowered}};
    // Each diagonal cuts the 2 by 1 top in halves of area 1.
    const double expected = 2 * 1 * height - (height - lowered) / 3;
    const std::optional<ConvexHull> small = convexHull(points);
    ASSERT_TRUE(small);
    EXPECT_NEAR(small->volume, expected, 1e-15);
    // Points on the bottom take the cloud past the small hull's size, to Qhull.
    for (int i = 0; i < 12; ++i) {
        points.push_back({2.1 + 0.15 * i, 0.5, 0});
    }
    const std::optional<ConvexHull> large = convexHull(points);
    ASSERT_TRUE(large);
    EXPECT_NEAR(large->volume, expected, 1e-15);
    for (const std::optional<ConvexHull>* hull : {&small, &large}) {
        const std::optional<BoxFit> fit = fitOrientedBox(
            hull == &small ? std::vector<Vec3>(points.begin(), points.begin() + 8) : points);
        ASSERT_TRUE(fit);
        EXPECT_LE(fit->hullVolume, fit->box.volume());
    }
}

TEST(ConvexHull, OfPointsWithoutVolumeIsNothing) {
    const std::vector<std::vector<Vec3>> flat{
        {},
        {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
        {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0.5, 0.5, 0}},
        {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}},
        {{5, 5, 5}, {5, 5, 5}, {5, 5, 5}, {5, 5, 5}},
        // A flat grid of 20 points goes to Qhull, of 9 to the small hull.
        [] {
            std::vector<Vec3> grid;
            for (int i = 0; i < 20; ++i) {
                grid.push_back({i % 5 * 1.0, i / 5 * 1.0, 2.0});
            }
            return grid;
        }(),
        {{0, 0, 1},
         {1, 0, 1},
         {2, 0, 1},
         {0, 1, 1},
         {1, 1, 1},
         {2, 1, 1},
         {0, 2, 1},
         {1, 2, 1},
         {2, 2, 1}},
    };
    for (const auto& points : flat) {
        EXPECT_FALSE(convexHull(points)) << points.size() << " points";
    }
}

TEST(OrientedBox, AlongTheAxesKeepsThemInOrder) {
    const std::optional<BoxFit> fit =
        fitOrientedBox(boxCorners({3, -4, 5}, {4, 0.5, 2}, turnedFrame(0, 0)));
    ASSERT_TRUE(fit);
    expectNear(fit->box.centre, {3, -4, 5});
    expectNear(fit->box.halfSizes, {4, 0.5, 2});
    expectNear(fit->box.axes[0], {1, 0, 0});
    expectNear(fit->box.axes[1], {0, 1, 0});
    expectNear(fit->box.axes[2], {0, 0, 1});
    EXPECT_NEAR(fit->hullVolume, 32.0, NEAR);
}

// A cube turned by 30 degrees about X, then about Y, is its own smallest box, named by the
// turned axes since they lie nearest X, Y and Z.
TEST(OrientedBox, OfACubeTurnedAboutTwoAxesIsThatCube) {
    const Frame frame = turnedFrame(30, 30);
    const std::optional<BoxFit> fit = fitOrientedBox(boxCorners({10, 20, -30}, {1, 1, 1}, frame));
    ASSERT_TRUE(fit);
    expectNear(fit->box.centre, {10, 20, -30});
    expectNear(fit->box.halfSizes, {1, 1, 1});
    for (std::size_t i = 0; i < 3; ++i) {
        expectNear(fit->box.axes[i], frame[i]);
    }
    EXPECT_NEAR(fit->hullVolume / fit->box.volume(), 1.0, NEAR);
}

TEST(OrientedBox, OfAThinTurnedSlabKeepsItsThickness) {
    const Frame frame = turnedFrame(0, 20);
    const std::optional<BoxFit> fit =
        fitOrientedBox(boxCorners({0, 0, 0}, {3, 2, 1.0 / 128}, frame));
    ASSERT_TRUE(fit);
    expectNear(fit->box.halfSizes, {3, 2, 1.0 / 128});
    expectNear(fit->box.axes[2], frame[2]);
}

// A long box turned in the plane: its axes come out in the order nearest X, Y, Z whatever the
// order of its sizes, and the frame stays right-handed.
TEST(OrientedBox, NamesTheAxesNearestTheScenesAndRightHanded) {
    for (const double degrees : {0.0, 15.0, 40.0, 50.0, 90.0, 135.0, 200.0, 300.0}) {
        Frame frame{Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}};
        for (Vec3& axis : frame) {
            axis = turnedAbout(axis, 2, degrees);
        }
        const std::optional<BoxFit> fit = fitOrientedBox(boxCorners({0, 0, 0}, {5, 1, 2}, frame));
        ASSERT_TRUE(fit) << degrees;
        const auto& axes = fit->box.axes;
        EXPECT_NEAR(dot(cross(axes[0], axes[1]), axes[2]), 1.0, NEAR) << degrees;
        EXPECT_GE(axes[0].x, std::sqrt(0.5) - NEAR) << degrees;
        EXPECT_GE(axes[1].y, std::sqrt(0.5) - NEAR) << degrees;
        expectNear(axes[2], {0, 0, 1});
        // Whichever axis comes first, it carries the size along it.
        const double along0 = std::fabs(dot(axes[0], frame[0]));
        EXPECT_NEAR(fit->box.halfSizes.x, along0 > 0.5 ? 5 : 1, NEAR) << degrees;
    }
}

// The smallest rectangle around a regular polygon of 64 sides lies along its edges, at its
// apothem cos(π/64) on every side; its hull fills 64·sin(2π/64)/2 / (4·cos²(π/64)) = 0.786 of it.
TEST(OrientedBox, OfACylinderIsItsSquareBoxPartlyEmpty) {
    const std::optional<BoxFit> fit = fitOrientedBox(cylinderPoints({0, 0, 0}, 1, 3, 64));
    ASSERT_TRUE(fit);
    const double polygon = 64 * std::sin(2 * std::numbers::pi / 64) / 2;
    const double apothem = std::cos(std::numbers::pi / 64);
    EXPECT_NEAR(fit->hullVolume, polygon * 3, 1e-9);
    EXPECT_NEAR(fit->box.halfSizes.z, 1.5, NEAR);
    EXPECT_NEAR(fit->box.halfSizes.x, apothem, NEAR);
    EXPECT_NEAR(fit->box.halfSizes.y, apothem, NEAR);
    EXPECT_NEAR(fit->hullVolume / fit->box.volume(), polygon / (4 * apothem * apothem), 1e-9);
    EXPECT_LT(fit->hullVolume / fit->box.volume(), 0.79);
}

// A tetrahedron's best box over its face directions is no larger than the box along the axes.
TEST(OrientedBox, OfATetrahedronIsNoLargerThanItsAxisBox) {
    const std::vector<Vec3> points{{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {0, 0, 4}};
    const std::optional<BoxFit> fit = fitOrientedBox(points);
    ASSERT_TRUE(fit);
    EXPECT_LE(fit->box.volume(), 24 + NEAR);
    EXPECT_NEAR(fit->hullVolume, 4.0, NEAR);
    for (const Vec3& p : points) {
        for (std::size_t i = 0; i < 3; ++i) {
            const double half = i == 0   ? fit->box.halfSizes.x
                                : i == 1 ? fit->box.halfSizes.y
                                         : fit->box.halfSizes.z;
            EXPECT_LE(std::fabs(dot(p - fit->box.centre, fit->box.axes[i])), half + NEAR);
        }
    }
}

TEST(OrientedBox, OfAFlatQuadIsNothing) {
    EXPECT_FALSE(fitOrientedBox({{0, 0, 5}, {1, 0, 5}, {1, 1, 5}, {0, 1, 5}}));
}

} // namespace
