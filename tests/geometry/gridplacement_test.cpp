// Boxes placed on the grid as a level designer places them: moved so that the lowest corner of
// their bounds lands on a grid point, a face dragged onto a grid plane, keys stepping from one
// grid position to the next; each compared with the block built on the grid by construction.
#include "gridplacement.h"
#include "shapetestsupport.h"
#include "snapping.h"
#include "transforms.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr double STEP = 1.0 / 16384;
constexpr MovedAxes ground = {true, true, false};
constexpr MovedAxes alongX = {true, false, false};

// An upright block by its lowest and highest corners.
ShapeTexts upright(const Vec3& low, const Vec3& high) {
    return textsOfShape(
        BoxShape{(low + high) * 0.5, {high.x - low.x, high.y - low.y, high.z - low.z}, {}});
}

void expectNoProblems(const ShapeTexts& texts) {
    const std::vector<Problem> problems = problemsOf({{"1", texts}});
    EXPECT_TRUE(problems.empty()) << kindsOf(problems);
}

} // namespace

TEST(GridPlacementTest, TheLowestCornerIsThatOfTheBoundsOfTheSolid) {
    const std::optional<Vec3> low = lowestCorner(upright({0.25, -3, 1.5}, {2.25, 4, 2}));
    ASSERT_TRUE(low);
    EXPECT_EQ(*low, (Vec3{0.25, -3, 1.5}));

    // A cube of side 2 turned by 45 degrees about Z reaches out to the square root of 2.
    const std::optional<Vec3> turned =
        lowestCorner(textsOfShape({{0, 0, 0}, {2, 2, 2}, {45, 0, 0}}));
    ASSERT_TRUE(turned);
    EXPECT_NEAR(turned->x, -std::sqrt(2.0), 4 * STEP);
    EXPECT_NEAR(turned->y, -std::sqrt(2.0), 4 * STEP);
    EXPECT_NEAR(turned->z, -1, 1e-9);

    ShapeTexts empty = upright({0, 0, 0}, {1, 1, 1});
    // Plane 0 pulled back behind plane 5: x <= -2 and x >= 0 share no point.
    empty.planes[3] = "ffff8000";
    EXPECT_FALSE(lowestCorner(empty));
}

TEST(GridPlacementTest, AMoveLandsTheLowestCornerOnTheNearestGridPoint) {
    struct Case {
        Vec3 lowest;
        Vec3 offset;
        MovedAxes axes;
        double step;
        Vec3 expected;
    };
    const std::vector<Case> cases{
        // One step of 1 from x = 0.3 lands on 1, not on 1.3.
        {{0.3, 0, 0}, {1, 0, 0}, alongX, 1, {0.7, 0, 0}},
        // The slightest drag already puts the box on the grid.
        {{0.3, 0, 0}, {0.02, 0, 0}, alongX, 1, {-0.3, 0, 0}},
        // On the ground, X and Y snap and Z stays.
        {{0.3, -1.7, 0.4}, {2.1, 0.6, 0}, ground, 0.5, {2.2, 0.7, 0}},
        {{-2.7, 0, 0}, {-1.1, 0, 0}, alongX, 0.5, {-1.3, 0, 0}},
        // Along an axis, the others do not move however the pointer went.
        {{0.3, 0.3, 0.3}, {1, 1, 1}, {false, false, true}, 1, {0, 0, 0.7}},
        // No grid: the offset as given, along the axes moved.
        {{0.3, 0, 0}, {1, 0.5, 0.25}, ground, 0, {1, 0.5, 0}},
    };
    for (const Case& c : cases) {
        const Vec3 offset = offsetOntoGrid(c.lowest, c.offset, c.axes, c.step);
        EXPECT_NEAR(offset.x, c.expected.x, 1e-12);
        EXPECT_NEAR(offset.y, c.expected.y, 1e-12);
        EXPECT_NEAR(offset.z, c.expected.z, 1e-12);
        if (c.step > 0) {
            for (std::size_t axis = 0; axis < 3; ++axis) {
                const double landed = std::array{c.lowest.x + offset.x, c.lowest.y + offset.y,
                                                 c.lowest.z + offset.z}[axis];
                if (c.axes[axis]) {
                    EXPECT_NEAR(landed / c.step, std::round(landed / c.step), 1e-9);
                }
            }
        }
    }
}

