#include "geometrytestsupport.h"
#include "problems.h"
#include "scene.h"
#include "surfacekind.h"

#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

// What a test expects of a problem, message included.
struct Found {
    std::string kind;
    std::optional<std::size_t> rank;
    std::optional<int> plane;
    std::optional<std::size_t> otherRank;
    std::optional<int> otherPlane;
    std::string message;

    bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Found& found) {
    out << found.kind;
    if (found.rank) {
        out << " box " << *found.rank;
    }
    if (found.plane) {
        out << " plan " << *found.plane;
    }
    if (found.otherRank) {
        out << " / box " << *found.otherRank;
    }
    if (found.otherPlane) {
        out << " plan " << *found.otherPlane;
    }
    return out << ": " << found.message;
}

std::vector<Found> problemsOf(const std::vector<BoxTexts>& boxes,
                              const std::vector<std::string>& intersections,
                              const PlayLimits& limits = {}) {
    BoxDocument document;
    loadScene(document, boxes, intersections);
    const std::vector<Problem> problems = inspectDocument(document, std::nullopt, limits).problems;
    // The editor's way, with every solid kept, must find the same.
    const std::vector<Problem> kept =
        checkDocument(document, buildSolids(document), std::nullopt, limits);
    EXPECT_EQ(kept.size(), problems.size());
    std::vector<Found> found;
    for (std::size_t i = 0; i < problems.size(); ++i) {
        const Problem& problem = problems[i];
        found.push_back({std::string(kindIdentifier(problem.kind)), problem.rank, problem.plane,
                         problem.otherRank, problem.otherPlane, problem.message});
        if (i < kept.size()) {
            EXPECT_EQ(kept[i].message, problem.message);
        }
    }
    return found;
}

// Two unit cubes side by side along X, the second moved on by the gap.
std::vector<BoxTexts> cubesApart(double gap) {
    return {axisBox("1", {0, 0, 0}, {1, 1, 1}), axisBox("2", {1 + gap, 0, 0}, {2 + gap, 1, 1})};
}

TEST(PlayChecks, AGapNarrowerThanTheSeamWidthIsASeam) {
    EXPECT_EQ(problemsOf(cubesApart(1.0 / 32), {}),
              (std::vector<Found>{{"seam", 0, 0, 1, 5,
                                   "fente de 0,0312 entre la face 0 et la face 5 de la box 1"}}));
    EXPECT_EQ(problemsOf(cubesApart(0.03), {}),
              (std::vector<Found>{
                  {"seam", 0, 0, 1, 5, "fente de 0,03 entre la face 0 et la face 5 de la box 1"}}));
}

TEST(PlayChecks, CubesThatTouchOrStandWellApartLeaveNoSeam) {
    EXPECT_EQ(problemsOf(cubesApart(1.0 / 2048), {"0 1"}), std::vector<Found>{});
    EXPECT_EQ(problemsOf(cubesApart(0), {"0 1"}), std::vector<Found>{});
    EXPECT_EQ(problemsOf(cubesApart(1.0 / 8), {}), std::vector<Found>{});
}

TEST(PlayChecks, TheyCanBeLeftOut) {
    BoxDocument document;
    loadScene(document, cubesApart(1.0 / 32), {});
    EXPECT_EQ(inspectDocument(document, std::nullopt).problems.size(), 1u);
    EXPECT_TRUE(inspectDocument(document, std::nullopt, std::nullopt).problems.empty());
    EXPECT_TRUE(checkDocument(document, buildSolids(document), std::nullopt, std::nullopt).empty());
}

TEST(PlayChecks, TheSeamWidthIsALimit) {
    EXPECT_EQ(problemsOf(cubesApart(1.0 / 32), {}, {.seamWidth = 1.0 / 64}), std::vector<Found>{});
    EXPECT_EQ(problemsOf(cubesApart(1.0 / 8), {}, {.seamWidth = 1.0 / 4}).size(), 1u);
}

