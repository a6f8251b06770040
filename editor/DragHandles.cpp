#include "DragHandles.h"

#include "OrbitCamera.h"
#include "ScenePalette.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double knobPixels = 28;
constexpr double knobRadius = 6;
constexpr double knobReach = 9;
constexpr double ringReach = 6;
constexpr int ringSegments = 96;
// The smallest ring, in pixels across its radius, that shows handles.
constexpr double smallestRingPixels = 30;

// The own axis a plane bounds, and whether its normal points along it or against it.
struct PlaneAxis {
    std::size_t axis;
    double sign;
};

PlaneAxis planeAxis(int plane) {
    for (std::size_t axis = 0; axis < AXIS_PLANES.size(); ++axis) {
        if (AXIS_PLANES[axis][0] == plane) {
            return {axis, 1};
        }
        if (AXIS_PLANES[axis][1] == plane) {
            return {axis, -1};
        }
    }
    return {0, 1};
}

double distanceToSegment(QPointF p, QPointF a, QPointF b) {
    const QPointF ab = b - a;
    const double lengthSquared = QPointF::dotProduct(ab, ab);
    const double t = lengthSquared > 0
                         ? std::clamp(QPointF::dotProduct(p - a, ab) / lengthSquared, 0.0, 1.0)
                         : 0.0;
    const QPointF nearest = a + ab * t;
    return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

const Vec3 sceneAxes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

} // namespace

DragHandles::DragHandles(const BoxShape& shape, const OrbitCamera& camera)
    : shape_(shape), rotation_(rotationOf(shape.angles)), camera_(camera) {
    const auto& d = shape.dimensions;
    ringRadius_ = 0.5 * std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) * 1.15;
}

Vec3 DragHandles::normal(int plane) const {
    const PlaneAxis pa = planeAxis(plane);
    return rotation_.axes[pa.axis] * pa.sign;
}

Vec3 DragHandles::faceCentre(int plane) const {
    const PlaneAxis pa = planeAxis(plane);
    return shape_.centre + normal(plane) * (shape_.dimensions[pa.axis] / 2);
}

Vec3 DragHandles::knob(int plane) const {
    const Vec3 base = faceCentre(plane);
    const double depth = std::max(camera_.depthOf(base), camera_.nearDepth());
    return base + normal(plane) * (knobPixels * depth / camera_.focalPixels());
}

std::optional<QPointF> DragHandles::projected(const Vec3& point) const {
    const double depth = camera_.depthOf(point);
    if (depth <= camera_.nearDepth()) {
        return std::nullopt;
    }
    return camera_.project(point, depth);
}

Vec3 DragHandles::ringPoint(int axis, double radians) const {
    const Vec3& u = sceneAxes[(axis + 1) % 3];
    const Vec3& v = sceneAxes[(axis + 2) % 3];
    return shape_.centre + (u * std::cos(radians) + v * std::sin(radians)) * ringRadius_;
}

std::vector<std::vector<QPointF>> DragHandles::ringOutline(int axis) const {
    std::vector<std::vector<QPointF>> runs(1);
    for (int i = 0; i <= ringSegments; ++i) {
        const double radians = 2 * std::numbers::pi * i / ringSegments;
        if (const std::optional<QPointF> drawn = projected(ringPoint(axis, radians))) {
            runs.back().push_back(*drawn);
        } else if (!runs.back().empty()) {
            runs.emplace_back();
        }
    }
    return runs;
}

bool DragHandles::shown() const {
    const double depth = camera_.depthOf(shape_.centre);
    return depth > camera_.nearDepth() &&
           ringRadius_ * camera_.focalPixels() / depth >= smallestRingPixels;
}

std::optional<DragHandle> DragHandles::at(QPointF pixel) const {
    std::optional<DragHandle> found;
    if (!shown()) {
        return found;
    }
    double nearestDepth = std::numeric_limits<double>::infinity();
    for (int plane = 0; plane < 6; ++plane) {
        const Vec3 point = knob(plane);
        const std::optional<QPointF> drawn = projected(point);
        if (drawn && std::hypot(drawn->x() - pixel.x(), drawn->y() - pixel.y()) <= knobReach &&
            camera_.depthOf(point) < nearestDepth) {
            nearestDepth = camera_.depthOf(point);
            found = DragHandle{HandleKind::Face, plane};
        }
    }
    if (found) {
        return found;
    }
    double nearestRing = ringReach;
    for (int axis = 0; axis < 3; ++axis) {
        for (const std::vector<QPointF>& run : ringOutline(axis)) {
            for (std::size_t i = 1; i < run.size(); ++i) {
                const double distance = distanceToSegment(pixel, run[i - 1], run[i]);
                if (distance <= nearestRing) {
                    nearestRing = distance;
                    found = DragHandle{HandleKind::Ring, axis};
                }
            }
        }
    }
    return found;
}

std::optional<QPointF> DragHandles::pixelOf(DragHandle handle) const {
    std::vector<Vec3> candidates;
    if (handle.kind == HandleKind::Face) {
        candidates.push_back(knob(handle.index));
    } else if (handle.kind == HandleKind::Ring) {
        for (int i = 0; i < 16; ++i) {
            candidates.push_back(ringPoint(handle.index, 2 * std::numbers::pi * (i + 0.5) / 16));
        }
    }
    for (const Vec3& candidate : candidates) {
        const std::optional<QPointF> drawn = projected(candidate);
        if (drawn && at(*drawn) == handle) {
            return drawn;
        }
    }
    return std::nullopt;
}

void DragHandles::draw(QPainter& painter, std::optional<DragHandle> active) const {
    if (!shown()) {
        return;
    }
    for (int axis = 0; axis < 3; ++axis) {
        const bool held = active == DragHandle{HandleKind::Ring, axis};
        QColor colour = palette::axes[axis];
        colour.setAlpha(held ? 255 : 150);
        painter.setPen(QPen(colour, held ? 3.0 : 1.5));
        for (const std::vector<QPointF>& run : ringOutline(axis)) {
            painter.drawPolyline(run.data(), static_cast<int>(run.size()));
        }
    }
    const Vec3 eye = camera_.eye();
    for (int plane = 0; plane < 6; ++plane) {
        const std::optional<QPointF> base = projected(faceCentre(plane));
        const std::optional<QPointF> tip = projected(knob(plane));
        if (!base || !tip) {
            continue;
        }
        const bool held = active == DragHandle{HandleKind::Face, plane};
        // Knobs of the faces turned away show fainter, behind the box.
        const bool facing = dot(normal(plane), eye - faceCentre(plane)) > 0;
        QColor colour = held ? palette::faultyEdge : palette::highlightEdge;
        colour.setAlpha(facing || held ? 255 : 110);
        painter.setPen(QPen(colour, 1.5));
        painter.drawLine(*base, *tip);
        painter.setBrush(colour);
        painter.drawEllipse(*tip, knobRadius, knobRadius);
    }
    painter.setBrush(Qt::NoBrush);
}
