#pragma once

#include "box.h"

#include <QObject>
#include <QString>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class BoxDragger;
class QComboBox;
class QuadrelDlg;

// Between the drags of the 3D view and the main window: the handles go on the box of the form,
// the form follows a drag as it goes, the edit is made when it ends, and the form shows again
// what it showed when one is cancelled.
class DragFollower : public QObject {
    Q_OBJECT

public:
    DragFollower(QuadrelDlg& mainWindow, BoxDragger& dragger, QObject* parent = nullptr);

    // The box the form shows: rank, the box of the document it stands for.
    void follow(std::optional<std::size_t> rank, const BoxTexts& texts);
    // "Grille :" and its steps, for the view's toolbar.
    QComboBox* makeGridChooser();

private:
    void keepForm();
    void restoreForm();

    QuadrelDlg& mainWindow_;
    BoxDragger& dragger_;
    // The texts of the form's radius and value fields before the drag, by control.
    std::vector<std::pair<int, std::string>> keptForm_;
};
