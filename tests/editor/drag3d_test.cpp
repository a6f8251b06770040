// The box of the form dragged in the 3D view as a user drags it: a face, the body, a ring, keys,
// Escape; judged by what the form shows while dragging, the history, and the bytes saved and
// saved again after undo.
#include "BoxDragger.h"
#include "CommandProcessor.h"
#include "OrbitCamera.h"
#include "ViewTestSupport.h"
#include "boxshape.h"
#include "problems.h"
#include "snapping.h"

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <cmath>
#include <numbers>

namespace {

constexpr int saveButton = 3;
constexpr int undoButton = 1084;
constexpr int boxList = 1008;
// The hexadecimal and decimal fields of plane 0's d and of the centre X.
constexpr int plane0dHex = 1028;
constexpr int centreXDecimal = 1021;

// A file of the boxes opened, the view open on the box of the rank, framed.
struct DragSetup {
    QTemporaryDir dir;
    TestWindow test;
    QString path;
    ViewWindow* view = nullptr;
    SceneView* scene = nullptr;
    std::string original;

    DragSetup(const std::vector<FormBox>& boxes, const std::vector<std::string>& pairs, int rank) {
        path = dir.filePath("drag.box");
        openFile(test, path, boxes, pairs);
        original = readBytes(path);
        view = openView(test);
        scene = view->sceneView();
        test.clickLine(boxList, rank);
        QTest::mouseClick(buttonNamed(view, "Recentrer"), Qt::LeftButton);
        drawFrame(view);
    }

    QPointF pixelOf(const Vec3& point) const {
        const OrbitCamera& camera = scene->camera();
        return camera.project(point, camera.depthOf(point));
    }

    std::string saved() {
        test.click(saveButton);
        return readBytes(path);
    }

    std::size_t entries() { return test.window().commands().history().size(); }
    std::string lastEntry() {
        const History& history = test.window().commands().history();
        return history.size() ? history.nameAt(history.size() - 1) : std::string();
    }
};

// The pointer moved with the button held and the keys given, as the window system sends it.
void moveTo(QWidget* widget, QPointF at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                      modifiers);
    QApplication::sendEvent(widget, &event);
}

// A press, the pointer moved there in a few steps, and held there (no release).
void dragTo(QWidget* widget, QPointF from, QPointF to,
            Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, from.toPoint());
    for (int step = 1; step <= 4; ++step) {
        moveTo(widget, from + (to - from) * (step / 4.0), modifiers);
    }
}

void release(QWidget* widget, QPointF at) {
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, at.toPoint());
}

void chooseGrid(ViewWindow* view, const QString& step) {
    auto* chooser = view->findChild<QComboBox*>();
    QVERIFY(chooser);
    QVERIFY(chooseEntry(chooser, step));
}

FormBox movedCube(const std::string& id, double x, double y, double z) {
    FormBox box = cube(id, x, y, z, 1);
    // The smallest whole radius that reaches a corner at the square root of 3.
    box.radius = "2";
    return box;
}

std::string hex8(double value) {
    return fixedpoint::decimalToHex8(fixedpoint::formatDecimal(value));
}

// What the checks find of the document as saved.
DocumentReport reportOf(TestWindow& test) {
    return inspectDocument(test.document());
}

// The problems of a box alone, not of the listed pairs.
QStringList ownProblems(const DocumentReport& report, std::size_t rank) {
    QStringList found;
    for (const Problem& problem : report.problems) {
        if (problem.rank == rank && !problem.intersection && !problem.otherRank) {
            found << QString::fromStdString(problem.message);
        }
    }
    return found;
}

bool touching(const DocumentReport& report, std::size_t first, std::size_t second) {
    const auto& pairs = report.intersections.pairs;
    return std::find(pairs.begin(), pairs.end(), RankPair{first, second}) != pairs.end();
}

} // namespace

class Drag3dTest : public QObject {
    Q_OBJECT

private slots:
    void theBoxOfTheFormShowsItsHandles();
    void aFaceDragResizesFromThatFaceAndUndoesByteForByte();
    void aBodyDragMovesOnTheGroundAlongAnAxisAndUpright();
    void aMoveOfOneGridStepSetsTouchingBoxesApart();
    void aRingTurnsByFifteenDegreeSteps();
    void escapeCancelsADrag();
    void altArrowsAndPageKeysMoveByOneGridStep();
    void aClickOnAHandlePicksAndBesideItTheCameraTurns();
};

