#pragma once

#include "problem.h"
#include "shapetexts.h"

#include <cstddef>
#include <optional>

class BoxDocument;

// How a seam is closed: one of its two boxes moved along its face's normal until that face lies
// exactly on the other box's face.
struct SeamClosing {
    std::size_t rank;
    std::size_t stuckToRank;
    // The moved box's new texts.
    ShapeTexts texts;
};

// The chosen box moves when it is one of the two, the user having picked it; otherwise the
// problem's first box. Nothing when the problem is no seam between two boxes of the document or
// the transform refuses them.
std::optional<SeamClosing> seamClosing(const BoxDocument& document, const Problem& problem,
                                       std::optional<std::size_t> chosenRank);
