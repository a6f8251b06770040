#pragma once

#include "DragHandles.h"
#include "shapeedits.h"
#include "transforms.h"

#include <QPointF>
#include <optional>
#include <string>

class OrbitCamera;

// Where the body goes: on the ground plane, through its centre, or along one axis of the scene.
enum class MoveConstraint { Ground, AlongX, AlongY, AlongZ };

// What a drag started from: the box's texts, shape and the lowest corner of its bounds when the
// button went down, the handle taken hold of and the pixel pressed.
struct DragStart {
    ShapeTexts texts;
    BoxShape shape;
    Vec3 lowest;
    DragHandle handle;
    QPointF pixel;
};

// The box as the drag makes it so far, with the distance moved, the new dimension or the angle
// in French words for the view's label.
struct DragStep {
    ShapeChange change = ShapeChange::Move;
    TransformResult texts;
    std::string label;
};

// The drag from start.pixel to pixel, as the camera sees it. grid: the step of the grid, 0 for
// none. With a grid a move puts the lowest corner of the box's bounds on a grid point along
// the axes moved, a face along an axis of the scene lands on a grid plane (a turned face takes
// a dimension of whole steps), and turns snap to TURN_STEP_DEGREES. None when the
// pointer gives no point: a ground plane or an axis seen edge-on. A drag back to nothing gives
// the texts it started from, unchanged.
std::optional<DragStep> dragStep(const DragStart& start, MoveConstraint constraint,
                                 const OrbitCamera& camera, QPointF pixel, double grid);
