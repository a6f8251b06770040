#include "boxshape.h"
#include "geometrytestsupport.h"
#include "rotation.h"
#include "shapetestsupport.h"
#include "shapetexts.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <vector>

namespace {

constexpr double STEP = 1.0 / 16384;

ShapeTexts textsOfBox(const BoxTexts& box) {
    ShapeTexts texts;
    texts.maxRadius = box[1];
    for (std::size_t axis = 0; axis < 3; ++axis) {
        texts.centre[axis] = box[2 + axis];
    }
    for (std::size_t k = 0; k < 24; ++k) {
        texts.planes[k] = box[5 + k];
    }
    return texts;
}

ShapeReading readingOf(const BoxTexts& box) {
    return shapeOf(decodeBoxValues(textsOfBox(box)));
}

std::string describe(const BoxShape& shape) {
    std::ostringstream out;
    out << "centre (" << shape.centre.x << ", " << shape.centre.y << ", " << shape.centre.z
        << "), dimensions " << shape.dimensions[0] << " x " << shape.dimensions[1] << " x "
        << shape.dimensions[2] << ", yaw " << shape.angles.yaw << " pitch " << shape.angles.pitch
        << " roll " << shape.angles.roll;
    return out.str();
}

TEST(RotationTest, AnglesGiveTheAxesOfTheConvention) {
    // Yaw 90: plane 0 faces +Y. Pitch 90: plane 0 faces -Z. Roll 90: plane 1 faces +Z.
    const Rotation yaw = rotationOf({90, 0, 0});
    EXPECT_EQ(yaw.axes[0], (Vec3{0, 1, 0}));
    EXPECT_EQ(yaw.axes[1], (Vec3{-1, 0, 0}));
    const Rotation pitch = rotationOf({0, 90, 0});
    EXPECT_EQ(pitch.axes[0], (Vec3{0, 0, -1}));
    EXPECT_EQ(pitch.axes[2], (Vec3{1, 0, 0}));
    const Rotation roll = rotationOf({0, 0, 90});
    EXPECT_EQ(roll.axes[1], (Vec3{0, 0, 1}));
    EXPECT_EQ(roll.axes[2], (Vec3{0, -1, 0}));
    // Yaw applies last: pitch 90 then yaw 90 sends plane 0 down still, plane 2 to +Y.
    const Rotation both = rotationOf({90, 90, 0});
    EXPECT_EQ(both.axes[0], (Vec3{0, 0, -1}));
    EXPECT_EQ(both.axes[2], (Vec3{0, 1, 0}));
}

TEST(RotationTest, AnglesComeBackFromTheirRotation) {
    for (const Angles& angles : std::vector<Angles>{{30, 20, -45}, {-170, -60, 100}, {0, 0, 0}}) {
        const Angles back = anglesOf(rotationOf(angles));
        EXPECT_NEAR(back.yaw, angles.yaw, 1e-9);
        EXPECT_NEAR(back.pitch, angles.pitch, 1e-9);
        EXPECT_NEAR(back.roll, angles.roll, 1e-9);
    }
    // At a pitch of 90 degrees the roll folds into the yaw, and the same axes come back.
    const Rotation locked = rotationOf({10, 90, 25});
    const Angles folded = anglesOf(locked);
    EXPECT_EQ(folded.roll, 0);
    const Rotation again = rotationOf(folded);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(length(again.axes[k] - locked.axes[k]), 0, 1e-12);
    }
}

TEST(RotationTest, TurnAboutAnAxisIsRightHanded) {
    const Rotation turn = turnAbout({0, 0, 2}, 90);
    EXPECT_EQ(apply(turn, {1, 0, 0}), (Vec3{0, 1, 0}));
    const Rotation diagonal = turnAbout({1, 1, 1}, 120);
    const Vec3 image = apply(diagonal, {1, 0, 0});
    EXPECT_NEAR(image.x, 0, 1e-15);
    EXPECT_NEAR(image.y, 1, 1e-15);
    EXPECT_NEAR(image.z, 0, 1e-15);
}

TEST(ShapeTextsTest, AnUprightBlockOnTheGridIsWrittenExactly) {
    BoxShape shape;
    shape.centre = {1, 2, 3};
    shape.dimensions = {2, 4, 6};
    const auto written = writeShape(shape);
    ASSERT_TRUE(std::holds_alternative<WrittenShape>(written));
    const WrittenShape& result = std::get<WrittenShape>(written);
    const ShapeTexts expected{{"00004000", "00008000", "0000c000"},
                              {"4000", "0000",     "0000", "00008000", "0000", "4000",
                               "0000", "00010000", "0000", "0000",     "4000", "00018000",
                               "0000", "c000",     "0000", "00000000", "0000", "0000",
                               "c000", "00000000", "c000", "0000",     "0000", "00000000"},
                              "4"};
    EXPECT_EQ(result.texts, expected);
    EXPECT_EQ(result.cornerDrift, 0);
}

