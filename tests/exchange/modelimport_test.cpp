#include "boxvalues.h"
#include "collisionname.h"
#include "geometrytestsupport.h"
#include "meshtestsupport.h"
#include "modelimport.h"
#include "modelreader.h"
#include "orlclass.h"
#include "problemkind.h"
#include "problems.h"
#include "solid.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr double STEP = 1.0 / 16384;

ModelContent readObj(const std::string& obj) {
    std::string error;
    std::optional<ModelContent> model = readModelBytes(obj, "obj", error);
    EXPECT_TRUE(model) << error;
    return model.value_or(ModelContent{});
}

ImportReport importObj(const std::string& obj, BoxDocument& document,
                       const ImportOptions& options = {}) {
    return appendModelBoxes(readObj(obj), document, options);
}

// The largest distance of a point outside the box, measured on the values its texts read as.
double farthestOutside(const Box& box, const std::vector<Vec3>& points) {
    const BoxValues values = decodeBoxValues(box);
    double farthest = -1;
    for (const PlaneValues& plane : values.planes) {
        for (const Vec3& p : points) {
            farthest = std::max(farthest, (dot(plane.normal, p) - plane.d) / length(plane.normal));
        }
    }
    return farthest;
}

std::vector<Problem> problemsOf(const BoxDocument& document) {
    return inspectDocument(document, std::nullopt, std::nullopt).problems;
}

std::string describe(const std::vector<Problem>& problems) {
    std::string text;
    for (const Problem& problem : problems) {
        text += std::string(kindIdentifier(problem.kind)) + ": " + problem.message + "\n";
    }
    return text;
}

const Frame AXES = turnedFrame(0, 0);

// The worked example's two boxes, modelled as meshes, come out as the very bytes of its file:
// the same centres, planes and radii, and the intersection computed from their shapes.
TEST(ModelImport, BoxShapedMeshesAlongTheAxesGiveTheirExactTexts) {
    BoxDocument document;
    const ImportReport report = importObj(objOf({{"cube", boxCorners({0, 0, 0}, {1, 1, 1}, AXES)},
                                                 {"tall", boxCorners({0, 0, 0}, {1, 1, 2}, AXES)}}),
                                          document);
    EXPECT_EQ(document.writeText(), workedExampleBytes);
    ASSERT_EQ(report.meshes.size(), 2u);
    EXPECT_EQ(report.meshes[0].name, "cube");
    EXPECT_EQ(report.meshes[1].id, "2");
    EXPECT_EQ(report.meshes[1].rank, 1u);
    EXPECT_EQ(report.meshes[0].filled, 1.0);
    EXPECT_EQ(report.meshes[0].fit.outsideDistance, 0.0);
    EXPECT_EQ(report.meshes[0].fit.planeGap, 0.0);
    EXPECT_EQ(report.intersectionsAdded, 1u);
}

// Turned, thin, far from the origin: every vertex stays inside the planes as written, within
// what rounding outward allows, and the boxes pass every check.
TEST(ModelImport, TurnedBoxesKeepEveryVertexInsideAndPassTheChecks) {
    struct Case {
        const char* name;
        Vec3 centre;
        Vec3 half;
        Frame frame;
    };
    const std::vector<Case> cases{
        {"cube turned 30° about X and Y", {10, -20, 5}, {1, 1, 1}, turnedFrame(30, 30)},
        {"slab 1/64 thick", {-3, 4, 0.5}, {4, 2, 1.0 / 128}, turnedFrame(0, 0)},
        {"turned slab 1/64 thick", {100, 200, 3}, {4, 2, 1.0 / 128}, turnedFrame(15, 30)},
        {"wall far away", {9000.25, -7000.5, 12}, {20, 0.25, 3}, turnedFrame(0, 10)},
    };
    for (const Case& c : cases) {
        BoxDocument document;
        const std::vector<Vec3> corners = boxCorners(c.centre, c.half, c.frame);
        const ImportReport report = importObj(objOf({{"mesh", corners}}), document);
        ASSERT_EQ(document.boxes.size(), 1u) << c.name;
        const MeshReport& mesh = report.meshes.front();
        EXPECT_FALSE(mesh.notABox()) << c.name;
        EXPECT_NEAR(mesh.filled, 1, 1e-4) << c.name;
        // The OBJ text holds 9 significant digits and Assimp reads it in single precision: the
        // corners it reads are the ones to stay inside.
        const std::vector<Vec3> read = readObj(objOf({{"mesh", corners}})).meshes.front().points;
        const double outside = farthestOutside(document.boxes.last(), read);
        EXPECT_LE(outside, 1e-9) << c.name;
        EXPECT_EQ(mesh.fit.outsideDistance, std::max(outside, 0.0)) << c.name;
        // Rounding outward adds at most a step, and the normal's rounding a little more along
        // the box's half diagonal.
        EXPECT_LT(mesh.fit.planeGap, 3 * STEP) << c.name;
        EXPECT_LT(mesh.fit.normalDegrees, 0.01) << c.name;
        const Solid solid = buildSolid(decodeBoxValues(document.boxes.last()));
        ASSERT_TRUE(solid.closed()) << c.name;
        // No smaller than the mesh, and no larger than the mesh grown by what the rounding of
        // the normals (a part in 32768 along the box's size) and of the distances adds.
        const double grow = 6 * STEP;
        EXPECT_GE(solid.volume, 8 * c.half.x * c.half.y * c.half.z * (1 - 1e-6)) << c.name;
        EXPECT_LE(solid.volume, 8 * (c.half.x + grow) * (c.half.y + grow) * (c.half.z + grow))
            << c.name;
        const std::vector<Problem> problems = problemsOf(document);
        EXPECT_TRUE(problems.empty()) << c.name << "\n" << describe(problems);
    }
}

