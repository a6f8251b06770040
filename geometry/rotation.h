#pragma once

#include "vec3.h"

#include <array>

// A turn of the scene, Z up, angles in degrees, right-handed: a positive angle turns
// counter-clockwise seen from the positive end of its axis.
struct Rotation {
    // The images of X, Y and Z: the columns of the matrix.
    std::array<Vec3, 3> axes = {Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}};
};

// Yaw about Z, pitch about Y, roll about X, so that the axes are the columns of
// Rz(yaw) · Ry(pitch) · Rx(roll).
struct Angles {
    double yaw = 0;
    double pitch = 0;
    double roll = 0;
};

Rotation rotationOf(const Angles& angles);
// Pitch from -90 to 90, yaw and roll from -180 to 180; at a pitch of ±90 degrees, where yaw and
// roll turn about the same axis, roll is 0.
Angles anglesOf(const Rotation& rotation);
// The turn about a direction (of any length but zero) by an angle.
Rotation turnAbout(const Vec3& axis, double degrees);
Vec3 apply(const Rotation& rotation, const Vec3& v);
// first, then second: the rotation that turns v to second(first(v)).
Rotation then(const Rotation& first, const Rotation& second);
