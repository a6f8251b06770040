#include "ScenePicking.h"

#include "OrbitCamera.h"
#include "solid.h"

#include <QPolygonF>
#include <algorithm>
#include <numeric>
#include <vector>

namespace {

// Whether the point lies in the convex hull of the points.
bool hullContains(std::vector<QPointF> points, QPointF point) {
    if (points.size() < 3) {
        return false;
    }
    std::sort(points.begin(), points.end(), [](const QPointF& a, const QPointF& b) {
        return a.x() < b.x() || (a.x() == b.x() && a.y() < b.y());
    });
    const auto turn = [](const QPointF& o, const QPointF& a, const QPointF& b) {
        return (a.x() - o.x()) * (b.y() - o.y()) - (a.y() - o.y()) * (b.x() - o.x());
    };
    std::vector<QPointF> hull(2 * points.size());
    std::size_t k = 0;
    for (const QPointF& p : points) {
        while (k >= 2 && turn(hull[k - 2], hull[k - 1], p) <= 0) {
            --k;
        }
        hull[k++] = p;
    }
    for (std::size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
        while (k >= lower && turn(hull[k - 2], hull[k - 1], points[i]) <= 0) {
            --k;
        }
        hull[k++] = points[i];
    }
    hull.resize(k > 0 ? k - 1 : 0);
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(hull.size()));
    for (const QPointF& p : hull) {
        polygon << p;
    }
    return polygon.containsPoint(point, Qt::OddEvenFill);
}

} // namespace

std::optional<std::size_t> boxAt(const SceneFrame& frame, const OrbitCamera& camera,
                                 const Solid* shown, std::optional<std::size_t> shownRank,
                                 QPointF pixel) {
    if (shown && shownRank && !shown->vertices.empty()) {
        std::vector<QPointF> at;
        for (const Vec3& v : shown->vertices) {
            const double depth = camera.depthOf(v);
            if (depth > camera.nearDepth()) {
                at.push_back(camera.project(v, depth));
            }
        }
        if (hullContains(at, pixel)) {
            return shownRank;
        }
    }
    // The last drawn is the nearest.
    for (auto it = frame.full.rbegin(); it != frame.full.rend(); ++it) {
        if (it->count == 0) {
            continue;
        }
        const QPointF* at = frame.projected.data() + it->first;
        if (hullContains(std::vector<QPointF>(at, at + it->count), pixel)) {
            return it->rank;
        }
    }
    constexpr double pointReach = 4;
    std::optional<std::size_t> nearest;
    double nearestDistance = pointReach * pointReach;
    for (std::size_t i = 0; i < frame.points.size(); ++i) {
        const QPointF d = frame.points[i] - pixel;
        const double distance = d.x() * d.x() + d.y() * d.y();
        if (distance <= nearestDistance) {
            nearest = frame.pointRanks[i];
            nearestDistance = distance;
        }
    }
    return nearest;
}

std::optional<QPointF> drawnPositionOf(const SceneFrame& frame, std::size_t rank) {
    for (const SceneFrame::FullBox& box : frame.full) {
        if (box.rank == rank && box.count > 0) {
            const QPointF* at = frame.projected.data() + box.first;
            QPointF sum = std::accumulate(at, at + box.count, QPointF());
            return sum / double(box.count);
        }
    }
    for (std::size_t i = 0; i < frame.pointRanks.size(); ++i) {
        if (frame.pointRanks[i] == rank) {
            return frame.points[i];
        }
    }
    return std::nullopt;
}
