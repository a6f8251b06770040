#include "geometrytestsupport.h"
#include "problems.h"
#include "scene.h"
#include "shapetestsupport.h"
#include "transforms.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

BoxShape block(const Vec3& centre, const std::array<double, 3>& dimensions,
               const Angles& angles = {}) {
    return {centre, dimensions, angles};
}

// Whether the problem is one that a change of the box at the rank can change.
bool concerns(const Problem& problem, std::size_t rank) {
    if (problem.rank) {
        return *problem.rank == rank;
    }
    if (!problem.intersection || problem.kind == ProblemKind::IntersectionMalformed ||
        problem.kind == ProblemKind::IntersectionOutOfRange ||
        problem.kind == ProblemKind::IntersectionSelf) {
        return false;
    }
    std::istringstream pair(*problem.intersection);
    std::size_t a = 0, b = 0;
    pair >> a >> b;
    return a == rank || b == rank;
}

std::string describe(const std::vector<Problem>& problems) {
    std::string text;
    for (const Problem& problem : problems) {
        text += std::string(kindIdentifier(problem.kind)) + " " + problem.message + "\n";
    }
    return text;
}

// A floor with a wall, a turned pillar and a crate on it, listed with some faults of its own.
void fillScene(BoxDocument& document, const ShapeTexts& crate) {
    addPlacedBox(document, {"1", textsOfShape(block({0, 0, -0.5}, {20, 20, 1}))});
    addPlacedBox(document, {"2", textsOfShape(block({0, -5, 1.5}, {10, 0.5, 3}))});
    addPlacedBox(document, {"3", textsOfShape(block({3, 3, 1.5}, {1, 1, 3}, {30, 0, 0}))});
    addPlacedBox(document, {"4", crate});
    addPlacedBox(document, {"3", textsOfShape(block({30, 0, 0}, {1, 1, 1}))});
    for (const char* pair : {"0 1", "0 2", "3 0", "1 3", "0 3", "2 9", "x"}) {
        document.intersections.append(pair);
    }
    document.countText = "5";
}

TEST(ChangedBoxTest, GivesWhatTheWholeCheckSaysOfThatBox) {
    const ShapeTexts onFloor = textsOfShape(block({-2, 2, 0.5}, {1, 1, 1}));
    const std::vector<std::pair<std::string, ShapeTexts>> crates = {
        {"on the floor", onFloor},
        {"moved against the wall",
         done(stickTo(onFloor, 3, textsOfShape(block({0, -5, 1.5}, {10, 0.5, 3})), 1))},
        {"lifted off the floor", done(moveBox(onFloor, {0, 0, 0.0625}))},
        {"turned into the pillar",
         done(moveBox(done(rotateBox(onFloor, {0, 0, 1}, 45)), {4.6, 1, 0}))},
    };
    for (const auto& [name, crate] : crates) {
        SCOPED_TRACE(name);
        BoxDocument document;
        fillScene(document, crate);
        const std::vector<Solid> solids = buildSolids(document);
        for (std::size_t rank = 0; rank < document.boxes.size(); ++rank) {
            SCOPED_TRACE(rank);
            std::vector<Problem> expected;
            for (const Problem& problem : checkDocument(document, solids)) {
                if (concerns(problem, rank)) {
                    expected.push_back(problem);
                }
            }
            const std::vector<Problem> found = checkChangedBox(document, solids, rank);
            EXPECT_EQ(describe(found), describe(expected));
        }
    }
}

TEST(ChangedBoxTest, AMismatchedRankOrSolidsGiveNothing) {
    BoxDocument document;
    fillScene(document, textsOfShape(block({-2, 2, 0.5}, {1, 1, 1})));
    const std::vector<Solid> solids = buildSolids(document);
    EXPECT_TRUE(checkChangedBox(document, solids, 5).empty());
    EXPECT_TRUE(checkChangedBox(document, {}, 0).empty());
}

} // namespace
