#include "geometrytestsupport.h"
#include "scene.h"
#include "shapeset.h"
#include "solidtestsupport.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <random>
#include <set>

namespace {

bool touch(const BoxTexts& a, const BoxTexts& b) {
    return solidsTouch(solidOf(a), solidOf(b));
}

const double ROOT_TWO = std::sqrt(2.0);

// What the broad phase must find: the exact test run on every pair.
std::vector<RankPair> testingEveryPair(const ShapeSet& shapes) {
    std::vector<RankPair> pairs;
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        for (std::size_t j = i + 1; j < shapes.size(); ++j) {
            if (shapes.present(i) && shapes.present(j) && shapes.touch(i, j)) {
                pairs.emplace_back(i, j);
            }
        }
    }
    return pairs;
}

TEST(ComputedIntersections, TheWorkedExampleGivesItsOnePair) {
    BoxDocument document;
    document.readText(workedExampleBytes);
    EXPECT_EQ(computeIntersections(buildSolids(document)), (std::vector<RankPair>{{0, 1}}));
}

TEST(TouchTest, SharedFacesEdgesAndCornersTouch) {
    const BoxTexts cube = axisBox("1", {0, 0, 0}, {1, 1, 1});
    EXPECT_TRUE(touch(cube, axisBox("2", {1, 0, 0}, {2, 1, 1})));
    EXPECT_TRUE(touch(cube, axisBox("2", {1, 0.5, 0.5}, {2, 3, 3})));
    EXPECT_TRUE(touch(cube, axisBox("2", {1, 1, 0}, {2, 2, 1})));
    EXPECT_TRUE(touch(cube, axisBox("2", {1, 1, 1}, {2, 2, 2})));
    EXPECT_TRUE(touch(cube, axisBox("2", {0, 0, -1}, {1, 1, 1.0 / 2048})));
}

TEST(TouchTest, AGapOfOneHundredthDoesNotTouch) {
    const BoxTexts cube = axisBox("1", {0, 0, 0}, {1, 1, 1});
    EXPECT_FALSE(touch(cube, axisBox("2", {1.01, 0, 0}, {2, 1, 1})));
    EXPECT_FALSE(touch(cube, axisBox("2", {1.01, 1.01, 0}, {2, 2, 1})));
    EXPECT_FALSE(touch(cube, axisBox("2", {1.01, 1.01, 1.01}, {2, 2, 2})));
    EXPECT_FALSE(touch(cube, axisBox("2", {500, 500, 500}, {501, 501, 501})));
}

TEST(TouchTest, ABoxInsideAnotherTouchesIt) {
    const BoxTexts outer = axisBox("1", {-10, -10, -10}, {10, 10, 10});
    EXPECT_TRUE(touch(outer, axisBox("2", {-1, -1, -1}, {1, 1, 1})));
    EXPECT_TRUE(touch(axisBox("2", {-1, -1, -1}, {1, 1, 1}), outer));
    EXPECT_TRUE(touch(outer, turnedBox("3", {5, 5, 5}, {1, 2, 3}, 33)));
}

TEST(TouchTest, ATurnedCornerOnAFaceTouchesAndMovedAwayDoesNot) {
    const BoxTexts cube = axisBox("1", {-1, -1, -1}, {1, 1, 1});
    // A cube turned 45 degrees about Z has its corner edge at its centre less root two along X.
    EXPECT_TRUE(touch(cube, turnedBox("2", {1 + ROOT_TWO, 0, 0}, {1, 1, 1}, 45)));
    EXPECT_FALSE(touch(cube, turnedBox("2", {1.01 + ROOT_TWO, 0, 0}, {1, 1, 1}, 45)));
    EXPECT_TRUE(touch(cube, turnedBox("2", {0.5 + ROOT_TWO, 0.3, 0}, {1, 1, 1}, 45)));
}

