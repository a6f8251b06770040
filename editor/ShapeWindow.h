#pragma once

#include <QRect>
#include <QWidget>
#include <optional>

class QPushButton;
class QuadrelDlg;
class ShapePanel;
class TransformTools;

// "Forme - Quadrel": the shape of the box of the form, a way to add a box by its dimensions and
// the transforms, in a window of its own beside the main window, so that the main window's
// layout stays as it is and neither the form nor the 3D view is covered.
class ShapeWindow : public QWidget {
    Q_OBJECT

public:
    explicit ShapeWindow(QuadrelDlg& mainWindow);

    // Shows the window where the user last left it, or at first beside the main window away
    // from the 3D view, restored and in front.
    void showAndRaise();

    ShapePanel* panel() const { return panel_; }
    TransformTools* tools() const { return tools_; }
    QPushButton* addButton() const { return addButton_; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void placeBesideMainWindow();
    // "Ajouter une box...": a block of the dimensions asked for, centred where the 3D view
    // looks, or at the origin while the view was never opened.
    void addShapedBox();

    QuadrelDlg& mainWindow_;
    ShapePanel* panel_ = nullptr;
    TransformTools* tools_ = nullptr;
    QPushButton* addButton_ = nullptr;
    std::optional<QRect> lastGeometry_;
};
