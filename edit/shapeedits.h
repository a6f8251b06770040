#pragma once

#include "box.h"
#include "edit.h"

#include <cstddef>
#include <string>

class BoxDocument;

// What a transform of a box did, for the name the history gives it.
enum class ShapeChange { Move, Turn, Resize, Mirror, Stick };

// A transform of one box: its centre, planes and maximum radius replaced by the texts the
// transform computed, its ID and everything else of the document left as they are.
class ReshapeBox final : public Edit {
public:
    // Preconditions: rank below the number of boxes. The ID slot of texts is not read.
    ReshapeBox(const BoxDocument& document, std::size_t rank, ShapeChange change, BoxTexts texts);
    // "Coller la box 12 contre la box 40": the box at rank moved onto a face of the other.
    ReshapeBox(const BoxDocument& document, std::size_t rank, std::size_t stuckToRank,
               BoxTexts texts);

    // "Déplacer la box 12", "Tourner ...", "Redimensionner ...", "Retourner ...", "Coller ...".
    std::string name() const override { return name_; }
    DocumentChange apply(BoxDocument& document) override;
    DocumentChange revert(BoxDocument& document) override { return apply(document); }

private:
    std::size_t rank_;
    std::string name_;
    // The texts that are not in the document: the new ones before apply, the old ones after.
    BoxTexts texts_;
};
