#include "geometrytestsupport.h"
#include "problems.h"
#include "seamclosing.h"
#include "shapetexts.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

struct SeamCase {
    std::string name;
    std::vector<BoxTexts> boxes;
    // The box the user chose in the form, if any.
    std::optional<std::size_t> chosen;
    std::size_t movedRank;
    std::size_t stuckToRank;
};

// Two half-unit blocks turned about Z, the second one along the first's turned X axis, a gap
// between their facing planes.
std::vector<BoxTexts> turnedPair(double degrees, double gap) {
    const double angle = degrees * 3.14159265358979323846 / 180;
    const Vec3 along{std::cos(angle), std::sin(angle), 0};
    const Vec3 first{3, -2, 1};
    return {turnedBox("1", first, {0.5, 0.5, 0.5}, degrees),
            turnedBox("2", first + along * (1 + gap), {0.5, 0.5, 0.5}, degrees)};
}

const std::vector<SeamCase> SEAMS = {
    {"cubes a 32nd apart, first moves",
     {axisBox("1", {0, 0, 0}, {1, 1, 1}), axisBox("2", {1 + 1.0 / 32, 0, 0}, {2 + 1.0 / 32, 1, 1})},
     std::nullopt,
     0,
     1},
    {"cubes a 32nd apart, the chosen second moves",
     {axisBox("1", {0, 0, 0}, {1, 1, 1}), axisBox("2", {1 + 1.0 / 32, 0, 0}, {2 + 1.0 / 32, 1, 1})},
     1,
     1,
     0},
    {"the chosen first moves",
     {axisBox("1", {0, 0, 0}, {1, 1, 1}), axisBox("2", {1 + 0.05, 0, 0}, {2 + 0.05, 1, 1})},
     0,
     0,
     1},
    {"a box another box shows", // a choice that is neither box of the seam moves the first
     {axisBox("1", {0, 0, 0}, {1, 1, 1}), axisBox("2", {1 + 0.05, 0, 0}, {2 + 0.05, 1, 1}),
      axisBox("3", {9, 9, 9}, {10, 10, 10})},
     2,
     0,
     1},
    {"a crate hovering over a floor",
     {axisBox("1", {-4, -4, -1}, {4, 4, 0}), axisBox("2", {0, 0, 0.03}, {1, 2, 1.03})},
     std::nullopt,
     0,
     1},
    {"the crate chosen drops onto the floor",
     {axisBox("1", {-4, -4, -1}, {4, 4, 0}), axisBox("2", {0, 0, 0.03}, {1, 2, 1.03})},
     1,
     1,
     0},
    {"blocks turned by 30 degrees", turnedPair(30, 1.0 / 32), std::nullopt, 0, 1},
    {"blocks turned by 45 degrees, second chosen", turnedPair(45, 0.04), 1, 1, 0},
};

const Problem* onlySeam(const std::vector<Problem>& problems) {
    const Problem* seam = nullptr;
    for (const Problem& problem : problems) {
        if (problem.kind == ProblemKind::Seam) {
            if (seam != nullptr) {
                return nullptr;
            }
            seam = &problem;
        }
    }
    return seam;
}

std::string kindsIn(const std::vector<Problem>& problems) {
    std::string kinds;
    for (const Problem& problem : problems) {
        kinds += std::string(kindIdentifier(problem.kind)) + ": " + problem.message + "\n";
    }
    return kinds;
}

