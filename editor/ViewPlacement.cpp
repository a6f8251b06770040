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

bool coversAny(const QRect& place, const std::vector<QRect>& frames) {
    return std::any_of(frames.begin(), frames.end(),
                       [&](const QRect& frame) { return place.intersects(frame); });
}

// The largest rectangle of the available area that meets none of the obstacles and holds the
// size. Each side of a largest free rectangle lies on an edge of the area or against an edge of
// an obstacle, so those edges are all the candidates; the first largest found wins, which puts
// the left before the right and above before below.
std::optional<QRect> largestFreeRoom(const QRect& available, const std::vector<QRect>& obstacles,
                                     const QSize& smallest) {
    std::vector<int> lefts{available.left()};
    std::vector<int> tops{available.top()};
    std::vector<int> rights{available.right()};
    std::vector<int> bottoms{available.bottom()};
    for (const QRect& obstacle : obstacles) {
        lefts.push_back(obstacle.right() + 1);
        tops.push_back(obstacle.bottom() + 1);
        rights.push_back(obstacle.left() - 1);
        bottoms.push_back(obstacle.top() - 1);
    }
    std::optional<QRect> best;
    for (const int left : lefts) {
        for (const int top : tops) {
            for (const int right : rights) {
                for (const int bottom : bottoms) {
                    const QRect room(QPoint(left, top), QPoint(right, bottom));
                    if (room.isEmpty() || !available.contains(room) || !holds(room, smallest) ||
                        coversAny(room, obstacles) || (best && area(room) <= area(*best))) {
                        continue;
                    }
                    best = room;
                }
            }
        }
    }
    return best;
}

// The largest room around the obstacle at all, whether it holds the size or not.
Room largestRoom(const QRect& available, const QRect& obstacle) {
    std::optional<Room> best;
    for (const Room& room : roomsAround(available, obstacle)) {
        if (!best || area(room.rect) > area(best->rect)) {
            best = room;
        }
    }
    return *best;
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

// A frame of the size in the room, against the main window's side of it and level with the
// main window as far as the room allows.
QRect nearestTo(const QRect& mainFrame, const QRect& room, const QSize& size) {
    const auto along = [](int roomFirst, int roomLast, int mainFirst, int mainLast, int length) {
        if (roomFirst > mainLast) {
            return roomFirst;
        }
        if (roomLast < mainFirst) {
            return roomLast - length + 1;
        }
        return std::clamp(mainFirst, roomFirst, roomLast - length + 1);
    };
    return {along(room.left(), room.right(), mainFrame.left(), mainFrame.right(), size.width()),
            along(room.top(), room.bottom(), mainFrame.top(), mainFrame.bottom(), size.height()),
            size.width(), size.height()};
}

} // namespace

QRect placeViewBeside(const QRect& available, const QRect& mainFrame, const QRect& fieldsFrame,
                      const std::vector<QRect>& others, const QSize& smallest) {
    std::vector<QRect> obstacles = others;
    obstacles.push_back(mainFrame);
    if (const std::optional<QRect> room = largestFreeRoom(available, obstacles, smallest)) {
        return *room;
    }
    obstacles.back() = fieldsFrame;
    if (const std::optional<QRect> room = largestFreeRoom(available, obstacles, smallest)) {
        return *room;
    }
    if (const std::optional<QRect> room = largestFreeRoom(available, {fieldsFrame}, smallest)) {
        return *room;
    }
    return smallestFrameIn(largestRoom(available, fieldsFrame), available, smallest);
}

QRect placeToolBeside(const QRect& available, const QRect& mainFrame, const QRect& fieldsFrame,
                      const std::vector<QRect>& others, const QSize& preferred,
                      const QSize& smallest) {
    const QSize fitting = preferred.boundedTo(available.size());
    const QSize least = smallest.boundedTo(fitting);
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
    std::vector<QRect> obstacles = others;
    obstacles.push_back(mainFrame);
    for (const QRect& place : places) {
        if (!coversAny(place, obstacles)) {
            return place;
        }
    }
    const auto inRoom = [&](const QRect& room) {
        return nearestTo(mainFrame, room, fitting.boundedTo(room.size()));
    };
    if (const std::optional<QRect> room = largestFreeRoom(available, obstacles, least)) {
        return inRoom(*room);
    }
    obstacles.back() = fieldsFrame;
    if (const std::optional<QRect> room = largestFreeRoom(available, obstacles, least)) {
        return inRoom(*room);
    }
    const auto overlap = [&](const QRect& place) { return area(place.intersected(mainFrame)); };
    std::optional<QRect> leastCovering;
    for (const QRect& place : places) {
        if (!coversAny(place, others) &&
            (!leastCovering || overlap(place) < overlap(*leastCovering))) {
            leastCovering = place;
        }
    }
    if (leastCovering) {
        return *leastCovering;
    }
    if (const std::optional<QRect> room = largestFreeRoom(available, others, least)) {
        return inRoom(*room);
    }
    for (const QRect& place : places) {
        if (!place.intersects(mainFrame)) {
            return place;
        }
    }
    return QRect(available.topLeft(), fitting);
}
