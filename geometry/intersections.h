#pragma once

#include <cstddef>
#include <utility>
#include <vector>

class ShapeSet;

using RankPair = std::pair<std::size_t, std::size_t>;

struct IntersectionSearch {
    // Every pair of present shapes that overlap or touch, each once, (i, j) with i < j, increasing.
    std::vector<RankPair> pairs;
    // False when the scene needed far more tests than its size calls for (thousands of boxes
    // heaped in one place) and the search stopped there: pairs then holds what it found.
    bool complete = true;
    // When asked for: every pair of present shapes whose bounds come within the near margin of
    // each other, each once, increasing; the touching pairs are among them.
    std::vector<RankPair> nearPairs;
};

// A broad phase on a hierarchy of grids, whose cells grow four times from one level to the next,
// each bounding box going to the level where it spans at most two cells along each axis, and the
// shapes of each cell swept along one axis; then the exact test of the shapes on every pair whose
// bounds come within the tolerance.
// Large scenes are searched by as many threads as the machine has cores; the result is the same
// whatever their number.
IntersectionSearch findIntersections(const ShapeSet& shapes);
// The same with the threads given; 1 searches on the calling thread alone.
IntersectionSearch findIntersections(const ShapeSet& shapes, unsigned threadCount);
// The same search, its grids holding bounds widened by the near margin, listing the near pairs
// too: the pairs the checks between boxes that do not touch look at, found in the same pass.
IntersectionSearch findIntersectionsAndNearPairs(const ShapeSet& shapes, double nearMargin);
IntersectionSearch findIntersectionsAndNearPairs(const ShapeSet& shapes, double nearMargin,
                                                 unsigned threadCount);
