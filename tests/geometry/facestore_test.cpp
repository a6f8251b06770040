// The faces a store gives back against outlines made straight from each solid's own faces, bit
// for bit, whatever the runs the boxes were added in, and the layouts of corners kept once.
#include "boxvalues.h"
#include "facestore.h"
#include "geometrytestsupport.h"
#include "shapeset.h"
#include "solid.h"

#include <array>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <set>
#include <vector>

namespace {

// Boxes upright and turned, wedges whose slanted plane leaves a face out (faces of three corners),
// flat ones and ones whose planes enclose nothing.
std::vector<BoxTexts> variedBoxes(std::mt19937& random, std::size_t count) {
    const auto pick = [&](int choices) {
        return std::uniform_int_distribution<int>(0, choices - 1)(random);
    };
    std::vector<BoxTexts> boxes;
    for (std::size_t i = 0; i < count; ++i) {
        const Vec3 low{double(pick(50)), double(pick(50)), double(pick(4)) / 8};
        const Vec3 size{1.0 + pick(4), 0.5 + pick(3), pick(8) == 0 ? 0.0 : 1.0 / (1 + pick(4))};
        switch (pick(5)) {
        case 0:
            boxes.push_back(turnedBox("t", low + size * 0.5, size * 0.5, 15.0 * (1 + pick(5))));
            break;
        case 1: {
            // Narrower than long, cut across by a slanted plane that leaves the far side out:
            // three corners to its ends.
            const Vec3 high = low + Vec3{1, 2, 1};
            const Vec3 centre = (low + high) * 0.5;
            std::array<TestPlane, 6> planes = turnedPlanes(centre, (high - low) * 0.5, 0);
            const Vec3 slant{std::sqrt(0.5), std::sqrt(0.5), 0};
            planes[0] = {slant, dot(slant, Vec3{high.x, low.y + 0.5, 0})};
            boxes.push_back(boxTexts("w", "1000", centre, planes));
            break;
        }
        case 2: {
            BoxTexts none = axisBox("n", low, low + size);
            none[boxslot::plane(4 * pick(6) + 3)] = "zz";
            boxes.push_back(none);
            break;
        }
        default:
            boxes.push_back(axisBox("a", low, low + size));
        }
    }
    return boxes;
}

bool sameBits(const Vec3& a, const Vec3& b) {
    return std::memcmp(&a.x, &b.x, sizeof(double)) == 0 &&
           std::memcmp(&a.y, &b.y, sizeof(double)) == 0 &&
           std::memcmp(&a.z, &b.z, sizeof(double)) == 0;
}

void expectSameOutline(const std::optional<FaceOutline>& kept,
                       const std::optional<FaceOutline>& expected) {
    ASSERT_EQ(kept.has_value(), expected.has_value());
    if (!expected) {
        return;
    }
    ASSERT_EQ(kept->count, expected->count);
    for (std::size_t i = 0; i < expected->count; ++i) {
        EXPECT_TRUE(sameBits(kept->corners[i], expected->corners[i])) << "corner " << i;
    }
    EXPECT_TRUE(sameBits(kept->normal, expected->normal));
    EXPECT_EQ(std::memcmp(&kept->offset, &expected->offset, sizeof(double)), 0);
}

} // namespace

TEST(FaceStore, GivesEachFaceAsItsSolidMakesIt) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        const std::vector<BoxTexts> boxes = variedBoxes(random, 300);
        std::vector<Solid> solids;
        std::vector<std::uint8_t> walkables;
        ShapeSet shapes;
        FaceStore store;
        // Added in runs of a few boxes, as the threads of a whole check join theirs.
        ShapeSet runShapes;
        FaceStore run;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            solids.push_back(buildSolid(decodeBoxValues(boxes[i])));
            walkables.push_back(static_cast<std::uint8_t>(random() % 64));
            runShapes.add(solids.back());
            run.add(solids.back(), walkables.back());
            if (random() % 5 == 0 || i + 1 == boxes.size()) {
                shapes.append(runShapes);
                store.append(run);
                runShapes.clear();
                run.clear();
            }
        }
        ASSERT_EQ(store.size(), boxes.size());

        std::size_t closed = 0;
        std::set<std::size_t> cornerCounts;
        std::set<std::array<std::vector<std::size_t>, 6>> layouts;
        for (std::size_t rank = 0; rank < solids.size(); ++rank) {
            SCOPED_TRACE(rank);
            const Solid& solid = solids[rank];
            EXPECT_EQ(store.walkable(rank), walkables[rank]);
            BoxFaces faces;
            store.build(shapes, rank, 0x3f, faces);
            EXPECT_EQ(faces.walkable, walkables[rank]);
            layouts.insert(solid.closed() ? solid.faces
                                          : std::array<std::vector<std::size_t>, 6>{});
            closed += solid.closed() ? 1 : 0;
            for (std::size_t p = 0; p < 6; ++p) {
                std::optional<FaceOutline> expected;
                if (solid.closed()) {
                    std::vector<Vec3> corners;
                    for (const std::size_t corner : solid.faces[p]) {
                        corners.push_back(shapes.vertex(rank, corner));
                    }
                    cornerCounts.insert(corners.size());
                    expected = faceOutline(corners.data(), corners.size());
                }
                expectSameOutline(faces.faces[p], expected);
            }
        }
        // The scenes hold what the comparison is about: faces of three and four corners.
        EXPECT_GT(closed, 100u);
        EXPECT_TRUE(cornerCounts.count(3) && cornerCounts.count(4));
        // Each layout once, however many boxes share it.
        EXPECT_EQ(store.layoutCount(), layouts.size());
        EXPECT_LT(layouts.size(), 20u);
    }
}
