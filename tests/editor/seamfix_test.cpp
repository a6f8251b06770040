// "Coller contre" in the 3D view's problem list, as a user closes a seam: select the seam, press
// the button, and judge by the list, the form and the bytes saved.
#include "CommandProcessor.h"
#include "ViewTestSupport.h"
#include "ViewWindow.h"
#include "orlclass.h"

#include <QTemporaryDir>
#include <QTreeView>
#include <cmath>

namespace {

constexpr int boxList = 1008;
constexpr int idField = 1013;
constexpr int centreXField = 1018;
constexpr int saveButton = 3;

int rowShowing(QTreeView* list, const QString& text) {
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        if (list->model()->index(row, 3).data().toString().contains(text)) {
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

void pressUndo(QWidget* widget) {
    widget->window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(widget->window()));
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key_Z, Qt::ControlModifier);
}

// Two cubes two units wide, the second a thirty-second of a unit beyond the first along X, and a
// third far away.
std::vector<FormBox> seamScene() {
    return {cube("10", 0, 0, 0, 1), cube("11", 2.03125, 0, 0, 1), cube("12", 20, 0, 0, 1)};
}

// A cube moved by the fix: the same planes as a cube made there, and the smallest whole radius
// that reaches its corners, √3.
FormBox movedCube(const std::string& id, double x) {
    FormBox box = cube(id, x, 0, 0, 1);
    box.radius = "2";
    return box;
}

// The cube turned about Z by the angle.
FormBox turnedCube(const std::string& id, double x, double degrees) {
    const double angle = degrees * 3.14159265358979323846 / 180;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double normals[6][2] = {{c, s}, {-s, c}, {0, 0}, {s, -c}, {0, 0}, {-c, -s}};
    FormBox box = cube(id, x, 0, 0, 1);
    for (const std::size_t plane : {0, 1, 3, 5}) {
        const auto text = [](double value) { return fixedpoint::formatDecimal(value); };
        box.planes[plane * 4] = fixedpoint::decimalToHex4(text(normals[plane][0]));
        box.planes[plane * 4 + 1] = fixedpoint::decimalToHex4(text(normals[plane][1]));
        box.planes[plane * 4 + 3] = fixedpoint::decimalToHex8(text(normals[plane][0] * x + 1));
    }
    return box;
}

} // namespace

class SeamFixTest : public QObject {
    Q_OBJECT

private slots:
    void theBoxOfTheFormMovesOntoTheOtherFaceAndCtrlZGivesBackTheBytes();
    void withNeitherBoxInTheFormTheFirstBoxMoves();
    void facesNotQuiteParallelOfferNoFix();
};

void SeamFixTest::theBoxOfTheFormMovesOntoTheOtherFaceAndCtrlZGivesBackTheBytes() {
    QTemporaryDir dir;
    const QString path = dir.filePath("seam.box");
    const std::string original = boxTextBytes(seamScene(), {});
    writeBytes(path, original);
    TestWindow test;
    test.answerChooser(path);
    test.click(1000);
    test.clickLine(boxList, 1);
    ViewWindow* view = openView(test);
    QTreeView* list = view->problemList();
    QPushButton* stick = buttonNamed(view, "Coller contre");
    QVERIFY(stick != nullptr);
    QVERIFY(!stick->isEnabled());
    const int seam = rowShowing(list, "fente de 0,0312 entre la face 0 et la face 5 de la box 1");
    QVERIFY(seam >= 0);
    clickRow(list, seam);
    QVERIFY(stick->isEnabled());

    QTest::mouseClick(stick, Qt::LeftButton);
    QCOMPARE(rowShowing(list, "fente"), -1);
    // Touching now, the pair is not listed: that is the fixes' own business.
    const int missing = rowShowing(list, "n'est pas listée");
    QVERIFY(missing >= 0);
    QCOMPARE(list->model()->rowCount(), 1);
    clickRow(list, missing);
    QVERIFY(!stick->isEnabled());
    QCOMPARE(test.window().commands().history().undoName(),
             std::optional<std::string>("Coller la box 11 contre la box 10"));
    // The form shows the moved box as it now stands.
    QCOMPARE(test.shownText(idField), QString("11"));
    QCOMPARE(test.shownText(centreXField), QString::fromStdString(movedCube("11", 2).centre[0]));
    test.click(saveButton);
    QCOMPARE(
        readBytes(path),
        boxTextBytes({cube("10", 0, 0, 0, 1), movedCube("11", 2), cube("12", 20, 0, 0, 1)}, {}));

    pressUndo(list);
    QCOMPARE(test.document().writeText(), original);
    QVERIFY(rowShowing(list, "fente de 0,0312") >= 0);
    QCOMPARE(test.shownText(centreXField), QString::fromStdString(seamScene()[1].centre[0]));
    test.click(saveButton);
    QCOMPARE(readBytes(path), original);
}

void SeamFixTest::withNeitherBoxInTheFormTheFirstBoxMoves() {
    QTemporaryDir dir;
    const QString path = dir.filePath("seam.box");
    writeBytes(path, boxTextBytes(seamScene(), {}));
    TestWindow test;
    test.answerChooser(path);
    test.click(1000);
    test.clickLine(boxList, 2);
    ViewWindow* view = openView(test);
    QTreeView* list = view->problemList();
    clickRow(list, rowShowing(list, "fente"));
    QTest::mouseClick(buttonNamed(view, "Coller contre"), Qt::LeftButton);
    QCOMPARE(rowShowing(list, "fente"), -1);
    QCOMPARE(test.window().commands().history().undoName(),
             std::optional<std::string>("Coller la box 10 contre la box 11"));
    QCOMPARE(test.shownText(idField), QString("10"));
    test.click(saveButton);
    QCOMPARE(readBytes(path), boxTextBytes({movedCube("10", 0.03125), cube("11", 2.03125, 0, 0, 1),
                                            cube("12", 20, 0, 0, 1)},
                                           {}));
}

// Half a degree apart, the faces make a seam, but no box can lie flat on the other.
void SeamFixTest::facesNotQuiteParallelOfferNoFix() {
    QTemporaryDir dir;
    const QString path = dir.filePath("seam.box");
    const std::string original =
        boxTextBytes({cube("10", 0, 0, 0, 1), turnedCube("11", 2.03125, 0.5)}, {});
    writeBytes(path, original);
    TestWindow test;
    test.answerChooser(path);
    test.click(1000);
    ViewWindow* view = openView(test);
    QTreeView* list = view->problemList();
    const int seam = rowShowing(list, "fente");
    QVERIFY(seam >= 0);
    clickRow(list, seam);
    QPushButton* stick = buttonNamed(view, "Coller contre");
    QVERIFY(!stick->isEnabled());
    QTest::mouseClick(stick, Qt::LeftButton);
    QCOMPARE(test.document().writeText(), original);
    QVERIFY(!test.window().commands().history().undoName().has_value());
}

QTEST_MAIN(SeamFixTest)
#include "seamfix_test.moc"
