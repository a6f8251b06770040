// The main window's two lists read the document's lines where they lie: after any command, undo
// or redo, each paints exactly the document's lines in the rows in sight, and the box list
// selects the box the form shows.
#include "BoxForm.h"
#include "FormTestSupport.h"
#include "ListControl.h"
#include "ViewTestSupport.h"
#include "listtestsupport.h"
#include "orlclass.h"

#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int boxListId = 1008;
constexpr int intersectionListId = 1027;

// A few thousand boxes, two IDs repeated, each box listed with its next two, and lines of odd
// texts among them.
std::vector<FormBox> manyBoxes(int count) {
    std::vector<FormBox> boxes;
    for (int i = 0; i < count; ++i) {
        FormBox box;
        box.id = i % 1000 == 7 ? "7" : std::to_string(i + 1);
        boxes.push_back(box);
    }
    return boxes;
}

// Each box with its next two; a rank left out has no line.
std::vector<std::string> pairsOfNeighbours(int count, int leftOut = -1) {
    std::vector<std::string> lines;
    const auto add = [&](int first, int second, const std::string& text) {
        if (first != leftOut && second != leftOut) {
            lines.push_back(text);
        }
    };
    for (int i = 0; i + 2 < count; ++i) {
        add(i, i + 1, std::to_string(i) + " " + std::to_string(i + 1));
        add(i, i + 2,
            i % 500 == 3 ? "+" + std::to_string(i) + " 0" + std::to_string(i + 2)
                         : std::to_string(i) + " " + std::to_string(i + 2));
    }
    lines.push_back("0 1");
    lines.push_back("x");
    return lines;
}

// Both lists hold the document's lines, paint them in the rows in sight, and the box list's
// selection is the box the rank label shows.
void compareListsWithDocument(TestWindow& test) {
    const BoxDocument& document = test.document();
    const auto compareList = [&](int listId, const TextList& lines) {
        const QStringList expected = texts(lines);
        QVERIFY(screenShowsAFreshPaint(test.list(listId)));
        QCOMPARE(test.lines(listId), expected);
        const std::vector<PaintedRow> rows = paintedRows(test.list(listId));
        QVERIFY(paintedRowsFollowOneAnother(rows, test.list(listId)));
        QCOMPARE(rows.empty(), expected.isEmpty());
        for (const PaintedRow& row : rows) {
            QCOMPARE(row.text, expected.at(row.row));
            QCOMPARE(row.selected, test.list(listId)->selectedIndex() == row.row);
        }
    };
    compareList(boxListId, document.boxIds);
    compareList(intersectionListId, document.intersections);
    const QString rank = test.shownText(rankLabelId);
    const std::optional<int> selected = test.list(boxListId)->selectedIndex();
    // Empty before any box was shown, "-" once the box shown left.
    if (rank.isEmpty() || rank == "-") {
        QCOMPARE(selected, std::nullopt);
    } else {
        QCOMPARE(selected, std::optional<int>(rank.toInt()));
    }
}

void pressOnBoxList(TestWindow& test, Qt::Key key) {
    QWidget* boxList = test.control(boxListId);
    boxList->setFocus();
    QTest::keyClick(boxList, key, Qt::ControlModifier);
}

} // namespace

class ListsFollowEditsTest : public QObject {
    Q_OBJECT

private slots:
    void anySequenceOfCommandsLeavesTheListsShowingTheDocument();
    void deletingABoxRenumbersTheLinesInSightAndUndoGivesThemBack();
    void deletingABoxWithoutLinesRepaintsTheLinesItRenumbered();
};

