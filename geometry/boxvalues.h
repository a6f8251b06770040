#pragma once

#include "box.h"
#include "vec3.h"

#include <array>

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
// The same from a box's texts as plain values, such as a form shows them.
BoxValues decodeBoxValues(const BoxTexts& texts);
