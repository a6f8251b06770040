#include "boxtestsupport.h"
#include "problems.h"
#include "shapetestsupport.h"
#include "snapping.h"
#include "transforms.h"

#include <gtest/gtest.h>

namespace {

// A room built from an empty file with shapes and transforms alone, as a user builds it: a
// floor, four walls set on it and against each other, a turned pillar; then the intersections
// computed, as the fix for missing ones does. No value is typed in hexadecimal.
TEST(RoomTest, AFloorFourWallsAndATurnedPillarPassTheChecks) {
    BoxDocument document;
    const auto add = [&](const ShapeTexts& texts) {
        addPlacedBox(document, {nextFreeId(document), texts});
        return texts;
    };
    const ShapeTexts floor = add(textsOfShape({{0, 0, -0.125}, {10, 8, 0.25}, {}}));
    // Made where it is easy to say, then set down on the floor.
    const ShapeTexts southAbove = textsOfShape({{0, -3.875, 5}, {10, 0.25, 3}, {}});
    const ShapeTexts south = add(done(stickTo(southAbove, 4, floor, 2)));
    const ShapeTexts north = add(done(moveBox(south, {0, snapToGrid(7.76, 0.25), 0})));
    const ShapeTexts westLoose = textsOfShape({{-4.875, 0, 1.5}, {0.25, 7.5, 3}, {}});
    const ShapeTexts west = add(done(stickTo(westLoose, 3, south, 1)));
    const auto eastCopy = duplicateBox(west, "unused", {9.75, 0, 0});
    ASSERT_TRUE(std::holds_alternative<DuplicatedBox>(eastCopy));
    add(std::get<DuplicatedBox>(eastCopy).texts);
    const ShapeTexts pillarUpright = textsOfShape({{2, 1, 1.5}, {0.5, 0.5, 3}, {}});
    const ShapeTexts pillarTurned = done(rotateAboutOwnAxis(pillarUpright, 2, snapAngle(31)));
    add(done(stickTo(done(moveBox(pillarTurned, {0, 0, 2})), 4, floor, 2)));
    document.countText = std::to_string(document.boxes.size());
    EXPECT_EQ(textsIn(document.boxIds), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));

    // Before the intersections are listed, the checker asks for exactly these.
    DocumentReport report = inspectDocument(document);
    const std::vector<RankPair> expected = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5},
                                            {1, 3}, {1, 4}, {2, 3}, {2, 4}};
    EXPECT_EQ(report.intersections.pairs, expected);
    for (const Problem& problem : report.problems) {
        EXPECT_EQ(problem.kind, ProblemKind::IntersectionMissing) << problem.message;
    }
    for (const RankPair& pair : report.intersections.pairs) {
        document.intersections.append(pairText(pair));
    }
    report = inspectDocument(document);
    EXPECT_TRUE(report.problems.empty()) << kindsOf(report.problems);

    // The pillar stands turned by 30 degrees, on the floor.
    const BoxShape pillar = shapeOfTexts(shapeTextsOf(document.boxes.last()));
    EXPECT_NEAR(pillar.angles.yaw, 30, 0.01);
    EXPECT_NEAR(pillar.centre.z, 1.5, 1.0 / 16384);
    // The walls meet exactly: the west wall spans the room between the south and north walls.
    const BoxShape westShape = shapeOfTexts(west);
    EXPECT_EQ(westShape.centre.y, 0);
    EXPECT_EQ(westShape.dimensions[1], 7.5);
}

} // namespace