TEST(ShapeTextsTest, AQuarterTurnOfYawIsWrittenExactly) {
    BoxShape shape;
    shape.centre = {-1, 0, 0.5};
    shape.dimensions = {4, 2, 1};
    shape.angles.yaw = 90;
    const ShapeTexts texts = textsOfShape(shape);
    // Plane 0 faces +Y, 2 units from the centre: y <= 2. Plane 1 faces -X, 1 unit from the
    // centre at x = -1: -x <= 2.
    EXPECT_EQ(texts.planes[0] + texts.planes[1] + texts.planes[2] + texts.planes[3], "000040000000"
                                                                                     "00008000");
    EXPECT_EQ(texts.planes[4] + texts.planes[5] + texts.planes[6] + texts.planes[7], "c00000000000"
                                                                                     "00008000");
    // Plane 5 faces -Y: -y <= 2; plane 3 faces +X: x <= 0.
    EXPECT_EQ(texts.planes[20] + texts.planes[21] + texts.planes[22] + texts.planes[23],
              "0000c0000000"
              "00008000");
    EXPECT_EQ(texts.planes[12] + texts.planes[13] + texts.planes[14] + texts.planes[15],
              "400000000000"
              "00000000");
    EXPECT_EQ(texts.centre[0], "ffff8000");
    EXPECT_EQ(texts.maxRadius, "3"); // sqrt(4 + 1 + 0.25) = 2.29
}

struct RoundTripCase {
    std::string name;
    std::array<double, 3> dimensions;
    Angles angles;
};

std::vector<RoundTripCase> roundTripCases() {
    std::vector<RoundTripCase> cases;
    const std::vector<std::pair<std::string, std::array<double, 3>>> blocks = {
        {"unit cube", {1, 1, 1}},    {"large cube", {37.25, 37.25, 37.25}},
        {"slab", {6, 3, 1.0 / 64}},  {"upright slab", {1.0 / 64, 5, 2.5}},
        {"beam", {12.3, 0.7, 0.45}},
    };
    for (const auto& [name, dimensions] : blocks) {
        for (const double degrees : {0.0, 15.0, 30.0, 45.0, 60.0, 90.0}) {
            const std::string turn = std::to_string(static_cast<int>(degrees));
            cases.push_back({name + ", yaw " + turn, dimensions, {degrees, 0, 0}});
            cases.push_back({name + ", pitch " + turn, dimensions, {0, degrees, 0}});
            cases.push_back({name + ", roll " + turn, dimensions, {0, 0, degrees}});
            cases.push_back(
                {name + ", all three " + turn, dimensions, {degrees, degrees, degrees}});
        }
    }
    return cases;
}

TEST(ShapeTextsTest, ShapeToPlanesToShapeStaysWithinOneStep) {
    const std::vector<Vec3> centres = {
        {0, 0, 0}, {10000, -10000, 9999.3}, {-7321.123, 4242.5, -10000}, {0.1, 0.2, 0.3}};
    double worstCentre = 0;
    double worstDimension = 0;
    double worstAxis = 0;
    for (const RoundTripCase& roundTrip : roundTripCases()) {
        for (const Vec3& centre : centres) {
            SCOPED_TRACE(roundTrip.name);
            const BoxShape asked{centre, roundTrip.dimensions, roundTrip.angles};
            const auto written = writeShape(asked);
            ASSERT_TRUE(std::holds_alternative<WrittenShape>(written)) << describe(asked);
            const WrittenShape& result = std::get<WrittenShape>(written);
            const BoxShape back = shapeOfTexts(result.texts);
            const Rotation askedAxes = rotationOf(asked.angles);
            const Rotation backAxes = rotationOf(back.angles);
            for (std::size_t k = 0; k < 3; ++k) {
                // The centre along each of the block's own axes, its dimensions, its axes.
                const double along = std::fabs(dot(back.centre - asked.centre, askedAxes.axes[k]));
                const double dimension = std::fabs(back.dimensions[k] - asked.dimensions[k]);
                const double axis = length(backAxes.axes[k] - askedAxes.axes[k]);
                worstCentre = std::max(worstCentre, along);
                worstDimension = std::max(worstDimension, dimension);
                worstAxis = std::max(worstAxis, axis);
                EXPECT_LE(along, STEP) << describe(asked) << " gave " << describe(back);
                EXPECT_LE(dimension, STEP) << describe(asked) << " gave " << describe(back);
                EXPECT_LE(axis, STEP) << describe(asked) << " gave " << describe(back);
            }
            EXPECT_LE(result.cornerDrift, 4 * STEP * std::max(1.0, back.dimensions[0]));
            // Every box written passes the checks with nothing of its own to say.
            const std::vector<Problem> problems = problemsOf({{"1", result.texts}});
            EXPECT_TRUE(problems.empty()) << describe(asked) << "\n" << kindsOf(problems);
        }
    }
    RecordProperty("worst centre steps", std::to_string(worstCentre / STEP));
    RecordProperty("worst dimension steps", std::to_string(worstDimension / STEP));
    RecordProperty("worst axis steps", std::to_string(worstAxis / STEP));
}

