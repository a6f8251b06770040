#include "surfacekind.h"

#include <cmath>
#include <numbers>

namespace {

// Normals are fixed-point values: a slope is known to a few thousandths of a degree, and a
// ramp built at 45 degrees must not count as steeper than 45.
constexpr double SLOPE_MARGIN_DEGREES = 0.01;

double cosineOf(double degrees) {
    return std::cos(degrees * std::numbers::pi / 180);
}

} // namespace

SurfaceClassifier::SurfaceClassifier(double maxSlopeDegrees)
    : walkableCosine_(cosineOf(maxSlopeDegrees + SLOPE_MARGIN_DEGREES)),
      wallCosine_(cosineOf(WALL_DEGREES - SLOPE_MARGIN_DEGREES)) {}

std::optional<SurfaceKind> SurfaceClassifier::kindOf(const Vec3& normal) const {
    const double squares = dot(normal, normal);
    if (squares == 0) {
        return std::nullopt;
    }
    // A level normal, any wall's, has a cosine of 0 whatever its length.
    const double cosine =
        normal.z == 0 && !std::isnan(squares) ? 0.0 : normal.z / std::sqrt(squares);
    if (cosine >= walkableCosine_) {
        return SurfaceKind::Floor;
    }
    if (cosine > wallCosine_) {
        return SurfaceKind::SteepSlope;
    }
    if (cosine >= -wallCosine_) {
        return SurfaceKind::Wall;
    }
    return SurfaceKind::Ceiling;
}
