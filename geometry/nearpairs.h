#pragma once

#include <cstddef>
#include <functional>

class ShapeSet;

// Calls visit(i, j), i < j, once for every pair of present shapes whose bounds come within the
// margin of each other, in no particular order; returns false when the scene needed far more
// tests than its size calls for (thousands of boxes heaped in one place) and the search stopped.
// A hierarchy of grids, each box going to the level where it spans at most two cells per axis.
bool forEachNearPair(const ShapeSet& shapes, double margin,
                     const std::function<void(std::size_t, std::size_t)>& visit);
