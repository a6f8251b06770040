#include "transforms.h"

#include "orlclass.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>

namespace {

double norm(const StepPlane& plane) {
    return std::hypot(static_cast<double>(plane.normal[0]), static_cast<double>(plane.normal[1]),
                      static_cast<double>(plane.normal[2]));
}

Vec3 unitNormal(const StepPlane& plane) {
    const double n = norm(plane);
    return {static_cast<double>(plane.normal[0]) / n, static_cast<double>(plane.normal[1]) / n,
            static_cast<double>(plane.normal[2]) / n};
}

// The plane's distance from the origin along its own unit normal, in units: d / |n| is the
// same quotient in steps.
double distance(const StepPlane& plane) {
    return static_cast<double>(plane.d) / norm(plane);
}

bool validPlane(int plane) {
    return plane >= 0 && plane < 6;
}

bool validAxis(int axis) {
    return axis >= 0 && axis < 3;
}

int oppositeOf(int plane) {
    for (const auto& pair : AXIS_PLANES) {
        if (pair[0] == plane) {
            return pair[1];
        }
        if (pair[1] == plane) {
            return pair[0];
        }
    }
    return plane;
}

StepPlane& planeOf(StepBox& box, int plane) {
    return box.planes[static_cast<std::size_t>(plane)];
}

std::optional<std::int64_t> rounded(double steps) {
    if (!std::isfinite(steps) || std::fabs(steps) > 0x1p52) {
        return std::nullopt;
    }
    return std::llround(steps);
}

// Shifts every plane and the centre by an offset in steps; a plane's d by the offset along its
// normal, rounded half away from zero, so that opposite planes move by exactly opposite amounts.
std::optional<StepBox> shifted(StepBox box, const Vec3& offset) {
    const std::array<double, 3> along = {offset.x, offset.y, offset.z};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const auto steps = rounded(along[axis]);
        if (!steps) {
            return std::nullopt;
        }
        box.centre[axis] += *steps;
    }
    for (StepPlane& plane : box.planes) {
        double change = 0;
        for (std::size_t axis = 0; axis < 3; ++axis) {
            change += static_cast<double>(plane.normal[axis]) * along[axis];
        }
        const auto steps = rounded(change / STEPS_PER_UNIT);
        if (!steps) {
            return std::nullopt;
        }
        plane.d += *steps;
    }
    return box;
}

std::optional<std::array<std::int64_t, 3>> roundedPoint(const Vec3& units) {
    const auto x = rounded(units.x * STEPS_PER_UNIT);
    const auto y = rounded(units.y * STEPS_PER_UNIT);
    const auto z = rounded(units.z * STEPS_PER_UNIT);
    if (!x || !y || !z) {
        return std::nullopt;
    }
    return std::array<std::int64_t, 3>{*x, *y, *z};
}

// The block's texts once its planes have changed: the centre of its solid, then the radius.
TransformResult withSolidCentre(StepBox box) {
    const ShapeReading reading = shapeOf(valuesOf(box));
    if (const ShapeFault* fault = std::get_if<ShapeFault>(&reading)) {
        return *fault;
    }
    const auto centre = roundedPoint(std::get<BoxShape>(reading).centre);
    if (!centre) {
        return ShapeFault::OutOfRange;
    }
    box.centre = *centre;
    return textsOf(box);
}

std::variant<BoxShape, ShapeFault> blockOf(const ShapeTexts& texts) {
    return shapeOf(decodeBoxValues(texts));
}

TransformResult written(const BoxShape& shape) {
    auto result = writeShape(shape);
    if (const ShapeFault* fault = std::get_if<ShapeFault>(&result)) {
        return *fault;
    }
    return std::move(std::get<WrittenShape>(result).texts);
}

