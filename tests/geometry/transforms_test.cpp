#include "geometrytestsupport.h"
#include "shapetestsupport.h"
#include "snapping.h"
#include "transforms.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr double STEP = 1.0 / 16384;

BoxShape block(const Vec3& centre, const std::array<double, 3>& dimensions,
               const Angles& angles = {}) {
    return {centre, dimensions, angles};
}

std::optional<ShapeFault> refusal(const TransformResult& result) {
    if (const ShapeFault* fault = std::get_if<ShapeFault>(&result)) {
        return *fault;
    }
    return std::nullopt;
}

std::string planeTexts(const ShapeTexts& texts, int plane) {
    std::string joined;
    for (std::size_t i = 0; i < 4; ++i) {
        joined += texts.planes[static_cast<std::size_t>(plane) * 4 + i] + " ";
    }
    return joined;
}

void expectNoProblems(const ShapeTexts& texts) {
    const std::vector<Problem> problems = problemsOf({{"1", texts}});
    EXPECT_TRUE(problems.empty()) << kindsOf(problems);
}

void expectNear(const Vec3& actual, const Vec3& expected, double tolerance) {
    EXPECT_LE(length(actual - expected), tolerance)
        << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") instead of (" << expected.x
        << ", " << expected.y << ", " << expected.z << ")";
}

TEST(MoveTest, AnUprightBlockMovesExactly) {
    const ShapeTexts start = textsOfShape(block({1, 2, 3}, {2, 4, 6}));
    const ShapeTexts moved = done(moveBox(start, {1.5, -2.25, 0.0625}));
    EXPECT_EQ(moved, textsOfShape(block({2.5, -0.25, 3.0625}, {2, 4, 6})));
}

TEST(MoveTest, ATurnedBlockKeepsItsNormalsAndThickness) {
    const ShapeTexts start = textsOfShape(block({100, -40, 7}, {3, 1, 2}, {30, 10, -20}));
    const Vec3 offset{-12.3, 45.6, 0.001};
    const ShapeTexts moved = done(moveBox(start, offset));
    const BoxShape before = shapeOfTexts(start);
    const BoxShape after = shapeOfTexts(moved);
    for (std::size_t k = 0; k < 24; k += 4) {
        EXPECT_EQ(moved.planes[k] + moved.planes[k + 1] + moved.planes[k + 2],
                  start.planes[k] + start.planes[k + 1] + start.planes[k + 2]);
    }
    // Opposite planes move by opposite amounts: each pair's distances keep their sum exactly.
    const StepBox startSteps = stepsOf(start);
    const StepBox movedSteps = stepsOf(moved);
    for (const auto& [first, second] : AXIS_PLANES) {
        EXPECT_EQ(movedSteps.planes[first].d + movedSteps.planes[second].d,
                  startSteps.planes[first].d + startSteps.planes[second].d);
    }
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(after.dimensions[k], before.dimensions[k], 1e-12);
    }
    expectNear(after.centre, before.centre + offset, STEP);
    expectNoProblems(moved);
}

TEST(MoveTest, AMoveOutOfTheFileRangeIsRefused) {
    const ShapeTexts start = textsOfShape(block({0, 0, 0}, {1, 1, 1}));
    EXPECT_EQ(refusal(moveBox(start, {131072, 0, 0})), ShapeFault::OutOfRange);
    EXPECT_EQ(refusal(moveBox(start, {0, 0, NAN})), ShapeFault::NotFinite);
}

TEST(RotateTest, QuarterTurnsOfAnUprightBlockAreExact) {
    const ShapeTexts start = textsOfShape(block({1, 2, 3}, {4, 2, 1}));
    const ShapeTexts turned = done(rotateBox(start, {0, 0, 1}, 90));
    EXPECT_EQ(turned, textsOfShape(block({1, 2, 3}, {4, 2, 1}, {90, 0, 0})));
    ShapeTexts round = start;
    for (int quarter = 0; quarter < 4; ++quarter) {
        round = done(rotateBox(round, {1, 0, 0}, 90));
    }
    EXPECT_EQ(round, start);
}

