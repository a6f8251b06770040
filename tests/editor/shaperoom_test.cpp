// A room built from an empty file with the shape window alone, as a level designer would: a
// floor, four walls and a turned pillar, no hexadecimal typed. Once the view's fix has brought
// the intersections up to date, the checks find nothing wrong in the saved file.
#include "CommandProcessor.h"
#include "ListControl.h"
#include "ShapeFields.h"
#include "ShapeTestSupport.h"
#include "ViewWindow.h"
#include "orlclass.h"
#include "problems.h"

#include <QTemporaryDir>
#include <QTreeView>
#include <algorithm>
#include <cmath>

namespace {

QStringList problemLines(const std::vector<Problem>& problems) {
    QStringList lines;
    for (const Problem& problem : problems) {
        lines << QString::fromStdString(problem.message);
    }
    return lines;
}

} // namespace

class ShapeRoomTest : public QObject {
    Q_OBJECT

private slots:
    void aRoomBuiltWithTheShapeWindowHasNoProblem();
};

void ShapeRoomTest::aRoomBuiltWithTheShapeWindowHasNoProblem() {
    QTemporaryDir dir;
    const QString path = dir.filePath("salle.box");
    TestWindow test;
    test.answerChooser(path);
    test.click(1036);
    QCOMPARE(test.document().boxes.size(), std::size_t(0));
    ShapeWindow* window = openShapeWindow(test);
    QVERIFY(window);

    QStringList done;
    QVERIFY(buildRoom(window, done));
    QCOMPARE(done,
             QStringList({"Fait : Ajouter la box 1.", "Fait : Ajouter la box 2.",
                          "Fait : Déplacer la box 2.", "Fait : Dupliquer la box 2.",
                          "Fait : Ajouter la box 4.", "Fait : Déplacer la box 4.",
                          "Fait : Coller la box 4 contre la box 1.",
                          "Fait : Coller la box 4 contre la box 2.", "Fait : Dupliquer la box 4.",
                          "Fait : Ajouter la box 6.", "Fait : Tourner la box 6.",
                          "Fait : Coller la box 6 contre la box 1."}));
    QCOMPARE(test.lines(1008), QStringList({"1", "2", "3", "4", "5", "6"}));
    QCOMPARE(window->panel()->statusLine()->text(), QString("Box 6"));
    // The normals written in steps of 1/16384 hold the turn to within a few thousandths of a
    // degree; the height along Z stays exact.
    const QStringList pillar = panelValues(window);
    QCOMPARE(pillar.mid(2, 1), QStringList({"1,75"}));
    QCOMPARE(pillar.mid(5, 1), QStringList({"3"}));
    QVERIFY2(std::abs(readFrenchNumber(pillar[6]).value_or(0) - 30) < 0.01, qPrintable(pillar[6]));
    showBox(test, "4");
    QCOMPARE(panelValues(window),
             QStringList({"4,75", "0", "1,75", "0,5", "9", "3", "0", "0", "0"}));

    // The walls touch the floor and each other: the view lists the missing pairs and adds them.
    test.click(1083);
    ViewWindow* view = test.window().view();
    QVERIFY(view && QTest::qWaitForWindowExposed(view));
    QVERIFY(waitForChecks(view));
    QTreeView* problems = view->problemList();
    QVERIFY(problems->model()->rowCount() > 0);
    problems->setCurrentIndex(problems->model()->index(0, 0));
    QPushButton* addMissing = buttonNamed(view, "Ajouter les intersections manquantes");
    QVERIFY(addMissing && addMissing->isEnabled());
    QTest::mouseClick(addMissing, Qt::LeftButton);
    test.click(3);

    BoxDocument saved;
    QVERIFY(saved.loadFile(path.toStdString()));
    const DocumentReport report = inspectDocument(saved);
    QCOMPARE(problemLines(report.problems), QStringList());
    // By construction: the floor (rank 0) under each wall and the pillar, and each of the
    // east and west walls (3, 4) against the ends of the north and south ones (1, 2).
    QStringList pairs = texts(saved.intersections);
    std::sort(pairs.begin(), pairs.end());
    QCOMPARE(pairs, QStringList({"0 1", "0 2", "0 3", "0 4", "0 5", "1 3", "1 4", "2 3", "2 4"}));
}

QTEST_MAIN(ShapeRoomTest)
#include "shaperoom_test.moc"
