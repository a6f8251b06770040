// F3 shows the scene at once and checks the document on a worker thread: the problem list says
// how far the check has gone until it shows exactly what a whole check finds, and an edit, an
// undo, the view closed or the window gone while the check runs leave nothing wrong behind.
#include "SceneChecker.h"
#include "ViewTestSupport.h"
#include "problems.h"
#include "scene.h"

#include <QAbstractItemModel>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <atomic>
#include <chrono>
#include <limits>
#include <memory>
#include <new>
#include <thread>

namespace {

// The worker goes past this many steps of its check only when the test lets it, or when the
// check is stopped.
std::atomic<std::uint64_t> allowedSteps = std::numeric_limits<std::uint64_t>::max();
std::atomic<std::uint64_t> stepsReached = 0;
// The checks fail at their first step, as when memory runs out, this many times more.
std::atomic<int> failuresToCome = 0;

void holdAtAllowedStep(std::uint64_t, const std::atomic<bool>& stopAsked) {
    const std::uint64_t step = ++stepsReached;
    if (failuresToCome > 0 && failuresToCome-- > 0) {
        throw std::bad_alloc();
    }
    while (step > allowedSteps && !stopAsked) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Holds every check from now on at the given step.
void holdChecksAt(std::uint64_t steps) {
    stepsReached = 0;
    allowedSteps = steps;
}

void letChecksGo() {
    allowedSteps = std::numeric_limits<std::uint64_t>::max();
}

// Cubes in a row, some touching, one ID twice, one without a solid, with listed pairs apart,
// repeated and malformed: problems of every section.
std::vector<FormBox> rowOfCubes() {
    std::vector<FormBox> boxes;
    const std::vector<double> places = {0, 2, 4, 4.5, 8, 10, 12, 15};
    for (std::size_t i = 0; i < places.size(); ++i) {
        boxes.push_back(cube(i == 5 ? "3" : std::to_string(i + 1), places[i], 0, 0, 1));
    }
    boxes[6].planes[0] = "0000";
    return boxes;
}

const std::vector<std::string> rowPairs{"0 1", "1 2", "2 3", "0 7", "3 2", "4 4", "9 1", "x"};

// Cubes on a grid, each touching the next in its row, none listed.
std::vector<FormBox> gridOfCubes(int count) {
    std::vector<FormBox> boxes;
    for (int i = 0; i < count; ++i) {
        boxes.push_back(cube(std::to_string(i + 1), (i % 100) * 2, (i / 100) * 3, 0, 1));
    }
    return boxes;
}

QLabel* checkingLabel(ViewWindow* view) {
    for (QLabel* label : view->findChildren<QLabel*>()) {
        if (label->text().startsWith(QString("Vérification… "))) {
            return label;
        }
    }
    return nullptr;
}

// The failure the list shows where it showed the percentage, or nothing.
QString shownFailure(ViewWindow* view) {
    for (QLabel* label : view->findChildren<QLabel*>()) {
        if (label->isVisible() && label->text().startsWith(QString("La vérification"))) {
            return label->text();
        }
    }
    return {};
}

// The percentage the list shows while checking, or -1 when it shows none.
int shownPercent(ViewWindow* view) {
    const QLabel* label = checkingLabel(view);
    if (label == nullptr || !label->isVisible() || !label->text().endsWith(" %")) {
        return -1;
    }
    const QString number = label->text().mid(14).chopped(2);
    bool isNumber = false;
    const int percent = number.toInt(&isNumber);
    return isNumber ? percent : -1;
}

// What the list shows, row by row, against a whole check of the document as it now is, the
// check over.
void compareOnceChecked(TestWindow& test, ViewWindow* view) {
    QVERIFY(!view->checking());
    compareWithWholeCheck(test.document(), view);
    QVERIFY(view->problemList()->isVisible());
    QCOMPARE(shownPercent(view), -1);
}

// F3 as the user presses it, without waiting for the checks. A long opening showed its progress
// in a window of its own: the main window is brought back to the front first.
ViewWindow* pressF3(TestWindow& test) {
    test.window().activateWindow();
    if (!QTest::qWaitForWindowActive(&test.window())) {
        qWarning("The main window is not in front");
    }
    QTest::keyClick(&test.window(), Qt::Key_F3);
    ViewWindow* view = test.window().view();
    if (view == nullptr || !QTest::qWaitForWindowExposed(view)) {
        qFatal("The view did not show");
    }
    return view;
}

} // namespace

class ViewChecksTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setSceneCheckHook(holdAtAllowedStep); }
    void cleanup() {
        letChecksGo();
        failuresToCome = 0;
    }

    void theSceneShowsAtOnceAndTheListWhileChecking();
    void thePercentageMovesOnALargeScene();
    void anEditWhileCheckingChecksTheEditedDocument();
    void anUndoOrTheViewClosedWhileCheckingLeaveTheRightProblems();
    void anEditOnceTheDocumentIsReadStartsTheCheckAgain();
    void theWindowClosedWhileCheckingEndsCleanly();
    void clickingAndDrawingFollowTheDocumentAsItIsNow();
    void aCheckThatFailsSaysWhyAndTheNextEditChecksAgain();
};