TEST(SeamClosing, TheMovedBoxTouchesTheOtherAndTheSeamIsGone) {
    for (const SeamCase& seamCase : SEAMS) {
        SCOPED_TRACE(seamCase.name);
        BoxDocument document;
        loadScene(document, seamCase.boxes, {});
        const std::vector<Problem> before = inspectDocument(document).problems;
        const Problem* seam = onlySeam(before);
        ASSERT_NE(seam, nullptr) << kindsIn(before);
        ASSERT_EQ(seam->fix(), ProblemFix::StickTogether);

        const std::optional<SeamClosing> closing = seamClosing(document, *seam, seamCase.chosen);
        ASSERT_TRUE(closing.has_value());
        EXPECT_EQ(closing->rank, seamCase.movedRank);
        EXPECT_EQ(closing->stuckToRank, seamCase.stuckToRank);
        const bool firstMoves = closing->rank == *seam->rank;
        const int movedPlane = firstMoves ? *seam->plane : *seam->otherPlane;
        const int otherPlane = firstMoves ? *seam->otherPlane : *seam->plane;

        // The other box is kept byte for byte; the moved one keeps its ID.
        const BoxTexts unmovedBefore = textsOf(document.boxes.at(closing->stuckToRank));
        const std::string movedId = std::string(document.boxes.at(closing->rank).id.view());
        writeShapeTexts(closing->texts, document.boxes.at(closing->rank));
        EXPECT_EQ(textsOf(document.boxes.at(closing->stuckToRank)), unmovedBefore);
        EXPECT_EQ(std::string(document.boxes.at(closing->rank).id.view()), movedId);

        // The moved face lies exactly on the other: its normal reversed, its distance negated.
        const PlaneValues moved =
            decodeBoxValues(closing->texts).planes[static_cast<std::size_t>(movedPlane)];
        const PlaneValues other =
            decodeBoxValues(shapeTextsOf(document.boxes.at(closing->stuckToRank)))
                .planes[static_cast<std::size_t>(otherPlane)];
        EXPECT_EQ(moved.normal, -other.normal);
        EXPECT_EQ(moved.d, -other.d);

        const DocumentReport after = inspectDocument(document);
        EXPECT_EQ(onlySeam(after.problems), nullptr);
        const RankPair touching{std::min(seam->rank.value(), seam->otherRank.value()),
                                std::max(seam->rank.value(), seam->otherRank.value())};
        EXPECT_EQ(after.intersections.pairs, std::vector<RankPair>{touching});
        ASSERT_EQ(after.problems.size(), 1u) << kindsIn(after.problems);
        EXPECT_EQ(after.problems[0].kind, ProblemKind::IntersectionMissing);

        // Listed, the pair leaves nothing to report: no gap and no overlap the checks object to.
        document.intersections.append(pairText(touching));
        const std::vector<Problem> listed = inspectDocument(document).problems;
        EXPECT_TRUE(listed.empty()) << kindsIn(listed);
    }
}

TEST(SeamClosing, OnlyASeamBetweenTwoBoxesOfTheDocumentIsClosed) {
    BoxDocument document;
    loadScene(document,
              {axisBox("1", {0, 0, 0}, {1, 1, 1}),
               axisBox("2", {1 + 1.0 / 32, 0, 0}, {2 + 1.0 / 32, 1, 1})},
              {});
    const std::vector<Problem> problems = inspectDocument(document).problems;
    ASSERT_NE(onlySeam(problems), nullptr);
    const Problem seam = *onlySeam(problems);
    EXPECT_TRUE(seamClosing(document, seam, std::nullopt).has_value());

    Problem thin = seam;
    thin.kind = ProblemKind::ThinSolid;
    EXPECT_FALSE(seamClosing(document, thin, std::nullopt).has_value());
    Problem beyond = seam;
    beyond.otherRank = 2;
    EXPECT_FALSE(seamClosing(document, beyond, std::nullopt).has_value());
    Problem withItself = seam;
    withItself.otherRank = 0;
    EXPECT_FALSE(seamClosing(document, withItself, std::nullopt).has_value());
    Problem noFace = seam;
    noFace.otherPlane.reset();
    EXPECT_FALSE(seamClosing(document, noFace, std::nullopt).has_value());
    // Faces that do not face each other: the transform refuses, and nothing is offered.
    Problem sideways = seam;
    sideways.otherPlane = 1;
    EXPECT_FALSE(seamClosing(document, sideways, std::nullopt).has_value());
}

// Faces half a degree from parallel make a seam, but no box can lie flat on the other: neither
// box is moved, whichever is chosen.
TEST(SeamClosing, FacesNotQuiteParallelAreLeftAsTheyAre) {
    BoxDocument document;
    loadScene(document,
              {axisBox("1", {-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}),
               turnedBox("2", {1 + 1.0 / 32, 0, 0}, {0.5, 0.5, 0.5}, 0.5)},
              {});
    const std::vector<Problem> problems = inspectDocument(document).problems;
    const Problem* seam = onlySeam(problems);
    ASSERT_NE(seam, nullptr) << kindsIn(problems);
    EXPECT_FALSE(seamClosing(document, *seam, std::nullopt).has_value());
    EXPECT_FALSE(seamClosing(document, *seam, 1).has_value());
}

} // namespace
