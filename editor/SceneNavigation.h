#pragma once

#include <QPointF>
#include <Qt>

class OrbitCamera;

// Turns the pointer and the keys into moves of the camera: a drag with the left button turns
// around the focus, with another button pans, the wheel zooms, the arrows turn and +/- zoom. A
// left press released without dragging is a click.
class SceneNavigation {
public:
    explicit SceneNavigation(OrbitCamera& camera) : camera_(camera) {}

    void press(QPointF at, Qt::MouseButton button);
    // Whether the camera moved.
    bool move(QPointF at);
    // Whether the press ends as a click.
    bool release(Qt::MouseButton button);
    void wheel(int angleDelta);
    // Whether the key moved the camera.
    bool key(int key);

private:
    OrbitCamera& camera_;
    QPointF pressPosition_;
    QPointF lastPosition_;
    Qt::MouseButton dragButton_ = Qt::NoButton;
    bool dragged_ = false;
};