// Faces that face each other over less than a sixteenth of a square unit leave no seam: the
// second cube slides along Y until the faces share a strip.
TEST(PlayChecks, ASeamNeedsASixteenthOfASquareUnitFaceToFace) {
    const auto shifted = [](double y) {
        return std::vector<BoxTexts>{axisBox("1", {0, 0, 0}, {1, 1, 1}),
                                     axisBox("2", {1 + 1.0 / 32, y, 0}, {2 + 1.0 / 32, y + 1, 1})};
    };
    EXPECT_EQ(problemsOf(shifted(0.9), {}).size(), 1u);  // a strip of 1/10
    EXPECT_EQ(problemsOf(shifted(0.95), {}).size(), 0u); // a strip of 1/20
}

TEST(PlayChecks, ASlabThinnerThanTheMinimumIsThin) {
    EXPECT_EQ(problemsOf({axisBox("1", {0, 0, 0}, {4, 4, 1.0 / 64})}, {}),
              (std::vector<Found>{{"thin-solid", 0, 2, 0, 4,
                                   "épaisseur de 0,0156 entre la face 2 et la face 4, sous le "
                                   "minimum de 0,0312"}}));
    EXPECT_EQ(problemsOf({axisBox("1", {0, 0, 0}, {4, 4, 1.0 / 16})}, {}), std::vector<Found>{});
    EXPECT_EQ(
        problemsOf({axisBox("1", {0, 0, 0}, {4, 4, 1.0 / 64})}, {}, {.minThickness = 1.0 / 128}),
        std::vector<Found>{});
}

// A ramp rising along +X at the given angle from x = start, its low end at the given height:
// flat bottom, upright sides, its top the only face turned upward.
BoxTexts ramp(double degrees, double start = 0, double low = 0.1, double length = 0.5) {
    const double angle = degrees * 3.14159265358979323846 / 180;
    const Vec3 top{-std::sin(angle), 0, std::cos(angle)};
    const double storedX = std::lround(top.x * 16384) / 16384.0;
    const double storedZ = std::lround(top.z * 16384) / 16384.0;
    return boxTexts("1", "1000", {start + length / 2, 0.5, low / 2},
                    {{{{1, 0, 0}, start + length},
                      {{0, 1, 0}, 1},
                      {top, storedX * start + storedZ * low},
                      {{0, -1, 0}, 0},
                      {{0, 0, -1}, 0},
                      {{-1, 0, 0}, -start}}});
}

TEST(PlayChecks, AnUpwardFaceBetweenTheSlopeAndAWallIsASteepFloor) {
    const auto kinds = [](const std::vector<Found>& found) {
        std::vector<std::string> result;
        for (const Found& problem : found) {
            result.push_back(problem.kind);
        }
        return result;
    };
    // The top and bottom of a ramp are not opposite: that warning comes with every ramp.
    const std::vector<Found> fifty = problemsOf({ramp(50)}, {});
    EXPECT_EQ(kinds(fifty), (std::vector<std::string>{"planes-not-opposite", "steep-floor"}));
    ASSERT_EQ(fifty.size(), 2u);
    EXPECT_EQ(fifty[1], (Found{"steep-floor", 0, 2, std::nullopt, std::nullopt,
                               "pente de 50° sur la face 2, plus raide que 45° : un personnage "
                               "y glisse"}));
    EXPECT_EQ(kinds(problemsOf({ramp(30)}, {})), std::vector<std::string>{"planes-not-opposite"});
    EXPECT_EQ(kinds(problemsOf({ramp(80)}, {})), std::vector<std::string>{"planes-not-opposite"});
    EXPECT_EQ(kinds(problemsOf({ramp(50)}, {}, {.maxSlopeDegrees = 55})),
              std::vector<std::string>{"planes-not-opposite"});
    EXPECT_EQ(kinds(problemsOf({ramp(30)}, {}, {.maxSlopeDegrees = 20})),
              (std::vector<std::string>{"planes-not-opposite", "steep-floor"}));
}

// A block turned so that two of its faces slope at 45 degrees towards a diagonal: rounded to
// fixed point, their normals' Z falls short by a few parts in a hundred thousand, and neither
// face counts as steeper than the slope.
TEST(PlayChecks, AFaceAtTheSlopeItselfIsNoSteepFloor) {
    const Vec3 centre{0, 0, 0};
    const double s = std::sqrt(0.5);
    const BoxTexts block =
        boxTexts("1", "1000", centre,
                 framePlanes(centre, {1, 1, 1}, {s, -s, 0}, {0.5, 0.5, -s}, {0.5, 0.5, s}));
    EXPECT_EQ(problemsOf({block}, {}), std::vector<Found>{});
}

