#include "DragMotion.h"

#include "OrbitCamera.h"
#include "frenchtext.h"
#include "gridplacement.h"
#include "snapping.h"

#include <QCoreApplication>
#include <cmath>
#include <numbers>

namespace {

const Vec3 sceneAxes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
const char* const axisNames[3] = {"X", "Y", "Z"};

QString tr(const char* text) {
    return QCoreApplication::translate("DragMotion", text);
}

// How far along the line (origin, unit direction) lies the point nearest the ray through the
// pixel; none when the line runs along the ray.
std::optional<double> nearestOnLine(const OrbitCamera& camera, QPointF pixel, const Vec3& origin,
                                    const Vec3& direction) {
    const Vec3 ray = camera.rayThrough(pixel);
    const Vec3 w = origin - camera.eye();
    const double b = dot(direction, ray);
    const double c = dot(ray, ray);
    const double denominator = c - b * b;
    if (denominator <= 1e-9 * c) {
        return std::nullopt;
    }
    return (b * dot(ray, w) - c * dot(direction, w)) / denominator;
}

// How far along the line (origin, unit direction) the pointer lies as the screen shows the
// line: the point of the line drawn under the foot of the pointer on it. What the pointer does
// across the line is left out, as the user sees it. None when the line is seen end-on.
std::optional<double> alongLine(const OrbitCamera& camera, QPointF pixel, const Vec3& origin,
                                const Vec3& direction) {
    const double depth = camera.depthOf(origin);
    const Vec3 ahead = origin + direction * (0.05 * depth);
    const double aheadDepth = camera.depthOf(ahead);
    if (depth <= camera.nearDepth() || aheadDepth <= camera.nearDepth()) {
        return std::nullopt;
    }
    const QPointF from = camera.project(origin, depth);
    const QPointF along = camera.project(ahead, aheadDepth) - from;
    const double lengthSquared = QPointF::dotProduct(along, along);
    if (lengthSquared < 1e-6) {
        return std::nullopt;
    }
    const QPointF foot = from + along * (QPointF::dotProduct(pixel - from, along) / lengthSquared);
    return nearestOnLine(camera, foot, origin, direction);
}

// Where the ray through the pixel meets the level plane at that height, before the eye.
std::optional<Vec3> onLevel(const OrbitCamera& camera, QPointF pixel, double height) {
    const Vec3 ray = camera.rayThrough(pixel);
    const Vec3 eye = camera.eye();
    if (std::abs(ray.z) < 1e-6) {
        return std::nullopt;
    }
    const double s = (height - eye.z) / ray.z;
    if (s <= 0) {
        return std::nullopt;
    }
    return eye + ray * s;
}

// Counter-clockwise on screen, in degrees, from the first pixel to the second around a centre.
double screenTurn(QPointF centre, QPointF from, QPointF to) {
    const double a = std::atan2(-(from.y() - centre.y()), from.x() - centre.x());
    const double b = std::atan2(-(to.y() - centre.y()), to.x() - centre.x());
    return std::remainder(b - a, 2 * std::numbers::pi) * 180 / std::numbers::pi;
}

std::string offsetText(const Vec3& offset) {
    return tr("Déplacement : %1 ; %2 ; %3 (distance %4)")
        .arg(QString::fromStdString(frenchNumber(offset.x)),
             QString::fromStdString(frenchNumber(offset.y)),
             QString::fromStdString(frenchNumber(offset.z)),
             QString::fromStdString(frenchNumber(length(offset))))
        .toStdString();
}

DragStep moved(const DragStart& start, const Vec3& offset) {
    DragStep step{ShapeChange::Move, start.texts, offsetText(offset)};
    if (!(offset == Vec3{})) {
        step.texts = moveBox(start.texts, offset);
    }
    return step;
}

std::optional<DragStep> moveStep(const DragStart& start, MoveConstraint constraint,
                                 const OrbitCamera& camera, QPointF pixel, double grid) {
    const Vec3& centre = start.shape.centre;
    if (constraint == MoveConstraint::Ground) {
        const std::optional<Vec3> from = onLevel(camera, start.pixel, centre.z);
        const std::optional<Vec3> to = onLevel(camera, pixel, centre.z);
        if (!from || !to) {
            return std::nullopt;
        }
        return moved(start, offsetOntoGrid(start.lowest, *to - *from, {true, true, false}, grid));
    }
    const auto axisIndex = static_cast<std::size_t>(constraint) - 1;
    const Vec3& axis = sceneAxes[axisIndex];
    const std::optional<double> from = alongLine(camera, start.pixel, centre, axis);
    const std::optional<double> to = alongLine(camera, pixel, centre, axis);
    if (!from || !to) {
        return std::nullopt;
    }
    MovedAxes axes{};
    axes[axisIndex] = true;
    return moved(start, offsetOntoGrid(start.lowest, axis * (*to - *from), axes, grid));
}

std::optional<DragStep> resizeStep(const DragStart& start, const OrbitCamera& camera, QPointF pixel,
                                   double grid) {
    const int plane = start.handle.index;
    const DragHandles handles(start.shape, camera);
    const std::optional<double> from =
        alongLine(camera, start.pixel, handles.faceCentre(plane), handles.normal(plane));
    const std::optional<double> to =
        alongLine(camera, pixel, handles.faceCentre(plane), handles.normal(plane));
    if (!from || !to) {
        return std::nullopt;
    }
    std::size_t axis = 0;
    while (AXIS_PLANES[axis][0] != plane && AXIS_PLANES[axis][1] != plane) {
        ++axis;
    }
    const double before = start.shape.dimensions[axis];
    const double dimension =
        draggedDimension(axisFaceOf(start.texts, plane), before, *to - *from, grid);
    const char* const names[3] = {"Longueur : %1", "Largeur : %1", "Hauteur : %1"};
    DragStep step{
        ShapeChange::Resize, start.texts,
        tr(names[axis]).arg(QString::fromStdString(frenchNumber(dimension))).toStdString()};
    // Snapped back to where it was, the face has not moved: the texts stay as they were.
    if (std::abs(dimension - before) > 0.5 / STEPS_PER_UNIT) {
        step.texts = resizeFromFace(start.texts, plane, dimension);
    }
    return step;
}

std::optional<DragStep> turnStep(const DragStart& start, const OrbitCamera& camera, QPointF pixel,
                                 double grid) {
    const Vec3& centre = start.shape.centre;
    const double depth = camera.depthOf(centre);
    if (depth <= camera.nearDepth()) {
        return std::nullopt;
    }
    const int axisIndex = start.handle.index;
    const Vec3& axis = sceneAxes[axisIndex];
    double degrees = screenTurn(camera.project(centre, depth), start.pixel, pixel);
    // Seen from the positive end of the axis, counter-clockwise on screen is a positive turn.
    if (dot(axis, camera.eye() - centre) < 0) {
        degrees = -degrees;
    }
    if (grid > 0) {
        degrees = snapAngle(degrees);
    }
    DragStep step{ShapeChange::Turn, start.texts,
                  tr("Rotation autour de %1 : %2°")
                      .arg(axisNames[axisIndex], QString::fromStdString(frenchNumber(degrees, 1)))
                      .toStdString()};
    if (degrees != 0) {
        step.texts = rotateBox(start.texts, axis, degrees);
    }
    return step;
}

} // namespace

std::optional<DragStep> dragStep(const DragStart& start, MoveConstraint constraint,
                                 const OrbitCamera& camera, QPointF pixel, double grid) {
    switch (start.handle.kind) {
    case HandleKind::Body:
        return moveStep(start, constraint, camera, pixel, grid);
    case HandleKind::Face:
        return resizeStep(start, camera, pixel, grid);
    case HandleKind::Ring:
        return turnStep(start, camera, pixel, grid);
    }
    return std::nullopt;
}