// Small, large and very large boxes are each kept in their own form for the touch test; every
// form must tell a gap of half the tolerance, which touches, from one of twice the tolerance.
TEST(TouchTest, TheToleranceHoldsForSmallLargeAndVeryLargeBoxes) {
    for (const double half : {0.5, 200.0, 1500.0}) {
        for (const double degrees : {0.0, 30.0, 45.0}) {
            const double angle = degrees * 3.14159265358979323846 / 180;
            const Vec3 across{std::cos(angle), std::sin(angle), 0};
            const Vec3 centre{3, -2, 1};
            const BoxTexts first = turnedBox("1", centre, {half, 1, 1}, degrees);
            const auto beyond = [&](double gap) {
                return turnedBox("2", centre + across * (half + 0.75 + gap), {0.75, 1, 1}, degrees);
            };
            SCOPED_TRACE(testing::Message() << "half " << half << ", " << degrees << " degrees");
            EXPECT_TRUE(touch(first, beyond(0)));
            EXPECT_TRUE(touch(first, beyond(GEOMETRY_TOLERANCE / 2)));
            EXPECT_FALSE(touch(first, beyond(2 * GEOMETRY_TOLERANCE)));
            EXPECT_TRUE(touch(beyond(-GEOMETRY_TOLERANCE), first));
        }
    }
}

// Two edges that cross at right angles are apart only along their cross product: no face
// normal of either box separates them.
TEST(TouchTest, CrossingEdgesTouchOnlyWhenTheyMeet) {
    const double s = 1 / ROOT_TWO;
    const auto aboutZ = [&](const Vec3& centre) {
        return boxTexts("1", "9", centre,
                        framePlanes(centre, {1, 1, 1}, {s, s, 0}, {-s, s, 0}, {0, 0, 1}));
    };
    const auto aboutY = [&](const Vec3& centre) {
        return boxTexts("2", "9", centre,
                        framePlanes(centre, {1, 1, 1}, {s, 0, s}, {0, 1, 0}, {-s, 0, s}));
    };
    const BoxTexts first = aboutZ({0, 0, 0});
    EXPECT_TRUE(touch(first, aboutY({2 * ROOT_TWO, 0, 0})));
    EXPECT_FALSE(touch(first, aboutY({2 * ROOT_TWO + 0.01, 0, 0})));
    EXPECT_TRUE(touch(first, aboutY({2 * ROOT_TWO - 0.01, 0, 0})));
}

TEST(TouchTest, CopiesApartOnlyAcrossTwoOfTheirEdgesTouchOnlyWhenTheEdgesMeet) {
    const std::vector<std::pair<double, bool>> cases = tetrahedronGaps();
    for (const auto& [gap, touching] : cases) {
        const std::vector<Solid> solids = {tetrahedronAt(0), tetrahedronAt(2 + gap)};
        ASSERT_TRUE(solids[0].closed());
        ASSERT_EQ(solids[0].vertices.size(), 4u);
        const ShapeSet shapes = shapesOf(solids);
        EXPECT_EQ(shapes.touch(0, 1), touching) << gap;
        EXPECT_EQ(shapes.touch(1, 0), touching) << gap;
        EXPECT_EQ(solidsTouch(solids[0], solids[1]), touching) << gap;
    }
}

// Layers of running-bond brick walls, one unit apart: bricks touch their neighbours in the row
// and the two bricks they straddle in the rows above and below, all by faces.
TEST(ComputedIntersections, ABrickWallGivesExactlyItsPairs) {
    constexpr int layers = 4, rows = 10, bricks = 10;
    std::vector<Solid> solids;
    struct Place {
        int layer, row;
        double x;
    };
    std::vector<Place> places;
    for (int layer = 0; layer < layers; ++layer) {
        for (int row = 0; row < rows; ++row) {
            for (int brick = 0; brick < bricks; ++brick) {
                const double x = 2.0 * brick + (row % 2);
                solids.push_back(solidOf(axisBox("1", {x, 2.0 * layer, row * 0.5},
                                                 {x + 2, 2.0 * layer + 1, row * 0.5 + 0.5})));
                places.push_back({layer, row, x});
            }
        }
    }
    std::vector<RankPair> expected;
    for (std::size_t i = 0; i < places.size(); ++i) {
        for (std::size_t j = i + 1; j < places.size(); ++j) {
            const Place& a = places[i];
            const Place& b = places[j];
            const double shared = std::min(a.x, b.x) + 2 - std::max(a.x, b.x);
            const bool sameRow = a.row == b.row && shared == 0;
            const bool nextRow = std::abs(a.row - b.row) == 1 && shared > 0;
            if (a.layer == b.layer && (sameRow || nextRow)) {
                expected.emplace_back(i, j);
            }
        }
    }
    EXPECT_EQ(expected.size(),
              std::size_t{layers * (rows * (bricks - 1) + (rows - 1) * (2 * bricks - 1))});
    EXPECT_EQ(computeIntersections(solids), expected);
}

