#pragma once

#include "boxshape.h"
#include "boxvalues.h"

#include <array>
#include <cstdint>
#include <string>
#include <variant>

class Box;

// What a box's place and form are written with: the three centre texts, the 24 plane texts in
// flat order (plane k / 4, coefficient k % 4: a, b, c, d) and the maximum radius.
struct ShapeTexts {
    std::array<std::string, 3> centre;
    std::array<std::string, 24> planes;
    std::string maxRadius;

    bool operator==(const ShapeTexts&) const = default;
};

ShapeTexts shapeTextsOf(const Box& box);
// Writes the texts into the box, leaving its ID as it is.
void writeShapeTexts(const ShapeTexts& texts, Box& box);
BoxValues decodeBoxValues(const ShapeTexts& texts);
// The 29 texts of a box of that ID with these, as the edits take them.
BoxTexts boxTextsOf(const std::string& id, const ShapeTexts& texts);

// A box's values as whole steps of 1/16384, the file's own numbers, so that what a transform
// leaves alone stays exact.
struct StepPlane {
    std::array<std::int64_t, 3> normal{};
    std::int64_t d = 0;
};

struct StepBox {
    std::array<std::int64_t, 3> centre{};
    std::array<StepPlane, 6> planes;
};

inline constexpr double STEPS_PER_UNIT = 16384;

StepBox stepsOf(const ShapeTexts& texts);
BoxValues valuesOf(const StepBox& box);
// The texts of the steps, with the smallest whole radius that reaches the farthest corner, or
// why there are none: a value the format cannot hold, or planes that close on no volume.
std::variant<ShapeTexts, ShapeFault> textsOf(const StepBox& box);

struct WrittenShape {
    ShapeTexts texts;
    // The largest distance between a corner asked for and the same corner of the planes
    // written: the fixed point's rounding.
    double cornerDrift = 0;
};

// The texts of a block: its normals rounded to the nearest steps, each pair written exactly
// opposite, and the two distances of each pair rounded together so that neither the thickness
// nor the middle strays by a whole step.
std::variant<WrittenShape, ShapeFault> writeShape(const BoxShape& shape);