void Drag3dTest::theBoxOfTheFormShowsItsHandles() {
    DragSetup setup({cube("12", 0, 0, 0, 1)}, {}, 0);
    BoxDragger& dragger = setup.scene->dragger();
    QVERIFY(dragger.hasHandles());
    for (int plane = 0; plane < 6; ++plane) {
        QVERIFY2(dragger.pixelOf({HandleKind::Face, plane}), qPrintable(QString::number(plane)));
    }
    for (int axis = 0; axis < 3; ++axis) {
        QVERIFY(dragger.pixelOf({HandleKind::Ring, axis}));
    }
    // The knobs are drawn where they are taken hold of: the pixel is the knob's colour.
    const QImage frame = setup.scene->grab().toImage();
    const QPointF knob = *dragger.pixelOf({HandleKind::Face, 0});
    QCOMPARE(frame.pixelColor(knob.toPoint()).rgb(), QColor(10, 70, 190).rgb());

    // Seen from far away the box shows no handles to clutter the view; Home brings them back.
    for (int step = 0; step < 20; ++step) {
        QTest::keyClick(setup.scene, Qt::Key_Minus);
    }
    QVERIFY(!dragger.pixelOf({HandleKind::Face, 0}));
    QVERIFY(!dragger.pixelOf({HandleKind::Ring, 2}));
    QTest::keyClick(setup.scene, Qt::Key_Home);
    QVERIFY(dragger.pixelOf({HandleKind::Face, 0}));

    // Typing a plane away leaves no block to hold.
    emptyField(setup.test, 1023);
    QVERIFY(!dragger.hasHandles());
}

void Drag3dTest::aFaceDragResizesFromThatFaceAndUndoesByteForByte() {
    DragSetup setup({cube("7", 5, 0, 0, 1), cube("12", 0, 0, 0, 1)}, {}, 1);
    chooseGrid(setup.view, "1");
    const QPointF knob = *setup.scene->dragger().pixelOf({HandleKind::Face, 0});
    // One unit out along +X, as the screen shows it.
    const QPointF oneUnit = setup.pixelOf({2, 0, 0}) - setup.pixelOf({1, 0, 0});
    dragTo(setup.scene, knob, knob + oneUnit * 1.2);

    // The form follows before anything is made: plane 0 reaches 2, the centre sits at 0.5.
    QCOMPARE(setup.test.shownText(plane0dHex), QString::fromStdString(hex8(2)));
    QCOMPARE(setup.test.shownText(centreXDecimal), QString("0.5"));
    QCOMPARE(setup.scene->dragger().label(), QString("Longueur : 3"));
    QCOMPARE(setup.entries(), std::size_t(0));
    QCOMPARE(formBoxOf(setup.test.document().boxes.at(1)), cube("12", 0, 0, 0, 1));
    // The view draws the box as it would be.
    QCOMPARE(setup.scene->highlightedCentre().x, 0.5);

    release(setup.scene, knob + oneUnit * 1.2);
    QCOMPARE(setup.entries(), std::size_t(1));
    QCOMPARE(setup.lastEntry(), std::string("Redimensionner la box 12"));
    FormBox resized = cube("12", 0, 0, 0, 1);
    resized.planes[3] = hex8(2);
    resized.centre[0] = hex8(0.5);
    resized.radius = "3";
    QCOMPARE(setup.saved(), boxTextBytes({cube("7", 5, 0, 0, 1), resized}, {}));
    QVERIFY(ownProblems(reportOf(setup.test), 1).isEmpty());

    setup.test.click(undoButton);
    QCOMPARE(setup.saved(), setup.original);
}

void Drag3dTest::aBodyDragMovesOnTheGroundAlongAnAxisAndUpright() {
    struct Case {
        const char* name;
        Vec3 pointerTo;
        std::optional<Qt::Key> axisKey;
        Qt::KeyboardModifiers modifiers;
        Vec3 expected;
        QString label;
    };
    const std::vector<Case> cases{
        {"ground",
         {1, 2, 0},
         std::nullopt,
         Qt::NoModifier,
         {1, 2, 0},
         "Déplacement : 1 ; 2 ; 0 (distance 2,2361)"},
        // The pointer also goes 40 pixels across the axis as drawn: only the part along it
        // counts.
        {"along Y",
         {0, 2, 0},
         Qt::Key_Y,
         Qt::NoModifier,
         {0, 2, 0},
         "Déplacement : 0 ; 2 ; 0 (distance 2)"},
        {"upright",
         {0, 0, 3},
         std::nullopt,
         Qt::ShiftModifier,
         {0, 0, 3},
         "Déplacement : 0 ; 0 ; 3 (distance 3)"},
    };
    for (const Case& c : cases) {
        DragSetup setup({cube("12", 0, 0, 0, 1)}, {}, 0);
        chooseGrid(setup.view, "1");
        const QPointF body = setup.pixelOf({0, 0, 0});
        QCOMPARE(setup.scene->dragger().handleAt(body, setup.scene->onShownBox(body)),
                 (std::optional<DragHandle>{DragHandle{HandleKind::Body, 0}}));
        if (c.axisKey) {
            QTest::keyPress(setup.scene, *c.axisKey);
        }
        QPointF to = setup.pixelOf(c.pointerTo);
        if (c.axisKey) {
            const QPointF along = to - body;
            to += QPointF(-along.y(), along.x()) * (40 / std::hypot(along.x(), along.y()));
        }
        dragTo(setup.scene, body, to, c.modifiers);
        QCOMPARE(setup.scene->dragger().label(), c.label);
        release(setup.scene, to);
        if (c.axisKey) {
            QTest::keyRelease(setup.scene, *c.axisKey);
        }
        QCOMPARE(setup.lastEntry(), std::string("Déplacer la box 12"));
        QCOMPARE(setup.saved(),
                 boxTextBytes({movedCube("12", c.expected.x, c.expected.y, c.expected.z)}, {}));
        setup.test.click(undoButton);
        QVERIFY2(setup.saved() == setup.original, c.name);
    }
}