// Boxes of every size and turn, from a hundredth to ten units across, in a cube of the given
// half side around the origin.
std::vector<Solid> randomBoxes(int count, unsigned seed, double halfSide) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_real_distribution<double> scale(-2, 1);
    std::vector<Solid> solids;
    for (int i = 0; i < count; ++i) {
        // A random rotation from a random unit quaternion.
        double q[4];
        double norm = 0;
        do {
            norm = 0;
            for (double& c : q) {
                c = unit(random);
                norm += c * c;
            }
        } while (norm > 1 || norm < 0.01);
        norm = std::sqrt(norm);
        const double w = q[0] / norm, x = q[1] / norm, y = q[2] / norm, z = q[3] / norm;
        const Vec3 u{1 - 2 * (y * y + z * z), 2 * (x * y + w * z), 2 * (x * z - w * y)};
        const Vec3 v{2 * (x * y - w * z), 1 - 2 * (x * x + z * z), 2 * (y * z + w * x)};
        const Vec3 axis = cross(u, v);
        const double size = std::pow(10.0, scale(random)) / 4;
        const Vec3 half{size * (1 + unit(random) * 0.5), size * (1 + unit(random) * 0.5),
                        size * (1 + unit(random) * 0.5)};
        const Vec3 centre{unit(random) * halfSide, unit(random) * halfSide,
                          unit(random) * halfSide};
        solids.push_back(
            solidOf(boxTexts("1", "1", centre, framePlanes(centre, half, u, v, axis))));
    }
    return solids;
}

TEST(ComputedIntersections, TheBroadPhaseAgreesWithTestingEveryPair) {
    const std::vector<Solid> solids = randomBoxes(2500, 9, 20);
    ASSERT_TRUE(
        std::all_of(solids.begin(), solids.end(), [](const Solid& s) { return s.closed(); }));
    const ShapeSet shapes = shapesOf(solids);
    const std::vector<RankPair> expected = testingEveryPair(shapes);
    const IntersectionSearch search = findIntersections(shapes);
    EXPECT_TRUE(search.complete);
    EXPECT_GT(expected.size(), 100u);
    EXPECT_EQ(search.pairs, expected);
}

// Texts no form would produce make solids of any size, up to absurdly far and large ones.
std::vector<Solid> solidsFromStrangeTexts(std::size_t count) {
    const std::array<std::string, 8> strange = {"",     "zz",   "ffffffffffff", "7fffffff",
                                                "0001", "ffff", "8000",         "00100000"};
    std::vector<Solid> solids;
    std::size_t state = 7;
    while (solids.size() < count) {
        BoxTexts texts = axisBox("1", {0, 0, 0}, {1, 1, 1});
        for (std::size_t k = 2; k < texts.size(); ++k) {
            state = state * 6364136223846793005u + 1442695040888963407u;
            if ((state >> 60) < 3) {
                texts[k] = strange[(state >> 33) % strange.size()];
            }
        }
        solids.push_back(solidOf(texts));
    }
    return solids;
}

// The pairs whose bounds come within the tolerance, tested exactly: what the broad phase must
// give, found without it.
std::vector<RankPair> testingEveryNearPair(const ShapeSet& shapes) {
    const auto near = [&](std::size_t i, std::size_t j) {
        const Vec3 lowI = shapes.boundsMin(i), highI = shapes.boundsMax(i);
        const Vec3 lowJ = shapes.boundsMin(j), highJ = shapes.boundsMax(j);
        const double margin = GEOMETRY_TOLERANCE;
        return lowJ.x - highI.x <= margin && lowI.x - highJ.x <= margin &&
               lowJ.y - highI.y <= margin && lowI.y - highJ.y <= margin &&
               lowJ.z - highI.z <= margin && lowI.z - highJ.z <= margin;
    };
    std::vector<RankPair> pairs;
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        for (std::size_t j = i + 1; j < shapes.size(); ++j) {
            if (shapes.present(i) && shapes.present(j) && near(i, j) && shapes.touch(i, j)) {
                pairs.emplace_back(i, j);
            }
        }
    }
    return pairs;
}

