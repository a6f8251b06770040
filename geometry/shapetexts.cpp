#include "shapetexts.h"

#include "box.h"
#include "fixedpoint.h"
#include "solid.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>

namespace {

std::int64_t stepsOfText(std::string_view text, HexFormat format) {
    // Every reading is a whole number of steps, well inside a double's exact integers.
    return static_cast<std::int64_t>(fixedpoint::hexValue(text, format) * STEPS_PER_UNIT);
}

std::optional<std::int64_t> roundedSteps(double steps) {
    if (!std::isfinite(steps) || std::fabs(steps) > 0x1p52) {
        return std::nullopt;
    }
    return std::llround(steps);
}

double unitsOf(std::int64_t steps) {
    return static_cast<double>(steps) / STEPS_PER_UNIT;
}

Vec3 unitsOf(const std::array<std::int64_t, 3>& steps) {
    return {unitsOf(steps[0]), unitsOf(steps[1]), unitsOf(steps[2])};
}

// The point where three planes meet; nothing when two of them are parallel.
std::optional<Vec3> meetingPoint(const PlaneValues& a, const PlaneValues& b, const PlaneValues& c) {
    const Vec3 bc = cross(b.normal, c.normal);
    const double det = dot(a.normal, bc);
    if (det == 0) {
        return std::nullopt;
    }
    return (bc * a.d + cross(c.normal, a.normal) * b.d + cross(a.normal, b.normal) * c.d) *
           (1.0 / det);
}

// Corner (sx, sy, sz) of a block's planes: plane 0 or 5, 1 or 3, 2 or 4 by the signs.
std::optional<Vec3> cornerOf(const BoxValues& values, int corner) {
    std::array<const PlaneValues*, 3> planes{};
    for (std::size_t k = 0; k < 3; ++k) {
        const bool positive = (corner >> k & 1) != 0;
        planes[k] = &values.planes[static_cast<std::size_t>(AXIS_PLANES[k][positive ? 0 : 1])];
    }
    return meetingPoint(*planes[0], *planes[1], *planes[2]);
}

// The two distances of a pair in steps, rounded so that both the sum (the thickness) and half
// the difference (the middle) stay within the rounding of one step.
std::array<std::int64_t, 2> roundedPair(double first, double second) {
    const double firstLow = std::floor(first);
    const double secondLow = std::floor(second);
    std::array<std::int64_t, 2> best{};
    double bestError = std::numeric_limits<double>::infinity();
    for (const double a : {firstLow, firstLow + 1}) {
        for (const double b : {secondLow, secondLow + 1}) {
            const double errorA = a - first;
            const double errorB = b - second;
            const double error =
                std::max(std::fabs(errorA + errorB), std::fabs(errorA - errorB) / 2);
            if (error < bestError) {
                bestError = error;
                best = {static_cast<std::int64_t>(a), static_cast<std::int64_t>(b)};
            }
        }
    }
    return best;
}

} // namespace

ShapeTexts shapeTextsOf(const Box& box) {
    ShapeTexts texts;
    for (std::size_t axis = 0; axis < texts.centre.size(); ++axis) {
        texts.centre[axis] = box.centerText(axis);
    }
    for (std::size_t k = 0; k < texts.planes.size(); ++k) {
        texts.planes[k] = box.planeText(k);
    }
    texts.maxRadius = box.maxRadius;
    return texts;
}

void writeShapeTexts(const ShapeTexts& texts, Box& box) {
    for (std::size_t axis = 0; axis < texts.centre.size(); ++axis) {
        box.centerText(axis) = texts.centre[axis];
    }
    for (std::size_t k = 0; k < texts.planes.size(); ++k) {
        box.planeText(k) = texts.planes[k];
    }
    box.maxRadius = texts.maxRadius;
}

BoxValues decodeBoxValues(const ShapeTexts& texts) {
    return decodeBoxValues(boxTextsOf({}, texts));
}

BoxTexts boxTextsOf(const std::string& id, const ShapeTexts& texts) {
    BoxTexts all;
    all[boxslot::id] = id;
    all[boxslot::radius] = texts.maxRadius;
    for (std::size_t axis = 0; axis < texts.centre.size(); ++axis) {
        all[boxslot::centre(axis)] = texts.centre[axis];
    }
    for (std::size_t k = 0; k < texts.planes.size(); ++k) {
        all[boxslot::plane(k)] = texts.planes[k];
    }
    return all;
}

StepBox stepsOf(const ShapeTexts& texts) {
    StepBox box;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        box.centre[axis] = stepsOfText(texts.centre[axis], HexFormat::EightDigits);
    }
    for (std::size_t p = 0; p < box.planes.size(); ++p) {
        for (std::size_t i = 0; i < 3; ++i) {
            box.planes[p].normal[i] = stepsOfText(texts.planes[p * 4 + i], HexFormat::FourDigits);
        }
        box.planes[p].d = stepsOfText(texts.planes[p * 4 + 3], HexFormat::EightDigits);
    }
    return box;
}

