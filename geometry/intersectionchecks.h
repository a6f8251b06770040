#pragma once

class BoxDocument;
class ProblemReporter;
class ShapeSet;
struct IntersectionSearch;

// The checks of the document's list of intersections against the pairs computed from the
// shapes: entries that are not two distinct ranks of boxes, pairs listed twice, pairs whose
// solids are apart, and computed pairs the list lacks.
void checkListedIntersections(const BoxDocument& document, const ShapeSet& shapes,
                              const IntersectionSearch& search, ProblemReporter& reporter);