TEST(RotateTest, TurnsAboutTheSceneAxesAndItsOwnAxesTurnTheAxes) {
    const BoxShape start = block({-50, 20, 5}, {3, 2, 1}, {30, 0, 0});
    const ShapeTexts texts = textsOfShape(start);
    struct Case {
        const char* name;
        TransformResult result;
        Rotation expected;
    };
    const Rotation axes = rotationOf(start.angles);
    const std::vector<Case> cases = {
        {"about X", rotateBox(texts, {1, 0, 0}, 45), then(axes, turnAbout({1, 0, 0}, 45))},
        {"about Y", rotateBox(texts, {0, 1, 0}, -60), then(axes, turnAbout({0, 1, 0}, -60))},
        {"about Z", rotateBox(texts, {0, 0, 1}, 15), rotationOf({45, 0, 0})},
        {"about its own length", rotateAboutOwnAxis(texts, 0, 90),
         then(axes, turnAbout(axes.axes[0], 90))},
        {"about its own height", rotateAboutOwnAxis(texts, 2, -30), rotationOf({0, 0, 0})},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const ShapeTexts turned = done(test.result);
        const BoxShape after = shapeOfTexts(turned);
        const Rotation afterAxes = rotationOf(after.angles);
        for (std::size_t k = 0; k < 3; ++k) {
            expectNear(afterAxes.axes[k], test.expected.axes[k], 2 * STEP);
            EXPECT_NEAR(after.dimensions[k], start.dimensions[k], 2 * STEP);
        }
        // About its centre: the centre stays.
        expectNear(after.centre, start.centre, 2 * STEP);
        expectNoProblems(turned);
    }
    EXPECT_EQ(refusal(rotateBox(texts, {0, 0, 0}, 10)), ShapeFault::ZeroAxis);
    EXPECT_EQ(refusal(rotateAboutOwnAxis(texts, 3, 10)), ShapeFault::NoSuchPlane);
}

TEST(ResizeTest, FromAFaceTheOppositeFaceStaysExactly) {
    const ShapeTexts start = textsOfShape(block({0, 0, 0}, {2, 4, 6}));
    // Plane 0 (+X) pushed out to a length of 5: x from -1 to 4, centre 1.5.
    const ShapeTexts longer = done(resizeFromFace(start, 0, 5));
    EXPECT_EQ(longer, textsOfShape(block({1.5, 0, 0}, {5, 4, 6})));
    // Plane 4 (-Z) pulled in to a height of 1: z from 2 to 3.
    const ShapeTexts lower = done(resizeFromFace(start, 4, 1));
    EXPECT_EQ(lower, textsOfShape(block({0, 0, 2.5}, {2, 4, 1})));
}

TEST(ResizeTest, AFaceOfATurnedBlockMovesAlongItsNormal) {
    const BoxShape start = block({10, 20, 30}, {3, 2, 1}, {30, 15, 45});
    const ShapeTexts texts = textsOfShape(start);
    const Rotation axes = rotationOf(start.angles);
    for (const int plane : {0, 1, 2, 3, 4, 5}) {
        SCOPED_TRACE(plane);
        const std::size_t axis = plane == 0 || plane == 5 ? 0 : plane == 1 || plane == 3 ? 1 : 2;
        const double sign = plane < 3 ? 1 : -1;
        const double wanted = start.dimensions[axis] + 1.25;
        const ShapeTexts resized = done(resizeFromFace(texts, plane, wanted));
        const int opposite = AXIS_PLANES[axis][plane < 3 ? 1 : 0];
        EXPECT_EQ(planeTexts(resized, opposite), planeTexts(texts, opposite));
        const BoxShape after = shapeOfTexts(resized);
        EXPECT_NEAR(after.dimensions[axis], wanted, STEP);
        // The centre moves half the growth towards the face that moved.
        expectNear(after.centre, start.centre + axes.axes[axis] * (sign * 0.625), 2 * STEP);
        expectNoProblems(resized);
    }
}

