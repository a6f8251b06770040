#include "boxvalues.h"
#include "geometrytestsupport.h"
#include "scene.h"
#include "solid.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

BoxValues valuesOf(const BoxTexts& texts) {
    Box box;
    assignTexts(box, texts);
    return decodeBoxValues(box);
}

Solid solidOf(const BoxTexts& texts) {
    return buildSolid(valuesOf(texts));
}

BoxTexts withPlane(BoxTexts texts, std::size_t plane, const TestPlane& values) {
    texts[5 + plane * 4] = hex4(values.normal.x);
    texts[6 + plane * 4] = hex4(values.normal.y);
    texts[7 + plane * 4] = hex4(values.normal.z);
    texts[8 + plane * 4] = hex8(values.d);
    return texts;
}

// What every closed solid must satisfy, whatever its shape: each face lies on its plane and
// turns counter-clockwise seen from outside, each edge borders two faces, V - E + F = 2.
void expectWellFormed(const Solid& solid, const BoxValues& values) {
    ASSERT_TRUE(solid.closed());
    std::size_t faceCount = 0;
    std::multiset<std::pair<std::size_t, std::size_t>> faceEdges;
    for (std::size_t p = 0; p < 6; ++p) {
        const auto& face = solid.faces[p];
        if (face.empty()) {
            continue;
        }
        ++faceCount;
        const PlaneValues& plane = values.planes[p];
        Vec3 turn;
        for (std::size_t i = 0; i < face.size(); ++i) {
            const Vec3& a = solid.vertices[face[i]];
            const Vec3& b = solid.vertices[face[(i + 1) % face.size()]];
            EXPECT_NEAR(dot(plane.normal, a) / length(plane.normal), plane.d / length(plane.normal),
                        GEOMETRY_TOLERANCE);
            turn = turn + cross(a, b);
            faceEdges.insert({std::min(face[i], face[(i + 1) % face.size()]),
                              std::max(face[i], face[(i + 1) % face.size()])});
        }
        EXPECT_GT(dot(turn, plane.normal), 0) << "face " << p << " turns clockwise";
    }
    for (const auto& edge : solid.edges) {
        EXPECT_EQ(faceEdges.count(edge), 2u) << "edge " << edge.first << "-" << edge.second;
    }
    EXPECT_EQ(std::set(solid.edges.begin(), solid.edges.end()).size(), solid.edges.size());
    EXPECT_EQ(solid.vertices.size() + faceCount, solid.edges.size() + 2);
}

TEST(WorkedExampleSolid, TheFirstBoxIsTheCubeFromMinusOneToOne) {
    const BoxValues values = valuesOf(cubeBox());
    const Solid solid = buildSolid(values);
    expectWellFormed(solid, values);
    EXPECT_EQ(solid.vertices.size(), 8u);
    EXPECT_EQ(solid.edges.size(), 12u);
    for (const auto& face : solid.faces) {
        EXPECT_EQ(face.size(), 4u);
    }
    EXPECT_DOUBLE_EQ(solid.volume, 8);
    EXPECT_EQ(solid.boundsMin, (Vec3{-1, -1, -1}));
    EXPECT_EQ(solid.boundsMax, (Vec3{1, 1, 1}));
    for (const std::size_t v : solid.faces[0]) {
        EXPECT_EQ(solid.vertices[v].x, 1);
    }
}

TEST(WorkedExampleSolid, TheSecondBoxReachesTwoAlongZ) {
    const Solid solid = solidOf(stretchedBox());
    EXPECT_TRUE(solid.closed());
    EXPECT_DOUBLE_EQ(solid.volume, 16);
    EXPECT_EQ(solid.boundsMin, (Vec3{-1, -1, -2}));
    EXPECT_EQ(solid.boundsMax, (Vec3{1, 1, 2}));
}

TEST(SolidShape, DIsMeasuredFromTheSceneOriginNotFromTheCentre) {
    const Solid solid = solidOf(axisBox("7", {100, -50, 3}, {104, -49, 3.5}));
    EXPECT_TRUE(solid.closed());
    EXPECT_DOUBLE_EQ(solid.volume, 2);
    EXPECT_EQ(solid.boundsMin, (Vec3{100, -50, 3}));
    EXPECT_EQ(solid.boundsMax, (Vec3{104, -49, 3.5}));
}

TEST(SolidShape, TurnedBoxesKeepTheirVolumeDespiteRounding) {
    for (const double degrees : {45.0, 30.0, 17.0, 90.0, 135.0, 200.0}) {
        const BoxTexts texts = turnedBox("1", {3, 4, 5}, {2, 1, 0.5}, degrees);
        const BoxValues values = valuesOf(texts);
        const Solid solid = buildSolid(values);
        expectWellFormed(solid, values);
        EXPECT_EQ(solid.vertices.size(), 8u) << degrees;
        EXPECT_NEAR(solid.volume, 8, 0.01) << degrees;
    }
    EXPECT_EQ(turnedBox("1", {0, 0, 0}, {1, 1, 1}, 45)[5], "2d41");
}

