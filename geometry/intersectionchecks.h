#pragma once

#include <cstddef>
#include <vector>

class BoxDocument;
class ProblemReporter;
class ShapeSet;
struct IntersectionSearch;
struct Solid;

// The checks of the document's list of intersections against the pairs computed from the
// shapes: entries that are not two distinct ranks of boxes, pairs listed twice, pairs whose
// solids are apart, and computed pairs the list lacks.
void checkListedIntersections(const BoxDocument& document, const ShapeSet& shapes,
                              const IntersectionSearch& search, ProblemReporter& reporter);

// The same checks for the pairs of one box alone, the box at the rank, from the solids of every
// box: its pairs listed again, its listed pairs apart, the pairs it touches that are not listed.
// Entries that are not two distinct ranks of boxes concern no box and are left out.
void checkPairsOfBox(const BoxDocument& document, const std::vector<Solid>& solids,
                     std::size_t rank, ProblemReporter& reporter);
