#include "SceneView.h"

#include "ViewScene.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

enum Category : unsigned char { Plain, Partner, Faulty };

const QColor backgroundColour(250, 250, 252);
const QColor plainEdge(96, 112, 138);
const QColor plainFill(214, 223, 235);
const QColor partnerEdge(112, 44, 150);
const QColor partnerFill(228, 208, 242);
const QColor faultyEdge(196, 72, 0);
const QColor faultyFill(255, 196, 140);
const QColor crossColour(200, 30, 30);
const QColor highlightEdge(10, 70, 190);
const QColor highlightFill(60, 130, 246, 110);
const QColor highlightBackFill(60, 130, 246, 45);
const QColor axisColours[3] = {QColor(214, 40, 40), QColor(30, 150, 60), QColor(30, 80, 220)};

constexpr double pixelsPerRadian = 100;
constexpr double keyStep = 0.1;
constexpr double smallestFullRadius = 1.5;
constexpr int crossHalf = 5;
constexpr int dragThreshold = 3;
// Few enough boxes in full to afford smooth edges.
constexpr std::size_t smoothBoxLimit = 400;

QColor edgeOf(unsigned char category) {
    return category == Faulty ? faultyEdge : category == Partner ? partnerEdge : plainEdge;
}

QColor fillOf(unsigned char category) {
    return category == Faulty ? faultyFill : category == Partner ? partnerFill : plainFill;
}

// Darker for faces turned away from the eye, as under a light at the eye.
QColor shaded(const QColor& colour, double facing) {
    const double light = 0.7 + 0.3 * std::clamp(facing, 0.0, 1.0);
    return QColor::fromRgbF(float(colour.redF() * light), float(colour.greenF() * light),
                            float(colour.blueF() * light), colour.alphaF());
}

Vec3 faceNormal(const Solid& solid, const std::vector<std::size_t>& face) {
    Vec3 normal;
    for (std::size_t i = 0; i < face.size(); ++i) {
        const Vec3& a = solid.vertices[face[i]];
        const Vec3& b = solid.vertices[face[(i + 1) % face.size()]];
        normal = normal + cross(a, b);
    }
    return normal;
}

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

SceneView::SceneView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SceneView::setScene(const ViewScene* scene) {
    scene_ = scene;
    partner_.assign(scene_ ? scene_->size() : 0, 0);
    highlightRank_.reset();
    backgroundValid_ = false;
    update();
}

void SceneView::setHighlight(bool present, const Solid& solid, const Vec3& centre,
                             std::optional<std::size_t> rank) {
    highlightPresent_ = present;
    highlight_ = solid;
    highlightCentre_ = centre;
    if (rank != highlightRank_) {
        // Another box stands out: the partners change, and the frame behind must be redrawn.
        std::fill(partner_.begin(), partner_.end(), 0);
        if (scene_ && rank) {
            for (const std::size_t partner : scene_->partnersOf(*rank)) {
                partner_[partner] = 1;
            }
        }
        highlightRank_ = rank;
        backgroundValid_ = false;
    }
    update();
}

void SceneView::recentre() {
    if (!highlightPresent_) {
        showAll();
        return;
    }
    const BoxSphere sphere = sphereOf(highlight_, highlightCentre_);
    camera_.frame(sphere.centre, sphere.drawable ? sphere.radius : 1.0);
    update();
}

void SceneView::showAll() {
    std::vector<BoxSphere> spheres;
    if (scene_) {
        spheres = scene_->spheres;
    }
    if (highlightPresent_) {
        spheres.push_back(sphereOf(highlight_, highlightCentre_));
    }
    spheres.push_back({Vec3{}, 1.0, true, Vec3{-1, -1, -1}, Vec3{1, 1, 1}}); // the axes
    const BoxSphere all = enclosingSphere(spheres);
    camera_.frame(all.centre, all.radius);
    update();
}

void SceneView::frameBoxes(const std::vector<std::size_t>& ranks) {
    std::vector<BoxSphere> spheres;
    for (const std::size_t rank : ranks) {
        if (scene_ && rank < scene_->size()) {
            spheres.push_back(scene_->spheres[rank]);
        }
    }
    if (spheres.empty()) {
        return;
    }
    const BoxSphere all = enclosingSphere(spheres);
    // A box without a solid is a point: show a little room around it.
    camera_.frame(all.centre, all.radius > 0 ? all.radius : 1.0);
    update();
}

