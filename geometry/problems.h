#pragma once

#include "intersections.h"
#include "playlimits.h"
#include "problem.h"
#include "solid.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class BoxDocument;

// All the checks of a document whose solids were built by buildSolids, in groups: the texts,
// each box's solid, the list of intersections, how the scene is played. countToken: the count token
// as the file wrote it, when known (the document corrects its countText on reading), for the
// count-mismatch check; with nullopt the document's countText is used.
std::vector<Problem> checkDocument(const BoxDocument& document, const std::vector<Solid>& solids,
                                   std::optional<std::string_view> countToken = std::nullopt,
                                   const std::optional<PlayLimits>& play = PlayLimits{});

// What a change of the box at the rank alone can change of checkDocument's report: the
// problems of that box, then those of the listed intersections that involve it (repeated or
// apart), then the pairs it touches that are not listed, in checkDocument's words and order.
// A later box that shares its ID reports the duplicate itself. solids: one per rank, by
// buildSolid. Nothing when the rank or the solids do not match the document.
std::vector<Problem> checkChangedBox(const BoxDocument& document, const std::vector<Solid>& solids,
                                     std::size_t rank);

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
                                   const ProblemSink& sink,
                                   const std::optional<PlayLimits>& play = PlayLimits{});
// The same, collecting the problems.
DocumentReport inspectDocument(const BoxDocument& document,
                               std::optional<std::string_view> countToken = std::nullopt,
                               const std::optional<PlayLimits>& play = PlayLimits{});

// "0 1", as a document lists an intersection.
std::string pairText(const RankPair& pair);
