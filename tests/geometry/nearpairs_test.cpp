#include "intersections.h"
#include "shapeset.h"
#include "solid.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

struct Bounds {
    Vec3 low;
    Vec3 high;
};

Solid uprightSolid(const Bounds& bounds) {
    BoxValues values;
    values.centre = (bounds.low + bounds.high) * 0.5;
    values.planes = {{{{1, 0, 0}, bounds.high.x},
                      {{0, 1, 0}, bounds.high.y},
                      {{0, 0, 1}, bounds.high.z},
                      {{0, -1, 0}, -bounds.low.y},
                      {{0, 0, -1}, -bounds.low.z},
                      {{-1, 0, 0}, -bounds.low.x}}};
    return buildSolid(values);
}

// How far apart two boxes' bounds are: the largest gap along an axis, negative when they overlap.
double gapBetween(const Bounds& a, const Bounds& b) {
    return std::max({b.low.x - a.high.x, a.low.x - b.high.x, b.low.y - a.high.y, a.low.y - b.high.y,
                     b.low.z - a.high.z, a.low.z - b.high.z});
}

// Boxes of sizes from a hundredth of a unit to a few hundred, so that the grid uses several
// levels and a few boxes are too large for any of them, checked against every pair; the search
// for the near pairs finds the touching ones as the search for these alone does, whatever the
// number of threads.
TEST(NearPairs, EveryPairWithinTheMarginIsFoundOnceAndNoFartherOne) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> position(0, 40);
    std::uniform_real_distribution<double> exponent(-2, 1.2);
    std::uniform_real_distribution<double> unit(0, 1);
    const double margin = 0.125;
    // Pairs this near the margin may fall either way: bounds are widened in floating point.
    const double slack = 1e-4;
    std::vector<Bounds> boxes;
    ShapeSet shapes;
    for (int i = 0; i < 1500; ++i) {
        const Vec3 low{position(random), position(random), position(random) / 4};
        Vec3 size{std::pow(10.0, exponent(random)), std::pow(10.0, exponent(random)),
                  std::pow(10.0, exponent(random))};
        if (i % 300 == 0) {
            size = {400, 3, 400};
        }
        // Some boxes set exactly the margin away from the one before, along X.
        if (i % 7 == 1) {
            const Bounds& previous = boxes.back();
            const double gap = unit(random) < 0.5 ? margin - 2 * slack : margin + 2 * slack;
            boxes.push_back({{previous.high.x + gap, previous.low.y, previous.low.z},
                             {previous.high.x + gap + size.x, previous.high.y, previous.high.z}});
        } else {
            boxes.push_back({low, low + size});
        }
        shapes.add(uprightSolid(boxes.back()));
    }
    const IntersectionSearch touching = findIntersections(shapes, 1);
    const IntersectionSearch found = findIntersectionsAndNearPairs(shapes, margin, 1);
    ASSERT_TRUE(found.complete);
    EXPECT_EQ(found.pairs, touching.pairs);
    EXPECT_TRUE(touching.nearPairs.empty());
    for (const unsigned threads : {2u, 3u, 8u}) {
        const IntersectionSearch shared = findIntersectionsAndNearPairs(shapes, margin, threads);
        EXPECT_EQ(shared.pairs, found.pairs) << threads;
        EXPECT_EQ(shared.nearPairs, found.nearPairs) << threads;
    }
    const std::vector<RankPair>& nearPairs = found.nearPairs;
    ASSERT_TRUE(std::is_sorted(nearPairs.begin(), nearPairs.end()));
    ASSERT_EQ(std::adjacent_find(nearPairs.begin(), nearPairs.end()), nearPairs.end());
    ASSERT_TRUE(
        std::includes(nearPairs.begin(), nearPairs.end(), found.pairs.begin(), found.pairs.end()));
    std::size_t near = 0;
    for (std::size_t a = 0; a < boxes.size(); ++a) {
        for (std::size_t b = a + 1; b < boxes.size(); ++b) {
            const double gap = gapBetween(boxes[a], boxes[b]);
            const bool listed =
                std::binary_search(nearPairs.begin(), nearPairs.end(), RankPair{a, b});
            if (gap <= margin - slack) {
                EXPECT_TRUE(listed) << a << " " << b << " gap " << gap;
                ++near;
            } else if (gap > margin + slack) {
                EXPECT_FALSE(listed) << a << " " << b << " gap " << gap;
            }
        }
    }
    EXPECT_GT(near, 1000u);
}

TEST(NearPairs, AnEmptySceneHasNone) {
    ShapeSet shapes;
    shapes.add(Solid{});
    const IntersectionSearch found = findIntersectionsAndNearPairs(shapes, 1);
    EXPECT_TRUE(found.complete);
    EXPECT_TRUE(found.pairs.empty());
    EXPECT_TRUE(found.nearPairs.empty());
}

} // namespace
