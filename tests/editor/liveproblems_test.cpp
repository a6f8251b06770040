// The problem list of the 3D view follows the window's commands in place: after any sequence of
// commands it shows what a whole check of the document finds, and the view draws what a scene
// built whole would; an edit elsewhere leaves the user's selection where it was.
#include "BoxCategories.h"
#include "SceneCulling.h"
#include "ViewTestSupport.h"
#include "problems.h"
#include "scene.h"

#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeView>
#include <random>

namespace {

// A row of cubes, some touching, two sharing an ID, with listed pairs apart, repeated, invalid.
std::vector<FormBox> rowOfCubes() {
    std::vector<FormBox> boxes;
    const std::vector<double> places = {0, 2, 4, 4.5, 8, 10, 12, 15};
    for (std::size_t i = 0; i < places.size(); ++i) {
        boxes.push_back(cube(i == 5 ? "3" : std::to_string(i + 1), places[i], 0, 0, 1));
    }
    return boxes;
}

const std::vector<std::string> rowPairs{"0 1", "1 2", "2 3", "0 7", "3 2", "4 4", "9 1", "x"};

// What a frame chooses from the scene the view followed edit by edit, and from one built whole.
void compareWithWholeScene(TestWindow& test, ViewWindow* view) {
    const ViewScene whole = buildViewScene(test.document());
    SceneView* sceneView = view->sceneView();
    const auto choose = [&](const ViewScene& scene) {
        BoxCategories categories;
        categories.setScene(&scene);
        SceneFrame frame;
        chooseWhatToDraw(frame, scene, categories, sceneView->camera(), sceneView->size(),
                         std::nullopt);
        std::vector<std::pair<std::size_t, double>> full;
        for (const SceneFrame::FullBox& box : frame.full) {
            full.emplace_back(box.rank, box.depth);
        }
        std::sort(full.begin(), full.end());
        return std::make_tuple(full, frame.points.size(), frame.crosses.size());
    };
    QCOMPARE(choose(view->scene()), choose(whole));
    // Boxes stay in the view the window framed when it opened: the frames are not empty.
    QVERIFY(!std::get<0>(choose(whole)).empty());
}

// Selects the first row of a problem the button fixes and presses the button, if there is one.
bool fixFirst(ViewWindow* view, ProblemKind kind, const QString& button) {
    QTreeView* list = view->problemList();
    const std::vector<Problem>& problems = view->scene().problems();
    for (std::size_t row = 0; row < problems.size(); ++row) {
        if (problems[row].kind == kind) {
            list->setCurrentIndex(list->model()->index(static_cast<int>(row), 0));
            QTest::mouseClick(buttonNamed(view, button), Qt::LeftButton);
            return true;
        }
    }
    return false;
}

} // namespace

class LiveProblemsTest : public QObject {
    Q_OBJECT

private slots:
    void anySequenceOfCommandsShowsWhatAWholeCheckFinds();
    void anEditElsewhereKeepsTheSelectionAndTheScroll();
    void editsWhileTheViewIsClosedShowWhenItOpensAgain();
};

void LiveProblemsTest::anySequenceOfCommandsShowsWhatAWholeCheckFinds() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("row.box"), rowOfCubes(), rowPairs);
    ViewWindow* view = openView(test);
    compareWithWholeCheck(test.document(), view);
    std::mt19937 random(7);
    const auto pick = [&](std::size_t count) {
        return static_cast<int>(std::uniform_int_distribution<std::size_t>(0, count - 1)(random));
    };
    const auto boxCount = [&] { return test.document().boxes.size(); };
    const auto lineCount = [&] { return test.document().intersections.size(); };
    QWidget* boxList = test.control(1008);
    for (int step = 0; step < 60; ++step) {
        const int command = pick(8);
        if (command == 0 && boxCount() > 0) {
            // "Valider" of a box whose +x face moved: it reaches its neighbour, or leaves it.
            test.clickLine(1008, pick(boxCount()));
            const double centre = test.shownText(1021).toDouble();
            retype(test, 1040, QString::number(centre + 0.5 * (1 + pick(6))));
            test.click(1081);
        } else if (command == 1) {
            retype(test, 1013, QString::number(pick(5)));
            test.click(1032);
        } else if (command == 2 && boxCount() > 1) {
            test.clickLine(1008, pick(boxCount()));
            test.click(1031);
        } else if (command == 3 && boxCount() > 1) {
            addIntersectionAsUser(test, QString::number(pick(boxCount())),
                                  QString::number(pick(boxCount())));
        } else if (command == 4 && lineCount() > 0) {
            test.clickLine(1027, pick(lineCount()));
            test.click(1030);
        } else if (command == 5) {
            boxList->setFocus();
            QTest::keyClick(boxList, Qt::Key_Z, Qt::ControlModifier);
        } else if (command == 6) {
            boxList->setFocus();
            QTest::keyClick(boxList, Qt::Key_Y, Qt::ControlModifier);
        } else if (!fixFirst(view, ProblemKind::IntersectionMissing,
                             "Ajouter les intersections manquantes")) {
            fixFirst(view, ProblemKind::IntersectionOutOfRange,
                     "Retirer les intersections invalides");
        }
        QCOMPARE(test.unusedAnswers(), std::size_t(0));
        compareWithWholeCheck(test.document(), view);
        compareWithWholeScene(test, view);
    }
}