std::optional<ShapeFault> dimensionFault(double dimension) {
    if (!std::isfinite(dimension)) {
        return ShapeFault::NotFinite;
    }
    if (!(dimension > 0)) {
        return ShapeFault::DimensionNotPositive;
    }
    if (dimension < MIN_DIMENSION) {
        return ShapeFault::TooThin;
    }
    return std::nullopt;
}

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The decimal digits of the text plus one, as written by hand: IDs may be longer than any
// integer type holds.
std::string plusOne(std::string digits) {
    for (auto position = digits.rbegin(); position != digits.rend(); ++position) {
        if (*position != '9') {
            ++*position;
            return digits;
        }
        *position = '0';
    }
    return "1" + digits;
}

// Compares digit strings as numbers, leading zeros aside.
bool lessAsNumber(std::string_view a, std::string_view b) {
    const auto strip = [](std::string_view text) {
        const std::size_t first = text.find_first_not_of('0');
        return first == std::string_view::npos ? std::string_view() : text.substr(first);
    };
    a = strip(a);
    b = strip(b);
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

} // namespace

TransformResult moveBox(const ShapeTexts& box, const Vec3& offset) {
    if (!std::isfinite(offset.x) || !std::isfinite(offset.y) || !std::isfinite(offset.z)) {
        return ShapeFault::NotFinite;
    }
    const std::optional<StepBox> moved = shifted(stepsOf(box), offset * STEPS_PER_UNIT);
    if (!moved) {
        return ShapeFault::OutOfRange;
    }
    return textsOf(*moved);
}

TransformResult rotateBox(const ShapeTexts& box, const Vec3& axis, double degrees) {
    if (!std::isfinite(degrees) || !std::isfinite(length(axis))) {
        return ShapeFault::NotFinite;
    }
    if (length(axis) == 0) {
        return ShapeFault::ZeroAxis;
    }
    const auto reading = blockOf(box);
    if (const ShapeFault* fault = std::get_if<ShapeFault>(&reading)) {
        return *fault;
    }
    BoxShape shape = std::get<BoxShape>(reading);
    shape.angles = anglesOf(then(rotationOf(shape.angles), turnAbout(axis, degrees)));
    return written(shape);
}

TransformResult rotateAboutOwnAxis(const ShapeTexts& box, int ownAxis, double degrees) {
    if (!validAxis(ownAxis)) {
        return ShapeFault::NoSuchPlane;
    }
    const auto reading = blockOf(box);
    if (const ShapeFault* fault = std::get_if<ShapeFault>(&reading)) {
        return *fault;
    }
    const BoxShape& shape = std::get<BoxShape>(reading);
    return rotateBox(box, rotationOf(shape.angles).axes[static_cast<std::size_t>(ownAxis)],
                     degrees);
}

TransformResult resizeFromFace(const ShapeTexts& box, int plane, double dimension) {
    if (!validPlane(plane)) {
        return ShapeFault::NoSuchPlane;
    }
    if (const std::optional<ShapeFault> fault = dimensionFault(dimension)) {
        return *fault;
    }
    const auto reading = blockOf(box);
    if (const ShapeFault* fault = std::get_if<ShapeFault>(&reading)) {
        return *fault;
    }
    StepBox steps = stepsOf(box);
    StepPlane& moving = planeOf(steps, plane);
    const StepPlane& staying = planeOf(steps, oppositeOf(plane));
    const auto d = rounded((dimension - distance(staying)) * norm(moving));
    if (!d) {
        return ShapeFault::OutOfRange;
    }
    moving.d = *d;
    return withSolidCentre(steps);
}

TransformResult resizeFromCentre(const ShapeTexts& box, int ownAxis, double dimension) {
    if (!validAxis(ownAxis)) {
        return ShapeFault::NoSuchPlane;
    }
    if (const std::optional<ShapeFault> fault = dimensionFault(dimension)) {
        return *fault;
    }
    const auto reading = blockOf(box);
    if (const ShapeFault* fault = std::get_if<ShapeFault>(&reading)) {
        return *fault;
    }
    StepBox steps = stepsOf(box);
    const auto& pair = AXIS_PLANES[static_cast<std::size_t>(ownAxis)];
    StepPlane& first = planeOf(steps, pair[0]);
    StepPlane& second = planeOf(steps, pair[1]);
    const double middle = (distance(first) - distance(second)) / 2;
    const double half = dimension / 2;
    const auto firstD = rounded((middle + half) * norm(first));
    const auto secondD = rounded((half - middle) * norm(second));
    if (!firstD || !secondD) {
        return ShapeFault::OutOfRange;
    }
    first.d = *firstD;
    second.d = *secondD;
    return textsOf(steps);
}