TEST(ResizeTest, FromTheCentreBothFacesMove) {
    const ShapeTexts start = textsOfShape(block({1, 1, 1}, {2, 2, 2}));
    EXPECT_EQ(done(resizeFromCentre(start, 1, 7)), textsOfShape(block({1, 1, 1}, {2, 7, 2})));
    const BoxShape turned = block({-3, 4, 5}, {1, 2, 3}, {60, -30, 0});
    const ShapeTexts resized = done(resizeFromCentre(textsOfShape(turned), 2, 0.5));
    const BoxShape after = shapeOfTexts(resized);
    EXPECT_NEAR(after.dimensions[2], 0.5, STEP);
    EXPECT_NEAR(after.dimensions[0], 1, STEP);
    expectNear(after.centre, turned.centre, 2 * STEP);
    expectNoProblems(resized);
}

TEST(ResizeTest, ADimensionTooSmallOrNotANumberIsRefused) {
    const ShapeTexts start = textsOfShape(block({0, 0, 0}, {1, 1, 1}));
    EXPECT_EQ(refusal(resizeFromFace(start, 0, 0)), ShapeFault::DimensionNotPositive);
    EXPECT_EQ(refusal(resizeFromFace(start, 0, -3)), ShapeFault::DimensionNotPositive);
    EXPECT_EQ(refusal(resizeFromCentre(start, 1, 1.0 / 2048)), ShapeFault::TooThin);
    EXPECT_EQ(refusal(resizeFromCentre(start, 1, NAN)), ShapeFault::NotFinite);
    EXPECT_EQ(refusal(resizeFromFace(start, 6, 2)), ShapeFault::NoSuchPlane);
    EXPECT_EQ(refusal(resizeFromCentre(start, -1, 2)), ShapeFault::NoSuchPlane);
}

TEST(MirrorTest, TheSolidStaysAndThePairChangesPlaces) {
    const ShapeTexts start = textsOfShape(block({5, 5, 5}, {1, 2, 3}, {20, 0, 0}));
    const ShapeTexts mirrored = done(mirrorBox(start, 0));
    EXPECT_EQ(planeTexts(mirrored, 0), planeTexts(start, 5));
    EXPECT_EQ(planeTexts(mirrored, 5), planeTexts(start, 0));
    EXPECT_EQ(planeTexts(mirrored, 1), planeTexts(start, 1));
    EXPECT_EQ(mirrored.centre, start.centre);
    // Its own planes now turn the other way round: a mirror image, which the checks accept.
    EXPECT_EQ(std::get<ShapeFault>(shapeOf(decodeBoxValues(mirrored))), ShapeFault::Mirrored);
    expectNoProblems(mirrored);
    // Back again, byte for byte.
    EXPECT_EQ(done(mirrorBox(mirrored, 0)), start);
}

TEST(DuplicateTest, TheCopyTakesTheGivenIdAndTheOffset) {
    const ShapeTexts start = textsOfShape(block({0, 0, 0}, {1, 1, 1}));
    const auto copy = duplicateBox(start, "13", {0, 2, 0});
    ASSERT_TRUE(std::holds_alternative<DuplicatedBox>(copy));
    EXPECT_EQ(std::get<DuplicatedBox>(copy).id, "13");
    EXPECT_EQ(std::get<DuplicatedBox>(copy).texts, textsOfShape(block({0, 2, 0}, {1, 1, 1})));
}

TEST(DuplicateTest, TheNextFreeIdFollowsTheLargestNumericId) {
    struct Case {
        std::vector<std::string> ids;
        std::string next;
    };
    const std::vector<Case> cases = {
        {{}, "1"},
        {{"3", "12", "abc", "9"}, "13"},
        {{"007", "99"}, "100"},
        {{"0"}, "1"},
        {{"-5", "x1"}, "1"},
        {{"123456789012345678901234567890"}, "123456789012345678901234567891"},
    };
    for (const Case& test : cases) {
        BoxDocument document;
        for (const std::string& id : test.ids) {
            document.boxIds.append(id);
        }
        EXPECT_EQ(nextFreeId(document), test.next);
    }
}

