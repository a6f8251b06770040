#include "gridplacement.h"

#include "boxshape.h"
#include "snapping.h"
#include "solid.h"

#include <algorithm>
#include <cmath>

namespace {

double& along(Vec3& point, std::size_t axis) {
    return axis == 0 ? point.x : axis == 1 ? point.y : point.z;
}

double along(const Vec3& point, std::size_t axis) {
    return axis == 0 ? point.x : axis == 1 ? point.y : point.z;
}

// Half a step of the file's fixed point: closer than this, two positions are one in the file.
constexpr double halfStep = 0.5 / STEPS_PER_UNIT;

} // namespace

std::optional<Vec3> lowestCorner(const ShapeTexts& box) {
    const Solid solid = buildSolid(decodeBoxValues(box));
    if (!solid.closed()) {
        return std::nullopt;
    }
    return solid.boundsMin;
}

Vec3 offsetOntoGrid(const Vec3& lowest, const Vec3& offset, const MovedAxes& axes, double step) {
    Vec3 result;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        if (!axes[axis]) {
            continue;
        }
        const double from = along(lowest, axis);
        const double by = along(offset, axis);
        along(result, axis) = step > 0 ? snapToGrid(from + by, step) - from : by;
    }
    return result;
}

double offsetToNextGridPoint(double position, int direction, double step) {
    if (!(step > 0)) {
        return direction * GRID_STEPS[1];
    }
    // Every step is a power of two and every position a whole number of steps of 1/16384: the
    // quotients and products are exact.
    const double cells = position / step;
    const double tolerance = halfStep / step;
    const double next =
        direction > 0 ? std::floor(cells + tolerance) + 1 : std::ceil(cells - tolerance) - 1;
    return next * step - position;
}

std::optional<AxisFace> axisFaceOf(const ShapeTexts& box, int plane) {
    if (plane < 0 || plane >= 6) {
        return std::nullopt;
    }
    const StepBox all = stepsOf(box);
    const StepPlane& steps = all.planes[static_cast<std::size_t>(plane)];
    const auto nonZero = std::count_if(steps.normal.begin(), steps.normal.end(),
                                       [](std::int64_t value) { return value != 0; });
    if (nonZero != 1) {
        return std::nullopt;
    }
    AxisFace face;
    while (steps.normal[face.axis] == 0) {
        ++face.axis;
    }
    const auto normal = static_cast<double>(steps.normal[face.axis]);
    face.outward = normal > 0 ? 1 : -1;
    // n·x <= d with n along the axis: the plane crosses it at d / n, a quotient of steps.
    face.position = static_cast<double>(steps.d) / normal;
    return face;
}

double draggedDimension(const std::optional<AxisFace>& face, double dimension, double travel,
                        double step) {
    if (!(step > 0)) {
        return std::max(dimension + travel, MIN_DIMENSION);
    }
    if (!face) {
        return std::max(snapToGrid(dimension + travel, step), step);
    }
    const double outward = face->outward;
    const double opposite = face->position - outward * dimension;
    const double thickness =
        outward * (snapToGrid(face->position + outward * travel, step) - opposite);
    if (thickness >= MIN_DIMENSION) {
        return thickness;
    }
    // The first grid plane at least MIN_DIMENSION beyond the opposite face, on the face's side.
    const double limit = (opposite + outward * MIN_DIMENSION) / step;
    const double first = (outward > 0 ? std::ceil(limit) : std::floor(limit)) * step;
    return outward * (first - opposite);
}
