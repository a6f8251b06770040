#include "fittedbox.h"

#include "box.h"
#include "boxvalues.h"
#include "fixedpoint.h"
#include "solid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numbers>
#include <string>

namespace {

constexpr double STEPS = 16384;

// The outward normal of each plane, in the order planes 0 to 5 pair as opposites: 0/5, 1/3, 2/4.
std::array<Vec3, 6> planeNormals(const BoxFit& fit) {
    const auto& a = fit.box.axes;
    const auto& s = fit.sideNormals;
    return {s[0][0].value_or(a[0]),  s[1][0].value_or(a[1]),  s[2][0].value_or(a[2]),
            s[1][1].value_or(-a[1]), s[2][1].value_or(-a[2]), s[0][1].value_or(-a[0])};
}

// The exact axis of each plane, to tell how far its written normal turned.
std::array<Vec3, 6> planeAxes(const OrientedBox& box) {
    const auto& a = box.axes;
    return {a[0], a[1], a[2], -a[1], -a[2], -a[0]};
}

std::optional<std::int64_t> steps(double value, double (*round)(double)) {
    const double scaled = round(value * STEPS);
    if (!(std::fabs(scaled) < 1e15)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(scaled);
}

struct PlaneTexts {
    std::array<std::string, 4> texts;
    Vec3 normal; // as written
};

std::optional<PlaneTexts> planeTexts(const Vec3& axis, const std::vector<Vec3>& points) {
    PlaneTexts plane;
    const std::array<double, 3> components{axis.x, axis.y, axis.z};
    std::array<double, 3> written{};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::int64_t s = std::llround(components[i] * STEPS);
        const std::optional<std::string> text = fixedpoint::fourDigitsOfSteps(s);
        if (!text) {
            return std::nullopt;
        }
        plane.texts[i] = *text;
        written[i] = static_cast<double>(s) / STEPS;
    }
    plane.normal = {written[0], written[1], written[2]};
    double farthest = -std::numeric_limits<double>::infinity();
    for (const Vec3& p : points) {
        farthest = std::max(farthest, dot(plane.normal, p));
    }
    const std::optional<std::int64_t> d = steps(farthest, std::ceil);
    std::optional<std::string> dText;
    if (d) {
        dText = fixedpoint::eightDigitsOfSteps(*d);
    }
    if (!dText) {
        return std::nullopt;
    }
    plane.texts[3] = *dText;
    return plane;
}

double farthestCorner(const BoxValues& values) {
    const Solid solid = buildSolid(values);
    double farthest = 0;
    for (const Vec3& v : solid.vertices) {
        farthest = std::max(farthest, length(v - values.centre));
    }
    return solid.closed() ? farthest : -1;
}

} // namespace

std::optional<WrittenFit> writeFittedBox(const BoxFit& fitted, const std::vector<Vec3>& points,
                                         Box& box) {
    const std::array<Vec3, 6> normals = planeNormals(fitted);
    const std::array<Vec3, 6> axes = planeAxes(fitted.box);
    std::array<PlaneTexts, 6> planes;
    for (std::size_t p = 0; p < planes.size(); ++p) {
        std::optional<PlaneTexts> plane = planeTexts(normals[p], points);
        if (!plane) {
            return std::nullopt;
        }
        planes[p] = std::move(*plane);
    }
    const Vec3& c = fitted.box.centre;
    const std::array<double, 3> centre{c.x, c.y, c.z};
    std::array<std::string, 3> centreTexts;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const std::optional<std::int64_t> s = steps(centre[axis], std::round);
        std::optional<std::string> text;
        if (s) {
            text = fixedpoint::eightDigitsOfSteps(*s);
        }
        if (!text) {
            return std::nullopt;
        }
        centreTexts[axis] = *text;
    }

    Box written;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        written.centerText(axis) = centreTexts[axis];
    }
    for (std::size_t k = 0; k < Box::planeTextCount; ++k) {
        written.planeText(k) = planes[k / 4].texts[k % 4];
    }
    // Measured on the values the texts read back as, so that the report tells what the file holds.
    const BoxValues values = decodeBoxValues(written);
    const double corner = farthestCorner(values);
    if (corner < 0) {
        return std::nullopt;
    }
    WrittenFit fit;
    for (std::size_t p = 0; p < planes.size(); ++p) {
        const PlaneValues& plane = values.planes[p];
        const double size = length(plane.normal);
        double farthest = -std::numeric_limits<double>::infinity();
        for (const Vec3& point : points) {
            farthest = std::max(farthest, dot(plane.normal, point));
        }
        fit.outsideDistance = std::max(fit.outsideDistance, (farthest - plane.d) / size);
        fit.planeGap = std::max(fit.planeGap, (plane.d - farthest) / size);
        const double cosine = std::clamp(dot(plane.normal, axes[p]) / size, -1.0, 1.0);
        fit.normalDegrees = std::max(fit.normalDegrees, std::acos(cosine) * 180 / std::numbers::pi);
    }

    for (std::size_t axis = 0; axis < 3; ++axis) {
        box.centerText(axis) = written.centerText(axis);
    }
    for (std::size_t k = 0; k < Box::planeTextCount; ++k) {
        box.planeText(k) = written.planeText(k);
    }
    box.maxRadius = std::to_string(static_cast<long long>(std::ceil(corner)));
    return fit;
}