TEST(ShapeTextsTest, RandomOrientationsAndPlacesAlsoStayWithinOneStep) {
    std::mt19937 random(2026);
    std::uniform_real_distribution<double> angle(-180, 180);
    std::uniform_real_distribution<double> place(-10000, 10000);
    std::uniform_real_distribution<double> size(1.0 / 64, 50);
    for (int i = 0; i < 2000; ++i) {
        const BoxShape asked{{place(random), place(random), place(random)},
                             {size(random), size(random), size(random)},
                             {angle(random), angle(random) / 2, angle(random)}};
        const auto written = writeShape(asked);
        ASSERT_TRUE(std::holds_alternative<WrittenShape>(written)) << describe(asked);
        const BoxShape back = shapeOfTexts(std::get<WrittenShape>(written).texts);
        const Rotation askedAxes = rotationOf(asked.angles);
        const Rotation backAxes = rotationOf(back.angles);
        for (std::size_t k = 0; k < 3; ++k) {
            ASSERT_LE(std::fabs(dot(back.centre - asked.centre, askedAxes.axes[k])), STEP)
                << describe(asked) << " gave " << describe(back);
            ASSERT_LE(std::fabs(back.dimensions[k] - asked.dimensions[k]), STEP)
                << describe(asked) << " gave " << describe(back);
            ASSERT_LE(length(backAxes.axes[k] - askedAxes.axes[k]), STEP)
                << describe(asked) << " gave " << describe(back);
        }
        if (i % 10 == 0) {
            const std::vector<Problem> problems =
                problemsOf({{"1", std::get<WrittenShape>(written).texts}});
            ASSERT_TRUE(problems.empty()) << describe(asked) << "\n" << kindsOf(problems);
        }
    }
}

TEST(ShapeTextsTest, AShapeThatCannotBeWrittenSaysWhy) {
    const auto faultOf = [](const BoxShape& shape) {
        const auto written = writeShape(shape);
        return std::holds_alternative<ShapeFault>(written)
                   ? std::optional<ShapeFault>(std::get<ShapeFault>(written))
                   : std::nullopt;
    };
    BoxShape shape;
    shape.dimensions = {1, 0, 1};
    EXPECT_EQ(faultOf(shape), ShapeFault::DimensionNotPositive);
    shape.dimensions = {1, -2, 1};
    EXPECT_EQ(faultOf(shape), ShapeFault::DimensionNotPositive);
    shape.dimensions = {1, 1.0 / 1024, 1};
    EXPECT_EQ(faultOf(shape), ShapeFault::TooThin);
    shape.dimensions = {1, std::nan(""), 1};
    EXPECT_EQ(faultOf(shape), ShapeFault::NotFinite);
    shape.dimensions = {1, 1, 1};
    shape.angles.roll = INFINITY;
    EXPECT_EQ(faultOf(shape), ShapeFault::NotFinite);
    shape.angles.roll = 0;
    shape.centre.y = 131071;
    EXPECT_EQ(faultOf(shape), ShapeFault::OutOfRange);
    shape.centre.y = -200000;
    EXPECT_EQ(faultOf(shape), ShapeFault::OutOfRange);
    shape.centre.y = 0;
    shape.dimensions = {1, 1e300, 1};
    EXPECT_EQ(faultOf(shape), ShapeFault::OutOfRange);
    shape.dimensions = {1, 1.0 / 64, 1};
    EXPECT_EQ(faultOf(shape), std::nullopt);
}

TEST(BoxShapeTest, TheWorkedExampleIsAUnitCubeAtTheOrigin) {
    const ShapeReading reading = readingOf(cubeBox());
    ASSERT_TRUE(std::holds_alternative<BoxShape>(reading));
    const BoxShape& shape = std::get<BoxShape>(reading);
    EXPECT_EQ(shape.centre, (Vec3{0, 0, 0}));
    EXPECT_EQ(shape.dimensions, (std::array<double, 3>{2, 2, 2}));
    EXPECT_EQ(shape.angles.yaw, 0);
    EXPECT_EQ(shape.angles.pitch, 0);
    EXPECT_EQ(shape.angles.roll, 0);
    // Its planes 2 and 4 pushed from 1 to 2: twice as high, the centre where it was.
    const BoxShape stretched = std::get<BoxShape>(readingOf(stretchedBox()));
    EXPECT_EQ(stretched.centre, (Vec3{0, 0, 0}));
    EXPECT_EQ(stretched.dimensions, (std::array<double, 3>{2, 2, 4}));
    // Plane 2 alone pushed: the centre follows half of it.
    BoxTexts raised = cubeBox();
    raised[5 + 11] = "00008000";
    const BoxShape higher = std::get<BoxShape>(readingOf(raised));
    EXPECT_EQ(higher.centre, (Vec3{0, 0, 0.5}));
    EXPECT_EQ(higher.dimensions, (std::array<double, 3>{2, 2, 3}));
}