void ViewChecksTest::theSceneShowsAtOnceAndTheListWhileChecking() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("row.box"), rowOfCubes(), rowPairs);
    holdChecksAt(0);
    ViewWindow* view = pressF3(test);
    QVERIFY(view->checking());
    QCOMPARE(problemTitle(view), QString("Problèmes"));
    QCOMPARE(view->problemList()->model()->rowCount(), 0);
    QTRY_COMPARE(shownPercent(view), 0);
    QVERIFY(!view->problemList()->isVisible());

    // The scene is drawn already, the box without a solid as a cross, and a click on a box
    // shows it.
    drawFrame(view);
    SceneView* scene = view->sceneView();
    QCOMPARE(scene->boxesDrawnInFull(), std::size_t(7));
    QVERIFY(!scene->drawnPositionOf(6));
    const std::optional<QPointF> at = scene->drawnPositionOf(4);
    QVERIFY(at);
    QTest::mouseClick(scene, Qt::LeftButton, Qt::NoModifier, at->toPoint());
    QCOMPARE(test.shownText(1013), QString("5"));
    QVERIFY(view->checking());

    letChecksGo();
    QVERIFY(waitForChecks(view));
    compareOnceChecked(test, view);
    QVERIFY(view->scene().hasError[6]);
    // The box shown is drawn over the frame.
    drawFrame(view);
    QCOMPARE(scene->boxesDrawnInFull(), std::size_t(6));
    QVERIFY(!scene->drawnPositionOf(6));
    // The partners of a box stand out once the lines are read.
    QCOMPARE(view->scene().partnersOf(0), (std::vector<std::size_t>{1, 7}));
}

void ViewChecksTest::thePercentageMovesOnALargeScene() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("grid.box"), gridOfCubes(12000), {});
    holdChecksAt(1);
    ViewWindow* view = pressF3(test);
    QTRY_VERIFY(shownPercent(view) > 0);
    const int first = shownPercent(view);
    QVERIFY(first < 100);
    allowedSteps = 3;
    QTRY_VERIFY(shownPercent(view) > first);
    QVERIFY(shownPercent(view) < 100);
    letChecksGo();
    QVERIFY(waitForChecks(view));
    compareOnceChecked(test, view);
    // Every pair in a row touches and none is listed.
    QCOMPARE(view->scene().problems().size(), std::size_t(12000 - 120));
}

void ViewChecksTest::anEditWhileCheckingChecksTheEditedDocument() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("row.box"), rowOfCubes(), rowPairs);
    test.clickLine(1008, 7);
    holdChecksAt(0);
    ViewWindow* view = pressF3(test);
    QTRY_VERIFY(stepsReached > 0);
    // Box 7 moved from x = 15 to x = 6, between boxes 3 and 4, touching both.
    retype(test, 1018, QString::fromStdString(fixedpoint::decimalToHex8("6")));
    retype(test, 1028, QString::fromStdString(fixedpoint::decimalToHex8("7")));
    retype(test, 1052, QString::fromStdString(fixedpoint::decimalToHex8("-5")));
    test.click(1081);
    QCOMPARE(test.document().boxes.at(7).planeText(3).view(), std::string_view("0001c000"));
    QVERIFY(view->checking());
    QCOMPARE(problemTitle(view), QString("Problèmes"));
    letChecksGo();
    QVERIFY(waitForChecks(view));
    compareOnceChecked(test, view);
    QCOMPARE(view->scene().solid(7).boundsMin.x, 5.0);

    // Another file opened with the view open is checked likewise, and a box deleted while the
    // check runs moves the ranks of the scene and of the problems.
    holdChecksAt(0);
    test.answerQuestion("Ne pas enregistrer");
    openFile(test, dir.filePath("other.box"), rowOfCubes(), rowPairs);
    QCOMPARE(test.unusedAnswers(), std::size_t(0));
    QVERIFY(view->checking());
    test.clickLine(1008, 0);
    test.click(1031);
    QCOMPARE(view->scene().size(), std::size_t(7));
    letChecksGo();
    QVERIFY(waitForChecks(view));
    compareOnceChecked(test, view);
}