TEST(ModelImport, ACylinderWarnsThatItIsNotABox) {
    BoxDocument document;
    const ImportReport report =
        importObj(objOf({{"pillar", cylinderPoints({0, 0, 1}, 0.5, 2, 32)}}), document);
    ASSERT_EQ(report.meshes.size(), 1u);
    EXPECT_TRUE(report.meshes[0].notABox());
    EXPECT_NEAR(report.meshes[0].filled,
                32 * std::sin(2 * std::numbers::pi / 32) / 2 /
                    (4 * std::pow(std::cos(std::numbers::pi / 32), 2)),
                1e-5);
    // It still gets its box, which holds it.
    EXPECT_EQ(document.boxes.size(), 1u);
    EXPECT_TRUE(problemsOf(document).empty());
}

TEST(ModelImport, MeshesWithoutVolumeAreReportedAndSkipped) {
    BoxDocument document;
    const std::string obj = objOf({{"quad", {{0, 0, 5}, {1, 0, 5}, {1, 1, 5}, {0, 1, 5}}},
                                   {"wall", boxCorners({0, 0, 0}, {1, 1, 1}, AXES)},
                                   {"sliver", boxCorners({5, 0, 0}, {1, 1, STEP / 8}, AXES)}}) +
                            "o line\nv 0 0 0\nv 1 1 1\nv 2 2 2\nl 21 22 23\n";
    const ImportReport report = importObj(obj, document);
    ASSERT_EQ(report.meshes.size(), 4u);
    EXPECT_EQ(report.meshes[0].outcome, MeshReport::Outcome::NoVolume);
    EXPECT_EQ(report.meshes[1].outcome, MeshReport::Outcome::Added);
    EXPECT_EQ(report.meshes[2].outcome, MeshReport::Outcome::NoVolume);
    EXPECT_EQ(report.meshes[3].name, "line");
    EXPECT_EQ(report.meshes[3].outcome, MeshReport::Outcome::NoVolume);
    EXPECT_EQ(document.boxes.size(), 1u);
    EXPECT_EQ(document.countText, "1");
    EXPECT_EQ(document.boxes.last().id, "1");
}

TEST(ModelImport, ABoxBeyondWhatTheFormatHoldsIsLeftOut) {
    BoxDocument document;
    const ImportReport report =
        importObj(objOf({{"far", boxCorners({140000, 0, 0}, {1, 1, 1}, AXES)}}), document);
    ASSERT_EQ(report.meshes.size(), 1u);
    EXPECT_EQ(report.meshes[0].outcome, MeshReport::Outcome::OutOfRange);
    EXPECT_TRUE(document.boxes.empty());
    EXPECT_EQ(document.countText, "0");
}

