#include "ScenePainter.h"

#include "BoxCategories.h"
#include "OrbitCamera.h"
#include "ScenePalette.h"
#include "SceneView.h"
#include "ViewScene.h"
#include "surfacekind.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

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

QColor surfaceFill(SurfaceKind kind) {
    switch (kind) {
    case SurfaceKind::Floor:
        return palette::floorFill;
    case SurfaceKind::SteepSlope:
        return palette::steepSlopeFill;
    case SurfaceKind::Wall:
        return palette::wallFill;
    case SurfaceKind::Ceiling:
        return palette::ceilingFill;
    }
    return palette::plainFill;
}

} // namespace

ScenePainter::ScenePainter(QPainter& painter, const OrbitCamera& camera)
    : painter_(painter), camera_(camera) {}

// A far city block puts thousands of boxes on a few pixels: each category draws its first point
// on each pixel, partners and faulty boxes over plain ones. One pass over the points, since a
// whole city may stand there.
void ScenePainter::drawPoints(const SceneFrame& frame, const BoxCategories& categories,
                              QSize viewport) {
    const int columns = std::max(1, viewport.width());
    const int rows = std::max(1, viewport.height());
    std::vector<unsigned char> taken(static_cast<std::size_t>(columns) * rows, 0);
    std::array<std::vector<QPointF>, 3> groups;
    for (std::size_t i = 0; i < frame.pointRanks.size(); ++i) {
        const QPointF& at = frame.points[i];
        const int x = std::clamp(static_cast<int>(at.x()), 0, columns - 1);
        const int y = std::clamp(static_cast<int>(at.y()), 0, rows - 1);
        unsigned char& cell = taken[static_cast<std::size_t>(y) * columns + x];
        const unsigned char category = categories.of(frame.pointRanks[i]);
        const auto bit = static_cast<unsigned char>(1u << category);
        if ((cell & bit) == 0) {
            cell |= bit;
            groups[category].push_back(at);
        }
    }
    for (const unsigned char category : {PlainBox, PartnerBox, FaultyBox}) {
        const std::vector<QPointF>& group = groups[category];
        painter_.setPen(QPen(palette::edgeOf(category), category == PlainBox ? 1.0 : 2.0));
        painter_.drawPoints(group.data(), static_cast<int>(group.size()));
    }
}

void ScenePainter::drawFullBoxes(SceneFrame& frame, const ViewScene& scene,
                                 const BoxCategories& categories,
                                 const SurfaceClassifier* surfaces) {
    const Vec3 eye = camera_.eye();
    const double nearDepth = camera_.nearDepth();
    QPolygonF face;
    for (SceneFrame::FullBox& box : frame.full) {
        const Solid& solid = scene.solid(box.rank);
        const unsigned char category = categories.of(box.rank);
        const bool allBefore =
            std::all_of(solid.vertices.begin(), solid.vertices.end(),
                        [&](const Vec3& v) { return camera_.depthOf(v) > nearDepth; });
        if (!allBefore) {
            painter_.setPen(QPen(palette::edgeOf(category), 1.0));
            drawClippedEdges(solid);
            continue;
        }
        box.first = frame.projected.size();
        box.count = solid.vertices.size();
        for (const Vec3& v : solid.vertices) {
            frame.projected.push_back(camera_.project(v, camera_.depthOf(v)));
        }
        const QPointF* at = frame.projected.data() + box.first;
        painter_.setPen(QPen(palette::edgeOf(category), 1.0));
        if (!solid.closed()) {
            for (const auto& [a, b] : solid.edges) {
                painter_.drawLine(at[a], at[b]);
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
            const std::optional<SurfaceKind> kind =
                surfaces ? surfaces->kindOf(normal) : std::nullopt;
            const QColor fill = kind ? surfaceFill(*kind) : palette::fillOf(category);
            painter_.setBrush(shaded(fill, facing / (length(normal) * length(toEye))));
            painter_.drawPolygon(face);
        }
    }
    painter_.setBrush(Qt::NoBrush);
}

// The edges of a solid that reaches behind the eye, each cut at the nearest depth drawn.
void ScenePainter::drawClippedEdges(const Solid& solid) {
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
        painter_.drawLine(camera_.project(a, da), camera_.project(b, db));
    }
}