// Boxes whose planes pair as opposites take a shorter way when clearly thicker than the
// tolerance; on either side of that line they must come out the same.
TEST(SolidShape, SlabsEitherSideOfTheShortWayHaveTheSameShape) {
    for (int steps = 56; steps <= 72; ++steps) {
        const double thickness = steps / 16384.0;
        const BoxTexts texts = axisBox("1", {0.5, -1, 2}, {0.5 + thickness, 1, 3});
        const BoxValues values = valuesOf(texts);
        const Solid solid = buildSolid(values);
        expectWellFormed(solid, values);
        EXPECT_EQ(solid.vertices.size(), 8u) << steps;
        EXPECT_EQ(solid.edges.size(), 12u) << steps;
        for (const auto& face : solid.faces) {
            EXPECT_EQ(face.size(), 4u) << steps;
        }
        EXPECT_DOUBLE_EQ(solid.volume, 2 * thickness) << steps;
        EXPECT_EQ(solid.boundsMin, (Vec3{0.5, -1, 2})) << steps;
        EXPECT_EQ(solid.boundsMax, (Vec3{0.5 + thickness, 1, 3})) << steps;
    }
}

TEST(SolidShape, ASlantedPairOfPlanesGivesAParallelepipedOfKnownCorners) {
    // -1 <= x <= 1, -1 <= y <= 1, -1 <= y + z <= 1, the last pair's normals scaled by
    // 0x2d41 / 0x4000: for each (x, y), z spans 2, so the volume is 8.
    const double k = 0x2d41 / 16384.0;
    const BoxTexts texts =
        boxTexts("1", "4", {0, 0, 0},
                 {TestPlane{{1, 0, 0}, 1}, TestPlane{{0, 1, 0}, 1}, TestPlane{{0, k, k}, k},
                  TestPlane{{0, -1, 0}, 1}, TestPlane{{0, -k, -k}, k}, TestPlane{{-1, 0, 0}, 1}});
    const BoxValues values = valuesOf(texts);
    const Solid solid = buildSolid(values);
    expectWellFormed(solid, values);
    EXPECT_NEAR(solid.volume, 8, 1e-12);
    std::vector<Vec3> expected;
    for (const double x : {-1.0, 1.0}) {
        for (const double y : {-1.0, 1.0}) {
            for (const double sum : {-1.0, 1.0}) {
                expected.push_back({x, y, sum - y});
            }
        }
    }
    ASSERT_EQ(solid.vertices.size(), expected.size());
    for (const Vec3& corner : expected) {
        EXPECT_TRUE(std::any_of(solid.vertices.begin(), solid.vertices.end(),
                                [&](const Vec3& v) { return length(v - corner) < 1e-12; }))
            << corner.x << " " << corner.y << " " << corner.z;
    }
    EXPECT_NEAR(solid.boundsMin.z, -2, 1e-12);
    EXPECT_NEAR(solid.boundsMax.z, 2, 1e-12);
}

TEST(SolidShape, FacesTurnOutwardWhateverWayThePairsAreWritten) {
    // Swapping the planes of one pair mirrors the order of the normals.
    for (const auto& [p, q] : {std::pair<std::size_t, std::size_t>{0, 5}, {1, 3}, {2, 4}}) {
        for (const double degrees : {0.0, 30.0, 225.0}) {
            BoxTexts texts = turnedBox("1", {-3, 2, 7}, {2, 1, 0.5}, degrees);
            for (std::size_t k = 0; k < 4; ++k) {
                std::swap(texts[5 + p * 4 + k], texts[5 + q * 4 + k]);
            }
            const BoxValues values = valuesOf(texts);
            const Solid solid = buildSolid(values);
            SCOPED_TRACE(testing::Message() << "planes " << p << " and " << q << ", " << degrees);
            expectWellFormed(solid, values);
            EXPECT_NEAR(solid.volume, 8, 0.01);
        }
    }
}

TEST(SolidShape, APyramidHasFiveCornersAndARedundantPlaneBoundsNoFace) {
    // A square base from -1 to 1 at z = 0, sides x + z <= 1 and the like, apex at (0, 0, 1); the
    // normals are scaled by 0x2d41 / 0x4000, which keeps each plane exactly where it is.
    const double k = 0x2d41 / 16384.0;
    const BoxTexts texts =
        boxTexts("1", "2", {0, 0, 0.25},
                 {TestPlane{{k, 0, k}, k}, TestPlane{{0, k, k}, k}, TestPlane{{0, 0, 1}, 5},
                  TestPlane{{0, -k, k}, k}, TestPlane{{0, 0, -1}, 0}, TestPlane{{-k, 0, k}, k}});
    const BoxValues values = valuesOf(texts);
    const Solid solid = buildSolid(values);
    expectWellFormed(solid, values);
    EXPECT_EQ(solid.vertices.size(), 5u);
    EXPECT_TRUE(solid.faces[2].empty());
    EXPECT_EQ(solid.faces[4].size(), 4u);
    EXPECT_EQ(solid.faces[0].size(), 3u);
    EXPECT_NEAR(solid.volume, 4.0 / 3, 1e-9);
    EXPECT_NEAR(solid.boundsMax.z, 1, 1e-12);
}