void ListsFollowEditsTest::anySequenceOfCommandsLeavesTheListsShowingTheDocument() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("many.box"), manyBoxes(3000), pairsOfNeighbours(3000));
    compareListsWithDocument(test);
    std::mt19937 random(11);
    const auto pick = [&](std::size_t count) {
        return static_cast<int>(std::uniform_int_distribution<std::size_t>(0, count - 1)(random));
    };
    const auto boxCount = [&] { return test.document().boxes.size(); };
    const auto lineCount = [&] { return test.document().intersections.size(); };
    for (int step = 0; step < 80; ++step) {
        const int command = pick(8);
        if (command == 0 && boxCount() > 0) {
            test.clickLine(boxListId, pick(boxCount()));
            retype(test, 1015, QString::number(1 + pick(90)));
            test.click(1081);
        } else if (command == 1) {
            retype(test, 1013, QString::number(5000 + step));
            test.click(1032);
        } else if (command == 2 && boxCount() > 1) {
            test.clickLine(boxListId, pick(boxCount()));
            test.click(1031);
        } else if (command == 3 && boxCount() > 1) {
            const std::size_t near = std::min<std::size_t>(boxCount(), 12);
            addIntersectionAsUser(test, QString::number(pick(near)), QString::number(pick(near)));
        } else if (command == 4 && lineCount() > 0) {
            test.clickLine(intersectionListId, pick(lineCount()));
            test.click(1030);
        } else if (command == 5) {
            pressOnBoxList(test, Qt::Key_Z);
        } else if (command == 6) {
            pressOnBoxList(test, Qt::Key_Y);
        } else {
            // The user scrolls the intersection list somewhere else.
            test.list(intersectionListId)
                ->scrollTo(test.list(intersectionListId)->model()->index(pick(lineCount()), 0),
                           QAbstractItemView::PositionAtTop);
        }
        QCOMPARE(test.unusedAnswers(), std::size_t(0));
        compareListsWithDocument(test);
        if (QTest::currentTestFailed()) {
            qWarning("after step %d, command %d", step, command);
            return;
        }
    }
}

void ListsFollowEditsTest::deletingABoxRenumbersTheLinesInSightAndUndoGivesThemBack() {
    QTemporaryDir dir;
    const QString path = dir.filePath("many.box");
    TestWindow test;
    openFile(test, path, manyBoxes(3000), pairsOfNeighbours(3000));
    const std::string original = test.document().writeText();
    ListControl* lines = test.list(intersectionListId);
    lines->scrollTo(lines->model()->index(4000, 0), QAbstractItemView::PositionAtTop);
    const std::vector<PaintedRow> before = paintedRows(lines);
    QCOMPARE(before.front().text, QString("2000 2001"));

    test.clickLine(boxListId, 1000);
    test.click(1031);
    // The four lines of box 1000 left from above: the rows in sight show the lines four further
    // on, every rank past 1000 one less.
    const std::vector<PaintedRow> after = paintedRows(lines);
    QCOMPARE(after.front().row, 4000);
    QCOMPARE(after.front().text, QString("2001 2002"));
    QCOMPARE(after.at(1).text, QString("2001 2003"));
    compareListsWithDocument(test);

    pressOnBoxList(test, Qt::Key_Z);
    const std::vector<PaintedRow> undone = paintedRows(lines);
    QCOMPARE(undone.size(), before.size());
    for (std::size_t k = 0; k < before.size(); ++k) {
        QCOMPARE(undone[k].text, before[k].text);
    }
    // The form shows the box given back, selected in the list and painted so.
    QCOMPARE(test.shownText(rankLabelId), QString("1000"));
    const std::vector<PaintedRow> boxes = paintedRows(test.list(boxListId));
    QVERIFY(std::any_of(boxes.begin(), boxes.end(),
                        [](const PaintedRow& row) { return row.row == 1000 && row.selected; }));
    compareListsWithDocument(test);
    test.click(3);
    QCOMPARE(readBytes(path), original);

    pressOnBoxList(test, Qt::Key_Y);
    QCOMPARE(paintedRows(lines).front().text, QString("2001 2002"));
    compareListsWithDocument(test);
}

void ListsFollowEditsTest::deletingABoxWithoutLinesRepaintsTheLinesItRenumbered() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("many.box"), manyBoxes(3000), pairsOfNeighbours(3000, 1500));
    const int row = static_cast<int>(test.lines(intersectionListId).indexOf("2000 2001"));
    ListControl* lines = test.list(intersectionListId);
    lines->scrollTo(lines->model()->index(row, 0), QAbstractItemView::PositionAtTop);
    QVERIFY(screenShowsAFreshPaint(lines));

    test.clickLine(boxListId, 1500);
    test.click(1031);
    QVERIFY(screenShowsAFreshPaint(lines));
    // No line left: the rows in sight stay, every rank past 1500 one less.
    const std::vector<PaintedRow> after = paintedRows(lines);
    QCOMPARE(after.front().row, row);
    QCOMPARE(after.front().text, QString("1999 2000"));
    compareListsWithDocument(test);
    pressOnBoxList(test, Qt::Key_Z);
    QVERIFY(screenShowsAFreshPaint(lines));
    QCOMPARE(paintedRows(lines).front().text, QString("2000 2001"));
    compareListsWithDocument(test);
}

QTEST_MAIN(ListsFollowEditsTest)
#include "listsfollowedits_test.moc"
