#pragma once

#include "facestore.h"
#include "playlimits.h"
#include "shapeset.h"

#include <cstddef>
#include <optional>
#include <unordered_map>
#include <vector>

class BoxDocument;

// The shapes and faces of the few boxes an edit reaches, built from the document's texts when
// first asked for, so that a scene being edited need not keep every box's shape. Each box is
// built as a whole check builds it: its shape and faces are those the check kept.
class ShapesOnDemand {
public:
    // Faces are kept only with the play checks' limits.
    ShapesOnDemand(const BoxDocument& document, const std::optional<PlayLimits>& play)
        : document_(document), play_(play) {}

    // Where the box of the rank stands in shapes() and faces(), built first if it is not yet.
    std::size_t indexOf(std::size_t rank);
    // The boxes of the ranks built ahead, before a FaceReader reads the faces.
    void prepare(const std::vector<std::size_t>& ranks);
    std::size_t rankAt(std::size_t index) const { return ranks_[index]; }
    bool touch(std::size_t a, std::size_t b) { return shapes_.touch(indexOf(a), indexOf(b)); }

    const BoxDocument& document() const { return document_; }
    const ShapeSet& shapes() const { return shapes_; }
    const FaceStore& faces() const { return faces_; }

private:
    const BoxDocument& document_;
    std::optional<PlayLimits> play_;
    ShapeSet shapes_;
    FaceStore faces_;
    std::vector<std::size_t> ranks_;
    std::unordered_map<std::size_t, std::size_t> indices_;
};
