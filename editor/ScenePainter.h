#pragma once

#include "SceneFrame.h"
#include "solid.h"
#include "vec3.h"

#include <QCoreApplication>
#include <vector>

class BoxCategories;
class OrbitCamera;
class QPainter;
class SurfaceClassifier;
struct FaceMark;
struct ViewScene;

// Draws the parts of the 3D view with a painter, as the camera sees them.
class ScenePainter {
    Q_DECLARE_TR_FUNCTIONS(ScenePainter)

public:
    ScenePainter(QPainter& painter, const OrbitCamera& camera);

    // One point per pixel, partners and faulty boxes over plain ones.
    void drawPoints(const SceneFrame& frame, const BoxCategories& categories, QSize viewport);
    // Also records in the frame where each box's vertices fell, for picking. surfaces: fills
    // each face by what it is to a player when given, by its box's category otherwise.
    void drawFullBoxes(SceneFrame& frame, const ViewScene& scene, const BoxCategories& categories,
                       const SurfaceClassifier* surfaces);
    void drawCrosses(const SceneFrame& frame);
    // At the origin when it is in view, else as a small gizmo in the bottom left corner that
    // shows their directions.
    void drawAxes();
    // The box of the form, its faces numbered; a cross at its centre when it has no solid.
    void drawHighlight(const Solid& solid, const Vec3& centre);
    // Over everything, seen or hidden, so that both faces of a seam show.
    void drawMarkedFaces(const ViewScene& scene, const std::vector<FaceMark>& marks);
    void drawLegend(const QFont& font, bool surfaces, bool marks);

private:
    void drawClippedEdges(const Solid& solid);
    void drawAxesAtOrigin();
    void drawAxesGizmo();
    void drawAxis(int axis, QPointF from, QPointF to);

    QPainter& painter_;
    const OrbitCamera& camera_;
};
