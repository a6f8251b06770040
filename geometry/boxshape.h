#pragma once

#include "boxvalues.h"
#include "rotation.h"
#include "solid.h"
#include "vec3.h"

#include <array>
#include <optional>
#include <string>
#include <variant>

// A rectangular block: the centre of its solid, its length, width and height (the distances
// between planes 0 and 5, 1 and 3, 2 and 4) and its orientation. Its own axes, the outward
// normals of planes 0, 1 and 2, are the axes of rotationOf(angles): all angles at 0 give the
// upright block whose plane 0 faces +X, plane 1 +Y and plane 2 +Z.
struct BoxShape {
    Vec3 centre;
    std::array<double, 3> dimensions = {1, 1, 1};
    Angles angles;
};

// Why a box has no shape, or a shape gives no box.
enum class ShapeFault {
    ZeroNormal,
    Empty,
    Unbounded,
    Flat,
    NotOpposite,
    Sheared,
    Mirrored,
    DimensionNotPositive,
    TooThin,
    NotFinite,
    OutOfRange,
    NotFacing,
    // A transform asked for a plane other than 0 to 5 or an own axis other than 0 to 2.
    NoSuchPlane,
    ZeroAxis,
};

// One line of French, for a panel or a report.
std::string shapeFaultText(ShapeFault fault);

using ShapeReading = std::variant<BoxShape, ShapeFault>;

// Why a solid of that status has no shape, or nothing for a closed one.
std::optional<ShapeFault> solidFault(SolidStatus status);

// Directions within this angle (radians) count as opposite, or as perpendicular: the normals
// written in fixed point stray from the exact ones by a few hundred-thousandths.
inline constexpr double SHAPE_ANGLE_TOLERANCE = 1.0 / 1024;
// The thinnest block written: twice the distance under which a solid counts as flat.
inline constexpr double MIN_DIMENSION = 1.0 / 512;

// The planes paired as opposites, by own axis: 0 and 5, 1 and 3, 2 and 4.
inline constexpr std::array<std::array<int, 2>, 3> AXIS_PLANES = {{{0, 5}, {1, 3}, {2, 4}}};

// The shape of a box whose planes pair as opposites, nearly perpendicular pairs, turning as X,
// Y and Z do; normals need not be of unit length.
ShapeReading shapeOf(const BoxValues& values);
