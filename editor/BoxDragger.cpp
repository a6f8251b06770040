#include "BoxDragger.h"

#include "OrbitCamera.h"
#include "ScenePalette.h"
#include "gridplacement.h"

#include <QFontMetrics>
#include <QPainter>
#include <array>

namespace {

constexpr int dragThreshold = 3;

std::optional<int> axisOfKey(int key) {
    switch (key) {
    case Qt::Key_X:
        return 0;
    case Qt::Key_Y:
        return 1;
    case Qt::Key_Z:
        return 2;
    default:
        return std::nullopt;
    }
}

} // namespace

BoxDragger::BoxDragger(const OrbitCamera& camera, QObject* parent)
    : QObject(parent), camera_(camera) {}

void BoxDragger::setBox(const std::optional<ShapeTexts>& texts) {
    texts_ = texts;
    shape_.reset();
    if (texts) {
        const ShapeReading reading = shapeOf(decodeBoxValues(*texts));
        const BoxShape* shape = std::get_if<BoxShape>(&reading);
        // A block has a solid, hence bounds.
        if (const std::optional<Vec3> lowest = lowestCorner(*texts); shape && lowest) {
            shape_ = *shape;
            lowest_ = *lowest;
        }
    }
}

std::optional<DragHandle> BoxDragger::handleAt(QPointF pixel, bool overBody) const {
    if (!shape_) {
        return std::nullopt;
    }
    if (const std::optional<DragHandle> handle = DragHandles(*shape_, camera_).at(pixel)) {
        return handle;
    }
    if (overBody) {
        return DragHandle{HandleKind::Body, 0};
    }
    return std::nullopt;
}

std::optional<QPointF> BoxDragger::pixelOf(DragHandle handle) const {
    if (!shape_) {
        return std::nullopt;
    }
    return DragHandles(*shape_, camera_).pixelOf(handle);
}

bool BoxDragger::press(QPointF at, Qt::MouseButton button, bool overBody) {
    if (button != Qt::LeftButton || drag_) {
        return false;
    }
    const std::optional<DragHandle> handle = handleAt(at, overBody);
    if (!handle) {
        return false;
    }
    drag_ = Drag{};
    drag_->start = DragStart{*texts_, *shape_, lowest_, *handle, at};
    drag_->last = at;
    return true;
}

bool BoxDragger::move(QPointF at, Qt::KeyboardModifiers modifiers) {
    if (!drag_) {
        return false;
    }
    if (drag_->cancelled) {
        return true;
    }
    drag_->last = at;
    drag_->modifiers = modifiers;
    if (!drag_->started && (at - drag_->start.pixel).manhattanLength() > dragThreshold) {
        drag_->started = true;
    }
    if (drag_->started) {
        follow();
    }
    return true;
}

// Worked out afresh from where the drag started, so that snapping never drifts and a change
// of axis key takes effect at once.
void BoxDragger::follow() {
    const std::optional<DragStep> step =
        dragStep(drag_->start, constraint(), camera_, drag_->last, grid_);
    if (!step) {
        return;
    }
    const ShapeTexts* texts = std::get_if<ShapeTexts>(&step->texts);
    if (!texts) {
        return;
    }
    label_ = step->label;
    drag_->change = step->change;
    if (drag_->current != *texts) {
        drag_->current = *texts;
        emit dragMoved(*texts);
    }
}

MoveConstraint BoxDragger::constraint() const {
    if (heldAxis_) {
        return static_cast<MoveConstraint>(*heldAxis_ + 1);
    }
    if (drag_ && drag_->modifiers.testFlag(Qt::ShiftModifier)) {
        return MoveConstraint::AlongZ;
    }
    return MoveConstraint::Ground;
}

BoxDragger::Release BoxDragger::release(Qt::MouseButton button) {
    if (!drag_ || button != Qt::LeftButton) {
        return Release::NotMine;
    }
    const Drag drag = *drag_;
    drag_.reset();
    label_.clear();
    if (drag.cancelled) {
        return Release::Done;
    }
    if (!drag.started) {
        return Release::Click;
    }
    if (drag.current && *drag.current != drag.start.texts) {
        emit reshaped(drag.change, *drag.current);
    } else if (drag.current) {
        // Dragged back to where it began: the form shows what it showed, and nothing is made.
        emit dragCancelled();
    }
    return Release::Done;
}

bool BoxDragger::keyPress(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat) {
    if (drag_ && key == Qt::Key_Escape) {
        const bool moved = drag_->current.has_value() && !drag_->cancelled;
        drag_->cancelled = true;
        label_.clear();
        if (moved) {
            emit dragCancelled();
        }
        return true;
    }
    if (const std::optional<int> axis = axisOfKey(key);
        axis && modifiers == Qt::NoModifier && shape_) {
        if (!autoRepeat) {
            heldAxis_ = axis;
            if (dragging()) {
                follow();
            }
        }
        return true;
    }
    if (!shape_ || drag_) {
        return false;
    }
    const bool alt = modifiers.testFlag(Qt::AltModifier);
    switch (key) {
    case Qt::Key_Left:
        return alt && nudge(0, -1);
    case Qt::Key_Right:
        return alt && nudge(0, 1);
    case Qt::Key_Up:
        return alt && nudge(1, 1);
    case Qt::Key_Down:
        return alt && nudge(1, -1);
    case Qt::Key_PageUp:
        return nudge(2, 1);
    case Qt::Key_PageDown:
        return nudge(2, -1);
    default:
        return false;
    }
}

bool BoxDragger::keyRelease(int key, bool autoRepeat) {
    const std::optional<int> axis = axisOfKey(key);
    if (!axis || autoRepeat || heldAxis_ != axis) {
        return false;
    }
    heldAxis_.reset();
    if (dragging()) {
        follow();
    }
    return true;
}

bool BoxDragger::nudge(std::size_t axis, int direction) {
    const std::array<double, 3> from = {lowest_.x, lowest_.y, lowest_.z};
    std::array<double, 3> by{};
    by[axis] = offsetToNextGridPoint(from[axis], direction, grid_);
    const TransformResult result = moveBox(*texts_, {by[0], by[1], by[2]});
    if (const ShapeTexts* texts = std::get_if<ShapeTexts>(&result)) {
        emit reshaped(ShapeChange::Move, *texts);
    }
    return true;
}

void BoxDragger::paint(QPainter& painter) const {
    if (!shape_) {
        return;
    }
    std::optional<DragHandle> active;
    if (dragging() && drag_->current) {
        active = drag_->start.handle;
    }
    DragHandles(*shape_, camera_).draw(painter, active);
    if (label_.empty() || !dragging()) {
        return;
    }
    const QString text = label();
    const QFontMetrics metrics(painter.font());
    QRectF box = metrics.boundingRect(text);
    box.adjust(-6, -4, 6, 4);
    box.moveTopLeft(drag_->last + QPointF(18, 18));
    // Kept inside the view, where the pointer nears an edge.
    const QSize view = camera_.viewport();
    box.moveLeft(std::min(box.left(), view.width() - box.width() - 2));
    box.moveTop(std::min(box.top(), view.height() - box.height() - 2));
    painter.setPen(QPen(palette::highlightEdge, 1));
    painter.setBrush(QColor(255, 255, 255, 235));
    painter.drawRoundedRect(box, 4, 4);
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignCenter, text);
    painter.setBrush(Qt::NoBrush);
}
