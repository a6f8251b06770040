#pragma once

#include "box.h"
#include "vec3.h"

#include <array>
#include <cstdint>

// Plane a·x + b·y + c·z = d of a box, bounding the half-space a·x + b·y + c·z <= d; the normal
// (a, b, c) points out of the box and d is measured from the scene's origin.
struct PlaneValues {
    Vec3 normal;
    double d = 0;
};

// The numbers a box's texts stand for, each the exact value of its fixed-point pattern.
struct BoxValues {
    Vec3 centre;
    std::array<PlaneValues, 6> planes;
};

// A box's values, and which of its number texts are not written as the file writes them: each
// decoded once for both.
struct DecodedBox {
    BoxValues values;
    // Bit s for the text of slot s (a centre or plane slot, see boxslot) that is not exactly 8
    // hexadecimal digits, or 4 for a plane's a, b and c.
    std::uint32_t malformedSlots = 0;
};

DecodedBox decodeBox(const Box& box);
BoxValues decodeBoxValues(const Box& box);
// The same from a box's texts as plain values, such as a form shows them.
BoxValues decodeBoxValues(const BoxTexts& texts);
