#pragma once

#include <QRect>
#include <QSize>
#include <vector>

// Where the 3D view's window opens, as its frame in screen coordinates: beside the main window,
// in the largest room of the screen's available area that covers neither the main window nor
// the other windows' frames and holds the view's smallest size, filling that room. When there
// is none, the view may cover the main window but neither the form's fields nor the other
// windows; then it may cover the other windows too; when even that cannot be, it takes its
// smallest size on the side of the fields with the most room. It never leaves the available
// area nor grows larger than it.
QRect placeViewBeside(const QRect& available, const QRect& mainFrame, const QRect& fieldsFrame,
                      const std::vector<QRect>& others, const QSize& smallest);

// Where a tool window opens, as its frame: at its preferred size beside the main window, right
// of it, else left, below or above, the first place within the available area that covers
// neither the main window nor the other windows' frames; else, in the largest room that covers
// none of them and holds its smallest size, as large as the room allows up to its preferred
// size, against the main window's side of the room; else the same in the largest room that may
// cover the main window but neither its fields nor the other windows. Failing that, of the
// places beside the main window that leave the others uncovered the one that covers least of
// the main window; then the largest room that leaves the others uncovered; then the first place
// that leaves the main window uncovered, then the available area's top left corner.
QRect placeToolBeside(const QRect& available, const QRect& mainFrame, const QRect& fieldsFrame,
                      const std::vector<QRect>& others, const QSize& preferred,
                      const QSize& smallest);
