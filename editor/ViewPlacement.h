#pragma once

#include <QRect>
#include <QSize>
#include <optional>

// Where the 3D view's window opens, as its frame in screen coordinates: beside the main window,
// on the side of the screen's available area with the most free room, filling that room. When no
// side leaves the view its smallest size, the view may cover the main window but not the form's
// fields; when even that cannot be, it takes its smallest size on the side of the fields with the
// most room. It never leaves the available area nor grows larger than it.
QRect placeViewBeside(const QRect& available, const QRect& mainFrame, const QRect& fieldsFrame,
                      const QSize& smallest);

// Where a small tool window opens, as its frame: beside the main window, right of it, else left,
// below or above, the first place within the available area that covers neither the main window
// nor the 3D view's frame; failing that, of those that leave the 3D view uncovered the one that
// covers least of the main window, then the first that leaves the main window uncovered, then
// the available area's top left corner.
QRect placeToolBeside(const QRect& available, const QRect& mainFrame,
                      const std::optional<QRect>& viewFrame, const QSize& size);
