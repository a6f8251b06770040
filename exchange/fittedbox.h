#pragma once

#include "orientedbox.h"
#include "vec3.h"

#include <optional>
#include <vector>

class Box;

// How the texts written for a box keep to the points it was fitted around.
struct WrittenFit {
    // The largest distance of a point outside the box as written; 0 when all are inside.
    double outsideDistance = 0;
    // The largest gap between a written plane and the farthest point on its side: what rounding
    // outward to a step of 1/16384 added to the box.
    double planeGap = 0;
    // The largest angle, in degrees, between a written normal and the box's exact axis.
    double normalDegrees = 0;
};

// Writes the box's centre, planes and radius into the texts of the box, its ID left as it is:
// planes 0, 1 and 2 face along the box's axes, 5, 3 and 4 opposite them; each normal is the
// nearest in fixed point to the face on that side, or else to the axis, and each distance
// rounded outward so that every point stays inside;
// the radius is the smallest whole number that reaches every corner. Nothing, and the box
// unchanged, when a value lies beyond what the format holds.
std::optional<WrittenFit> writeFittedBox(const BoxFit& fitted, const std::vector<Vec3>& points,
                                         Box& box);
