// The box of the form dragged in the 3D view as a user drags it: a face, the body, a ring, keys,
// Escape; judged by what the form shows while dragging, the history, and the bytes saved and
// saved again after undo.
#include "BoxDragger.h"
#include "CommandProcessor.h"
#include "OrbitCamera.h"
#include "ViewTestSupport.h"
#include "boxshape.h"
#include "gridplacement.h"
#include "problems.h"
#include "shapetexts.h"
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

// An upright block between two corners, as a box of the file: its texts as the shape writer
// gives them, each plane on its own whole step of 1/16384.
FormBox block(const std::string& id, const Vec3& low, const Vec3& high) {
    const auto written = writeShape(
        BoxShape{(low + high) * 0.5, {high.x - low.x, high.y - low.y, high.z - low.z}, {}});
    const ShapeTexts& texts = std::get<WrittenShape>(written).texts;
    FormBox box{id, texts.maxRadius};
    box.centre = texts.centre;
    box.planes = texts.planes;
    return box;
}

ShapeTexts textsOf(const FormBox& box) {
    return ShapeTexts{box.centre, box.planes, box.radius};
}

// The lowest corner of the bounds of the box of the document at the rank.
Vec3 lowestOf(TestWindow& test, std::size_t rank) {
    return lowestCorner(shapeTextsOf(test.document().boxes.at(rank))).value_or(Vec3{NAN, NAN, NAN});
}