// Two blocks, the first sticking its plane to the other's, then checked as a scene whose
// intersection is listed: touching, and apart once moved one grid step back.
void expectTouchingThenApart(const ShapeTexts& moving, int plane, const ShapeTexts& other,
                             int otherPlane, double gridStep) {
    const ShapeTexts stuck = done(stickTo(moving, plane, other, otherPlane));
    std::vector<Problem> problems = problemsOf({{"1", stuck}, {"2", other}}, {"0 1"});
    EXPECT_TRUE(problems.empty()) << kindsOf(problems);
    // Exactly on the other's plane: the same normal reversed and the same distance.
    const BoxValues stuckValues = decodeBoxValues(stuck);
    const BoxValues otherValues = decodeBoxValues(other);
    const PlaneValues& face = stuckValues.planes[static_cast<std::size_t>(plane)];
    const PlaneValues& facing = otherValues.planes[static_cast<std::size_t>(otherPlane)];
    EXPECT_EQ(face.normal, -facing.normal);
    EXPECT_EQ(face.d, -facing.d);
    // Its shape is unchanged but for the place.
    const BoxShape before = shapeOfTexts(moving);
    const BoxShape after = shapeOfTexts(stuck);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(after.dimensions[k], before.dimensions[k], 2 * STEP);
    }
    const Vec3 normal = face.normal * (1 / length(face.normal));
    const ShapeTexts apart = done(moveBox(stuck, normal * -gridStep));
    problems = problemsOf({{"1", apart}, {"2", other}}, {"0 1"});
    ASSERT_EQ(problems.size(), 1u) << kindsOf(problems);
    EXPECT_EQ(problems[0].kind, ProblemKind::IntersectionApart);
    // And without the pair listed, nothing is missing.
    EXPECT_TRUE(problemsOf({{"1", apart}, {"2", other}}).empty());
}

TEST(StickTest, UprightBlocksTouchExactly) {
    const ShapeTexts left = textsOfShape(block({0, 0, 0}, {1, 1, 1}));
    const ShapeTexts right = textsOfShape(block({5.3, 0.2, 0.1}, {1.7, 2, 2}));
    expectTouchingThenApart(left, 0, right, 5, 1.0 / 16);
    // Plane 0 lands on x = 4.45: the block now spans 3.45 to 4.45.
    EXPECT_EQ(done(stickTo(left, 0, right, 5)), textsOfShape(block({3.95, 0, 0}, {1, 1, 1})));
    // Onto a floor from above.
    const ShapeTexts floor = textsOfShape(block({0, 0, -10}, {20, 20, 0.5}));
    expectTouchingThenApart(left, 4, floor, 2, 1.0 / 16);
}

TEST(StickTest, TurnedBlocksTouchExactly) {
    const BoxShape wall = block({0, 0, 0}, {4, 0.2, 3}, {30, 0, 0});
    const Rotation axes = rotationOf(wall.angles);
    const BoxShape pillar =
        block(wall.centre + axes.axes[1] * 3.3 + axes.axes[0] * 0.5, {0.5, 0.5, 3}, {30, 0, 0});
    expectTouchingThenApart(textsOfShape(pillar), 3, textsOfShape(wall), 1, 1.0 / 16);
    const BoxShape tilted = block({7, 7, 7}, {1, 2, 3}, {10, 20, 30});
    const BoxShape neighbour =
        block(tilted.centre + rotationOf(tilted.angles).axes[2] * 9.9, {2, 2, 2}, {10, 20, 30});
    expectTouchingThenApart(textsOfShape(neighbour), 4, textsOfShape(tilted), 2, 1.0 / 16);
}

