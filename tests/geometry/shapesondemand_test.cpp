// Shapes and faces built when first asked for, in any order, against those of a whole scene built
// rank by rank: the touch tests and the findings between boxes must not tell them apart.
#include "boxvalues.h"
#include "geometrytestsupport.h"
#include "orlclass.h"
#include "playchecks.h"
#include "problemreporter.h"
#include "shapeset.h"
#include "shapesondemand.h"
#include "solid.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

// Cubes on a grid of one, some shifted by a seam's width or a small step, some turned, a few
// thin, one flat and one whose planes enclose nothing: pairs that touch, nearly touch and stand
// apart.
void fillScene(BoxDocument& document, std::mt19937& random) {
    const auto pick = [&](int count) {
        return std::uniform_int_distribution<int>(0, count - 1)(random);
    };
    const std::vector<double> shifts = {0, 1.0 / 32, 1.0 / 16 + 1.0 / 64, 0.5};
    std::vector<BoxTexts> boxes;
    for (int i = 0; i < 40; ++i) {
        const Vec3 low{double(pick(4)) + shifts[std::size_t(pick(4))], double(pick(3)),
                       pick(4) == 0 ? 1.0 / 16 : 0.0};
        if (pick(5) == 0) {
            boxes.push_back(turnedBox("t", low + Vec3{0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, 30));
        } else {
            boxes.push_back(axisBox("a", low, low + Vec3{1, 1, pick(6) == 0 ? 1.0 / 64 : 1.0}));
        }
    }
    boxes.push_back(axisBox("flat", {0, 0, 0}, {1, 1, 0}));
    BoxTexts none = axisBox("none", {0, 0, 0}, {1, 1, 1});
    none[boxslot::plane(0)] = "zz";
    boxes.push_back(none);
    loadScene(document, boxes, {});
}

ShapeSet wholeShapes(const BoxDocument& document, FaceStore& faces, const PlayLimits& limits) {
    ShapeSet shapes;
    const ProblemSink ignore = [](const Problem&) {};
    ProblemReporter reporter(ignore);
    PlayChecks checks(limits, reporter);
    for (const auto& box : document.boxes) {
        const BoxValues values = decodeBoxValues(*box);
        const Solid solid = buildSolid(values);
        shapes.add(solid);
        checks.checkBox(values, solid);
    }
    faces = checks.releaseFaces();
    return shapes;
}

TEST(ShapesOnDemand, TouchAndFindAsTheWholeScene) {
    const PlayLimits limits;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        BoxDocument document;
        fillScene(document, random);
        FaceStore wholeFaces;
        const ShapeSet whole = wholeShapes(document, wholeFaces, limits);
        const std::size_t count = document.boxes.size();

        // Asked for in a shuffled order, so that indices do not follow ranks.
        std::vector<std::size_t> order(count);
        for (std::size_t rank = 0; rank < count; ++rank) {
            order[rank] = rank;
        }
        std::shuffle(order.begin(), order.end(), random);
        ShapesOnDemand shapes(document, limits);
        shapes.prepare(order);
        ASSERT_EQ(shapes.shapes().size(), count);
        FaceReader wholeReader(wholeFaces, whole);
        FaceReader reader(shapes.faces(), shapes.shapes());
        std::size_t touching = 0;
        std::size_t found = 0;
        for (std::size_t a = 0; a < count; ++a) {
            const std::size_t index = shapes.indexOf(a);
            ASSERT_EQ(shapes.rankAt(index), a);
            ASSERT_EQ(shapes.shapes().present(index), whole.present(a));
            if (!whole.present(a)) {
                continue;
            }
            EXPECT_EQ(shapes.shapes().boundsMin(index), whole.boundsMin(a));
            EXPECT_EQ(shapes.shapes().boundsMax(index), whole.boundsMax(a));
            for (std::size_t b = a + 1; b < count; ++b) {
                if (!whole.present(b)) {
                    continue;
                }
                const bool touch = whole.touch(a, b);
                ASSERT_EQ(shapes.touch(a, b), touch) << a << " " << b;
                touching += touch ? 1 : 0;
                std::vector<PlayFinding> expected;
                findBetweenBoxes(wholeFaces, wholeReader, limits, {a, b}, !touch, expected);
                std::vector<PlayFinding> local;
                findBetweenBoxes(shapes.faces(), reader, limits,
                                 {shapes.indexOf(a), shapes.indexOf(b)}, !touch, local);
                ASSERT_EQ(local.size(), expected.size());
                for (std::size_t i = 0; i < local.size(); ++i) {
                    EXPECT_EQ(shapes.rankAt(local[i].rank), expected[i].rank);
                    EXPECT_EQ(shapes.rankAt(local[i].other), expected[i].other);
                    EXPECT_EQ(local[i].kind, expected[i].kind);
                    EXPECT_EQ(local[i].plane, expected[i].plane);
                    EXPECT_EQ(local[i].otherPlane, expected[i].otherPlane);
                    EXPECT_EQ(local[i].value, expected[i].value);
                }
                found += expected.size();
            }
        }
        // The scenes hold what the comparison is about.
        EXPECT_GT(touching, 0u);
        EXPECT_GT(found, 0u);
        // Asked for again, a box is not built again.
        EXPECT_EQ(shapes.shapes().size(), count);
    }
}

} // namespace
