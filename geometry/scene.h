#pragma once

#include "intersections.h"
#include "solid.h"

#include <vector>

class BoxDocument;

// One solid per box, by rank, built from the document.
std::vector<Solid> buildSolids(const BoxDocument& document);
// Every pair of closed solids that overlap or touch, each once, (i, j) with i < j, increasing;
// see findIntersections for the rare scene where the search stops early.
std::vector<RankPair> computeIntersections(const std::vector<Solid>& solids);
// Whether two closed solids overlap or touch, within the tolerance.
bool solidsTouch(const Solid& a, const Solid& b);
