#pragma once

#include "boxshape.h"
#include "rotation.h"
#include "vec3.h"

#include <QPointF>
#include <optional>
#include <vector>

class OrbitCamera;
class QPainter;

// What a press on the box of the form takes hold of: a knob out of a face (resize from that
// face), the body (move), or a ring around an axis of the scene (turn about the centre).
enum class HandleKind { Face, Body, Ring };

struct DragHandle {
    HandleKind kind = HandleKind::Body;
    // The plane of a face; the axis of a ring: 0 X, 1 Y, 2 Z.
    int index = 0;

    bool operator==(const DragHandle&) const = default;
};

// The handles of a block as a camera sees it. Knobs stand a fixed number of pixels out of the
// middle of each face, whatever the zoom; the rings go around the block, a little wider than it.
class DragHandles {
public:
    DragHandles(const BoxShape& shape, const OrbitCamera& camera);

    // The outward unit normal of a plane, and the middle of its face.
    Vec3 normal(int plane) const;
    Vec3 faceCentre(int plane) const;
    // Whether the block shows big enough to hold: a far box has no handles to clutter the view.
    bool shown() const;

    // The knob or ring under the pixel: the knob nearest the eye first, then the nearest ring.
    // The body is found by picking the solid.
    std::optional<DragHandle> at(QPointF pixel) const;
    // A pixel where a press takes hold of the knob or ring and of nothing else, if one shows.
    std::optional<QPointF> pixelOf(DragHandle handle) const;

    void draw(QPainter& painter, std::optional<DragHandle> active) const;

private:
    Vec3 knob(int plane) const;
    std::optional<QPointF> projected(const Vec3& point) const;
    // The ring's outline on screen; a run of points breaks where the ring passes behind the eye.
    std::vector<std::vector<QPointF>> ringOutline(int axis) const;
    Vec3 ringPoint(int axis, double radians) const;

    BoxShape shape_;
    Rotation rotation_;
    const OrbitCamera& camera_;
    double ringRadius_ = 0;
};