// Large scenes are searched by several threads, which share the cells and the boxes between
// them as they go: whatever their number, the pairs are those one thread finds, in the same
// order. The scene mixes sizes from a hundredth to ten units (several levels of cells), repeated
// boxes, boxes that are not closed, a few far larger than the rest, and solids of absurd texts.
TEST(ComputedIntersections, EveryNumberOfThreadsFindsThePairsOfOne) {
    std::vector<Solid> solids = randomBoxes(6000, 21, 30);
    const std::vector<Solid> repeated(solids.begin(), solids.begin() + 300);
    solids.insert(solids.end(), repeated.begin(), repeated.end());
    BoxTexts open = axisBox("1", {0, 0, 0}, {1, 1, 1});
    open[5 + 23] = hex8(-1);
    for (int i = 0; i < 50; ++i) {
        solids.push_back(solidOf(open));
        solids.push_back(solidOf(axisBox("2", {-30.0 + i, -30, -30}, {-29.5 + i, 30, 30})));
        solids.push_back(solidOf(axisBox("3", {-1000.0 * i, 0, 0}, {1000.0 * i + 1, 2, 2})));
    }
    const std::vector<Solid> strange = solidsFromStrangeTexts(300);
    solids.insert(solids.end(), strange.begin(), strange.end());
    std::shuffle(solids.begin(), solids.end(), std::mt19937(4));
    const ShapeSet shapes = shapesOf(solids);
    const IntersectionSearch alone = findIntersections(shapes, 1);
    EXPECT_TRUE(alone.complete);
    EXPECT_EQ(alone.pairs, testingEveryNearPair(shapes));
    EXPECT_GT(alone.pairs.size(), 10000u);
    for (const unsigned threads : {2u, 3u, 8u}) {
        const IntersectionSearch search = findIntersections(shapes, threads);
        EXPECT_TRUE(search.complete) << threads << " threads";
        EXPECT_EQ(search.pairs, alone.pairs) << threads << " threads";
    }
    EXPECT_EQ(findIntersections(shapes).pairs, alone.pairs);
}

// A search stopped by a heap gives the same pairs whatever the threads, so that a report of
// it never changes from one run to the next.
TEST(ComputedIntersections, AStoppedSearchGivesTheSamePairsWhateverTheThreads) {
    std::vector<Solid> solids = randomBoxes(5000, 5, 30);
    const Solid heaped = solidOf(axisBox("1", {0, 0, 0}, {1, 1, 1}));
    solids.insert(solids.begin() + 2000, 3000, heaped);
    const ShapeSet shapes = shapesOf(solids);
    const IntersectionSearch alone = findIntersections(shapes, 1);
    ASSERT_FALSE(alone.complete);
    for (const unsigned threads : {2u, 3u}) {
        const IntersectionSearch search = findIntersections(shapes, threads);
        EXPECT_FALSE(search.complete);
        EXPECT_EQ(search.pairs, alone.pairs) << threads << " threads";
    }
}

TEST(ComputedIntersections, SolidsFromAnyTextsStillGiveEveryPair) {
    const std::vector<Solid> solids = solidsFromStrangeTexts(600);
    const std::vector<RankPair> expected = testingEveryPair(shapesOf(solids));
    EXPECT_GT(expected.size(), 1000u);
    EXPECT_EQ(computeIntersections(solids), expected);
}

TEST(ComputedIntersections, SolidsThatAreNotClosedTakeNoPart) {
    std::vector<Solid> solids;
    solids.push_back(solidOf(axisBox("1", {0, 0, 0}, {1, 1, 1})));
    BoxTexts flat = axisBox("2", {0, 0, 0}, {1, 1, 1});
    flat[5 + 23] = hex8(-1);
    solids.push_back(solidOf(flat));
    solids.push_back(solidOf(axisBox("3", {0.5, 0.5, 0.5}, {1, 1, 1})));
    ASSERT_EQ(solids[1].status, SolidStatus::Flat);
    EXPECT_EQ(computeIntersections(solids), (std::vector<RankPair>{{0, 2}}));
}

// A heap of identical boxes would make every pair an intersection: the search must stop
// rather than run for hours or fill the memory, and say so.
TEST(ComputedIntersections, AHeapOfBoxesStopsTheSearchAndSaysSo) {
    const Solid solid = solidOf(axisBox("1", {0, 0, 0}, {1, 1, 1}));
    ShapeSet shapes;
    for (int i = 0; i < 3000; ++i) {
        shapes.add(solid);
    }
    const IntersectionSearch search = findIntersections(shapes);
    EXPECT_FALSE(search.complete);
    EXPECT_LE(search.pairs.size(), (std::size_t{1} << 18) + 64 * 3000);
    EXPECT_GT(search.pairs.size(), 400000u);
}

} // namespace