// The texts of a plane of a box: a, b, c and d.
std::string planeOf(const FormBox& box, int plane) {
    std::string texts;
    for (std::size_t k = 0; k < 4; ++k) {
        texts += box.planes[static_cast<std::size_t>(plane) * 4 + k] + " ";
    }
    return texts;
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
    void aMovePutsTheLowestCornerOnTheGrid();
    void aFaceDraggedAlongAnAxisLandsOnTheGrid();
    void aTurnedBoxSnapsItsDimensionAndItsCorner();
    void keysStepFromOneGridPositionToTheNext();
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

void Drag3dTest::aMovePutsTheLowestCornerOnTheGrid() {
    struct Case {
        const char* name;
        QString grid;
        Vec3 pointerBy;
        std::optional<Qt::Key> axisKey;
        // Where the lowest corner lands; none: the pointer's own travel, off the grid.
        std::optional<Vec3> landing;
    };
    const std::vector<Case> cases{
        // From x = 0.3, one step of 1 lands on 1, not on 1.3.
        {"along X, grid 1", "1", {1, 0, 0}, Qt::Key_X, Vec3{1, -1.2, 0.1}},
        // On the ground, X and Y land on the grid; the height stays.
        {"on the ground, grid 1/2", "1/2", {1.1, 0.4, 0}, std::nullopt, Vec3{1.5, -1, 0.1}},
        {"along Z, grid 1/4", "1/4", {0, 0, 0.6}, Qt::Key_Z, Vec3{0.3, -1.2, 0.75}},
        {"no grid", "aucune", {1, 0, 0}, Qt::Key_X, std::nullopt},
    };
    for (const Case& c : cases) {
        const FormBox start = block("12", {0.3, -1.2, 0.1}, {2.3, 0.8, 2.1});
        DragSetup setup({cube("7", -6, 0, 0, 1), start}, {}, 1);
        chooseGrid(setup.view, c.grid);
        const Vec3 low = lowestOf(setup.test, 1);
        const Vec3 centre{1.3, -0.2, 1.1};
        const QPointF body = setup.pixelOf(centre);
        const QPointF to = setup.pixelOf(centre + c.pointerBy);
        if (c.axisKey) {
            QTest::keyPress(setup.scene, *c.axisKey);
        }
        dragTo(setup.scene, body, to);
        release(setup.scene, to);
        if (c.axisKey) {
            QTest::keyRelease(setup.scene, *c.axisKey);
        }
        QVERIFY2(setup.lastEntry() == "Déplacer la box 12", c.name);
        if (c.landing) {
            const Vec3 high = *c.landing + Vec3{2, 2, 2};
            QVERIFY2(setup.saved() ==
                         boxTextBytes({cube("7", -6, 0, 0, 1), block("12", *c.landing, high)}, {}),
                     c.name);
        } else {
            // Nothing snaps: the box goes where the pointer took it, about 1.3.
            const Vec3 landed = lowestOf(setup.test, 1);
            QVERIFY2(std::abs(landed.x - (low.x + 1)) < 0.05 && landed.x != 1, c.name);
            QCOMPARE(landed.y, low.y);
        }
        QVERIFY(ownProblems(reportOf(setup.test), 1).isEmpty());
        setup.test.click(undoButton);
        QVERIFY2(setup.saved() == setup.original, c.name);
    }
}

void Drag3dTest::aFaceDraggedAlongAnAxisLandsOnTheGrid() {
    struct Case {
        const char* name;
        int plane;
        QString grid;
        double travel;
        // The plane's d as written, or none with no grid.
        std::optional<double> d;
        QString label;
    };
    const std::vector<Case> cases{
        // The face at x = 2.3 dragged 0.9 out lands on 3: the box is 2.7 long.
        {"plane 0 out, grid 1", 0, "1", 0.9, 3, "Longueur : 2,7"},
        // The face at x = 0.3 (plane 5, facing -X) dragged 0.9 out lands on -1: d is 1.
        {"plane 5 out, grid 1", 5, "1", 0.9, 1, "Longueur : 3,3"},
        // The top at z = 2.1 pulled in by 0.7 lands on 1.5.
        {"top in, grid 1/2", 2, "1/2", -0.7, 1.5, "Hauteur : 1,4"},
        {"plane 0 out, no grid", 0, "aucune", 0.9, std::nullopt, {}},
    };
    for (const Case& c : cases) {
        const FormBox start = block("12", {0.3, -1.2, 0.1}, {2.3, 0.8, 2.1});
        DragSetup setup({start}, {}, 0);
        chooseGrid(setup.view, c.grid);
        const QPointF knob = *setup.scene->dragger().pixelOf({HandleKind::Face, c.plane});
        const std::optional<AxisFace> face = axisFaceOf(textsOf(start), c.plane);
        QVERIFY(face);
        Vec3 outward;
        (face->axis == 0 ? outward.x : face->axis == 1 ? outward.y : outward.z) = face->outward;
        const Vec3 faceCentre = Vec3{1.3, -0.2, 1.1} + outward * 1.0;
        const QPointF to =
            knob + (setup.pixelOf(faceCentre + outward * c.travel) - setup.pixelOf(faceCentre));
        dragTo(setup.scene, knob, to);
        if (!c.label.isEmpty()) {
            QVERIFY2(setup.scene->dragger().label() == c.label,
                     qPrintable(setup.scene->dragger().label()));
        }
        release(setup.scene, to);
        QVERIFY2(setup.lastEntry() == "Redimensionner la box 12", c.name);
        const FormBox resized = formBoxOf(setup.test.document().boxes.at(0));
        const auto opposite = static_cast<std::size_t>(AXIS_PLANES[face->axis][0] == c.plane
                                                           ? AXIS_PLANES[face->axis][1]
                                                           : AXIS_PLANES[face->axis][0]);
        // The opposite face and every other plane keep their texts byte for byte.
        for (int plane = 0; plane < 6; ++plane) {
            if (plane != c.plane) {
                QCOMPARE(planeOf(resized, plane), planeOf(start, plane));
            }
        }
        QVERIFY(opposite < 6);
        const std::optional<AxisFace> after = axisFaceOf(textsOf(resized), c.plane);
        QVERIFY(after);
        if (c.d) {
            QCOMPARE(resized.planes[static_cast<std::size_t>(c.plane) * 4 + 3], hex8(*c.d));
            QCOMPARE(after->position, face->outward * *c.d);
        } else {
            // Nothing snaps: the face goes about where the pointer took it (the knob stands out
            // of the face, nearer the eye), off the grid.
            QVERIFY2(std::abs(after->position - (face->position + 0.9)) < 0.15,
                     qPrintable(QString::number(after->position)));
            QVERIFY(after->position != 3);
        }
        QVERIFY(ownProblems(reportOf(setup.test), 0).isEmpty());
        setup.test.click(undoButton);
        QVERIFY2(setup.saved() == setup.original, c.name);
    }
}

void Drag3dTest::aTurnedBoxSnapsItsDimensionAndItsCorner() {
    const auto written = writeShape(BoxShape{{0.3, 0.4, 1}, {2, 1, 2}, {30, 0, 0}});
    const ShapeTexts& texts = std::get<WrittenShape>(written).texts;
    FormBox start{"12", texts.maxRadius};
    start.centre = texts.centre;
    start.planes = texts.planes;
    DragSetup setup({start}, {}, 0);
    chooseGrid(setup.view, "1");

    // Plane 0 faces along the turned X: no grid plane to land on, the length snaps to 3.
    const Vec3 axis{std::cos(std::numbers::pi / 6), std::sin(std::numbers::pi / 6), 0};
    const QPointF knob = *setup.scene->dragger().pixelOf({HandleKind::Face, 0});
    const Vec3 faceCentre = Vec3{0.3, 0.4, 1} + axis * 1.0;
    const QPointF to = knob + (setup.pixelOf(faceCentre + axis * 0.8) - setup.pixelOf(faceCentre));
    dragTo(setup.scene, knob, to);
    QCOMPARE(setup.scene->dragger().label(), QString("Longueur : 3"));
    release(setup.scene, to);
    const ShapeReading reading = shapeOf(decodeBoxValues(setup.test.document().boxes.at(0)));
    QVERIFY(std::holds_alternative<BoxShape>(reading));
    QVERIFY(std::abs(std::get<BoxShape>(reading).dimensions[0] - 3) <= 2 / STEPS_PER_UNIT);
    QVERIFY(ownProblems(reportOf(setup.test), 0).isEmpty());

    // Moved along Y, the lowest corner of its bounds lands on a whole number, as near as fixed
    // point allows.
    const Vec3 low = lowestOf(setup.test, 0);
    const QPointF body = setup.pixelOf({0.3, 0.4, 1});
    QTest::keyPress(setup.scene, Qt::Key_Y);
    dragTo(setup.scene, body, setup.pixelOf({0.3, 1.4, 1}));
    release(setup.scene, setup.pixelOf({0.3, 1.4, 1}));
    QTest::keyRelease(setup.scene, Qt::Key_Y);
    QCOMPARE(setup.lastEntry(), std::string("Déplacer la box 12"));
    const Vec3 landed = lowestOf(setup.test, 0);
    QVERIFY2(std::abs(landed.y - std::round(low.y + 1)) <= 2 / STEPS_PER_UNIT,
             qPrintable(QString::number(landed.y, 'g', 17)));
    QVERIFY(std::abs(landed.x - low.x) <= 1 / STEPS_PER_UNIT);
    QVERIFY(ownProblems(reportOf(setup.test), 0).isEmpty());

    setup.test.click(undoButton);
    setup.test.click(undoButton);
    QCOMPARE(setup.saved(), setup.original);
}

void Drag3dTest::keysStepFromOneGridPositionToTheNext() {
    DragSetup setup({block("12", {0.3, -1.2, 0.1}, {2.3, 0.8, 2.1})}, {}, 0);
    chooseGrid(setup.view, "1");
    const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers, const Vec3& landing) {
        QTest::keyClick(setup.scene, key, modifiers);
        QCOMPARE(formBoxOf(setup.test.document().boxes.at(0)),
                 block("12", landing, landing + Vec3{2, 2, 2}));
    };
    press(Qt::Key_Right, Qt::AltModifier, {1, -1.2, 0.1});
    press(Qt::Key_Right, Qt::AltModifier, {2, -1.2, 0.1});
    press(Qt::Key_Left, Qt::AltModifier, {1, -1.2, 0.1});
    press(Qt::Key_Down, Qt::AltModifier, {1, -2, 0.1});
    press(Qt::Key_Up, Qt::AltModifier, {1, -1, 0.1});
    press(Qt::Key_PageDown, Qt::NoModifier, {1, -1, 0});
    chooseGrid(setup.view, "1/4");
    press(Qt::Key_PageUp, Qt::NoModifier, {1, -1, 0.25});
    // No grid: the finest step from wherever the box is.
    chooseGrid(setup.view, "aucune");
    press(Qt::Key_Left, Qt::AltModifier, {1 - 1.0 / 16, -1, 0.25});
    QCOMPARE(setup.entries(), std::size_t(8));
    QVERIFY(ownProblems(reportOf(setup.test), 0).isEmpty());
    for (int entry = 0; entry < 8; ++entry) {
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
