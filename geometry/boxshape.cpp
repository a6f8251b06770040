#include "boxshape.h"

#include <cmath>

namespace {

struct Pair {
    Vec3 axis;         // the mean of plane p's unit normal and the opposite of plane q's
    double offset = 0; // of the plane midway, along axis, from the origin
    double thickness = 0;
};

// The nearest rotation to three nearly orthonormal axes, the same for each axis whatever their
// order: Newton's iteration for the orthogonal factor, which converges at once from so near.
Rotation orthonormalised(const std::array<Vec3, 3>& axes) {
    Rotation rotation{axes};
    for (int iteration = 0; iteration < 6; ++iteration) {
        // R · Rᵀ · R, by columns: column j of Rᵀ R is the dot products of the axes with axis j.
        std::array<Vec3, 3> product;
        for (std::size_t j = 0; j < 3; ++j) {
            const Vec3 column{dot(rotation.axes[0], rotation.axes[j]),
                              dot(rotation.axes[1], rotation.axes[j]),
                              dot(rotation.axes[2], rotation.axes[j])};
            product[j] = apply(rotation, column);
        }
        for (std::size_t j = 0; j < 3; ++j) {
            rotation.axes[j] = rotation.axes[j] * 1.5 - product[j] * 0.5;
        }
    }
    return rotation;
}

// The point whose offsets along the three directions are given.
Vec3 meetingOf(const std::array<Vec3, 3>& directions, const std::array<double, 3>& offsets) {
    const Vec3 yz = cross(directions[1], directions[2]);
    const Vec3 zx = cross(directions[2], directions[0]);
    const Vec3 xy = cross(directions[0], directions[1]);
    return (yz * offsets[0] + zx * offsets[1] + xy * offsets[2]) * (1.0 / dot(directions[0], yz));
}

} // namespace

std::string shapeFaultText(ShapeFault fault) {
    switch (fault) {
    case ShapeFault::ZeroNormal:
        return "un plan n'a pas de normale (a = b = c = 0)";
    case ShapeFault::Empty:
        return "les six demi-espaces n'ont aucun point commun : le solide est vide";
    case ShapeFault::Unbounded:
        return "les six demi-espaces ne se referment pas : le solide est infini";
    case ShapeFault::Flat:
        return "le solide est plat : il n'a pas de volume";
    case ShapeFault::NotOpposite:
        return "les plans 0 et 5, 1 et 3 ou 2 et 4 ne sont pas opposés : ce n'est pas un pavé";
    case ShapeFault::Sheared:
        return "les faces ne sont pas perpendiculaires : le pavé est penché";
    case ShapeFault::Mirrored:
        return "les normales des plans 0, 1 et 2 tournent à l'envers (box en miroir) : pas "
               "d'angles de lacet, tangage et roulis";
    case ShapeFault::DimensionNotPositive:
        return "une dimension n'est pas positive";
    case ShapeFault::TooThin:
        return "une dimension est inférieure à 1/512 : le solide serait plat";
    case ShapeFault::NotFinite:
        return "une valeur n'est pas un nombre fini";
    case ShapeFault::OutOfRange:
        return "une valeur sort de ce que le fichier peut écrire (de -131071 à 131071)";
    case ShapeFault::NotFacing:
        return "les deux faces ne sont pas parallèles et tournées l'une vers l'autre";
    case ShapeFault::NoSuchPlane:
        return "pas de tel plan : les plans vont de 0 à 5, les axes de 0 à 2";
    case ShapeFault::ZeroAxis:
        return "l'axe de rotation est nul";
    }
    return {};
}

std::optional<ShapeFault> solidFault(SolidStatus status) {
    switch (status) {
    case SolidStatus::ZeroNormal:
        return ShapeFault::ZeroNormal;
    case SolidStatus::Empty:
        return ShapeFault::Empty;
    case SolidStatus::Unbounded:
        return ShapeFault::Unbounded;
    case SolidStatus::Flat:
        return ShapeFault::Flat;
    case SolidStatus::Closed:
        break;
    }
    return std::nullopt;
}

ShapeReading shapeOf(const BoxValues& values) {
    if (const std::optional<ShapeFault> fault = solidFault(buildSolid(values).status)) {
        return *fault;
    }
    const double opposite = std::cos(SHAPE_ANGLE_TOLERANCE);
    std::array<Pair, 3> pairs;
    for (std::size_t k = 0; k < 3; ++k) {
        const PlaneValues& first = values.planes[static_cast<std::size_t>(AXIS_PLANES[k][0])];
        const PlaneValues& second = values.planes[static_cast<std::size_t>(AXIS_PLANES[k][1])];
        const double firstLength = length(first.normal);
        const double secondLength = length(second.normal);
        const Vec3 a = first.normal * (1.0 / firstLength);
        const Vec3 b = second.normal * (1.0 / secondLength);
        if (-dot(a, b) < opposite) {
            return ShapeFault::NotOpposite;
        }
        const Vec3 mean = a - b;
        pairs[k].axis = mean * (1.0 / length(mean));
        const double firstDistance = first.d / firstLength;
        const double secondDistance = second.d / secondLength;
        pairs[k].offset = (firstDistance - secondDistance) / 2;
        pairs[k].thickness = firstDistance + secondDistance;
    }
    const double perpendicular = std::sin(SHAPE_ANGLE_TOLERANCE);
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::fabs(dot(pairs[i].axis, pairs[(i + 1) % 3].axis)) > perpendicular) {
            return ShapeFault::Sheared;
        }
    }
    const std::array<Vec3, 3> axes = {pairs[0].axis, pairs[1].axis, pairs[2].axis};
    if (dot(axes[0], cross(axes[1], axes[2])) < 0) {
        return ShapeFault::Mirrored;
    }
    BoxShape shape;
    shape.centre = meetingOf(axes, {pairs[0].offset, pairs[1].offset, pairs[2].offset});
    for (std::size_t k = 0; k < 3; ++k) {
        shape.dimensions[k] = pairs[k].thickness;
    }
    shape.angles = anglesOf(orthonormalised(axes));
    return shape;
}
