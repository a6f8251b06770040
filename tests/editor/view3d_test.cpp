// The 3D view driven as a user drives it: opening it, watching it follow the form, picking a box
// with the mouse, and reading and fixing the problems of a file.
#include "CommandProcessor.h"
#include "ListControl.h"
#include "SceneView.h"
#include "ViewTestSupport.h"
#include "ViewWindow.h"
#include "orlclass.h"

#include <QApplication>
#include <QGroupBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

namespace {

// The row of the first problem whose line shows the text in the column.
int rowShowing(QTreeView* list, int column, const QString& text) {
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        if (list->model()->index(row, column).data().toString().contains(text)) {
            return row;
        }
    }
    return -1;
}

void clickRow(QTreeView* list, int row) {
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualRect(index).center());
}

// Three boxes apart on the X axis, the first two touching; a plane of the middle one whose
// normal is twice too short; and listed pairs that are apart, a box with itself, out of range,
// malformed and repeated.
std::vector<FormBox> faultyBoxes() {
    std::vector<FormBox> boxes{cube("10", 0, 0, 0, 1), cube("11", 2, 0, 0, 1),
                               cube("12", 8, 0, 0, 1)};
    boxes[1].planes[12] = "0000"; // plane 3 faces -y: (0, -0.5, 0), d 0.5
    boxes[1].planes[13] = "a000";
    boxes[1].planes[15] = "00002000";
    return boxes;
}

const std::vector<std::string> faultyPairs{"0 2", "1 1", "0 7", "2x 1", "2 0", "1 2"};

} // namespace

class View3dTest : public QObject {
    Q_OBJECT

private slots:
    void aListedPairIsReadAsTheCheckerReadsIt();
    void f3AndTheButtonOpenOneView();
    void theViewClosesWithTheMainWindow();
    void theViewTakesInputWhileTheMainWindowRunsModally();
    void theViewDrawsEveryBoxAndCrossesTheOnesWithoutASolid();
    void typingInAHexFieldRebuildsTheHighlightedSolid();
    void typingInADecimalFieldOrTheCentreFollowsToo();
    void theCommandsRefreshTheScene();
    void clickingASolidSelectsItsLine();
    void navigationMovesTheCamera();
    void theProblemsOfAFaultyFileAreListed();
    void doubleClickOrEnterOnAProblemSelectsItsBox();
    void normalisingAPlaneSavesWhatTypingItSaves();
    void addingTheMissingPairsSavesWhatTheDialogSaves();
    void removingTheInvalidPairsSavesWhatDeletingThemSaves();
    void aSeamIsListedAndItsTwoFacesFramedAndMarked();
    void theSurfacesModeColoursFacesByWhatTheyAreToAPlayer();
};

void View3dTest::f3AndTheButtonOpenOneView() {
    TestWindow test;
    QCOMPARE(test.window().view(), nullptr);
    ViewWindow* view = openView(test);
    QVERIFY(view);
    QVERIFY(view->isVisible());
    QVERIFY(view->isWindow());
    QCOMPARE(view->windowTitle(), QString("Vue 3D - Quadrel"));
    QCOMPARE(view->parentWidget(), &test.window());

    view->close();
    QVERIFY(!view->isVisible());
    test.click(1083);
    QCOMPARE(test.window().view(), view);
    QVERIFY(view->isVisible());
    QTest::keyClick(&test.window(), Qt::Key_F3);
    test.click(1083);
    QCOMPARE(test.window().findChildren<ViewWindow*>().size(), 1);
}

void View3dTest::theViewClosesWithTheMainWindow() {
    TestWindow test;
    ViewWindow* view = openView(test);
    QVERIFY(view->isVisible());
    test.click(2);
    QVERIFY(!test.window().isVisible());
    QVERIFY(!view->isVisible());
}