TEST(ModelImport, CoordinatesThatAreNotNumbersOrHugeLeaveTheMeshOut) {
    for (const double bad : {std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(), -1e30}) {
        ModelContent model;
        model.meshes.push_back({"bad", {}, boxCorners({0, 0, 0}, {1, 1, 1}, AXES)});
        model.meshes.back().points[3].y = bad;
        BoxDocument document;
        const ImportReport report = appendModelBoxes(model, document, {});
        ASSERT_EQ(report.meshes.size(), 1u);
        EXPECT_EQ(report.meshes[0].outcome, MeshReport::Outcome::OutOfRange) << bad;
        EXPECT_TRUE(document.boxes.empty());
    }
}

TEST(CollisionName, FollowsTheUsualConventionsInAnyCase) {
    const std::vector<std::pair<std::string, bool>> cases{
        {"UBX_wall", true},  {"ubx_wall", true},     {"UCX_rock.001", true},
        {"wall-col", true},  {"wall-COLONLY", true}, {"rock-convcolonly", true},
        {"UBX_", true},      {"wall", false},        {"UBXwall", false},
        {"wall_col", false}, {"collision", false},   {"wall-col.001", false},
        {"", false},         {"-col", true},         {"xUBX_wall", false},
    };
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(isCollisionName(name), expected) << name;
    }
}

TEST(ModelImport, CollisionOnlyTakesTheNamedMeshesAmongOrdinaryOnes) {
    const std::string obj = objOf({{"floor", boxCorners({0, 0, -1}, {10, 10, 0.5}, AXES)},
                                   {"UBX_crate", boxCorners({0, 0, 1}, {1, 1, 1}, AXES)},
                                   {"statue", cylinderPoints({5, 5, 2}, 1, 4, 16)},
                                   {"pillar-col", boxCorners({5, 5, 2}, {1, 1, 2}, AXES)}});
    BoxDocument all;
    EXPECT_EQ(importObj(obj, all).ignored, 0u);
    EXPECT_EQ(all.boxes.size(), 4u);

    BoxDocument collisions;
    ImportOptions options;
    options.collisionOnly = true;
    const ImportReport report = importObj(obj, collisions, options);
    EXPECT_EQ(report.ignored, 2u);
    ASSERT_EQ(report.meshes.size(), 2u);
    EXPECT_EQ(report.meshes[0].name, "UBX_crate");
    EXPECT_EQ(report.meshes[1].name, "pillar-col");
    EXPECT_EQ(textsIn(collisions.boxIds), (std::vector<std::string>{"1", "2"}));
}

TEST(ModelImport, NumbersFromTheFirstIdOrAfterTheHighestPassingOverTakenOnes) {
    const std::string obj = objOf({{"a", boxCorners({100, 0, 0}, {1, 1, 1}, AXES)},
                                   {"b", boxCorners({200, 0, 0}, {1, 1, 1}, AXES)},
                                   {"c", boxCorners({300, 0, 0}, {1, 1, 1}, AXES)}});
    const auto withIds = [](const std::vector<std::string>& ids) {
        auto document = std::make_unique<BoxDocument>();
        for (std::size_t i = 0; i < ids.size(); ++i) {
            BoxTexts texts = cubeBox();
            texts[0] = ids[i];
            addBox(*document, texts);
        }
        document->setCountText(std::to_string(ids.size()));
        return document;
    };
    {
        auto document = withIds({"7", "abc", "12", "0009"});
        importObj(obj, *document);
        EXPECT_EQ(textsIn(document->boxIds),
                  (std::vector<std::string>{"7", "abc", "12", "0009", "13", "14", "15"}));
        EXPECT_EQ(document->countText, "7");
    }
    {
        auto document = withIds({"5", "6"});
        ImportOptions options;
        options.firstId = 4;
        importObj(obj, *document, options);
        EXPECT_EQ(textsIn(document->boxIds), (std::vector<std::string>{"5", "6", "4", "7", "8"}));
    }
}

// The new boxes' intersections come from their shapes, with each other and with the boxes
// already there; the document's own list is kept as it was, even where the shapes disagree.
TEST(ModelImport, AddsTheIntersectionsOfTheNewBoxesOnly) {
    BoxDocument document;
    addBox(document, cubeBox());                                     // rank 0, -1..1
    addBox(document, axisBox("9", {50, 50, 50}, {52, 52, 52}, "4")); // rank 1, far away
    document.setCountText("2");
    document.intersections.append("0 1"); // wrong, but the user's own
    const std::string obj = objOf({{"touching", boxCorners({2, 0, 0}, {1, 1, 1}, AXES)},
                                   {"crossing", boxCorners({2.5, 0, 0}, {1, 1, 1}, AXES)},
                                   {"alone", boxCorners({-20, 0, 0}, {1, 1, 1}, AXES)}});
    const ImportReport report = importObj(obj, document);
    EXPECT_EQ(textsIn(document.intersections), (std::vector<std::string>{"0 1", "0 2", "2 3"}));
    EXPECT_EQ(report.intersectionsAdded, 2u);
    EXPECT_TRUE(report.intersectionsComplete);
}

