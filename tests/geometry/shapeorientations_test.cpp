#include "geometrytestsupport.h"
#include "scene.h"
#include "shapeset.h"
#include "solidtestsupport.h"

#include <gtest/gtest.h>
#include <random>

namespace {

// How far apart two convex solids are along the axis that separates them most (negative when
// they overlap), from their vertices in double precision: the answer the packed shapes must
// give, but for a sixteenth of the tolerance.
double separation(const Solid& a, const Solid& b) {
    std::vector<Vec3> axes;
    for (const Solid* solid : {&a, &b}) {
        for (const auto& face : solid->faces) {
            const Vec3& corner = solid->vertices[face[0]];
            axes.push_back(
                cross(solid->vertices[face[1]] - corner, solid->vertices[face[2]] - corner));
        }
    }
    for (const auto& [a0, a1] : a.edges) {
        for (const auto& [b0, b1] : b.edges) {
            axes.push_back(cross(a.vertices[a1] - a.vertices[a0], b.vertices[b1] - b.vertices[b0]));
        }
    }
    double widest = -std::numeric_limits<double>::infinity();
    for (const Vec3& axis : axes) {
        if (length(axis) < 1e-6) {
            continue;
        }
        const Vec3 direction = axis * (1 / length(axis));
        const auto range = [&](const Solid& solid) {
            double low = std::numeric_limits<double>::infinity();
            double high = -low;
            for (const Vec3& vertex : solid.vertices) {
                low = std::min(low, dot(vertex, direction));
                high = std::max(high, dot(vertex, direction));
            }
            return std::pair{low, high};
        };
        const auto [lowA, highA] = range(a);
        const auto [lowB, highB] = range(b);
        widest = std::max({widest, lowB - highA, lowA - highB});
    }
    return widest;
}

TEST(ShapeOrientations, SolidsTurnedAlikeShareOneOrientation) {
    std::vector<Solid> solids;
    for (int i = 0; i < 40; ++i) {
        const Vec3 low{i * 1.5, i * -0.25, i * 0.125};
        solids.push_back(solidOf(axisBox("1", low, low + Vec3{1 + i * 0.5, 2, 0.25 + i})));
    }
    ShapeSet shapes = shapesOf(solids);
    EXPECT_EQ(shapes.orientationCount(), 1u);
    const Solid turned = solidOf(turnedBox("2", {5, 5, 5}, {1, 2, 3}, 30));
    for (int i = 0; i < 20; ++i) {
        shapes.add(turned);
    }
    EXPECT_EQ(shapes.orientationCount(), 2u);
    // The mirror image has the same directions, some reversed: another orientation.
    shapes.add(tetrahedronAt(0));
    shapes.add(tetrahedronAt(0, true));
    shapes.add(tetrahedronAt(0));
    EXPECT_EQ(shapes.orientationCount(), 4u);
    ASSERT_EQ(shapes.size(), 63u);
    EXPECT_TRUE(shapes.touch(60, 61));
    EXPECT_TRUE(shapes.touch(60, 62));
}

// Tetrahedra moved along X by two and a gap: a copy meets the first along crossing edges, its
// mirror image along a shared edge, both apart only along X, the cross product of two edges.
// Copies share their orientation, mirror images do not, and a turned box beside them has
// another: each way through the touch test must give the answer known by construction.
TEST(ShapeOrientations, CopiesAndMirrorImagesTouchOnlyWhenTheirEdgesMeet) {
    const std::vector<std::pair<double, bool>> cases = tetrahedronGaps();
    for (const bool mirrored : {false, true}) {
        for (const auto& [gap, touching] : cases) {
            SCOPED_TRACE(testing::Message() << (mirrored ? "mirrored, gap " : "copy, gap ") << gap);
            const std::vector<Solid> solids = {tetrahedronAt(0), tetrahedronAt(2 + gap, mirrored)};
            ASSERT_EQ(solids[1].vertices.size(), 4u);
            const ShapeSet shapes = shapesOf(solids);
            EXPECT_EQ(shapes.orientationCount(), mirrored ? 2u : 1u);
            EXPECT_EQ(shapes.touch(0, 1), touching);
            EXPECT_EQ(shapes.touch(1, 0), touching);
        }
    }
    // An upright cube whose face at x = 1 - gap meets the first tetrahedron's edge at x = 1.
    for (const auto& [gap, touching] : cases) {
        SCOPED_TRACE(testing::Message() << "cube, gap " << gap);
        const std::vector<Solid> solids = {tetrahedronAt(0),
                                           solidOf(axisBox("1", {1 + gap, -1, -1}, {3, 1, 1}))};
        const ShapeSet shapes = shapesOf(solids);
        EXPECT_EQ(shapes.touch(0, 1), touching);
        EXPECT_EQ(shapes.touch(1, 0), touching);
    }
}

// Boxes of a dozen orientations, some tilted, each in several sizes, their mirror images (the
// planes of the opposite sides first), and boxes turned from them by a hair, strewn close
// together: the touch test agrees with the separation computed from the solids themselves, in
// both orders, for the orientations whose pairs are kept and the others alike.
TEST(ShapeOrientations, TouchAgreesWithTheSolidsWhateverTheirOrientations) {
    std::mt19937 random(17);
    std::uniform_real_distribution<double> place(-3, 3);
    std::uniform_real_distribution<double> size(0.3, 1.5);
    struct Frame {
        Vec3 u, v, w;
    };
    std::vector<Frame> frames;
    for (const double degrees : {0.0, 30.0, 45.0, 30.02, 10.0, 75.0}) {
        for (const double tilt : {0.0, 20.0}) {
            const double angle = degrees * 3.14159265358979323846 / 180;
            const double lean = tilt * 3.14159265358979323846 / 180;
            const Vec3 u{std::cos(angle), std::sin(angle), 0};
            const Vec3 side{-std::sin(angle), std::cos(angle), 0};
            const Vec3 v = side * std::cos(lean) + Vec3{0, 0, std::sin(lean)};
            frames.push_back({u, v, cross(u, v)});
        }
    }
    std::vector<Solid> solids;
    for (int i = 0; i < 240; ++i) {
        const Frame& frame = frames[static_cast<std::size_t>(i) % frames.size()];
        const Vec3 centre{place(random), place(random), place(random) / 4};
        const Vec3 half{size(random), size(random), size(random)};
        const bool mirrored = i % 3 == 0;
        solids.push_back(solidOf(boxTexts("1", "9", centre,
                                          framePlanes(centre, half, mirrored ? -frame.u : frame.u,
                                                      mirrored ? -frame.v : frame.v, frame.w))));
        ASSERT_TRUE(solids.back().closed());
    }
    const ShapeSet shapes = shapesOf(solids);
    EXPECT_GT(shapes.orientationCount(), 24u);
    EXPECT_LT(shapes.orientationCount(), solids.size() / 2);
    std::size_t touching = 0;
    std::size_t apart = 0;
    for (std::size_t i = 0; i < solids.size(); ++i) {
        for (std::size_t j = i + 1; j < solids.size(); ++j) {
            const double gap = separation(solids[i], solids[j]);
            if (std::fabs(gap - GEOMETRY_TOLERANCE) < GEOMETRY_TOLERANCE / 4) {
                continue;
            }
            const bool expected = gap < GEOMETRY_TOLERANCE;
            (expected ? touching : apart) += 1;
            ASSERT_EQ(shapes.touch(i, j), expected) << i << ", " << j << ": " << gap;
            ASSERT_EQ(shapes.touch(j, i), expected) << j << ", " << i << ": " << gap;
        }
    }
    EXPECT_GT(touching, 2000u);
    EXPECT_GT(apart, 2000u);
}

// However a set is put together (added at once, appended from parts, entries inserted, replaced
// and taken out until it compacts itself), each rank keeps its shape and orientation.
TEST(ShapeOrientations, JoinedAndEditedSetsKeepEveryShape) {
    std::vector<Solid> solids;
    for (int i = 0; i < 60; ++i) {
        const Vec3 centre{i * 0.75, (i % 7) * 0.5, 0};
        solids.push_back(i % 4 == 0 ? solidOf(turnedBox("1", centre, {0.5, 0.5, 1}, 30))
                                    : solidOf(axisBox("1", centre, centre + Vec3{1, 1, 1})));
        if (i % 10 == 0) {
            solids.push_back(tetrahedronAt(centre.x, i % 20 == 0));
        }
    }
    const ShapeSet whole = shapesOf(solids);
    const auto sameTouches = [&](const ShapeSet& shapes) {
        ASSERT_EQ(shapes.size(), whole.size());
        for (std::size_t i = 0; i < whole.size(); ++i) {
            for (std::size_t j = 0; j < whole.size(); ++j) {
                if (i != j) {
                    ASSERT_EQ(shapes.touch(i, j), whole.touch(i, j)) << i << ", " << j;
                }
            }
            ASSERT_EQ(shapes.boundsMin(i), whole.boundsMin(i)) << i;
        }
    };
    const std::size_t half = solids.size() / 2;
    ShapeSet appended =
        shapesOf({solids.begin() + static_cast<std::ptrdiff_t>(half), solids.end()});
    ShapeSet joined =
        shapesOf({solids.begin(), solids.begin() + static_cast<std::ptrdiff_t>(half)});
    joined.append(appended);
    sameTouches(joined);
    EXPECT_EQ(joined.orientationCount(), whole.orientationCount());

    ShapeSet edited;
    for (auto solid = solids.rbegin(); solid != solids.rend(); ++solid) {
        ShapeSet single;
        single.add(*solid);
        edited.insert(0, single);
    }
    sameTouches(edited);
    // Every rank turned to an orientation of its own and back, again and again, with a rank
    // taken out and put back in between: what the replaced entries held, orientations
    // included, is dropped along the way.
    constexpr int rounds = 80;
    for (int round = 0; round < rounds; ++round) {
        const Solid stranger = solidOf(turnedBox("1", {0, 0, 0}, {1, 2, 3}, 10 + round));
        for (std::size_t rank = 0; rank < solids.size(); ++rank) {
            ShapeSet single;
            single.add(round % 2 == 0 ? stranger : solids[rank]);
            edited.replace(rank, single);
        }
        ShapeSet single;
        single.add(solids[7]);
        edited.erase(7);
        edited.insert(7, single);
    }
    sameTouches(edited);
    EXPECT_LT(edited.orientationCount(), whole.orientationCount() + rounds / 4);
}

} // namespace