// The window system refuses input to every window but the modal one and those it owns.
void View3dTest::theViewTakesInputWhileTheMainWindowRunsModally() {
    BoxDocument document;
    QuadrelDlg window;
    window.setDocument(&document);
    QWidget stranger;
    stranger.setWindowTitle("stranger");
    bool viewTurned = false;
    bool strangerTyped = true;
    const auto drive = [&] {
        if (!QTest::qWaitForWindowActive(&window)) {
            return;
        }
        QTest::keyClick(window.windowHandle(), Qt::Key_F3);
        ViewWindow* view = window.view();
        if (view == nullptr || !QTest::qWaitForWindowExposed(view)) {
            return;
        }
        view->activateWindow();
        view->sceneView()->setFocus();
        const Vec3 before = view->sceneView()->camera().eye();
        QTest::keyClick(view->windowHandle(), Qt::Key_Left);
        viewTurned = !(view->sceneView()->camera().eye() == before);

        auto* field = new QLineEdit(&stranger);
        stranger.show();
        if (!QTest::qWaitForWindowExposed(&stranger)) {
            return;
        }
        field->setFocus();
        QTest::keyClick(stranger.windowHandle(), Qt::Key_A);
        strangerTyped = !field->text().isEmpty();
    };
    QTimer::singleShot(0, [&] {
        drive();
        window.reject();
    });
    window.runModal();
    QVERIFY(viewTurned);
    QVERIFY(!strangerTyped);
}

void View3dTest::theViewDrawsEveryBoxAndCrossesTheOnesWithoutASolid() {
    QTemporaryDir dir;
    TestWindow test;
    std::vector<FormBox> boxes{cube("1", 0, 0, 0, 1), cube("2", 4, 0, 0, 1), cube("3", 0, 4, 0, 1)};
    boxes[2].planes[3] = "00000000";
    boxes[2].planes[23] = "00008000"; // -x ≤ 2 and x ≤ 0: closed still
    boxes.push_back(cube("4", 0, 0, 6, 1));
    boxes[3].planes[0] = "0000"; // a zero normal: no solid
    openFile(test, dir.filePath("f.box"), boxes, {});
    ViewWindow* view = openView(test);
    drawFrame(view);
    SceneView* scene = view->sceneView();
    QCOMPARE(scene->boxesDrawnInFull(), std::size_t(3));
    QCOMPARE(scene->boxesDrawnAsPoints(), std::size_t(0));
    for (std::size_t rank = 0; rank < 3; ++rank) {
        QVERIFY(scene->drawnPositionOf(rank));
    }
    QVERIFY(!scene->drawnPositionOf(3));
    QVERIFY(!view->scene().solid(3).closed());
    QCOMPARE(view->scene().solid(2).boundsMin.x, -2.0);
    QVERIFY(view->scene().hasError[3]);
}

void View3dTest::typingInAHexFieldRebuildsTheHighlightedSolid() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("f.box"), {cube("1", 0, 0, 0, 1), cube("2", 4, 0, 0, 1)}, {});
    ViewWindow* view = openView(test);
    SceneView* scene = view->sceneView();
    QVERIFY(!scene->hasHighlight());
    test.clickLine(1008, 1);
    QVERIFY(scene->hasHighlight());
    QCOMPARE(scene->highlightedRank(), std::optional<std::size_t>(1));
    QCOMPARE(scene->highlightedSolid().boundsMax.x, 5.0);

    // Plane 0, d: 00014000 (5) becomes 00018000 (6) by one digit.
    QWidget* field = test.control(1028);
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_End);
    QTest::keyClick(field, Qt::Key_Left);
    QTest::keyClick(field, Qt::Key_Left);
    QTest::keyClick(field, Qt::Key_Left);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_8);
    QCOMPARE(test.shownText(1028), QString("00018000"));
    QCOMPARE(scene->highlightedSolid().boundsMax.x, 6.0);
    QCOMPARE(scene->highlightedSolid().vertices.size(), std::size_t(8));
    // Not yet in the document, nor in the scene drawn behind.
    QCOMPARE(test.document().boxes.last().planeText(3), std::string("00014000"));
    QCOMPARE(view->scene().solid(1).boundsMax.x, 5.0);

    test.click(1081);
    QCOMPARE(view->scene().solid(1).boundsMax.x, 6.0);
}

void View3dTest::typingInADecimalFieldOrTheCentreFollowsToo() {
    QTemporaryDir dir;
    TestWindow test;
    FormBox box = cube("1", 0, 0, 0, 1);
    box.planes[0] = "0000"; // no solid: the view shows the centre as a cross
    openFile(test, dir.filePath("f.box"), {box}, {});
    ViewWindow* view = openView(test);
    SceneView* scene = view->sceneView();
    test.clickLine(1008, 0);
    QVERIFY(scene->highlightedSolid().vertices.empty());
    retype(test, 1020, "00008000");
    QCOMPARE(scene->highlightedCentre().z, 2.0);
    retype(test, 1019, "0000c000");
    QCOMPARE(scene->highlightedCentre().y, 3.0);
    // Typing a = 1 in decimal: the hexadecimal partner follows, and the view with it.
    retype(test, 1037, "1");
    QCOMPARE(test.shownText(1023), QString("4000"));
    QVERIFY(scene->highlightedSolid().closed());
    QCOMPARE(scene->highlightedSolid().boundsMax.x, 1.0);
}