unsigned char SceneView::categoryOf(std::size_t rank) const {
    if (scene_->hasError[rank]) {
        return Faulty;
    }
    return partner_[rank] ? Partner : Plain;
}

void SceneView::resizeEvent(QResizeEvent*) {
    camera_.setViewport(size());
}

void SceneView::paintEvent(QPaintEvent*) {
    camera_.setViewport(size());
    if (!backgroundValid_ || backgroundCamera_ != camera_.version() ||
        background_.size() != size() * devicePixelRatio()) {
        renderBackground();
    }
    QPainter painter(this);
    painter.drawImage(0, 0, background_);
    painter.setRenderHint(QPainter::Antialiasing);
    drawHighlight(painter);
    drawLegend(painter);
}

void SceneView::renderBackground() {
    background_ = QImage(size() * devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    background_.setDevicePixelRatio(devicePixelRatio());
    background_.fill(backgroundColour);
    chooseWhatToDraw();
    QPainter painter(&background_);
    painter.setRenderHint(QPainter::Antialiasing, full_.size() <= smoothBoxLimit);
    drawPoints(painter);
    drawFullBoxes(painter);
    drawCrosses(painter);
    painter.setRenderHint(QPainter::Antialiasing);
    drawAxes(painter);
    backgroundValid_ = true;
    backgroundCamera_ = camera_.version();
}

// Culls each box by its sphere; keeps in full the boxes big enough on screen, nearest the focus
// first, within the budget; the rest become points.
void SceneView::chooseWhatToDraw() {
    full_.clear();
    projected_.clear();
    pointRanks_.clear();
    points_.clear();
    crosses_.clear();
    crossCategories_.clear();
    if (scene_ == nullptr) {
        return;
    }
    const double nearDepth = camera_.nearDepth();
    const double right = width();
    const double bottom = height();
    const double focal = camera_.focalPixels();
    std::vector<std::size_t> candidates;
    std::vector<double> depths(scene_->size());
    for (std::size_t rank = 0; rank < scene_->size(); ++rank) {
        if (rank == highlightRank_) {
            continue;
        }
        const BoxSphere& sphere = scene_->spheres[rank];
        const double depth = camera_.depthOf(sphere.centre);
        depths[rank] = depth;
        if (!sphere.drawable) {
            if (depth > nearDepth) {
                const QPointF at = camera_.project(sphere.centre, depth);
                if (at.x() >= -crossHalf && at.y() >= -crossHalf && at.x() <= right + crossHalf &&
                    at.y() <= bottom + crossHalf) {
                    crosses_.push_back(at);
                    crossCategories_.push_back(categoryOf(rank));
                }
            }
            continue;
        }
        if (depth + sphere.radius < nearDepth) {
            continue;
        }
        if (depth - sphere.radius <= nearDepth) {
            candidates.push_back(rank);
            continue;
        }
        const QPointF at = camera_.project(sphere.centre, depth);
        const double reach = sphere.radius * focal / depth;
        if (at.x() + reach < 0 || at.y() + reach < 0 || at.x() - reach > right ||
            at.y() - reach > bottom) {
            continue;
        }
        if (reach >= smallestFullRadius) {
            candidates.push_back(rank);
        } else {
            pointRanks_.push_back(rank);
            points_.push_back(at);
        }
    }
    if (candidates.size() > fullBoxBudget) {
        const Vec3 focus = camera_.focus();
        const auto nearerFocus = [&](std::size_t a, std::size_t b) {
            const Vec3 da = scene_->spheres[a].centre - focus;
            const Vec3 db = scene_->spheres[b].centre - focus;
            return dot(da, da) < dot(db, db);
        };
        std::nth_element(candidates.begin(), candidates.begin() + fullBoxBudget, candidates.end(),
                         nearerFocus);
        for (auto it = candidates.begin() + fullBoxBudget; it != candidates.end(); ++it) {
            if (depths[*it] > nearDepth) {
                pointRanks_.push_back(*it);
                points_.push_back(camera_.project(scene_->spheres[*it].centre, depths[*it]));
            }
        }
        candidates.resize(fullBoxBudget);
    }
    // Far boxes first, so that the near ones cover them.
    std::sort(candidates.begin(), candidates.end(),
              [&](std::size_t a, std::size_t b) { return depths[a] > depths[b]; });
    full_.reserve(candidates.size());
    for (const std::size_t rank : candidates) {
        full_.push_back({rank, depths[rank], 0, 0});
    }
}

// One point per pixel: a far city block puts thousands of boxes on a few pixels.
void SceneView::drawPoints(QPainter& painter) const {
    const int columns = std::max(1, width());
    const int rows = std::max(1, height());
    std::vector<unsigned char> taken(static_cast<std::size_t>(columns) * rows, 0);
    for (const unsigned char category : {Plain, Partner, Faulty}) {
        std::vector<QPointF> group;
        for (std::size_t i = 0; i < pointRanks_.size(); ++i) {
            const QPointF& at = points_[i];
            const int x = std::clamp(static_cast<int>(at.x()), 0, columns - 1);
            const int y = std::clamp(static_cast<int>(at.y()), 0, rows - 1);
            unsigned char& cell = taken[static_cast<std::size_t>(y) * columns + x];
            // A partner or a faulty box shows over plain ones on the same pixel.
            if (cell > category || categoryOf(pointRanks_[i]) != category) {
                continue;
            }
            cell = static_cast<unsigned char>(category + 1);
            group.push_back(at);
        }
        painter.setPen(QPen(edgeOf(category), category == Plain ? 1.0 : 2.0));
        painter.drawPoints(group.data(), static_cast<int>(group.size()));
    }
}

void SceneView::drawFullBoxes(QPainter& painter) {
    const Vec3 eye = camera_.eye();
    const double nearDepth = camera_.nearDepth();
    QPolygonF face;
    for (DrawnBox& box : full_) {
        const Solid& solid = scene_->solids[box.rank];
        const unsigned char category = categoryOf(box.rank);
        const bool allBefore =
            std::all_of(solid.vertices.begin(), solid.vertices.end(),
                        [&](const Vec3& v) { return camera_.depthOf(v) > nearDepth; });
        if (!allBefore) {
            painter.setPen(QPen(edgeOf(category), 1.0));
            drawClippedEdges(painter, solid);
            continue;
        }
        box.first = projected_.size();
        box.count = solid.vertices.size();
        for (const Vec3& v : solid.vertices) {
            projected_.push_back(camera_.project(v, camera_.depthOf(v)));
        }
        const QPointF* at = projected_.data() + box.first;
        painter.setPen(QPen(edgeOf(category), 1.0));
        if (!solid.closed()) {
            for (const auto& [a, b] : solid.edges) {
                painter.drawLine(at[a], at[b]);
            }
            continue;
        }
        for (const std::vector<std::size_t>& indices : solid.faces) {
            if (indices.size() < 3) {
                continue;
            }
            const Vec3 normal = faceNormal(solid, indices);
            const Vec3 toEye = eye - solid.vertices[indices.front()];
            const double facing = dot(normal, toEye);
            if (facing <= 0) {
                continue;
            }
            face.clear();
            for (const std::size_t index : indices) {
                face << at[index];
            }
            painter.setBrush(shaded(fillOf(category), facing / (length(normal) * length(toEye))));
            painter.drawPolygon(face);
        }
    }
    painter.setBrush(Qt::NoBrush);
}

// The edges of a solid that reaches behind the eye, each cut at the nearest depth drawn.
void SceneView::drawClippedEdges(QPainter& painter, const Solid& solid) const {
    const double nearDepth = camera_.nearDepth();
    for (const auto& [ia, ib] : solid.edges) {
        Vec3 a = solid.vertices[ia];
        Vec3 b = solid.vertices[ib];
        double da = camera_.depthOf(a);
        double db = camera_.depthOf(b);
        if (da <= nearDepth && db <= nearDepth) {
            continue;
        }
        if (da < nearDepth) {
            a = a + (b - a) * ((nearDepth - da) / (db - da));
            da = nearDepth;
        } else if (db < nearDepth) {
            b = b + (a - b) * ((nearDepth - db) / (da - db));
            db = nearDepth;
        }
        painter.drawLine(camera_.project(a, da), camera_.project(b, db));
    }
}

void SceneView::drawCrosses(QPainter& painter) const {
    for (std::size_t i = 0; i < crosses_.size(); ++i) {
        painter.setPen(QPen(crossCategories_[i] == Partner ? partnerEdge : crossColour, 2.0));
        const QPointF& c = crosses_[i];
        painter.drawLine(c + QPointF(-crossHalf, -crossHalf), c + QPointF(crossHalf, crossHalf));
        painter.drawLine(c + QPointF(-crossHalf, crossHalf), c + QPointF(crossHalf, -crossHalf));
    }
}

void SceneView::drawAxes(QPainter& painter) const {
    // Long enough to read at any zoom, short enough not to hide the boxes.
    const double reach = camera_.distance() * 0.2;
    const Vec3 tips[3] = {{reach, 0, 0}, {0, reach, 0}, {0, 0, reach}};
    const char* names[3] = {"X", "Y", "Z"};
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    const double nearDepth = camera_.nearDepth();
    const double originDepth = camera_.depthOf(Vec3{});
    for (int axis = 0; axis < 3; ++axis) {
        const double tipDepth = camera_.depthOf(tips[axis]);
        if (originDepth <= nearDepth || tipDepth <= nearDepth) {
            continue;
        }
        const QPointF origin = camera_.project(Vec3{}, originDepth);
        const QPointF tip = camera_.project(tips[axis], tipDepth);
        painter.setPen(QPen(axisColours[axis], 2.0));
        painter.drawLine(origin, tip);
        QPointF away = tip - origin;
        const double span = std::hypot(away.x(), away.y());
        away = span > 0 ? away * (10 / span) : QPointF(8, -8);
        const QRectF box(tip + away - QPointF(8, 8), QSizeF(16, 16));
        painter.drawText(box, Qt::AlignCenter, QString::fromLatin1(names[axis]));
    }
}

void SceneView::drawHighlight(QPainter& painter) const {
    if (!highlightPresent_) {
        return;
    }
    const double nearDepth = camera_.nearDepth();
    const Solid& solid = highlight_;
    if (solid.vertices.empty()) {
        const double depth = camera_.depthOf(highlightCentre_);
        if (depth > nearDepth) {
            const QPointF c = camera_.project(highlightCentre_, depth);
            painter.setPen(QPen(highlightEdge, 3.0));
            const double h = crossHalf * 1.6;
            painter.drawLine(c + QPointF(-h, -h), c + QPointF(h, h));
            painter.drawLine(c + QPointF(-h, h), c + QPointF(h, -h));
        }
        return;
    }
    const bool allBefore =
        std::all_of(solid.vertices.begin(), solid.vertices.end(),
                    [&](const Vec3& v) { return camera_.depthOf(v) > nearDepth; });
    if (!allBefore) {
        painter.setPen(QPen(highlightEdge, 2.0));
        drawClippedEdges(painter, solid);
        return;
    }
    std::vector<QPointF> at;
    at.reserve(solid.vertices.size());
    for (const Vec3& v : solid.vertices) {
        at.push_back(camera_.project(v, camera_.depthOf(v)));
    }
    const Vec3 eye = camera_.eye();
    struct Label {
        QPointF at;
        int plane;
    };
    std::vector<Label> labels;
    for (const bool front : {false, true}) {
        for (std::size_t plane = 0; plane < solid.faces.size(); ++plane) {
            const std::vector<std::size_t>& indices = solid.faces[plane];
            if (indices.size() < 3) {
                continue;
            }
            const bool facing =
                dot(faceNormal(solid, indices), eye - solid.vertices[indices.front()]) > 0;
            if (facing != front) {
                continue;
            }
            QPolygonF face;
            QPointF middle;
            for (const std::size_t index : indices) {
                face << at[index];
                middle += at[index];
            }
            painter.setPen(front ? QPen(highlightEdge, 2.0)
                                 : QPen(highlightEdge, 1.0, Qt::DashLine));
            painter.setBrush(front ? highlightFill : highlightBackFill);
            painter.drawPolygon(face);
            if (front) {
                labels.push_back({middle / double(indices.size()), static_cast<int>(plane)});
            }
        }
    }
    if (!solid.closed()) {
        painter.setPen(QPen(highlightEdge, 2.0));
        for (const auto& [a, b] : solid.edges) {
            painter.drawLine(at[a], at[b]);
        }
    }
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    const int side = painter.fontMetrics().height() + 4;
    for (const Label& label : labels) {
        const QRectF badge(label.at - QPointF(side / 2.0, side / 2.0), QSizeF(side, side));
        painter.setPen(QPen(highlightEdge, 1.0));
        painter.setBrush(QColor(255, 255, 255, 230));
        painter.drawEllipse(badge);
        painter.setPen(highlightEdge);
        painter.drawText(badge, Qt::AlignCenter, QString::number(label.plane));
    }
    painter.setBrush(Qt::NoBrush);
}

void SceneView::drawLegend(QPainter& painter) const {
    struct Entry {
        QColor colour;
        QString text;
    };
    const Entry entries[] = {
        {highlightEdge, tr("Box affichée")},
        {partnerEdge, tr("Ses intersections listées")},
        {faultyEdge, tr("Box en erreur")},
        {crossColour, tr("Solide impossible (×)")},
    };
    QFont font = this->font();
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const int line = metrics.height() + 2;
    int y = 8;
    for (const Entry& entry : entries) {
        painter.fillRect(QRect(8, y + 2, 12, line - 6), entry.colour);
        painter.setPen(QColor(40, 40, 40));
        painter.drawText(QPoint(26, y + metrics.ascent()), entry.text);
        y += line;
    }
}

std::optional<std::size_t> SceneView::boxAt(QPointF pixel) const {
    if (highlightPresent_ && highlightRank_ && !highlight_.vertices.empty()) {
        std::vector<QPointF> at;
        for (const Vec3& v : highlight_.vertices) {
            const double depth = camera_.depthOf(v);
            if (depth > camera_.nearDepth()) {
                at.push_back(camera_.project(v, depth));
            }
        }
        if (hullContains(at, pixel)) {
            return highlightRank_;
        }
    }
    // The last drawn is the nearest.
    for (auto it = full_.rbegin(); it != full_.rend(); ++it) {
        if (it->count == 0) {
            continue;
        }
        const QPointF* at = projected_.data() + it->first;
        if (hullContains(std::vector<QPointF>(at, at + it->count), pixel)) {
            return it->rank;
        }
    }
    constexpr double pointReach = 4;
    std::optional<std::size_t> nearest;
    double nearestDistance = pointReach * pointReach;
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const QPointF d = points_[i] - pixel;
        const double distance = d.x() * d.x() + d.y() * d.y();
        if (distance <= nearestDistance) {
            nearest = pointRanks_[i];
            nearestDistance = distance;
        }
    }
    return nearest;
}

