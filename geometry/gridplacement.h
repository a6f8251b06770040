#pragma once

#include "shapetexts.h"
#include "vec3.h"

#include <array>
#include <cstddef>
#include <optional>

// Where a box lands on the grid, as level editors place it: a move puts the lowest corner of
// the box's bounds on a grid point, a face dragged along an axis lands on a grid plane. The step
// is one of GRID_STEPS; with 0, no grid, nothing snaps.

// The lowest corner of the axis-aligned bounds of the box's solid; none when its planes close
// on no volume.
std::optional<Vec3> lowestCorner(const ShapeTexts& box);

// The axes of the scene a move goes along: X, Y, Z.
using MovedAxes = std::array<bool, 3>;

// The offset, along the axes moved, that takes the lowest corner moved by the offset to the
// nearest grid point; zero along the other axes. With no grid, the offset along the axes moved.
Vec3 offsetOntoGrid(const Vec3& lowest, const Vec3& offset, const MovedAxes& axes, double step);

// The offset from the position to the next grid point beyond it in the direction (+1 or -1):
// a key press moves a box from one grid position to the next. A position within half a step of
// 1/16384 of a grid point counts as on it, as the bounds of a turned box are worked out in
// floating point. With no grid, one step of the finest grid, from wherever it is.
double offsetToNextGridPoint(double position, int direction, double step);

// A plane whose normal lies along an axis of the scene: that axis, the way its normal points
// along it (+1 or -1) and where the plane crosses it.
struct AxisFace {
    std::size_t axis = 0;
    int outward = 1;
    double position = 0;
};
// None when the plane's normal has more than one coefficient other than zero, or none.
std::optional<AxisFace> axisFaceOf(const ShapeTexts& box, int plane);

// The dimension of a block once one of its faces is dragged out along its normal by the travel
// (inward when negative), the opposite face staying where it is. With no grid, the dimension
// plus the travel, at least MIN_DIMENSION. With a grid, a face along an axis lands on the
// nearest grid plane, or on the first one at least MIN_DIMENSION beyond its opposite face; a
// face that is not (a turned box) gives a whole number of steps, at least one.
double draggedDimension(const std::optional<AxisFace>& face, double dimension, double travel,
                        double step);