void ViewChecksTest::anUndoOrTheViewClosedWhileCheckingLeaveTheRightProblems() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("row.box"), rowOfCubes(), rowPairs);
    ViewWindow* view = openView(test);
    compareOnceChecked(test, view);
    QWidget* boxList = test.control(1008);
    test.clickLine(1008, 1);
    test.click(1031);
    compareOnceChecked(test, view);

    // Undone while closed, closed again while checking, redone while closed, opened again.
    view->close();
    QTest::keyClick(boxList, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(test.document().boxes.size(), std::size_t(8));
    holdChecksAt(0);
    pressF3(test);
    QVERIFY(view->checking());
    view->close();
    QTest::keyClick(boxList, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(test.document().boxes.size(), std::size_t(7));
    letChecksGo();
    pressF3(test);
    QVERIFY(waitForChecks(view));
    compareOnceChecked(test, view);

    // Undone and redone while checking: each step of the history stops the check first.
    view->close();
    QTest::keyClick(boxList, Qt::Key_Z, Qt::ControlModifier);
    holdChecksAt(0);
    pressF3(test);
    QTRY_VERIFY(stepsReached > 0);
    QTest::keyClick(boxList, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(boxList, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(boxList, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(test.document().boxes.size(), std::size_t(7));
    QVERIFY(view->checking());
    letChecksGo();
    QVERIFY(waitForChecks(view));
    compareOnceChecked(test, view);
}

void ViewChecksTest::anEditOnceTheDocumentIsReadStartsTheCheckAgain() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("row.box"), rowOfCubes(), rowPairs);
    // One run of boxes, then the lines: the second step comes once the document is read.
    holdChecksAt(1);
    ViewWindow* view = pressF3(test);
    QTRY_COMPARE(stepsReached.load(), std::uint64_t(2));
    test.clickLine(1027, 3);
    test.click(1030);
    QCOMPARE(test.document().intersections.size(), rowPairs.size() - 1);
    QVERIFY(view->checking());
    letChecksGo();
    QVERIFY(waitForChecks(view));
    compareOnceChecked(test, view);
}

void ViewChecksTest::theWindowClosedWhileCheckingEndsCleanly() {
    QTemporaryDir dir;
    {
        TestWindow test;
        openFile(test, dir.filePath("grid.box"), gridOfCubes(6000), {});
        holdChecksAt(1);
        pressF3(test);
        QTRY_VERIFY(stepsReached > 0);
    }
    // Another window then checks as if nothing had happened.
    letChecksGo();
    TestWindow test;
    openFile(test, dir.filePath("grid.box"), gridOfCubes(6000), {});
    compareOnceChecked(test, openView(test));
}

void ViewChecksTest::clickingAndDrawingFollowTheDocumentAsItIsNow() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("f.box"),
             {cube("21", 0, 0, 0, 1), cube("22", 5, 0, 0, 1), cube("23", 0, 5, 0, 1),
              cube("24", 5, 5, 0, 1)},
             {});
    ViewWindow* view = openView(test);
    SceneView* scene = view->sceneView();
    drawFrame(view);
    QCOMPARE(scene->boxesDrawnInFull(), std::size_t(4));
    // Only the solids drawn are kept.
    QVERIFY(view->scene().solids.size() <= 4);

    // Box 0 deleted: every other box moves down one rank, and a click on a box shows the box
    // now at its rank.
    test.clickLine(1008, 0);
    test.click(1031);
    drawFrame(view);
    for (const int rank : {2, 0, 1}) {
        const std::optional<QPointF> at = scene->drawnPositionOf(std::size_t(rank));
        QVERIFY(at);
        QTest::mouseClick(scene, Qt::LeftButton, Qt::NoModifier, at->toPoint());
        QCOMPARE(test.shownText(1013), QString::number(22 + rank));
        drawFrame(view);
    }
    QCOMPARE(view->scene().solid(0).boundsMin.x, 4.0);
    QCOMPARE(view->scene().solid(0).boundsMin.y, -1.0);

    // Box 1 made wider: drawn as it now is, and found where it now reaches.
    test.clickLine(1008, 1);
    retype(test, 1028, QString::fromStdString(fixedpoint::decimalToHex8("3")));
    test.click(1081);
    QCOMPARE(view->scene().solid(1).boundsMax.x, 3.0);
    test.clickLine(1008, 0);
    drawFrame(view);
    const std::optional<QPointF> wide = scene->drawnPositionOf(1);
    QVERIFY(wide);
    QCOMPARE(scene->boxAt(*wide), std::optional<std::size_t>(1));

    // Both edits undone: the solids kept for drawing move back up with their boxes.
    drawFrame(view);
    QWidget* boxList = test.control(1008);
    boxList->setFocus();
    QTest::keyClick(boxList, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(boxList, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(view->scene().solid(1).boundsMin.x, 4.0);
    QCOMPARE(view->scene().solid(1).boundsMax.x, 6.0);
    QCOMPARE(view->scene().solid(0).boundsMin.x, -1.0);
    drawFrame(view);
    const std::optional<QPointF> last = scene->drawnPositionOf(3);
    QVERIFY(last);
    QCOMPARE(scene->boxAt(*last), std::optional<std::size_t>(3));
    compareOnceChecked(test, view);
}

// Memory running out during the check on the worker: the list says so instead of the percentage,
// the scene stays drawn and answers clicks, and an edit or "Vérifier à nouveau" checks again.
void ViewChecksTest::aCheckThatFailsSaysWhyAndTheNextEditChecksAgain() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("row.box"), rowOfCubes(), rowPairs);
    failuresToCome = 1;
    ViewWindow* view = pressF3(test);
    const QString failure("La vérification n'a pas pu se faire : la mémoire a manqué. Elle sera "
                          "refaite à la prochaine modification, ou par « Vérifier à nouveau ».");
    QTRY_COMPARE(shownFailure(view), failure);
    QCOMPARE(shownPercent(view), -1);
    QVERIFY(view->checking());
    QCOMPARE(problemTitle(view), QString("Problèmes"));
    QVERIFY(!view->problemList()->isVisible());
    QPushButton* checkAgain = buttonNamed(view, "Vérifier à nouveau");
    QVERIFY(checkAgain != nullptr && checkAgain->isVisible());

    drawFrame(view);
    SceneView* scene = view->sceneView();
    QCOMPARE(scene->boxesDrawnInFull(), std::size_t(7));
    const std::optional<QPointF> at = scene->drawnPositionOf(4);
    QVERIFY(at);
    QTest::mouseClick(scene, Qt::LeftButton, Qt::NoModifier, at->toPoint());
    QCOMPARE(test.shownText(1013), QString("5"));

    // The next edit checks the document again, whole.
    test.clickLine(1027, 3);
    test.click(1030);
    QVERIFY(waitForChecks(view));
    compareOnceChecked(test, view);
    QCOMPARE(shownFailure(view), QString());
    QVERIFY(!checkAgain->isVisible());

    // Failed again on opening the view again, the button tries again.
    view->close();
    test.clickLine(1027, 0);
    test.click(1030);
    failuresToCome = 1;
    pressF3(test);
    QTRY_COMPARE(shownFailure(view), failure);
    QTest::mouseClick(checkAgain, Qt::LeftButton);
    QCOMPARE(shownFailure(view), QString());
    QVERIFY(!checkAgain->isVisible());
    QVERIFY(waitForChecks(view));
    compareOnceChecked(test, view);
}

QTEST_MAIN(ViewChecksTest)
#include "viewchecks_test.moc"