void Drag3dTest::aMoveOfOneGridStepSetsTouchingBoxesApart() {
    // Box 1 touches box 0 at x = 1; a drag of one step of 1/16 along X leaves a gap of 1/16.
    DragSetup setup({cube("1", 0, 0, 0, 1), cube("2", 2, 0, 0, 1)}, {"0 1"}, 1);
    QVERIFY(touching(reportOf(setup.test), 0, 1));
    chooseGrid(setup.view, "1/16");
    const QPointF body = setup.pixelOf({2, 0, 0});
    const QPointF to = setup.pixelOf({2 + 1.0 / 16, 0, 0});
    QTest::keyPress(setup.scene, Qt::Key_X);
    // Too short a way on screen to start a drag: go out and come back to one step.
    dragTo(setup.scene, body, setup.pixelOf({3, 0, 0}));
    moveTo(setup.scene, to);
    release(setup.scene, to);
    QTest::keyRelease(setup.scene, Qt::Key_X);
    QCOMPARE(setup.lastEntry(), std::string("Déplacer la box 2"));
    QCOMPARE(formBoxOf(setup.test.document().boxes.at(1)), movedCube("2", 2 + 1.0 / 16, 0, 0));

    const DocumentReport report = reportOf(setup.test);
    QVERIFY(!touching(report, 0, 1));
    QVERIFY(ownProblems(report, 0).isEmpty());
    QVERIFY2(ownProblems(report, 1).isEmpty(), qPrintable(ownProblems(report, 1).join('\n')));
    // The pair listed is now found apart.
    QVERIFY(std::any_of(report.problems.begin(), report.problems.end(),
                        [](const Problem& p) { return p.intersection == "0 1"; }));
}

void Drag3dTest::aRingTurnsByFifteenDegreeSteps() {
    DragSetup setup({cube("12", 3, -1, 0.5, 1)}, {}, 0);
    chooseGrid(setup.view, "1/4");
    const QPointF grip = *setup.scene->dragger().pixelOf({HandleKind::Ring, 2});
    const QPointF centre = setup.pixelOf({3, -1, 0.5});
    // 35 degrees counter-clockwise on screen, seen from above: a positive turn, snapped to 30.
    const double turn = 35 * std::numbers::pi / 180;
    const QPointF from = grip - centre;
    const QPointF to = centre + QPointF(from.x() * std::cos(turn) + from.y() * std::sin(turn),
                                        -from.x() * std::sin(turn) + from.y() * std::cos(turn));
    dragTo(setup.scene, grip, to);
    QCOMPARE(setup.scene->dragger().label(), QString("Rotation autour de Z : 30°"));
    release(setup.scene, to);
    QCOMPARE(setup.lastEntry(), std::string("Tourner la box 12"));

    const Box& box = setup.test.document().boxes.at(0);
    const ShapeReading reading = shapeOf(decodeBoxValues(box));
    const BoxShape* shape = std::get_if<BoxShape>(&reading);
    QVERIFY(shape);
    QVERIFY(std::abs(shape->angles.yaw - 30) < 1e-3);
    QVERIFY(std::abs(shape->angles.pitch) < 1e-3 && std::abs(shape->angles.roll) < 1e-3);
    const double step = 1 / STEPS_PER_UNIT;
    QVERIFY(std::abs(shape->centre.x - 3) <= step && std::abs(shape->centre.y + 1) <= step &&
            std::abs(shape->centre.z - 0.5) <= step);
    for (const double dimension : shape->dimensions) {
        QVERIFY(std::abs(dimension - 2) <= 2 * step);
    }
    QVERIFY(ownProblems(reportOf(setup.test), 0).isEmpty());

    setup.test.click(undoButton);
    QCOMPARE(setup.saved(), setup.original);
}