void ScenePainter::drawCrosses(const SceneFrame& frame) {
    for (std::size_t i = 0; i < frame.crosses.size(); ++i) {
        painter_.setPen(QPen(
            frame.crossCategories[i] == PartnerBox ? palette::partnerEdge : palette::cross, 2.0));
        const QPointF& c = frame.crosses[i];
        painter_.drawLine(c + QPointF(-crossHalf, -crossHalf), c + QPointF(crossHalf, crossHalf));
        painter_.drawLine(c + QPointF(-crossHalf, crossHalf), c + QPointF(crossHalf, -crossHalf));
    }
}

void ScenePainter::drawAxes() {
    QFont font = painter_.font();
    font.setBold(true);
    painter_.setFont(font);
    const QSize viewport = camera_.viewport();
    const QRectF shown(0, 0, viewport.width(), viewport.height());
    const double originDepth = camera_.depthOf(Vec3{});
    if (originDepth > camera_.nearDepth() && shown.contains(camera_.project(Vec3{}, originDepth))) {
        drawAxesAtOrigin();
    } else {
        drawAxesGizmo();
    }
}

void ScenePainter::drawAxesAtOrigin() {
    // Long enough to read at any zoom, short enough not to hide the boxes.
    const double reach = camera_.distance() * 0.2;
    const Vec3 tips[3] = {{reach, 0, 0}, {0, reach, 0}, {0, 0, reach}};
    const double nearDepth = camera_.nearDepth();
    const double originDepth = camera_.depthOf(Vec3{});
    const QPointF origin = camera_.project(Vec3{}, originDepth);
    for (int axis = 0; axis < 3; ++axis) {
        const double tipDepth = camera_.depthOf(tips[axis]);
        if (tipDepth > nearDepth) {
            drawAxis(axis, origin, camera_.project(tips[axis], tipDepth));
        }
    }
}

// Each axis as a short step from the focus would show it there, scaled so that an axis across
// the view is gizmoLength long.
void ScenePainter::drawAxesGizmo() {
    constexpr double gizmoLength = 32;
    constexpr double margin = 16;
    const QPointF corner(margin + gizmoLength, camera_.viewport().height() - margin - gizmoLength);
    const Vec3 focus = camera_.focus();
    const double focusDepth = camera_.depthOf(focus);
    const double step = camera_.distance() * 0.05;
    const QPointF base = camera_.project(focus, focusDepth);
    const double scale = gizmoLength * focusDepth / (step * camera_.focalPixels());
    const Vec3 directions[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int axis = 0; axis < 3; ++axis) {
        const Vec3 tip = focus + directions[axis] * step;
        const double tipDepth = camera_.depthOf(tip);
        if (tipDepth <= camera_.nearDepth()) {
            continue;
        }
        drawAxis(axis, corner, corner + (camera_.project(tip, tipDepth) - base) * scale);
    }
}

void ScenePainter::drawAxis(int axis, QPointF from, QPointF to) {
    const char* names[3] = {"X", "Y", "Z"};
    painter_.setPen(QPen(palette::axes[axis], 2.0));
    painter_.drawLine(from, to);
    QPointF away = to - from;
    const double span = std::hypot(away.x(), away.y());
    away = span > 0 ? away * (10 / span) : QPointF(8, -8);
    const QRectF box(to + away - QPointF(8, 8), QSizeF(16, 16));
    painter_.drawText(box, Qt::AlignCenter, QString::fromLatin1(names[axis]));
}

