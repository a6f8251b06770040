#pragma once

#include "intersections.h"
#include "problem.h"
#include "solid.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class BoxDocument;

// All the checks of a document whose solids were built by buildSolids, in groups: the texts,
// each box's solid, the list of intersections. countToken: the count token as the file wrote it,
// when known (the document corrects its countText on reading), for the count-mismatch check; with
// nullopt the document's countText is used.
std::vector<Problem> checkDocument(const BoxDocument& document, const std::vector<Solid>& solids,
                                   std::optional<std::string_view> countToken = std::nullopt);

struct DocumentReport {
    std::vector<Problem> problems;
    IntersectionSearch intersections;
};

// The same checks, and the intersections computed from the shapes, building each solid in turn
// and keeping only what the intersection tests need of it: a large scene is checked in a small
// part of the memory its solids would take. Each problem goes to the sink as soon as it is
// found, in the order checkDocument gives, so that a report need not be held whole.
IntersectionSearch inspectDocument(const BoxDocument& document,
                                   std::optional<std::string_view> countToken,
                                   const ProblemSink& sink);
// The same, collecting the problems.
DocumentReport inspectDocument(const BoxDocument& document,
                               std::optional<std::string_view> countToken = std::nullopt);

// "0 1", as a document lists an intersection.
std::string pairText(const RankPair& pair);
