#pragma once

#include "playlimits.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class BoxDocument;
class ProblemReporter;
class ShapeSet;
struct BoxValues;
struct Solid;

// The checks of how a scene is played: what a character or a fast object meets that the numbers
// alone do not tell. Thin solids and steep floors box by box; seams and micro-steps between
// boxes, once every box is known.
class PlayChecks {
public:
    PlayChecks(const BoxDocument& document, const PlayLimits& limits, ProblemReporter& reporter);

    // The checks of the box the reporter is on; boxes come in rank order, each one. Keeps the
    // outlines of its faces for the checks between boxes.
    void checkBox(const BoxValues& values, const Solid& solid);
    // Seams and micro-steps, the shapes holding every box.
    void checkBetweenBoxes(const ShapeSet& shapes);

private:
    // Where a box's faces are in faceCorners_, plane by plane, and which ones are walkable.
    struct Outlines {
        std::uint32_t first = 0;
        std::array<std::uint8_t, 6> sizes{};
        std::uint8_t walkable = 0; // bit p for plane p
    };

    struct BoxFaces;

    void checkThickness(const BoxValues& values, const Solid& solid);
    void checkSlopes(const BoxValues& values, const Solid& solid);
    void keepOutlines(const BoxValues& values, const Solid& solid);
    void facesOf(const ShapeSet& shapes, std::size_t rank, BoxFaces& faces) const;

    const BoxDocument& document_;
    PlayLimits limits_;
    ProblemReporter& reporter_;
    std::vector<Outlines> outlines_;
    // The corners of every face, as indices into its solid's vertices.
    std::vector<std::uint8_t> faceCorners_;
};