TEST(BoxShapeTest, AFileBoxTurnedByHandGivesItsAngle) {
    // Written by the geometry tests' own helper, not by writeShape.
    const ShapeReading reading = readingOf(turnedBox("7", {5, 6, 7}, {2, 1, 0.5}, 30));
    ASSERT_TRUE(std::holds_alternative<BoxShape>(reading));
    const BoxShape& shape = std::get<BoxShape>(reading);
    EXPECT_NEAR(shape.angles.yaw, 30, 0.01);
    EXPECT_EQ(shape.angles.pitch, 0);
    EXPECT_EQ(shape.angles.roll, 0);
    EXPECT_NEAR(shape.dimensions[0], 4, 2 * STEP);
    EXPECT_NEAR(shape.dimensions[2], 1, 2 * STEP);
    EXPECT_NEAR(length(shape.centre - Vec3{5, 6, 7}), 0, 2 * STEP);
}

TEST(BoxShapeTest, ABoxThatIsNoBlockSaysWhyInFrench) {
    const Vec3 centre{0, 0, 0};
    const Vec3 half{1, 1, 1};
    const Vec3 x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
    struct Case {
        std::string name;
        std::array<TestPlane, 6> planes;
        ShapeFault fault;
    };
    std::vector<Case> cases;
    {
        // Plane 5 tilted by 10 degrees: a wedge.
        auto planes = framePlanes(centre, half, x, y, z);
        planes[5] = {{-std::cos(0.17), std::sin(0.17), 0}, 1};
        cases.push_back({"wedge", planes, ShapeFault::NotOpposite});
    }
    {
        // Planes 1 and 3 opposite each other, but 5 degrees from perpendicular to 0 and 5.
        const Vec3 slanted{std::sin(0.0873), std::cos(0.0873), 0};
        cases.push_back({"sheared", framePlanes(centre, half, x, slanted, z), ShapeFault::Sheared});
    }
    {
        auto planes = framePlanes(centre, half, x, y, z);
        std::swap(planes[2], planes[4]);
        cases.push_back({"mirrored", planes, ShapeFault::Mirrored});
    }
    {
        auto planes = framePlanes(centre, half, x, y, z);
        planes[5].d = -2; // x <= 1 and x >= 2
        cases.push_back({"empty", planes, ShapeFault::Empty});
    }
    {
        auto planes = framePlanes(centre, half, x, y, z);
        planes[5] = planes[0]; // nothing bounds -X
        cases.push_back({"unbounded", planes, ShapeFault::Unbounded});
    }
    {
        auto planes = framePlanes(centre, half, x, y, z);
        planes[5].d = -1; // x <= 1 and x >= 1
        cases.push_back({"flat", planes, ShapeFault::Flat});
    }
    {
        auto planes = framePlanes(centre, half, x, y, z);
        planes[3].normal = {0, 0, 0};
        cases.push_back({"zero normal", planes, ShapeFault::ZeroNormal});
    }
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const ShapeReading reading = readingOf(boxTexts("1", "9", centre, test.planes));
        ASSERT_TRUE(std::holds_alternative<ShapeFault>(reading));
        EXPECT_EQ(std::get<ShapeFault>(reading), test.fault);
        const std::string text = shapeFaultText(test.fault);
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(text.find('\n'), std::string::npos);
    }
    EXPECT_EQ(shapeFaultText(ShapeFault::Mirrored).find("miroir") != std::string::npos, true);
}

TEST(BoxShapeTest, MalformedTextsGiveAReasonOrAShapeWithoutCrashing) {
    std::vector<ShapeTexts> inputs;
    inputs.push_back({});
    ShapeTexts letters;
    for (auto& text : letters.planes) {
        text = "zz";
    }
    inputs.push_back(letters);
    ShapeTexts huge;
    for (std::size_t k = 0; k < 24; ++k) {
        huge.planes[k] = k % 4 == 3 ? "7fffffffffffffffffff" : "ffff";
    }
    inputs.push_back(huge);
    for (const ShapeTexts& input : inputs) {
        const ShapeReading reading = shapeOf(decodeBoxValues(input));
        if (const ShapeFault* fault = std::get_if<ShapeFault>(&reading)) {
            EXPECT_FALSE(shapeFaultText(*fault).empty());
        }
    }
}

} // namespace