TEST(GridPlacementTest, AKeyStepsToTheNextGridPointInItsDirection) {
    struct Case {
        double position;
        int direction;
        double step;
        double landing;
    };
    const std::vector<Case> cases{
        {0.3, 1, 1, 1},
        {0.3, -1, 1, 0},
        {1, 1, 1, 2},
        {1, -1, 1, 0},
        {-0.25, 1, 0.25, 0},
        {-0.25, -1, 0.25, -0.5},
        {-0.3, -1, 0.25, -0.5},
        {40, 1, 16, 48},
        // A turned box's bounds, worked out in floating point, a hair off the grid: on it.
        {1 + 1e-9, 1, 1, 2},
        {1 - 1e-9, -1, 1, 0},
        // No grid: the finest step, from wherever it is.
        {0.3, 1, 0, 0.3 + 1.0 / 16},
        {0.3, -1, 0, 0.3 - 1.0 / 16},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(c.position + offsetToNextGridPoint(c.position, c.direction, c.step), c.landing,
                    1e-12)
            << c.position << " " << c.direction << " " << c.step;
    }
    // From a whole number of steps of 1/16384, the landing is exact.
    EXPECT_EQ(0.3125 + offsetToNextGridPoint(0.3125, 1, 1.0 / 8), 0.375);
}

TEST(GridPlacementTest, AFaceAlongAnAxisIsKnownByItsNormal) {
    const ShapeTexts box = upright({0.25, -3, 1.5}, {2.25, 4, 2});
    const std::vector<std::pair<int, AxisFace>> faces{
        {0, {0, 1, 2.25}}, {5, {0, -1, 0.25}}, {1, {1, 1, 4}},
        {3, {1, -1, -3}},  {2, {2, 1, 2}},     {4, {2, -1, 1.5}},
    };
    for (const auto& [plane, expected] : faces) {
        const std::optional<AxisFace> face = axisFaceOf(box, plane);
        ASSERT_TRUE(face) << plane;
        EXPECT_EQ(face->axis, expected.axis) << plane;
        EXPECT_EQ(face->outward, expected.outward) << plane;
        EXPECT_EQ(face->position, expected.position) << plane;
    }
    EXPECT_FALSE(axisFaceOf(box, 6));
    EXPECT_FALSE(axisFaceOf(box, -1));

    // Turned about Z, the sides leave the axes but the top stays on Z.
    const ShapeTexts turned = textsOfShape({{0, 0, 0}, {2, 2, 2}, {30, 0, 0}});
    EXPECT_FALSE(axisFaceOf(turned, 0));
    EXPECT_FALSE(axisFaceOf(turned, 1));
    ASSERT_TRUE(axisFaceOf(turned, 2));
    EXPECT_EQ(axisFaceOf(turned, 2)->position, 1);
    // A quarter turn brings plane 0 to face +Y.
    const std::optional<AxisFace> quarter =
        axisFaceOf(textsOfShape({{0, 0, 0}, {2, 2, 2}, {90, 0, 0}}), 0);
    ASSERT_TRUE(quarter);
    EXPECT_EQ(quarter->axis, 1u);
    EXPECT_EQ(quarter->outward, 1);
}