void ScenePainter::drawHighlight(const Solid& solid, const Vec3& centre) {
    const double nearDepth = camera_.nearDepth();
    if (solid.vertices.empty()) {
        const double depth = camera_.depthOf(centre);
        if (depth > nearDepth) {
            const QPointF c = camera_.project(centre, depth);
            painter_.setPen(QPen(palette::highlightEdge, 3.0));
            const double h = crossHalf * 1.6;
            painter_.drawLine(c + QPointF(-h, -h), c + QPointF(h, h));
            painter_.drawLine(c + QPointF(-h, h), c + QPointF(h, -h));
        }
        return;
    }
    const bool allBefore =
        std::all_of(solid.vertices.begin(), solid.vertices.end(),
                    [&](const Vec3& v) { return camera_.depthOf(v) > nearDepth; });
    if (!allBefore) {
        painter_.setPen(QPen(palette::highlightEdge, 2.0));
        drawClippedEdges(solid);
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
            painter_.setPen(front ? QPen(palette::highlightEdge, 2.0)
                                  : QPen(palette::highlightEdge, 1.0, Qt::DashLine));
            painter_.setBrush(front ? palette::highlightFill : palette::highlightBackFill);
            painter_.drawPolygon(face);
            if (front) {
                labels.push_back({middle / double(indices.size()), static_cast<int>(plane)});
            }
        }
    }
    if (!solid.closed()) {
        painter_.setPen(QPen(palette::highlightEdge, 2.0));
        for (const auto& [a, b] : solid.edges) {
            painter_.drawLine(at[a], at[b]);
        }
    }
    QFont font = painter_.font();
    font.setBold(true);
    painter_.setFont(font);
    const int side = painter_.fontMetrics().height() + 4;
    for (const Label& label : labels) {
        const QRectF badge(label.at - QPointF(side / 2.0, side / 2.0), QSizeF(side, side));
        painter_.setPen(QPen(palette::highlightEdge, 1.0));
        painter_.setBrush(QColor(255, 255, 255, 230));
        painter_.drawEllipse(badge);
        painter_.setPen(palette::highlightEdge);
        painter_.drawText(badge, Qt::AlignCenter, QString::number(label.plane));
    }
    painter_.setBrush(Qt::NoBrush);
}

void ScenePainter::drawMarkedFaces(const ViewScene& scene, const std::vector<FaceMark>& marks) {
    const double nearDepth = camera_.nearDepth();
    QPolygonF face;
    for (const FaceMark& mark : marks) {
        if (mark.rank >= scene.size() || mark.plane < 0 || mark.plane >= 6) {
            continue;
        }
        const Solid& solid = scene.solid(mark.rank);
        const std::vector<std::size_t>& indices = solid.faces[static_cast<std::size_t>(mark.plane)];
        face.clear();
        for (const std::size_t index : indices) {
            const double depth = camera_.depthOf(solid.vertices[index]);
            if (depth <= nearDepth) {
                face.clear();
                break;
            }
            face << camera_.project(solid.vertices[index], depth);
        }
        if (face.size() < 3) {
            continue;
        }
        painter_.setPen(QPen(palette::markEdge, 3.0));
        painter_.setBrush(palette::markFill);
        painter_.drawPolygon(face);
    }
    painter_.setBrush(Qt::NoBrush);
}

void ScenePainter::drawLegend(const QFont& font, bool surfaces, bool marks) {
    struct Entry {
        QColor colour;
        QString text;
    };
    std::vector<Entry> entries;
    if (surfaces) {
        entries = {
            {palette::floorFill, tr("Sol")},
            {palette::steepSlopeFill, tr("Pente trop raide")},
            {palette::wallFill, tr("Mur")},
            {palette::ceilingFill, tr("Plafond")},
        };
    }
    entries.push_back({palette::highlightEdge, tr("Box affichée")});
    entries.push_back({palette::partnerEdge, tr("Ses intersections listées")});
    entries.push_back({palette::faultyEdge, tr("Box en erreur")});
    entries.push_back({palette::cross, tr("Solide impossible (×)")});
    if (marks) {
        entries.push_back({palette::markEdge, tr("Faces du problème")});
    }
    painter_.setFont(font);
    const QFontMetrics metrics(font);
    const int line = metrics.height() + 2;
    // On a pale panel, readable over faces of any colour.
    int widest = 0;
    for (const Entry& entry : entries) {
        widest = std::max(widest, metrics.horizontalAdvance(entry.text));
    }
    painter_.fillRect(QRect(4, 4, 22 + widest + 8, static_cast<int>(entries.size()) * line + 8),
                      QColor(255, 255, 255, 210));
    int y = 8;
    for (const Entry& entry : entries) {
        painter_.fillRect(QRect(8, y + 2, 12, line - 6), entry.colour);
        painter_.setPen(QColor(40, 40, 40));
        painter_.drawText(QPoint(26, y + metrics.ascent()), entry.text);
        y += line;
    }
}