// The view draws a box as the partner of another wherever the checker and the renumbering take
// the text for that pair, and nowhere else.
void View3dTest::aListedPairIsReadAsTheCheckerReadsIt() {
    const std::vector<std::pair<std::string, std::optional<RankPair>>> cases = {
        {"0 1", RankPair{0, 1}},  {"+0 1", RankPair{0, 1}}, {"00 01", RankPair{0, 1}},
        {"-0 1", RankPair{0, 1}}, {" 0  1", std::nullopt},  {"0 1 junk", std::nullopt},
        {"0 2", std::nullopt},    {"-1 0", std::nullopt},   {"1", std::nullopt},
    };
    for (const auto& [text, pair] : cases) {
        QVERIFY2(listedPair(text, 2) == pair, text.c_str());
    }
}

void View3dTest::theCommandsRefreshTheScene() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("f.box"), {cube("1", 0, 0, 0, 1), cube("2", 4, 0, 0, 1)}, {});
    ViewWindow* view = openView(test);
    QCOMPARE(view->scene().size(), std::size_t(2));

    test.clickLine(1008, 1);
    retype(test, 1013, "7");
    test.click(1032); // box "Ajouter"
    QCOMPARE(view->scene().size(), std::size_t(3));
    QCOMPARE(view->sceneView()->highlightedRank(), std::optional<std::size_t>(2));

    addIntersectionAsUser(test, "0", "2");
    QCOMPARE(view->scene().partnersOf(0).size(), std::size_t(1));
    test.clickLine(1027, 0);
    test.click(1030);
    QCOMPARE(view->scene().partnersOf(0).size(), std::size_t(0));

    test.clickLine(1008, 0);
    test.click(1031); // box "Supprimer"
    QCOMPARE(view->scene().size(), std::size_t(2));
    // The boxes moved down one rank, each with its own solid.
    QCOMPARE(view->scene().solid(0).boundsMin.x, 3.0);
    QCOMPARE(view->scene().solid(1).boundsMin.x, 3.0);
    retype(test, 1013, "2");
    retype(test, 1028, "00018000");
    test.click(1081);
    QCOMPARE(view->scene().solid(0).boundsMax.x, 6.0);
    QCOMPARE(view->scene().solid(1).boundsMax.x, 5.0);

    // While hidden the view does not follow; shown again, it shows the document as it is.
    view->close();
    test.answerQuestion("Ne pas enregistrer");
    test.answerChooser(dir.filePath("new.box"));
    test.click(1036);
    QCOMPARE(view->scene().size(), std::size_t(2));
    test.click(1083);
    QCOMPARE(view->scene().size(), std::size_t(0));
    QVERIFY(!view->sceneView()->hasHighlight());

    openFile(test, dir.filePath("g.box"), {cube("5", 0, 0, 0, 1)}, {});
    QCOMPARE(view->scene().size(), std::size_t(1));
}

void View3dTest::clickingASolidSelectsItsLine() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("f.box"),
             {cube("21", 0, 0, 0, 1), cube("22", 5, 0, 0, 1), cube("23", 0, 5, 0, 1)}, {});
    ViewWindow* view = openView(test);
    SceneView* scene = view->sceneView();
    drawFrame(view);
    for (const int rank : {2, 0, 1}) {
        const std::optional<QPointF> at = scene->drawnPositionOf(std::size_t(rank));
        QVERIFY(at);
        QTest::mouseClick(scene, Qt::LeftButton, Qt::NoModifier, at->toPoint());
        QCOMPARE(test.list(1008)->selectedIndex(), std::optional<int>(rank));
        QCOMPARE(test.shownText(1086), QString::number(rank));
        QCOMPARE(test.shownText(1013), QString::number(21 + rank));
        drawFrame(view);
    }
    // A click beside every box changes nothing.
    QTest::mouseClick(scene, Qt::LeftButton, Qt::NoModifier, QPoint(2, scene->height() - 2));
    QCOMPARE(test.list(1008)->selectedIndex(), std::optional<int>(1));
}