TEST(GridPlacementTest, ADraggedFaceLandsOnTheGrid) {
    // The face at x = 2.3 of a block 2 long, whose opposite face lies at 0.3.
    const AxisFace right{0, 1, 2.3};
    const AxisFace left{0, -1, 0.3};
    struct Case {
        std::optional<AxisFace> face;
        double dimension;
        double travel;
        double step;
        double expected;
    };
    const std::vector<Case> cases{
        {right, 2, 0.9, 1, 2.7},
        {right, 2, 0.1, 1, 1.7},
        {right, 2, 0.1, 0.25, 2.2},
        // Pushed through its opposite face, the face stops at the first grid plane beyond it.
        {right, 2, -2.2, 1, 0.7},
        {right, 2, -5, 0.25, 0.2},
        {left, 2, 0.9, 1, 3.3},
        {left, 2, -2.2, 1, 0.3},
        // No grid: the travel as it is, no thinner than the thinnest block.
        {right, 2, 0.9, 0, 2.9},
        {right, 2, -3, 0, MIN_DIMENSION},
        // A turned face: the dimension in whole steps, at least one.
        {std::nullopt, 2.2, 0.6, 1, 3},
        {std::nullopt, 2.2, -2.1, 1, 1},
        {std::nullopt, 2.2, 0.6, 0, 2.8},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(draggedDimension(c.face, c.dimension, c.travel, c.step), c.expected, 1e-12)
            << c.dimension << " " << c.travel << " " << c.step;
    }
}

TEST(GridPlacementTest, MovedAndResizedBlocksEqualTheBlocksBuiltOnTheGrid) {
    const ShapeTexts start = upright({0.3, -1.2, 0}, {2.3, 0.8, 3});
    const Vec3 low = *lowestCorner(start);

    // Dragged one unit along X and half a unit along Y on a grid of 1/2.
    const ShapeTexts moved = done(moveBox(start, offsetOntoGrid(low, {1, 0.5, 0}, ground, 0.5)));
    const ShapeTexts expected = upright({1.5, -0.5, 0}, {3.5, 1.5, 3});
    EXPECT_EQ(moved, expected);
    expectNoProblems(moved);

    // The X face dragged 0.9 out on a grid of 1 lands on 3; the face at 0.3 keeps its texts.
    const std::optional<AxisFace> face = axisFaceOf(start, 0);
    ASSERT_TRUE(face);
    const ShapeTexts resized = done(resizeFromFace(start, 0, draggedDimension(face, 2, 0.9, 1)));
    EXPECT_EQ(*lowestCorner(resized), low);
    EXPECT_EQ(axisFaceOf(resized, 0)->position, 3);
    EXPECT_EQ(resized.planes[20] + resized.planes[21] + resized.planes[22] + resized.planes[23],
              start.planes[20] + start.planes[21] + start.planes[22] + start.planes[23]);
    expectNoProblems(resized);

    // Keys: from 0.3 to 1, then on to 2 and back to 1; each a whole number exactly.
    ShapeTexts stepped = start;
    for (const auto& [direction, landing] :
         std::vector<std::pair<int, double>>{{1, 1}, {1, 2}, {-1, 1}}) {
        const double x = lowestCorner(stepped)->x;
        stepped = done(moveBox(stepped, {offsetToNextGridPoint(x, direction, 1), 0, 0}));
        EXPECT_EQ(lowestCorner(stepped)->x, landing);
    }
    EXPECT_EQ(stepped, upright({1, -1.2, 0}, {3, 0.8, 3}));
}

TEST(GridPlacementTest, ATurnedBlockLandsAsNearTheGridAsFixedPointAllows) {
    const ShapeTexts start = textsOfShape({{0.3, 0.4, 1}, {4, 1, 2}, {30, 0, 0}});
    const Vec3 low = *lowestCorner(start);
    const ShapeTexts moved = done(moveBox(start, offsetOntoGrid(low, {1.2, -0.6, 0}, ground, 1)));
    const Vec3 landed = *lowestCorner(moved);
    EXPECT_NEAR(landed.x, std::round(low.x + 1.2), 2 * STEP);
    EXPECT_NEAR(landed.y, std::round(low.y - 0.6), 2 * STEP);
    EXPECT_EQ(landed.z, low.z);
    expectNoProblems(moved);

    // Its top is a face along Z: it lands on the grid exactly.
    const ShapeTexts taller =
        done(resizeFromFace(start, 2, draggedDimension(axisFaceOf(start, 2), 2, 0.7, 0.5)));
    EXPECT_EQ(axisFaceOf(taller, 2)->position, 2.5);
    expectNoProblems(taller);
}
