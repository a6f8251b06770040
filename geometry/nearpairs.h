#pragma once

#include "intersections.h"

#include <vector>

class ShapeSet;

struct NearPairSearch {
    // Every pair of present shapes whose bounds come within the margin of each other, each
    // once, (i, j) with i < j, increasing.
    std::vector<RankPair> pairs;
    // False when the scene needed far more tests than its size calls for (thousands of boxes
    // heaped in one place) and the search stopped there.
    bool complete = true;
};

// A hierarchy of grids, each box going to the level where it spans at most two cells per axis.
NearPairSearch findNearPairs(const ShapeSet& shapes, double margin);
