#pragma once

#include "intersections.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

class BoxDocument;
class ProblemReporter;
class ShapeSet;
class TextList;
struct Solid;

// The checks of the document's list of intersections against the pairs computed from the
// shapes: entries that are not two distinct ranks of boxes, pairs listed twice, pairs whose
// solids are apart, and computed pairs the list lacks.
// intersections: the list as the file gives it, of a scene of boxCount boxes.
void checkListedIntersections(const TextList& intersections, std::size_t boxCount,
                              const ShapeSet& shapes, const IntersectionSearch& search,
                              ProblemReporter& reporter);

// The same checks for the pairs of one box alone, the box at the rank, from the solids of every
// box: its pairs listed again, its listed pairs apart, the pairs it touches that are not listed.
// Entries that are not two distinct ranks of boxes concern no box and are left out.
void checkPairsOfBox(const BoxDocument& document, const std::vector<Solid>& solids,
                     std::size_t rank, ProblemReporter& reporter);

// What the checks of the list say of one entry, so that a list kept up to date says it in the
// same words. The key of an entry that names two distinct ranks of a document of boxCount boxes,
// low << 32 | high; nothing otherwise, told to the reporter if there is one.
std::optional<std::uint64_t> listedPairKey(std::string_view text, std::size_t boxCount,
                                           ProblemReporter* reporter);
void reportRepeatedPair(std::string_view text, std::string_view firstText,
                        ProblemReporter& reporter);
void reportApartPair(std::string_view text, const RankPair& pair, ProblemReporter& reporter);
void reportMissingPair(const RankPair& pair, ProblemReporter& reporter);
void reportIncompleteSearch(std::size_t pairsFound, ProblemReporter& reporter);
