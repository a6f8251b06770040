#pragma once

#include "SceneFrame.h"
#include "solid.h"
#include "vec3.h"

#include <QCoreApplication>

class BoxCategories;
class OrbitCamera;
class QPainter;
struct ViewScene;

// Draws the parts of the 3D view with a painter, as the camera sees them.
class ScenePainter {
    Q_DECLARE_TR_FUNCTIONS(ScenePainter)

public:
    ScenePainter(QPainter& painter, const OrbitCamera& camera);

    // One point per pixel, partners and faulty boxes over plain ones.
    void drawPoints(const SceneFrame& frame, const BoxCategories& categories, QSize viewport);
    // Also records in the frame where each box's vertices fell, for picking.
    void drawFullBoxes(SceneFrame& frame, const ViewScene& scene, const BoxCategories& categories);
    void drawCrosses(const SceneFrame& frame);
    void drawAxes();
    // The box of the form, its faces numbered; a cross at its centre when it has no solid.
    void drawHighlight(const Solid& solid, const Vec3& centre);
    void drawLegend(const QFont& font);

private:
    void drawClippedEdges(const Solid& solid);

    QPainter& painter_;
    const OrbitCamera& camera_;
};
