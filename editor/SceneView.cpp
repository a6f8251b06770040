#include "SceneView.h"

#include "ScenePainter.h"
#include "ScenePalette.h"
#include "ScenePicking.h"
#include "ViewScene.h"
#include "surfacekind.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace {

// Few enough boxes in full to afford smooth edges.
constexpr std::size_t smoothBoxLimit = 400;

} // namespace

SceneView::SceneView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&dragger_, &BoxDragger::dragMoved, this, [this] { update(); });
    connect(&dragger_, &BoxDragger::dragCancelled, this, [this] { update(); });
}

void SceneView::setScene(const ViewScene* scene) {
    scene_ = scene;
    categories_.setScene(scene);
    highlightRank_.reset();
    marks_.clear();
    backgroundValid_ = false;
    update();
}

void SceneView::refreshCategories() {
    categories_.setScene(scene_);
    categories_.setShownBox(highlightRank_);
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
        categories_.setShownBox(rank);
        highlightRank_ = rank;
        backgroundValid_ = false;
    }
    update();
}

void SceneView::setSurfaceMode(bool on) {
    surfaceMode_ = on;
    backgroundValid_ = false;
    update();
}

void SceneView::setMarkedFaces(const std::vector<FaceMark>& marks) {
    marks_ = marks;
    update();
}

void SceneView::recentre() {
    if (!highlightPresent_) {
        showAll();
        return;
    }
    const BoxSphere sphere = sphereOf(highlight_, highlightCentre_);
    camera_.frame(sphere.centre(), sphere.drawable() ? sphere.radius() : 1.0);
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
    // The solids alone: the origin may lie far away, and the axes show in a corner then.
    const BoxSphere all = enclosingSphere(spheres);
    camera_.frame(all.centre(), all.radius() > 0 ? all.radius() : 1.0);
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
    camera_.frame(all.centre(), all.radius() > 0 ? all.radius() : 1.0);
    update();
}

std::optional<std::size_t> SceneView::boxAt(QPointF pixel) const {
    return ::boxAt(frame_, camera_, highlightPresent_ ? &highlight_ : nullptr, highlightRank_,
                   pixel);
}

bool SceneView::onShownBox(QPointF pixel) const {
    return highlightPresent_ && highlightRank_ && boxAt(pixel) == highlightRank_;
}

std::optional<QPointF> SceneView::drawnPositionOf(std::size_t rank) const {
    return ::drawnPositionOf(frame_, rank);
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
    ScenePainter scenePainter(painter, camera_);
    if (highlightPresent_) {
        scenePainter.drawHighlight(highlight_, highlightCentre_);
    }
    dragger_.paint(painter);
    if (scene_) {
        scenePainter.drawMarkedFaces(*scene_, marks_);
    }
    scenePainter.drawLegend(font(), surfaceMode_, !marks_.empty());
    emit framePainted();
}

void SceneView::renderBackground() {
    // The image of the last frame serves again: fresh memory for a frame's pixels costs more
    // here than painting many of its boxes.
    if (background_.size() != size() * devicePixelRatio()) {
        background_ = QImage(size() * devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    }
    background_.setDevicePixelRatio(devicePixelRatio());
    background_.fill(palette::background);
    frame_.clear();
    if (scene_) {
        chooseWhatToDraw(frame_, *scene_, categories_, camera_, size(), highlightRank_);
    }
    QPainter painter(&background_);
    painter.setRenderHint(QPainter::Antialiasing, frame_.full.size() <= smoothBoxLimit);
    ScenePainter scenePainter(painter, camera_);
    scenePainter.drawPoints(frame_, categories_, size());
    if (scene_) {
        const SurfaceClassifier surfaces;
        scenePainter.drawFullBoxes(frame_, *scene_, categories_,
                                   surfaceMode_ ? &surfaces : nullptr);
    }
    scenePainter.drawCrosses(frame_);
    painter.setRenderHint(QPainter::Antialiasing);
    scenePainter.drawAxes();
    backgroundValid_ = true;
    backgroundCamera_ = camera_.version();
}

void SceneView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (!dragger_.press(event->position(), event->button(), onShownBox(event->position()))) {
        navigation_.press(event->position(), event->button());
    }
}

void SceneView::mouseMoveEvent(QMouseEvent* event) {
    if (dragger_.move(event->position(), event->modifiers())) {
        return;
    }
    if (navigation_.move(event->position())) {
        update();
    }
}

void SceneView::mouseReleaseEvent(QMouseEvent* event) {
    const BoxDragger::Release release = dragger_.release(event->button());
    if (release == BoxDragger::Release::Done) {
        update();
        return;
    }
    if (release == BoxDragger::Release::Click || navigation_.release(event->button())) {
        if (const std::optional<std::size_t> rank = boxAt(event->position())) {
            emit boxClicked(*rank);
        }
    }
}

void SceneView::wheelEvent(QWheelEvent* event) {
    navigation_.wheel(event->angleDelta().y());
    update();
}

void SceneView::keyPressEvent(QKeyEvent* event) {
    if (dragger_.keyPress(event->key(), event->modifiers(), event->isAutoRepeat())) {
        update();
        return;
    }
    if (event->key() == Qt::Key_Home) {
        recentre();
        return;
    }
    if (!navigation_.key(event->key())) {
        QWidget::keyPressEvent(event);
        return;
    }
    update();
}

void SceneView::keyReleaseEvent(QKeyEvent* event) {
    if (!dragger_.keyRelease(event->key(), event->isAutoRepeat())) {
        QWidget::keyReleaseEvent(event);
    }
}
