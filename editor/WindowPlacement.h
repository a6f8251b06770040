#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

// What the window manager draws around the main window: taken for the decoration of a window
// not shown yet, the same manager drawing both.
QMargins decorationOf(const QWidget& mainWindow);

// The frames of the main window's own windows on screen (the 3D view, "Forme", an import's
// report...), but for the main window itself and the window being placed: a window opening
// beside the main window covers none of them when the screen leaves room.
std::vector<QRect> otherWindowFrames(const QWidget& mainWindow, const QWidget& placed);

// Where the form's fields lie on the screen: what a window opening beside the main window
// leaves in sight before all else.
QRect fieldsFrameOf(const QWidget& mainWindow);

// Opens a tool window beside the main window as placeToolBeside places it, at its preferred
// size or smaller down to the smallest, both without decoration.
void placeToolWindow(QWidget& tool, const QWidget& mainWindow, QSize preferred, QSize smallest);