// Two blocks side by side, the second the height of the step higher.
std::vector<BoxTexts> step(double height) {
    return {axisBox("1", {0, 0, 0}, {2, 2, 1}), axisBox("2", {2, 0, 0}, {4, 2, 1 + height})};
}

TEST(PlayChecks, WalkableFacesMeetingAtASmallHeightDifferenceAreAMicroStep) {
    EXPECT_EQ(problemsOf(step(1.0 / 16), {"0 1"}),
              (std::vector<Found>{{"micro-step", 0, 2, 1, 2,
                                   "marche de 0,0625 entre la face 2 et la face 2 de la box 1"}}));
    EXPECT_EQ(problemsOf(step(1.0 / 4), {"0 1"}), std::vector<Found>{});
    EXPECT_EQ(problemsOf(step(0), {"0 1"}), std::vector<Found>{});
    EXPECT_EQ(problemsOf(step(1.0 / 2048), {"0 1"}), std::vector<Found>{});
    EXPECT_EQ(problemsOf(step(1.0 / 4), {"0 1"}, {.minStep = 1.0 / 2}).size(), 1u);
}

// A walkable ramp beside a block: where it starts a little higher than the block's top, a step;
// where it rises through the block's top, the two are flush there and make none.
TEST(PlayChecks, SlopedFacesMakeAStepWhereTheyMeetUnlessTheyCross) {
    const BoxTexts block = axisBox("2", {0, 0, 0}, {2, 1, 0.5});
    std::vector<Found> found = problemsOf({block, ramp(30, 2, 0.55, 1)}, {"0 1"});
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].kind, "planes-not-opposite");
    EXPECT_EQ(found[1], (Found{"micro-step", 0, 2, 1, 2,
                               "marche de 0,05 entre la face 2 et la face 2 de la box 1"}));
    found = problemsOf({block, ramp(30, 1.5, 0.3, 1)}, {"0 1"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].kind, "planes-not-opposite");
}

// A thin mat lying on a floor: its top is a micro-step above the floor's, seen from above they
// overlap; the floor further away meets neither.
TEST(PlayChecks, AMatOnAFloorIsAMicroStepAndAFarFloorIsNot) {
    const std::vector<BoxTexts> boxes = {axisBox("1", {0, 0, -1}, {4, 4, 0}),
                                         axisBox("2", {1, 1, 0}, {2, 2, 0.1}),
                                         axisBox("3", {10, 0, -1}, {14, 4, -0.05})};
    EXPECT_EQ(problemsOf(boxes, {"0 1"}),
              (std::vector<Found>{{"micro-step", 0, 2, 1, 2,
                                   "marche de 0,1 entre la face 2 et la face 2 de la box 1"}}));
}

// What concerns one box is told with that box's other problems; what lies between boxes, once
// every box is known, after the intersections.
TEST(PlayChecks, ThinSolidsComeWithTheirBoxAndSeamsAfterTheIntersections) {
    std::vector<BoxTexts> boxes = cubesApart(1.0 / 32);
    boxes.push_back(axisBox("3", {10, 0, 0}, {14, 4, 1.0 / 64}));
    boxes.push_back(axisBox("4", {20, 0, 0}, {21, 1, 1}));
    const std::vector<Found> found = problemsOf(boxes, {"2 3"});
    std::vector<std::string> kinds;
    for (const Found& problem : found) {
        kinds.push_back(problem.kind);
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"thin-solid", "intersection-apart", "seam"}));
}

