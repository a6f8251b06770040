#include "snapping.h"

#include <cmath>

double snapToGrid(double value, double step) {
    if (!(step > 0) || !std::isfinite(value)) {
        return value;
    }
    // Every step is a power of two: the quotient and the product are exact.
    const double snapped = std::round(value / step) * step;
    return snapped == 0 ? 0.0 : snapped;
}

Vec3 snapToGrid(const Vec3& point, double step) {
    return {snapToGrid(point.x, step), snapToGrid(point.y, step), snapToGrid(point.z, step)};
}

double snapAngle(double degrees, double step) {
    return snapToGrid(degrees, step);
}
