#include "rotation.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double RADIANS_PER_DEGREE = std::numbers::pi / 180;
constexpr double DEGREES_PER_RADIAN = 180 / std::numbers::pi;
// Below this, cos(pitch) is taken for zero: yaw and roll can no longer be told apart.
constexpr double GIMBAL_COSINE = 1e-12;

// A whole number of quarter turns gives exact sines and cosines, so that turning an upright box
// by 90 degrees leaves it exactly upright.
void sineAndCosine(double degrees, double& sine, double& cosine) {
    const double quarters = degrees / 90;
    if (quarters == std::round(quarters) && std::fabs(quarters) < 1e9) {
        const long long quarter = static_cast<long long>(quarters) % 4;
        const long long positive = quarter < 0 ? quarter + 4 : quarter;
        constexpr double sines[4] = {0, 1, 0, -1};
        sine = sines[positive];
        cosine = sines[(positive + 1) % 4];
        return;
    }
    sine = std::sin(degrees * RADIANS_PER_DEGREE);
    cosine = std::cos(degrees * RADIANS_PER_DEGREE);
}

// Angles from -180 to 180, without a negative zero.
double tidy(double degrees) {
    if (degrees <= -180) {
        degrees += 360;
    }
    return degrees == 0 ? 0.0 : degrees;
}

} // namespace

Rotation rotationOf(const Angles& angles) {
    double sy, cy, sp, cp, sr, cr;
    sineAndCosine(angles.yaw, sy, cy);
    sineAndCosine(angles.pitch, sp, cp);
    sineAndCosine(angles.roll, sr, cr);
    Rotation rotation;
    rotation.axes[0] = {cy * cp, sy * cp, -sp};
    rotation.axes[1] = {cy * sp * sr - sy * cr, sy * sp * sr + cy * cr, cp * sr};
    rotation.axes[2] = {cy * sp * cr + sy * sr, sy * sp * cr - cy * sr, cp * cr};
    return rotation;
}

Angles anglesOf(const Rotation& rotation) {
    const Vec3& u = rotation.axes[0];
    const Vec3& v = rotation.axes[1];
    const Vec3& w = rotation.axes[2];
    const double horizontal = std::hypot(u.x, u.y);
    Angles angles;
    angles.pitch = std::atan2(-u.z, horizontal) * DEGREES_PER_RADIAN;
    if (horizontal > GIMBAL_COSINE) {
        angles.yaw = std::atan2(u.y, u.x) * DEGREES_PER_RADIAN;
        angles.roll = std::atan2(v.z, w.z) * DEGREES_PER_RADIAN;
    } else {
        angles.yaw = std::atan2(-v.x, v.y) * DEGREES_PER_RADIAN;
    }
    angles.yaw = tidy(angles.yaw);
    angles.pitch = tidy(angles.pitch);
    angles.roll = tidy(angles.roll);
    return angles;
}

Rotation turnAbout(const Vec3& axis, double degrees) {
    const Vec3 k = axis * (1.0 / length(axis));
    double sine, cosine;
    sineAndCosine(degrees, sine, cosine);
    Rotation rotation;
    for (Vec3& column : rotation.axes) {
        const Vec3 v = column;
        column = v * cosine + cross(k, v) * sine + k * (dot(k, v) * (1 - cosine));
    }
    return rotation;
}

Vec3 apply(const Rotation& rotation, const Vec3& v) {
    return rotation.axes[0] * v.x + rotation.axes[1] * v.y + rotation.axes[2] * v.z;
}

Rotation then(const Rotation& first, const Rotation& second) {
    Rotation result;
    for (std::size_t i = 0; i < 3; ++i) {
        result.axes[i] = apply(second, first.axes[i]);
    }
    return result;
}
