#pragma once

#include "DragMotion.h"

#include <QObject>
#include <QPointF>
#include <QString>
#include <Qt>
#include <optional>
#include <string>

class OrbitCamera;
class QPainter;

// The drags of the box of the form in the 3D view: its handles, the drag in progress and the
// keys that move it by a grid step. It changes nothing itself: it says what the box would
// become, and the window writes that into the form and makes the edit.
class BoxDragger : public QObject {
    Q_OBJECT

public:
    explicit BoxDragger(const OrbitCamera& camera, QObject* parent = nullptr);

    // The box of the form when it is a box of the document with the shape of a block; none
    // hides the handles. A drag in progress keeps the texts it started from.
    void setBox(const std::optional<ShapeTexts>& texts);
    bool hasHandles() const { return shape_.has_value(); }
    // The step of the grid that positions snap to, 0 for none.
    void setGrid(double step) { grid_ = step; }
    double grid() const { return grid_; }

    bool dragging() const { return drag_ && drag_->started && !drag_->cancelled; }
    // What the view labels the drag with.
    QString label() const { return QString::fromStdString(label_); }
    // The handle under a pixel; overBody: the pixel lies on the box's solid as drawn.
    std::optional<DragHandle> handleAt(QPointF pixel, bool overBody) const;
    // Where to press to take hold of a knob or ring, as drawn now.
    std::optional<QPointF> pixelOf(DragHandle handle) const;

    // Each says whether the event was the dragger's. A press on a handle that ends without
    // moving the pointer is a click, for the view to pick the box.
    bool press(QPointF at, Qt::MouseButton button, bool overBody);
    bool move(QPointF at, Qt::KeyboardModifiers modifiers);
    enum class Release { NotMine, Click, Done };
    Release release(Qt::MouseButton button);
    // Escape cancels a drag; X, Y or Z held keeps a move along that axis; Alt with the arrows
    // moves the box to the next grid position in X and Y, Page Up and Page Down in Z (by the
    // finest step with no grid).
    bool keyPress(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat);
    bool keyRelease(int key, bool autoRepeat);

    void paint(QPainter& painter) const;

signals:
    // A drag moved the box: the texts it would have now.
    void dragMoved(const ShapeTexts& texts);
    void dragCancelled();
    // A drag ended or a key moved the box: the new texts, to be made one edit.
    void reshaped(ShapeChange change, const ShapeTexts& texts);

private:
    struct Drag {
        DragStart start;
        bool started = false;
        // Escape was pressed: the rest of the drag, up to the release, does nothing.
        bool cancelled = false;
        QPointF last;
        Qt::KeyboardModifiers modifiers;
        std::optional<ShapeTexts> current;
        ShapeChange change = ShapeChange::Move;
    };

    void follow();
    MoveConstraint constraint() const;
    // Moves the box to the next grid position along the axis, 0 to 2, in the direction, +1 or -1.
    bool nudge(std::size_t axis, int direction);

    const OrbitCamera& camera_;
    std::optional<ShapeTexts> texts_;
    std::optional<BoxShape> shape_;
    // The lowest corner of the box's bounds, while it has a shape.
    Vec3 lowest_;
    double grid_ = 1;
    std::optional<Drag> drag_;
    // The axis key held down, 0 to 2.
    std::optional<int> heldAxis_;
    std::string label_;
};