BoxValues valuesOf(const StepBox& box) {
    BoxValues values;
    values.centre = unitsOf(box.centre);
    for (std::size_t p = 0; p < box.planes.size(); ++p) {
        values.planes[p].normal = unitsOf(box.planes[p].normal);
        values.planes[p].d = unitsOf(box.planes[p].d);
    }
    return values;
}

std::variant<ShapeTexts, ShapeFault> textsOf(const StepBox& box) {
    ShapeTexts texts;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const auto text = fixedpoint::eightDigitsOfSteps(box.centre[axis]);
        if (!text) {
            return ShapeFault::OutOfRange;
        }
        texts.centre[axis] = *text;
    }
    for (std::size_t p = 0; p < box.planes.size(); ++p) {
        for (std::size_t i = 0; i < 3; ++i) {
            const auto text = fixedpoint::fourDigitsOfSteps(box.planes[p].normal[i]);
            if (!text) {
                return ShapeFault::OutOfRange;
            }
            texts.planes[p * 4 + i] = *text;
        }
        const auto text = fixedpoint::eightDigitsOfSteps(box.planes[p].d);
        if (!text) {
            return ShapeFault::OutOfRange;
        }
        texts.planes[p * 4 + 3] = *text;
    }
    const BoxValues values = valuesOf(box);
    const Solid solid = buildSolid(values);
    if (const std::optional<ShapeFault> fault = solidFault(solid.status)) {
        return *fault;
    }
    double farthest = 0;
    for (const Vec3& vertex : solid.vertices) {
        farthest = std::max(farthest, length(vertex - values.centre));
    }
    texts.maxRadius = std::to_string(static_cast<long long>(std::ceil(farthest)));
    return texts;
}

std::variant<WrittenShape, ShapeFault> writeShape(const BoxShape& shape) {
    const auto finite = [](double value) { return std::isfinite(value); };
    if (!finite(shape.centre.x) || !finite(shape.centre.y) || !finite(shape.centre.z) ||
        !std::all_of(shape.dimensions.begin(), shape.dimensions.end(), finite) ||
        !finite(shape.angles.yaw) || !finite(shape.angles.pitch) || !finite(shape.angles.roll)) {
        return ShapeFault::NotFinite;
    }
    for (const double dimension : shape.dimensions) {
        if (!(dimension > 0)) {
            return ShapeFault::DimensionNotPositive;
        }
        if (dimension < MIN_DIMENSION) {
            return ShapeFault::TooThin;
        }
    }
    const Rotation rotation = rotationOf(shape.angles);
    StepBox box;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const double coordinate = axis == 0   ? shape.centre.x
                                  : axis == 1 ? shape.centre.y
                                              : shape.centre.z;
        const auto steps = roundedSteps(coordinate * STEPS_PER_UNIT);
        if (!steps) {
            return ShapeFault::OutOfRange;
        }
        box.centre[axis] = *steps;
    }
    for (std::size_t k = 0; k < 3; ++k) {
        const Vec3& axis = rotation.axes[k];
        const std::array<std::int64_t, 3> normal = {std::llround(axis.x * STEPS_PER_UNIT),
                                                    std::llround(axis.y * STEPS_PER_UNIT),
                                                    std::llround(axis.z * STEPS_PER_UNIT)};
        const Vec3 stored = {static_cast<double>(normal[0]), static_cast<double>(normal[1]),
                             static_cast<double>(normal[2])};
        // In steps: the plane through the point at half the dimension from the centre, along
        // the normal as stored.
        const double along = dot(stored, shape.centre);
        const double half = shape.dimensions[k] / 2 * length(stored);
        if (!std::isfinite(along + half) || std::fabs(along) + half > 0x1p52) {
            return ShapeFault::OutOfRange;
        }
        const auto [first, second] = roundedPair(along + half, half - along);
        StepPlane& firstPlane = box.planes[static_cast<std::size_t>(AXIS_PLANES[k][0])];
        StepPlane& secondPlane = box.planes[static_cast<std::size_t>(AXIS_PLANES[k][1])];
        firstPlane.normal = normal;
        firstPlane.d = first;
        secondPlane.normal = {-normal[0], -normal[1], -normal[2]};
        secondPlane.d = second;
    }
    auto texts = textsOf(box);
    if (const ShapeFault* fault = std::get_if<ShapeFault>(&texts)) {
        return *fault;
    }
    WrittenShape written{std::move(std::get<ShapeTexts>(texts)), 0};
    const BoxValues values = valuesOf(box);
    for (int corner = 0; corner < 8; ++corner) {
        Vec3 asked = shape.centre;
        for (std::size_t k = 0; k < 3; ++k) {
            const double sign = (corner >> k & 1) != 0 ? 1 : -1;
            asked = asked + rotation.axes[k] * (sign * shape.dimensions[k] / 2);
        }
        if (const std::optional<Vec3> planesCorner = cornerOf(values, corner)) {
            written.cornerDrift = std::max(written.cornerDrift, length(*planesCorner - asked));
        }
    }
    return written;
}