TransformResult mirrorBox(const ShapeTexts& box, int ownAxis) {
    if (!validAxis(ownAxis)) {
        return ShapeFault::NoSuchPlane;
    }
    // A mirror image mirrors back.
    const auto reading = blockOf(box);
    const ShapeFault* fault = std::get_if<ShapeFault>(&reading);
    if (fault != nullptr && *fault != ShapeFault::Mirrored) {
        return *fault;
    }
    StepBox steps = stepsOf(box);
    const auto& pair = AXIS_PLANES[static_cast<std::size_t>(ownAxis)];
    std::swap(planeOf(steps, pair[0]), planeOf(steps, pair[1]));
    return textsOf(steps);
}

TransformResult stickTo(const ShapeTexts& box, int plane, const ShapeTexts& other, int otherPlane) {
    if (!validPlane(plane) || !validPlane(otherPlane)) {
        return ShapeFault::NoSuchPlane;
    }
    const auto reading = blockOf(box);
    if (const ShapeFault* fault = std::get_if<ShapeFault>(&reading)) {
        return *fault;
    }
    StepBox steps = stepsOf(box);
    const StepPlane& face = planeOf(steps, plane);
    const StepPlane facing = stepsOf(other).planes[static_cast<std::size_t>(otherPlane)];
    if (norm(facing) == 0) {
        return ShapeFault::ZeroNormal;
    }
    const Vec3 direction = unitNormal(face);
    if (-dot(direction, unitNormal(facing)) < std::cos(SHAPE_ANGLE_TOLERANCE)) {
        return ShapeFault::NotFacing;
    }
    // How far the face must travel along its normal to reach the facing plane.
    const double travel = -distance(facing) - distance(face);
    const int oppositePlane = oppositeOf(plane);
    const double thickness = distance(face) + distance(planeOf(steps, oppositePlane));
    const std::optional<StepBox> moved = shifted(steps, direction * (travel * STEPS_PER_UNIT));
    if (!moved) {
        return ShapeFault::OutOfRange;
    }
    steps = *moved;
    // The pair takes the facing plane exactly, with its thickness kept.
    StepPlane& movedFace = planeOf(steps, plane);
    StepPlane& movedOpposite = planeOf(steps, oppositePlane);
    for (std::size_t axis = 0; axis < 3; ++axis) {
        movedFace.normal[axis] = -facing.normal[axis];
        movedOpposite.normal[axis] = facing.normal[axis];
    }
    movedFace.d = -facing.d;
    const auto sum = rounded(thickness * norm(facing));
    if (!sum) {
        return ShapeFault::OutOfRange;
    }
    movedOpposite.d = *sum - movedFace.d;
    return textsOf(steps);
}

std::variant<DuplicatedBox, ShapeFault> duplicateBox(const ShapeTexts& box, std::string id,
                                                     const Vec3& offset) {
    TransformResult moved = moveBox(box, offset);
    if (const ShapeFault* fault = std::get_if<ShapeFault>(&moved)) {
        return *fault;
    }
    return DuplicatedBox{std::move(id), std::move(std::get<ShapeTexts>(moved))};
}

std::string nextFreeId(const BoxDocument& document) {
    std::string largest = "0";
    for (const std::string_view id : document.boxIds) {
        if (allDigits(id) && lessAsNumber(largest, id)) {
            largest = id;
        }
    }
    const std::size_t first = largest.find_first_not_of('0');
    return plusOne(first == std::string::npos ? "0" : largest.substr(first));
}