std::optional<QPointF> SceneView::drawnPositionOf(std::size_t rank) const {
    for (const DrawnBox& box : full_) {
        if (box.rank == rank && box.count > 0) {
            const QPointF* at = projected_.data() + box.first;
            QPointF sum = std::accumulate(at, at + box.count, QPointF());
            return sum / double(box.count);
        }
    }
    for (std::size_t i = 0; i < pointRanks_.size(); ++i) {
        if (pointRanks_[i] == rank) {
            return points_[i];
        }
    }
    return std::nullopt;
}

void SceneView::mousePressEvent(QMouseEvent* event) {
    pressPosition_ = event->position();
    lastPosition_ = event->position();
    dragButton_ = event->button();
    dragged_ = false;
    setFocus(Qt::MouseFocusReason);
}

void SceneView::mouseMoveEvent(QMouseEvent* event) {
    if (dragButton_ == Qt::NoButton) {
        return;
    }
    const QPointF step = event->position() - lastPosition_;
    lastPosition_ = event->position();
    if ((event->position() - pressPosition_).manhattanLength() > dragThreshold) {
        dragged_ = true;
    }
    if (!dragged_) {
        return;
    }
    if (dragButton_ == Qt::LeftButton) {
        camera_.orbit(-step.x() / pixelsPerRadian, step.y() / pixelsPerRadian);
    } else {
        camera_.pan(step.x(), step.y());
    }
    update();
}

void SceneView::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        dragButton_ == Qt::LeftButton && event->button() == Qt::LeftButton && !dragged_;
    dragButton_ = Qt::NoButton;
    if (click) {
        if (const std::optional<std::size_t> rank = boxAt(event->position())) {
            emit boxClicked(*rank);
        }
    }
}

void SceneView::wheelEvent(QWheelEvent* event) {
    camera_.zoom(std::pow(0.85, event->angleDelta().y() / 120.0));
    update();
}

void SceneView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        camera_.orbit(keyStep, 0);
        break;
    case Qt::Key_Right:
        camera_.orbit(-keyStep, 0);
        break;
    case Qt::Key_Up:
        camera_.orbit(0, keyStep);
        break;
    case Qt::Key_Down:
        camera_.orbit(0, -keyStep);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        camera_.zoom(0.8);
        break;
    case Qt::Key_Minus:
        camera_.zoom(1.25);
        break;
    case Qt::Key_Home:
        recentre();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    update();
}