// What the window applies as one edit: the same boxes, IDs and pairs as appending them, found
// without touching the document. The cube spans -1..1: the first mesh touches it, the second
// crosses the first only.
TEST(ModelImport, FittingLeavesTheDocumentAsItWasAndGivesWhatAppendingAdds) {
    const auto twoBoxes = [](BoxDocument& document) {
        addBox(document, cubeBox());
        addBox(document, axisBox("9", {50, 50, 50}, {52, 52, 52}, "4"));
        document.setCountText("2");
        document.intersections.append("0 1");
    };
    const std::string obj = objOf({{"UBX_touching", boxCorners({2, 0, 0}, {1, 1, 1}, AXES)},
                                   {"crossing", boxCorners({2.5, 0, 0}, {1, 1, 1}, AXES)},
                                   {"UBX_flat", {{0, 0, 5}, {1, 0, 5}, {1, 1, 5}, {0, 1, 5}}}});
    for (const bool collisionOnly : {false, true}) {
        BoxDocument fitted;
        twoBoxes(fitted);
        const std::string before = fitted.writeText();
        const ModelBoxes boxes = fitModelBoxes(readObj(obj), fitted, {collisionOnly, 20});
        EXPECT_EQ(fitted.writeText(), before);

        BoxDocument appended;
        twoBoxes(appended);
        const ImportReport report = importObj(obj, appended, {collisionOnly, 20});
        ASSERT_EQ(boxes.boxes.size(), appended.boxes.size() - 2);
        for (std::size_t i = 0; i < boxes.boxes.size(); ++i) {
            EXPECT_EQ(boxes.boxes[i], textsOf(appended.boxes.at(i + 2)));
        }
        std::vector<std::string> pairs{"0 1"};
        pairs.insert(pairs.end(), boxes.intersections.begin(), boxes.intersections.end());
        EXPECT_EQ(textsIn(appended.intersections), pairs);
        EXPECT_EQ(boxes.report.meshes.size(), report.meshes.size());
        EXPECT_EQ(boxes.report.ignored, collisionOnly ? 1u : 0u);
        EXPECT_EQ(boxes.boxes.front()[boxslot::id], "20");
        const std::vector<std::string> expected = collisionOnly
                                                      ? std::vector<std::string>{"0 2"}
                                                      : std::vector<std::string>{"0 2", "2 3"};
        EXPECT_EQ(boxes.intersections, expected);
    }
}

// A scene of a thousand objects, rows of turned boxes that touch their neighbours: every one
// becomes a box that passes the checks, and the computed intersections are the ones listed.
TEST(ModelImport, ASceneOfAThousandObjectsPassesTheChecks) {
    std::vector<std::pair<std::string, std::vector<Vec3>>> objects;
    for (int i = 0; i < 1000; ++i) {
        const Vec3 centre{(i % 10) * 2.0, (i / 10 % 10) * 5.0, (i / 100) * 5.0};
        const Frame frame = i % 2 == 0 ? turnedFrame(0, 0) : turnedFrame(10, 20);
        objects.emplace_back("object" + std::to_string(i),
                             boxCorners(centre, {1, 0.5 + (i % 3) * 0.25, 1}, frame));
    }
    BoxDocument document;
    const ImportReport report = importObj(objOf(objects), document);
    ASSERT_EQ(document.boxes.size(), 1000u);
    EXPECT_EQ(document.countText, "1000");
    EXPECT_EQ(document.boxIds.last(), "1000");
    const DocumentReport checked = inspectDocument(document, std::nullopt, std::nullopt);
    EXPECT_TRUE(checked.problems.empty()) << describe(checked.problems);
    EXPECT_EQ(report.intersectionsAdded, checked.intersections.pairs.size());
    EXPECT_GE(report.intersectionsAdded, 900u); // each row's neighbours touch
}

} // namespace