void View3dTest::navigationMovesTheCamera() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("f.box"), {cube("1", 0, 0, 0, 1), cube("2", 20, 0, 0, 1)}, {});
    ViewWindow* view = openView(test);
    SceneView* scene = view->sceneView();
    OrbitCamera& camera = scene->camera();
    const double wholeDistance = camera.distance();

    test.clickLine(1008, 0);
    QTest::mouseClick(buttonNamed(view, "Recentrer"), Qt::LeftButton);
    QCOMPARE(camera.focus(), (Vec3{0, 0, 0}));
    QVERIFY(camera.distance() < wholeDistance / 4);

    const double near = camera.distance();
    QTest::keyClick(scene, Qt::Key_Plus);
    QVERIFY(camera.distance() < near);
    QTest::keyClick(scene, Qt::Key_Minus);
    QTest::keyClick(scene, Qt::Key_Minus);
    QVERIFY(camera.distance() > near);

    const Vec3 eye = camera.eye();
    QTest::keyClick(scene, Qt::Key_Left);
    QVERIFY(!(camera.eye() == eye));
    QCOMPARE(camera.focus(), (Vec3{0, 0, 0}));

    // Dragging with the left button beside the box shown turns around the focus; with the
    // right one it pans.
    const QPoint corner(12, 12);
    QVERIFY(!scene->dragger().handleAt(corner, scene->onShownBox(corner)));
    const QPoint middle = scene->rect().center();
    const double distance = camera.distance();
    const Vec3 eyeBeforeTurn = camera.eye();
    QTest::mousePress(scene, Qt::LeftButton, Qt::NoModifier, corner);
    QTest::mouseMove(scene, corner + QPoint(40, 10));
    QTest::mouseRelease(scene, Qt::LeftButton, Qt::NoModifier, corner + QPoint(40, 10));
    QVERIFY(!(camera.eye() == eyeBeforeTurn));
    QCOMPARE(camera.focus(), (Vec3{0, 0, 0}));
    QCOMPARE(camera.distance(), distance);
    QTest::mousePress(scene, Qt::RightButton, Qt::NoModifier, middle);
    QTest::mouseMove(scene, middle + QPoint(40, 10));
    QTest::mouseRelease(scene, Qt::RightButton, Qt::NoModifier, middle + QPoint(40, 10));
    QVERIFY(!(camera.focus() == Vec3{0, 0, 0}));

    QTest::keyClick(scene, Qt::Key_Home);
    QCOMPARE(camera.focus(), (Vec3{0, 0, 0}));
    QTest::mouseClick(buttonNamed(view, "Tout voir"), Qt::LeftButton);
    QCOMPARE(camera.focus().x, 10.0);
}

void View3dTest::theProblemsOfAFaultyFileAreListed() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("f.box"), faultyBoxes(), faultyPairs);
    ViewWindow* view = openView(test);
    QTreeView* list = view->problemList();
    const int rows = list->model()->rowCount();
    QCOMPARE(problemTitle(view), QString("Problèmes (%1)").arg(rows));
    QStringList kinds;
    for (const Problem& problem : view->scene().problems()) {
        const std::string_view kind = kindIdentifier(problem.kind);
        kinds << QString::fromUtf8(kind.data(), static_cast<qsizetype>(kind.size()));
    }
    QCOMPARE(kinds,
             QStringList({"normal-not-unit", "intersection-apart", "intersection-self",
                          "intersection-out-of-range", "intersection-malformed",
                          "intersection-duplicate", "intersection-apart", "intersection-missing"}));
    const int normal = rowShowing(list, 3, "a² + b² + c²");
    QVERIFY(normal >= 0);
    QCOMPARE(list->model()->index(normal, 0).data().toString(), QString("Erreur"));
    QCOMPARE(list->model()->index(normal, 1).data().toString(), QString("11 (rang 1)"));
    QCOMPARE(list->model()->index(normal, 2).data().toString(), QString("3"));
    QVERIFY(view->scene().hasError[1]);
    QVERIFY(!view->scene().hasError[0]);

    // Fixed by hand and validated: the line goes.
    test.clickLine(1008, 1);
    retype(test, 1062, "-1");
    retype(test, 1064, "1");
    test.click(1081);
    QCOMPARE(list->model()->rowCount(), rows - 1);
    QCOMPARE(problemTitle(view), QString("Problèmes (%1)").arg(rows - 1));
}

