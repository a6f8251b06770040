#pragma once

#include "BoxCategories.h"
#include "BoxDragger.h"
#include "OrbitCamera.h"
#include "SceneCulling.h"
#include "SceneFrame.h"
#include "SceneNavigation.h"
#include "solid.h"

#include <QImage>
#include <QPointF>
#include <QWidget>
#include <cstddef>
#include <optional>
#include <vector>

struct ViewScene;

// A face of a box of the scene, drawn over everything when marked.
struct FaceMark {
    std::size_t rank;
    int plane;

    bool operator==(const FaceMark&) const = default;
};

// The scene in perspective, drawn with QPainter: every box as its solid, the box of the form
// highlighted over them with its faces numbered, the axes at the origin. Near boxes inside the
// view are drawn in full, the far and small ones as points; what was drawn is kept for the
// next frame and for finding the box under the pointer.
class SceneView : public QWidget {
    Q_OBJECT

public:
    static constexpr std::size_t fullBoxBudget = ::fullBoxBudget;

    explicit SceneView(QWidget* parent = nullptr);

    // The scene stays the caller's, alive until another one is set.
    void setScene(const ViewScene* scene);
    // The boxes of the scene set are coloured again, its problems or its listed pairs having
    // changed; what the user does in the view goes on.
    void refreshCategories();
    // The box the form shows, as its texts build it; rank: the box of the document it stands
    // for, which is then not drawn a second time. present false: the form shows no box.
    void setHighlight(bool present, const Solid& solid, const Vec3& centre,
                      std::optional<std::size_t> rank);
    bool hasHighlight() const { return highlightPresent_; }
    const Solid& highlightedSolid() const { return highlight_; }
    const Vec3& highlightedCentre() const { return highlightCentre_; }
    std::optional<std::size_t> highlightedRank() const { return highlightRank_; }

    // Faces filled by what they are to a player (floor, steep slope, wall, ceiling) rather than
    // by the category of their box.
    void setSurfaceMode(bool on);
    bool surfaceMode() const { return surfaceMode_; }
    // The faces a problem concerns; cleared with the scene.
    void setMarkedFaces(const std::vector<FaceMark>& marks);
    const std::vector<FaceMark>& markedFaces() const { return marks_; }

    OrbitCamera& camera() { return camera_; }
    // The handles of the box of the form and the drags they start, before the camera's own.
    BoxDragger& dragger() { return dragger_; }
    // Frames the highlighted box; the whole scene when there is none.
    void recentre();
    void showAll();
    // Frames these boxes together.
    void frameBoxes(const std::vector<std::size_t>& ranks);

    // The box drawn at a pixel of the last frame, the nearest one when several are.
    std::optional<std::size_t> boxAt(QPointF pixel) const;
    // Whether the pixel lies on the box of the form, as a box of the document, as last drawn.
    bool onShownBox(QPointF pixel) const;
    // Where the last frame drew a box: the middle of its outline, or its point.
    std::optional<QPointF> drawnPositionOf(std::size_t rank) const;
    std::size_t boxesDrawnInFull() const { return frame_.full.size(); }
    std::size_t boxesDrawnAsPoints() const { return frame_.pointRanks.size(); }

signals:
    void boxClicked(std::size_t rank);
    // A frame is on the screen.
    void framePainted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void renderBackground();

    const ViewScene* scene_ = nullptr;
    OrbitCamera camera_;
    SceneNavigation navigation_{camera_};
    BoxDragger dragger_{camera_};
    BoxCategories categories_;

    bool highlightPresent_ = false;
    Solid highlight_;
    Vec3 highlightCentre_;
    std::optional<std::size_t> highlightRank_;
    bool surfaceMode_ = false;
    std::vector<FaceMark> marks_;

    // The frame without the highlighted box, and what it was drawn for.
    QImage background_;
    bool backgroundValid_ = false;
    unsigned long long backgroundCamera_ = 0;
    SceneFrame frame_;
};
