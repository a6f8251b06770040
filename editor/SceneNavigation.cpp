#include "SceneNavigation.h"

#include "OrbitCamera.h"

#include <cmath>

namespace {

constexpr double pixelsPerRadian = 100;
constexpr double keyStep = 0.1;
constexpr int dragThreshold = 3;

} // namespace

void SceneNavigation::press(QPointF at, Qt::MouseButton button) {
    pressPosition_ = at;
    lastPosition_ = at;
    dragButton_ = button;
    dragged_ = false;
}

bool SceneNavigation::move(QPointF at) {
    if (dragButton_ == Qt::NoButton) {
        return false;
    }
    const QPointF step = at - lastPosition_;
    lastPosition_ = at;
    if ((at - pressPosition_).manhattanLength() > dragThreshold) {
        dragged_ = true;
    }
    if (!dragged_) {
        return false;
    }
    if (dragButton_ == Qt::LeftButton) {
        camera_.orbit(-step.x() / pixelsPerRadian, step.y() / pixelsPerRadian);
    } else {
        camera_.pan(step.x(), step.y());
    }
    return true;
}

bool SceneNavigation::release(Qt::MouseButton button) {
    const bool click = dragButton_ == Qt::LeftButton && button == Qt::LeftButton && !dragged_;
    dragButton_ = Qt::NoButton;
    return click;
}

void SceneNavigation::wheel(int angleDelta) {
    camera_.zoom(std::pow(0.85, angleDelta / 120.0));
}

bool SceneNavigation::key(int key) {
    switch (key) {
    case Qt::Key_Left:
        camera_.orbit(keyStep, 0);
        return true;
    case Qt::Key_Right:
        camera_.orbit(-keyStep, 0);
        return true;
    case Qt::Key_Up:
        camera_.orbit(0, keyStep);
        return true;
    case Qt::Key_Down:
        camera_.orbit(0, -keyStep);
        return true;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        camera_.zoom(0.8);
        return true;
    case Qt::Key_Minus:
        camera_.zoom(1.25);
        return true;
    default:
        return false;
    }
}