void View3dTest::doubleClickOrEnterOnAProblemSelectsItsBox() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("f.box"), faultyBoxes(), faultyPairs);
    ViewWindow* view = openView(test);
    QTreeView* list = view->problemList();
    const int normal = rowShowing(list, 3, "a² + b² + c²");
    // A double-click is a click, then a second press that the window system reports as double.
    const QPoint line = list->visualRect(list->model()->index(normal, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, line);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, line);
    QCOMPARE(test.list(1008)->selectedIndex(), std::optional<int>(1));
    QCOMPARE(test.shownText(1013), QString("11"));
    QCOMPARE(view->sceneView()->camera().focus().x, 2.0);

    // Enter on a pair that is apart: its first box, both framed.
    const int apart = rowShowing(list, 3, "« 0 2 »");
    clickRow(list, apart);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(test.list(1008)->selectedIndex(), std::optional<int>(0));
    QCOMPARE(test.shownText(1013), QString("10"));
    QCOMPARE(view->sceneView()->camera().focus().x, 4.0);
}

void View3dTest::normalisingAPlaneSavesWhatTypingItSaves() {
    QTemporaryDir dir;
    std::string byFix;
    {
        TestWindow test;
        openFile(test, dir.filePath("fix.box"), faultyBoxes(), faultyPairs);
        test.clickLine(1008, 0); // another box is shown: the fix shows its own
        ViewWindow* view = openView(test);
        QTreeView* list = view->problemList();
        QPushButton* fix = buttonNamed(view, "Normaliser le plan");
        QVERIFY(!fix->isEnabled());
        clickRow(list, rowShowing(list, 3, "a² + b² + c²"));
        QVERIFY(fix->isEnabled());
        QTest::mouseClick(fix, Qt::LeftButton);
        QCOMPARE(test.shownText(1013), QString("11"));
        QCOMPARE(test.shownText(1058), QString("c000"));
        QCOMPARE(test.shownText(1062), QString("-1"));
        QCOMPARE(test.shownText(1064), QString("1"));
        // The fix is one edit of the document, which the history names.
        QCOMPARE(test.document().findBoxById("11")->planeText(13), std::string("c000"));
        QCOMPARE(test.window().commands().history().undoName(),
                 std::optional<std::string>("Normaliser le plan 3 de la box 11"));
        test.click(3);
        byFix = readBytes(dir.filePath("fix.box"));
    }
    std::string byHand;
    {
        TestWindow test;
        openFile(test, dir.filePath("hand.box"), faultyBoxes(), faultyPairs);
        test.clickLine(1008, 1);
        retype(test, 1062, "-1");
        retype(test, 1064, "1");
        test.click(1081);
        test.click(3);
        byHand = readBytes(dir.filePath("hand.box"));
    }
    QCOMPARE(byFix, byHand);
    QVERIFY(byFix != boxTextBytes(faultyBoxes(), faultyPairs));
}

void View3dTest::addingTheMissingPairsSavesWhatTheDialogSaves() {
    QTemporaryDir dir;
    std::string byFix;
    QStringList linesByFix;
    {
        TestWindow test;
        openFile(test, dir.filePath("fix.box"), faultyBoxes(), faultyPairs);
        ViewWindow* view = openView(test);
        QTreeView* list = view->problemList();
        QPushButton* fix = buttonNamed(view, "Ajouter les intersections manquantes");
        clickRow(list, rowShowing(list, 3, "a² + b² + c²"));
        QVERIFY(!fix->isEnabled());
        clickRow(list, rowShowing(list, 3, "n'est pas listée"));
        QVERIFY(fix->isEnabled());
        QTest::mouseClick(fix, Qt::LeftButton);
        linesByFix = test.lines(1027);
        QCOMPARE(rowShowing(list, 3, "n'est pas listée"), -1);
        test.click(3);
        byFix = readBytes(dir.filePath("fix.box"));
    }
    std::string byHand;
    QStringList linesByHand;
    {
        TestWindow test;
        openFile(test, dir.filePath("hand.box"), faultyBoxes(), faultyPairs);
        QVERIFY(addIntersectionAsUser(test, "0", "1").chosen);
        linesByHand = test.lines(1027);
        test.click(3);
        byHand = readBytes(dir.filePath("hand.box"));
    }
    QCOMPARE(linesByFix, linesByHand);
    QCOMPARE(byFix, byHand);
    QCOMPARE(linesByFix.last(), QString("0 1"));
}