TEST(SolidStatusTest, OppositePlanesThatLeaveNothingGiveAnEmptySolid) {
    // x <= -2 and x >= -1.
    const BoxTexts texts = withPlane(cubeBox(), 0, {{1, 0, 0}, -2});
    const Solid solid = solidOf(texts);
    EXPECT_EQ(solid.status, SolidStatus::Empty);
    EXPECT_TRUE(solid.vertices.empty());
}

TEST(SolidStatusTest, EmptyEvenWhenTheRemainingPlanesLeaveADirectionOpen) {
    // Planes 2 and 4 both bound -z: nothing closes upward, and x <= -2 with x >= -1 leaves
    // nothing.
    BoxTexts texts = withPlane(cubeBox(), 0, {{1, 0, 0}, -2});
    texts = withPlane(texts, 2, {{0, 0, -1}, 1});
    EXPECT_EQ(solidOf(texts).status, SolidStatus::Empty);
}

TEST(SolidStatusTest, PlanesThatDoNotCloseGiveAnUnboundedSolid) {
    // Planes 0 and 5 both bound -x.
    EXPECT_EQ(solidOf(withPlane(cubeBox(), 0, {{-1, 0, 0}, 1})).status, SolidStatus::Unbounded);
    // Every normal in the XY plane: the solid is a prism along Z.
    BoxTexts texts = withPlane(cubeBox(), 2, {{1, 1, 0}, 1});
    texts = withPlane(texts, 4, {{-1, -1, 0}, 1});
    const Solid solid = solidOf(texts);
    EXPECT_EQ(solid.status, SolidStatus::Unbounded);
    EXPECT_TRUE(solid.vertices.empty());
}

TEST(SolidStatusTest, SolidsThinnerThanTheToleranceAreFlat) {
    // x <= 1 and x >= 1: a square.
    EXPECT_EQ(solidOf(withPlane(cubeBox(), 5, {{-1, 0, 0}, -1})).status, SolidStatus::Flat);
    // A 1/2048 slab is flat, a 1/256 one is not.
    EXPECT_EQ(solidOf(axisBox("1", {0, 0, 0}, {1.0 / 2048, 1, 1})).status, SolidStatus::Flat);
    const Solid thin = solidOf(axisBox("1", {0, 0, 0}, {1.0 / 256, 1, 1}));
    EXPECT_TRUE(thin.closed());
    EXPECT_DOUBLE_EQ(thin.volume, 1.0 / 256);
    // The planes overlap by less than the tolerance: they close on the square between them.
    EXPECT_EQ(solidOf(withPlane(cubeBox(), 5, {{-1, 0, 0}, -1.0 - 1.0 / 4096})).status,
              SolidStatus::Flat);
}

TEST(SolidStatusTest, APlaneWithoutNormalIsReported) {
    const Solid solid = solidOf(withPlane(cubeBox(), 3, {{0, 0, 0}, 1}));
    EXPECT_EQ(solid.status, SolidStatus::ZeroNormal);
    EXPECT_TRUE(solid.vertices.empty());
}

TEST(SolidStatusTest, AnyTextsGiveADefinedSolid) {
    // Texts no form would produce: not hexadecimal, too long, empty, extreme patterns.
    const std::array<std::string, 8> strange = {"",         "zz",   "ffffffffffff", "7fffffff",
                                                "80000000", "0001", "ffff",         "8000"};
    for (std::size_t seed = 0; seed < 4000; ++seed) {
        BoxTexts texts = cubeBox();
        std::size_t state = seed;
        for (std::size_t k = 2; k < texts.size(); ++k) {
            state = state * 6364136223846793005u + 1442695040888963407u;
            if ((state >> 60) < 5) {
                texts[k] = strange[(state >> 33) % strange.size()];
            }
        }
        const Solid solid = solidOf(texts);
        EXPECT_FALSE(std::isnan(solid.volume));
        EXPECT_GE(solid.volume, 0);
        for (const Vec3& v : solid.vertices) {
            ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
        }
        if (solid.closed()) {
            EXPECT_GT(solid.volume, 0);
        }
    }
}

TEST(SceneSolids, OneSolidPerBoxByRank) {
    BoxDocument document;
    document.readText(workedExampleBytes);
    const std::vector<Solid> solids = buildSolids(document);
    ASSERT_EQ(solids.size(), 2u);
    EXPECT_DOUBLE_EQ(solids[0].volume, 8);
    EXPECT_DOUBLE_EQ(solids[1].volume, 16);
}

} // namespace