TEST(StickTest, NearlyParallelFacesTakeTheOthersNormal) {
    // Turned 0.02 degrees apart: the normals differ in the file, the faces are made to agree.
    const BoxShape wall = block({0, 0, 0}, {4, 0.2, 3}, {30, 0, 0});
    const Rotation axes = rotationOf(wall.angles);
    const BoxShape leaning = block(wall.centre + axes.axes[1] * 2, {1, 1, 1}, {30.02, 0, 0});
    const ShapeTexts moving = textsOfShape(leaning);
    const ShapeTexts stuck = done(stickTo(moving, 3, textsOfShape(wall), 1));
    EXPECT_NE(planeTexts(moving, 3).substr(0, 15), planeTexts(stuck, 3).substr(0, 15));
    expectTouchingThenApart(moving, 3, textsOfShape(wall), 1, 1.0 / 16);
    expectNoProblems(stuck);
}

TEST(StickTest, FacesThatDoNotFaceEachOtherAreRefused) {
    const ShapeTexts a = textsOfShape(block({0, 0, 0}, {1, 1, 1}));
    const ShapeTexts b = textsOfShape(block({3, 0, 0}, {1, 1, 1}));
    EXPECT_EQ(refusal(stickTo(a, 0, b, 0)), ShapeFault::NotFacing);
    EXPECT_EQ(refusal(stickTo(a, 0, b, 1)), ShapeFault::NotFacing);
    const ShapeTexts turned = textsOfShape(block({3, 0, 0}, {1, 1, 1}, {5, 0, 0}));
    EXPECT_EQ(refusal(stickTo(a, 0, turned, 5)), ShapeFault::NotFacing);
    EXPECT_EQ(refusal(stickTo(a, 7, b, 5)), ShapeFault::NoSuchPlane);
}

TEST(TransformsTest, MalformedTextsAreRefusedOrHandledWithoutCrashing) {
    ShapeTexts garbage;
    for (auto& text : garbage.planes) {
        text = "zz";
    }
    const ShapeTexts good = textsOfShape(block({0, 0, 0}, {1, 1, 1}));
    EXPECT_TRUE(refusal(rotateBox(garbage, {0, 0, 1}, 30)).has_value());
    EXPECT_TRUE(refusal(resizeFromFace(garbage, 0, 2)).has_value());
    EXPECT_TRUE(refusal(resizeFromCentre(garbage, 0, 2)).has_value());
    EXPECT_TRUE(refusal(mirrorBox(garbage, 0)).has_value());
    EXPECT_TRUE(refusal(stickTo(garbage, 0, good, 5)).has_value());
    EXPECT_TRUE(refusal(stickTo(good, 0, garbage, 5)).has_value());
    EXPECT_TRUE(refusal(moveBox(garbage, {1, 0, 0})).has_value());
}

TEST(SnappingTest, PositionsSnapToTheGridAndTurnsTo15Degrees) {
    EXPECT_EQ(snapToGrid(1.03, 1.0 / 16), 1.0);
    EXPECT_EQ(snapToGrid(1.04, 1.0 / 16), 1.0625);
    EXPECT_EQ(snapToGrid(-1.04, 1.0 / 16), -1.0625);
    EXPECT_EQ(snapToGrid(-0.01, 1.0 / 16), 0.0);
    EXPECT_FALSE(std::signbit(snapToGrid(-0.01, 1.0 / 16)));
    EXPECT_EQ(snapToGrid(23.9, 16), 16.0);
    EXPECT_EQ(snapToGrid(24, 16), 32.0);
    EXPECT_EQ(snapToGrid(1.2345, 0), 1.2345);
    EXPECT_EQ(snapToGrid(Vec3{0.3, 0.7, -2.6}, 0.5), (Vec3{0.5, 0.5, -2.5}));
    EXPECT_EQ(snapAngle(37), 30.0);
    EXPECT_EQ(snapAngle(-53), -60.0);
    EXPECT_EQ(GRID_STEPS.front(), 0);
    EXPECT_EQ(GRID_STEPS.back(), 16);
    // Every grid step is a whole number of the file's steps.
    for (const double step : GRID_STEPS) {
        EXPECT_EQ(step * 16384, std::round(step * 16384));
    }
}

} // namespace