void View3dTest::removingTheInvalidPairsSavesWhatDeletingThemSaves() {
    QTemporaryDir dir;
    std::string byFix;
    QStringList linesByFix;
    {
        TestWindow test;
        openFile(test, dir.filePath("fix.box"), faultyBoxes(), faultyPairs);
        ViewWindow* view = openView(test);
        QTreeView* list = view->problemList();
        QPushButton* fix = buttonNamed(view, "Retirer les intersections invalides");
        clickRow(list, rowShowing(list, 3, "avec elle-même"));
        QVERIFY(fix->isEnabled());
        QTest::mouseClick(fix, Qt::LeftButton);
        linesByFix = test.lines(1027);
        test.click(3);
        byFix = readBytes(dir.filePath("fix.box"));
    }
    std::string byHand;
    QStringList linesByHand;
    {
        TestWindow test;
        openFile(test, dir.filePath("hand.box"), faultyBoxes(), faultyPairs);
        // "0 2" apart, "1 1", "0 7", "2x 1", "2 0" repeated, "1 2" apart: nothing stays.
        for (int i = 0; i < 6; ++i) {
            test.clickLine(1027, 0);
            test.click(1030);
        }
        linesByHand = test.lines(1027);
        test.click(3);
        byHand = readBytes(dir.filePath("hand.box"));
    }
    QCOMPARE(linesByFix, linesByHand);
    QCOMPARE(byFix, byHand);
}

namespace {

// The colour of the view's last frame at a point of the scene.
QColor colourAt(ViewWindow* view, const Vec3& point) {
    SceneView* scene = view->sceneView();
    const QImage image = scene->grab().toImage();
    const OrbitCamera& camera = scene->camera();
    const QPointF at = camera.project(point, camera.depthOf(point)) * image.devicePixelRatio();
    return image.pixelColor(at.toPoint());
}

// The first swatch of the legend, drawn without smoothing.
QColor firstLegendColour(ViewWindow* view) {
    const QImage image = view->sceneView()->grab().toImage();
    return image.pixelColor((QPointF(14, 12) * image.devicePixelRatio()).toPoint());
}

} // namespace

// Two cubes a thirty-second apart along X: a seam between the +X face of the first and the -X
// face of the second.
void View3dTest::aSeamIsListedAndItsTwoFacesFramedAndMarked() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("seam.box"), {cube("10", 0, 0, 0, 1), cube("11", 2.03125, 0, 0, 1)},
             {});
    ViewWindow* view = openView(test);
    QTreeView* list = view->problemList();
    QCOMPARE(list->model()->rowCount(), 1);
    const int seam =
        rowShowing(list, 3, "fente de 0,0312 entre la face 0 et la face 5 de la box 1");
    QCOMPARE(seam, 0);
    QCOMPARE(list->model()->index(seam, 0).data().toString(), QString("Avertissement"));
    QCOMPARE(list->model()->index(seam, 1).data().toString(), QString("10 (rang 0)"));
    QVERIFY(view->sceneView()->markedFaces().empty());

    const QPoint line = list->visualRect(list->model()->index(seam, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, line);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, line);
    QCOMPARE(test.shownText(1013), QString("10"));
    QCOMPARE(view->sceneView()->markedFaces(), (std::vector<FaceMark>{{0, 0}, {1, 5}}));
    // Both boxes framed: the focus halfway between their centres.
    QCOMPARE(view->sceneView()->camera().focus().x, 1.015625);
    const QColor marked = colourAt(view, {1, 0, 0});
    QVERIFY2(marked.red() > 150 && marked.green() < 120 && marked.blue() > 100,
             qPrintable(marked.name()));
}

void View3dTest::theSurfacesModeColoursFacesByWhatTheyAreToAPlayer() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("floor.box"), {cube("10", 0, 0, 0, 1), cube("11", 5, 0, 0, 1)}, {});
    ViewWindow* view = openView(test);
    QPushButton* surfaces = buttonNamed(view, "Surfaces");
    QVERIFY(surfaces != nullptr);
    QCOMPARE(firstLegendColour(view), QColor(10, 70, 190));
    // The top of the box not shown in the form, seen from above, in the colours of its box.
    const QColor before = colourAt(view, {5, 0, 1});
    QVERIFY2(before.blue() > before.green(), qPrintable(before.name()));

    QTest::mouseClick(surfaces, Qt::LeftButton);
    QVERIFY(view->sceneView()->surfaceMode());
    QCOMPARE(firstLegendColour(view), QColor(150, 205, 120));
    const QColor floor = colourAt(view, {5, 0, 1});
    QVERIFY2(floor.green() > floor.red() && floor.green() > floor.blue(), qPrintable(floor.name()));

    QTest::mouseClick(surfaces, Qt::LeftButton);
    QVERIFY(!view->sceneView()->surfaceMode());
    QCOMPARE(firstLegendColour(view), QColor(10, 70, 190));
}

QTEST_MAIN(View3dTest)
#include "view3d_test.moc"
