#pragma once

#include "vec3.h"

#include <array>
#include <string_view>

class Box;

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

BoxValues decodeBoxValues(const Box& box);
// The same from the 27 texts as they stand in a form: centre X, Y, Z; then the 24 plane texts in
// flat order (plane k / 4, coefficient k % 4: a, b, c, d).
BoxValues decodeBoxValues(const std::array<std::string_view, 3>& centre,
                          const std::array<std::string_view, 24>& planes);
