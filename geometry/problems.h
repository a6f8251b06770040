#pragma once

#include "intersections.h"
#include "playlimits.h"
#include "problem.h"
#include "solid.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Box;
class BoxDocument;
class TextList;

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

// Where a check takes a scene's boxes from, a run at a time in rank order, and what the scene
// lists besides them: a document in memory, or a file being read.
class BoxFeed {
public:
    virtual ~BoxFeed() = default;
    // The number of boxes, when it is known before they are all fed.
    virtual std::optional<std::size_t> boxCount() const = 0;
    // How many boxes to make room for before they come: their number when known, or a guess.
    virtual std::size_t expectedBoxCount() const { return boxCount().value_or(0); }
    // Points run at the next boxes: maxCount of them, fewer only when the scene has no more.
    // What was fed into the same slot before is no longer in use.
    virtual void fill(std::size_t slot, std::size_t maxCount, std::vector<const Box*>& run) = 0;
    // Known once every box is fed, or from the start when boxCount is: the count as the file
    // wrote it, and the intersections it lists.
    virtual std::string_view countToken() const = 0;
    virtual const TextList& intersections() const = 0;
    // The ID of a rank, the ranks asked for in increasing order once every box is fed.
    virtual std::string_view idOf(std::size_t rank) = 0;
};

struct FedReport {
    IntersectionSearch intersections;
    std::size_t boxCount = 0;
};

// The checks of inspectDocument on the boxes of a feed, checked on the other threads while the
// calling thread feeds the next ones. When the feed does not know the number of boxes, the
// problems are handed to the sink only once every box is fed, the count's problem first.
FedReport inspectFedBoxes(BoxFeed& feed, const ProblemSink& sink,
                          const std::optional<PlayLimits>& play = PlayLimits{});

// "0 1", as a document lists an intersection.
std::string pairText(const RankPair& pair);