void LiveProblemsTest::anEditElsewhereKeepsTheSelectionAndTheScroll() {
    // Forty boxes whose radius is too small, one row each, so that the list scrolls; and two
    // cubes far from them.
    std::vector<FormBox> boxes;
    for (int i = 0; i < 40; ++i) {
        FormBox box = cube(std::to_string(i), 3.0 * i, 0, 0, 1);
        box.radius = "1";
        boxes.push_back(box);
    }
    boxes.push_back(cube("100", 0, 50, 0, 1));
    boxes.push_back(cube("101", 2, 50, 0, 1));
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("many.box"), boxes, {"40 41"});
    ViewWindow* view = openView(test);
    QTreeView* list = view->problemList();
    QCOMPARE(list->model()->rowCount(), 40);
    const QModelIndex chosen = list->model()->index(25, 0);
    list->scrollTo(chosen, QAbstractItemView::PositionAtTop);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualRect(chosen).center());
    const QString chosenMessage = list->model()->index(25, 3).data().toString();
    const int scroll = list->verticalScrollBar()->value();
    QVERIFY(scroll > 0);

    // Box 101 moves away from 100: their listed pair becomes apart, a row after the selection.
    test.clickLine(1008, 41);
    retype(test, 1056, "-9");
    retype(test, 1040, "-7");
    test.click(1081);
    compareWithWholeCheck(test.document(), view);
    QCOMPARE(list->model()->rowCount(), 41);
    const QModelIndexList selected = list->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().row(), 25);
    QCOMPARE(list->model()->index(25, 3).data().toString(), chosenMessage);
    QCOMPARE(list->verticalScrollBar()->value(), scroll);

    // Its undo takes the row away again, and leaves the selection too.
    QWidget* boxList = test.control(1008);
    boxList->setFocus();
    QTest::keyClick(boxList, Qt::Key_Z, Qt::ControlModifier);
    compareWithWholeCheck(test.document(), view);
    QCOMPARE(list->model()->rowCount(), 40);
    QCOMPARE(list->selectionModel()->selectedRows().first().row(), 25);
    QCOMPARE(list->verticalScrollBar()->value(), scroll);
}

void LiveProblemsTest::editsWhileTheViewIsClosedShowWhenItOpensAgain() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("row.box"), rowOfCubes(), rowPairs);
    ViewWindow* view = openView(test);
    view->close();
    test.clickLine(1008, 2);
    test.click(1031);
    addIntersectionAsUser(test, "0", "5");
    QWidget* boxList = test.control(1008);
    boxList->setFocus();
    QTest::keyClick(boxList, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(boxList, Qt::Key_Y, Qt::ControlModifier);
    test.click(1083); // "Vue 3D"
    QVERIFY(QTest::qWaitForWindowExposed(view));
    QVERIFY(waitForChecks(view));
    compareWithWholeCheck(test.document(), view);
    // And it follows again from there.
    test.clickLine(1027, 0);
    test.click(1030);
    compareWithWholeCheck(test.document(), view);
}

QTEST_MAIN(LiveProblemsTest)
#include "liveproblems_test.moc"
