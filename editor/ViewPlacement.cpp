#include "ViewPlacement.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

enum Side { Left, Right, Above, Below };

struct Room {
    QRect rect;
    Side side;
};

// The four strips of the available area beside the obstacle, the whole area on every side when
// the obstacle lies elsewhere.
std::array<Room, 4> roomsAround(const QRect& available, const QRect& obstacle) {
    const QRect inside = obstacle.intersected(available);
    if (inside.isEmpty()) {
        return {{{available, Left}, {available, Right}, {available, Above}, {available, Below}}};
    }
    return {{
        {QRect(available.topLeft(), QPoint(inside.left() - 1, available.bottom())), Left},
        {QRect(QPoint(inside.right() + 1, available.top()), available.bottomRight()), Right},
        {QRect(available.topLeft(), QPoint(available.right(), inside.top() - 1)), Above},
        {QRect(QPoint(available.left(), inside.bottom() + 1), available.bottomRight()), Below},
    }};
}

long long area(const QRect& rect) {
    return rect.isEmpty() ? 0 : static_cast<long long>(rect.width()) * rect.height();
}

bool holds(const QRect& rect, const QSize& size) {
    return rect.width() >= size.width() && rect.height() >= size.height();
}

// The largest room around the obstacle that holds the smallest size, if any; the largest room
// at all when fitting is false.
std::optional<Room> largestRoom(const QRect& available, const QRect& obstacle,
                                const QSize& smallest, bool fitting) {
    std::optional<Room> best;
    for (const Room& room : roomsAround(available, obstacle)) {
        if (fitting && !holds(room.rect, smallest)) {
            continue;
        }
        if (!best || area(room.rect) > area(best->rect)) {
            best = room;
        }
    }
    return best;
}

// The smallest size in the room, grown out of it away from the screen's edge, over the fields.
QRect smallestFrameIn(const Room& room, const QRect& available, const QSize& smallest) {
    QRect frame(room.rect.topLeft(), smallest.boundedTo(available.size()));
    if (room.side == Right) {
        frame.moveRight(available.right());
    }
    if (room.side == Below) {
        frame.moveBottom(available.bottom());
    }
    if (frame.right() > available.right()) {
        frame.moveRight(available.right());
    }
    if (frame.bottom() > available.bottom()) {
        frame.moveBottom(available.bottom());
    }
    return frame;
}

} // namespace

QRect placeViewBeside(const QRect& available, const QRect& mainFrame, const QRect& fieldsFrame,
                      const QSize& smallest) {
    if (const std::optional<Room> room = largestRoom(available, mainFrame, smallest, true)) {
        return room->rect;
    }
    if (const std::optional<Room> room = largestRoom(available, fieldsFrame, smallest, true)) {
        return room->rect;
    }
    return smallestFrameIn(*largestRoom(available, fieldsFrame, smallest, false), available,
                           smallest);
}

QRect placeToolBeside(const QRect& available, const QRect& mainFrame,
                      const std::optional<QRect>& viewFrame, const QSize& size) {
    const QSize fitting = size.boundedTo(available.size());
    const std::array<QPoint, 4> corners = {
        QPoint(mainFrame.right() + 1, mainFrame.top()),
        QPoint(mainFrame.left() - fitting.width(), mainFrame.top()),
        QPoint(mainFrame.left(), mainFrame.bottom() + 1),
        QPoint(mainFrame.left(), mainFrame.top() - fitting.height()),
    };
    std::array<QRect, 4> places;
    for (std::size_t k = 0; k < corners.size(); ++k) {
        QRect place(corners[k], fitting);
        // Kept on the screen, sliding along the main window's side.
        place.moveLeft(
            std::clamp(place.left(), available.left(), available.right() - fitting.width() + 1));
        place.moveTop(
            std::clamp(place.top(), available.top(), available.bottom() - fitting.height() + 1));
        places[k] = place;
    }
    const auto coversView = [&](const QRect& place) {
        return viewFrame && place.intersects(*viewFrame);
    };
    for (const QRect& place : places) {
        if (!place.intersects(mainFrame) && !coversView(place)) {
            return place;
        }
    }
    const auto overlap = [&](const QRect& place) { return area(place.intersected(mainFrame)); };
    std::optional<QRect> leastCovering;
    for (const QRect& place : places) {
        if (!coversView(place) && (!leastCovering || overlap(place) < overlap(*leastCovering))) {
            leastCovering = place;
        }
    }
    if (leastCovering) {
        return *leastCovering;
    }
    for (const QRect& place : places) {
        if (!place.intersects(mainFrame)) {
            return place;
        }
    }
    return QRect(available.topLeft(), fitting);
}