// Enough boxes for the checks to share their work between threads: pairs of cubes along X, a
// seam in every other pair, the others touching and listed. Each seam is told once, in rank
// order, whichever thread met it.
TEST(PlayChecks, ALargeSceneGivesEverySeamOnceInOrder) {
    std::vector<BoxTexts> boxes;
    std::vector<std::string> listed;
    std::vector<Found> expected;
    for (std::size_t pair = 0; pair < 2600; ++pair) {
        const double x = 3.0 * static_cast<double>(pair);
        const bool seam = pair % 2 == 0;
        const double gap = seam ? 1.0 / 32 : 0;
        const std::size_t first = boxes.size();
        boxes.push_back(axisBox(std::to_string(first), {x, 0, 0}, {x + 1, 1, 1}));
        boxes.push_back(
            axisBox(std::to_string(first + 1), {x + 1 + gap, 0, 0}, {x + 2 + gap, 1, 1}));
        if (seam) {
            expected.push_back({"seam", first, 0, first + 1, 5,
                                "fente de 0,0312 entre la face 0 et la face 5 de la box " +
                                    std::to_string(first + 1)});
        } else {
            listed.push_back(std::to_string(first) + " " + std::to_string(first + 1));
        }
    }
    EXPECT_EQ(problemsOf(boxes, listed), expected);
}

// The list is checked while other threads look for seams: its problems still come first, in
// the list's order, and every seam after them in rank order. Each seam's pair is listed, though
// its boxes stand apart, listed backwards so that the list's order is not the ranks'.
TEST(PlayChecks, ListedPairsApartComeBeforeTheSeamsFoundAlongside) {
    std::vector<BoxTexts> boxes;
    std::vector<std::string> listed;
    std::vector<Found> apart;
    std::vector<Found> seams;
    for (std::size_t pair = 0; pair < 2600; ++pair) {
        const double x = 3.0 * static_cast<double>(pair);
        const std::size_t first = boxes.size();
        boxes.push_back(axisBox(std::to_string(first), {x, 0, 0}, {x + 1, 1, 1}));
        boxes.push_back(
            axisBox(std::to_string(first + 1), {x + 1 + 1.0 / 32, 0, 0}, {x + 2 + 1.0 / 32, 1, 1}));
        const std::string text = std::to_string(first + 1) + " " + std::to_string(first);
        listed.insert(listed.begin(), text);
        apart.insert(
            apart.begin(),
            Found{"intersection-apart", std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                  "intersection « " + text + " » : les solides des boxes " + std::to_string(first) +
                      " et " + std::to_string(first + 1) + " ne se touchent pas"});
        seams.push_back({"seam", first, 0, first + 1, 5,
                         "fente de 0,0312 entre la face 0 et la face 5 de la box " +
                             std::to_string(first + 1)});
    }
    std::vector<Found> expected = apart;
    expected.insert(expected.end(), seams.begin(), seams.end());
    EXPECT_EQ(problemsOf(boxes, listed), expected);
}

// A normal at the given angle from +Z, turned about Y.
Vec3 tilted(double degrees) {
    const double angle = degrees * 3.14159265358979323846 / 180;
    return {std::sin(angle), 0, std::cos(angle)};
}

TEST(SurfaceKinds, FacesAreFloorsSlopesWallsOrCeilingsByTheirAngleFromUp) {
    const SurfaceClassifier surfaces;
    const std::vector<std::pair<double, SurfaceKind>> cases = {
        {0, SurfaceKind::Floor},         {30, SurfaceKind::Floor},
        {44.9, SurfaceKind::Floor},      {45.1, SurfaceKind::SteepSlope},
        {69.9, SurfaceKind::SteepSlope}, {70.1, SurfaceKind::Wall},
        {90, SurfaceKind::Wall},         {109.9, SurfaceKind::Wall},
        {110.1, SurfaceKind::Ceiling},   {180, SurfaceKind::Ceiling},
    };
    for (const auto& [degrees, kind] : cases) {
        EXPECT_EQ(surfaces.kindOf(tilted(degrees)), kind) << degrees;
        EXPECT_EQ(surfaces.kindOf(tilted(degrees) * 3), kind) << degrees << " at any length";
    }
    EXPECT_EQ(surfaces.kindOf({0, 0, 0}), std::nullopt);
    // As fixed point stores it: 0x2d41 / 16384 for both.
    EXPECT_EQ(surfaces.kindOf({11585.0 / 16384, 0, 11585.0 / 16384}), SurfaceKind::Floor);
    EXPECT_EQ(SurfaceClassifier(20).kindOf(tilted(30)), SurfaceKind::SteepSlope);
}

} // namespace