void Drag3dTest::escapeCancelsADrag() {
    DragSetup setup({cube("12", 0, 0, 0, 1)}, {}, 0);
    const QMap<int, QString> before = shownFields(setup.test);
    for (const DragHandle handle :
         {DragHandle{HandleKind::Face, 2}, DragHandle{HandleKind::Ring, 0},
          DragHandle{HandleKind::Body, 0}}) {
        const QPointF from = handle.kind == HandleKind::Body
                                 ? setup.pixelOf({0, 0, 0})
                                 : *setup.scene->dragger().pixelOf(handle);
        // A ring is dragged around the centre, by 40 degrees on screen.
        const QPointF centre = setup.pixelOf({0, 0, 0});
        const QPointF arm = from - centre;
        const double turn = 40 * std::numbers::pi / 180;
        const QPointF to =
            handle.kind == HandleKind::Ring
                ? centre + QPointF(arm.x() * std::cos(turn) + arm.y() * std::sin(turn),
                                   -arm.x() * std::sin(turn) + arm.y() * std::cos(turn))
                : from + QPointF(-60, -70);
        dragTo(setup.scene, from, to);
        QVERIFY(!changedFields(before, shownFields(setup.test)).isEmpty());
        QTest::keyClick(setup.scene, Qt::Key_Escape);
        QCOMPARE(shownFields(setup.test), before);
        // The rest of the drag does nothing.
        moveTo(setup.scene, to + QPointF(30, 0));
        release(setup.scene, to + QPointF(30, 0));
        QCOMPARE(shownFields(setup.test), before);
        QCOMPARE(setup.entries(), std::size_t(0));
        QVERIFY(!setup.test.window().hasUnsavedChanges());
        QCOMPARE(formBoxOf(setup.test.document().boxes.at(0)), cube("12", 0, 0, 0, 1));
    }
}

void Drag3dTest::altArrowsAndPageKeysMoveByOneGridStep() {
    DragSetup setup({cube("12", 0, 0, 0, 1)}, {}, 0);
    chooseGrid(setup.view, "1");
    QTest::keyClick(setup.scene, Qt::Key_Right, Qt::AltModifier);
    QTest::keyClick(setup.scene, Qt::Key_Up, Qt::AltModifier);
    QTest::keyClick(setup.scene, Qt::Key_PageUp);
    QTest::keyClick(setup.scene, Qt::Key_PageUp, Qt::AltModifier);
    chooseGrid(setup.view, "1/4");
    QTest::keyClick(setup.scene, Qt::Key_Left, Qt::AltModifier);
    QTest::keyClick(setup.scene, Qt::Key_PageDown);
    QCOMPARE(setup.entries(), std::size_t(6));
    QCOMPARE(setup.lastEntry(), std::string("Déplacer la box 12"));
    QCOMPARE(formBoxOf(setup.test.document().boxes.at(0)), movedCube("12", 0.75, 1, 1.75));
    // The form shows the box as it now is.
    QCOMPARE(setup.test.shownText(centreXDecimal), QString("0.75"));

    // A plain arrow still turns the camera and changes nothing.
    const Vec3 eye = setup.scene->camera().eye();
    QTest::keyClick(setup.scene, Qt::Key_Left);
    QVERIFY(!(setup.scene->camera().eye() == eye));
    QCOMPARE(setup.entries(), std::size_t(6));

    for (int entry = 0; entry < 6; ++entry) {
        setup.test.click(undoButton);
    }
    QCOMPARE(setup.saved(), setup.original);
}

void Drag3dTest::aClickOnAHandlePicksAndBesideItTheCameraTurns() {
    DragSetup setup({cube("12", 0, 0, 0, 1), cube("13", 0, 0, 0, 0.5)}, {}, 0);
    // Box 13 lies inside box 12: a click on box 12's body, which stands over it, keeps 12.
    const QPointF body = setup.pixelOf({0, 0, 0});
    QTest::mouseClick(setup.scene, Qt::LeftButton, Qt::NoModifier, body.toPoint());
    QCOMPARE(setup.test.shownText(1013), QString("12"));
    const QPointF knob = *setup.scene->dragger().pixelOf({HandleKind::Face, 1});
    QTest::mouseClick(setup.scene, Qt::LeftButton, Qt::NoModifier, knob.toPoint());
    QCOMPARE(setup.entries(), std::size_t(0));

    const Vec3 eye = setup.scene->camera().eye();
    dragTo(setup.scene, QPointF(10, 10), QPointF(60, 20));
    release(setup.scene, QPointF(60, 20));
    QVERIFY(!(setup.scene->camera().eye() == eye));
    QCOMPARE(setup.entries(), std::size_t(0));
}

QTEST_MAIN(Drag3dTest)
#include "drag3d_test.moc"
