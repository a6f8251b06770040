// A list of many lines read from a source it does not own: it paints the rows in sight with the
// source's texts, follows the source's changes as told, and answers keys, clicks and typing as a
// list does.
#include "ListControl.h"
#include "listtestsupport.h"

#include <QAccessible>
#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <string>
#include <vector>

namespace {

class VectorLines : public LineSource {
public:
    std::size_t lineCount() const override { return lines.size(); }
    std::string_view line(std::size_t index) const override { return lines.at(index); }
    void walkLines(std::size_t first,
                   const std::function<bool(std::string_view)>& take) const override {
        ++walks;
        for (std::size_t index = first; index < lines.size() && take(lines[index]); ++index) {
        }
    }

    std::vector<std::string> lines;
    mutable int walks = 0;
};

// Counts how many rows the list measures, which is what a repaint after a change costs it.
class MeasuredList : public ListControl {
public:
    QRect visualRect(const QModelIndex& index) const override {
        ++measured;
        return ListControl::visualRect(index);
    }

    mutable int measured = 0;
};

VectorLines numberedLines(int count) {
    VectorLines source;
    for (int i = 0; i < count; ++i) {
        source.lines.push_back("line " + std::to_string(i));
    }
    return source;
}

// Every row painted shows the source's line of its row, and the rows fill the viewport in order.
void compareWithSource(ListControl& list, const VectorLines& source) {
    QVERIFY(screenShowsAFreshPaint(&list));
    const std::vector<PaintedRow> rows = paintedRows(&list);
    QVERIFY(!source.lines.empty() == !rows.empty());
    QVERIFY(paintedRowsFollowOneAnother(rows, &list));
    for (const PaintedRow& row : rows) {
        QCOMPARE(row.text, QString::fromStdString(source.lines.at(std::size_t(row.row))));
    }
    QCOMPARE(std::size_t(list.lineCount()), source.lines.size());
}

int selectedPaintedRow(ListControl& list) {
    for (const PaintedRow& row : paintedRows(&list)) {
        if (row.selected) {
            return row.row;
        }
    }
    return -1;
}

} // namespace

class ListControlTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void paintsTheSourcesLinesInSight();
    void followsRemovalsInsertionsAndRewritesAsTold();
    void manyMovesAtOnceAreReadAgainWhole();
    void aRewriteOfEveryLineMeasuresOnlyTheRowsInSight();
    void aChangeNotToldInFullIsReadAgainWhole();
    void keysMoveTheSelectionAndKeepItInSight();
    void typingSelectsTheNextLineThatStartsSo();
    void aClickSelectsTheLineUnderIt();
    void isToldToScreenReadersAsAListOfItems();

private:
    VectorLines source_;
    std::unique_ptr<ListControl> list_;
};

void ListControlTest::init() {
    source_ = numberedLines(5000);
    list_ = std::make_unique<ListControl>();
    list_->resize(200, 300);
    list_->showLines(source_);
    list_->show();
    QVERIFY(QTest::qWaitForWindowExposed(list_.get()));
}

void ListControlTest::cleanup() {
    list_.reset();
}

void ListControlTest::paintsTheSourcesLinesInSight() {
    std::vector<PaintedRow> rows = paintedRows(list_.get());
    QVERIFY(rows.size() > 3);
    QVERIFY(rows.size() < 100);
    QCOMPARE(rows.front().row, 0);
    compareWithSource(*list_, source_);
    list_->scrollTo(list_->model()->index(2500, 0), QAbstractItemView::PositionAtTop);
    rows = paintedRows(list_.get());
    QCOMPARE(rows.front().row, 2500);
    compareWithSource(*list_, source_);
    list_->scrollTo(list_->model()->index(4999, 0));
    rows = paintedRows(list_.get());
    QCOMPARE(rows.back().row, 4999);
    QVERIFY(rows.back().rect.bottom() < list_->viewport()->height());
    compareWithSource(*list_, source_);
}

void ListControlTest::followsRemovalsInsertionsAndRewritesAsTold() {
    list_->scrollTo(list_->model()->index(100, 0), QAbstractItemView::PositionAtTop);
    list_->selectLine(102);
    QSignalSpy userChanges(list_.get(), &ListControl::userSelectionChanged);
    // Removed 101 and 103, then line 100 rewritten, then two lines inserted at 100 and 104.
    source_.lines.erase(source_.lines.begin() + 103);
    source_.lines.erase(source_.lines.begin() + 101);
    source_.lines[100] = "rewritten";
    source_.lines.insert(source_.lines.begin() + 100, "new 100");
    source_.lines.insert(source_.lines.begin() + 104, "new 104");
    list_->followLines({{101, 103}, {100}, {100, 104}, false});
    compareWithSource(*list_, source_);
    QCOMPARE(list_->selectedIndex(), std::nullopt);
    QCOMPARE(selectedPaintedRow(*list_), -1);
    QCOMPARE(userChanges.count(), 0);
    // A lone removal, then a lone insertion, in sight.
    source_.lines.erase(source_.lines.begin() + 102);
    list_->followLines({{102}, {}, {}, false});
    compareWithSource(*list_, source_);
    source_.lines.insert(source_.lines.begin() + 101, "inserted");
    list_->followLines({{}, {}, {101}, false});
    compareWithSource(*list_, source_);
    // Any line may be rewritten: the rows in sight are painted again.
    for (std::string& line : source_.lines) {
        line += "'";
    }
    list_->followLines({{}, {}, {}, true});
    compareWithSource(*list_, source_);
    list_->followLines({{0}, {}, {}, false});
    QCOMPARE(list_->lineCount(), 5000);
}

void ListControlTest::manyMovesAtOnceAreReadAgainWhole() {
    list_->scrollTo(list_->model()->index(1000, 0), QAbstractItemView::PositionAtTop);
    LineChanges changes;
    for (std::size_t line = 0; line < 2000; line += 2) {
        changes.removed.push_back(line);
    }
    std::vector<std::string> kept;
    for (std::size_t line = 1; line < source_.lines.size(); line += 2) {
        kept.push_back(source_.lines[line]);
    }
    kept.insert(kept.begin(), "first");
    changes.inserted.push_back(0);
    source_.lines.erase(source_.lines.begin(), source_.lines.begin() + 2000);
    source_.lines.insert(source_.lines.begin(), kept.begin(), kept.begin() + 1001);
    list_->followLines(changes);
    QCOMPARE(list_->verticalScrollBar()->value(), 1000);
    compareWithSource(*list_, source_);
}

void ListControlTest::aRewriteOfEveryLineMeasuresOnlyTheRowsInSight() {
    VectorLines source = numberedLines(50000);
    MeasuredList list;
    list.resize(200, 300);
    list.showLines(source);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.scrollTo(list.model()->index(20000, 0), QAbstractItemView::PositionAtTop);
    QApplication::processEvents();
    for (std::string& line : source.lines) {
        line += "'";
    }
    list.measured = 0;
    // As after a box's deletion, every rank in the lines may have moved.
    list.followLines({{}, {}, {}, true});
    QVERIFY2(list.measured < 200, qPrintable(QString::number(list.measured)));
    QApplication::processEvents();
    compareWithSource(list, source);
}

void ListControlTest::aChangeNotToldInFullIsReadAgainWhole() {
    source_.lines.resize(10);
    // Told of one removal where 4990 lines left: the list reads its lines again.
    list_->followLines({{3}, {}, {}, false});
    QCOMPARE(list_->lineCount(), 10);
    compareWithSource(*list_, source_);
    source_.lines.clear();
    list_->followLines({{}, {}, {4}, false});
    QCOMPARE(list_->lineCount(), 0);
    QVERIFY(paintedRows(list_.get()).empty());
}

void ListControlTest::keysMoveTheSelectionAndKeepItInSight() {
    QSignalSpy userChanges(list_.get(), &ListControl::userSelectionChanged);
    list_->setFocus();
    QTest::keyClick(list_.get(), Qt::Key_End);
    QCOMPARE(list_->selectedIndex(), std::optional<int>(4999));
    QCOMPARE(selectedPaintedRow(*list_), 4999);
    QTest::keyClick(list_.get(), Qt::Key_Down);
    QCOMPARE(list_->selectedIndex(), std::optional<int>(4999));
    QTest::keyClick(list_.get(), Qt::Key_Home);
    QCOMPARE(selectedPaintedRow(*list_), 0);
    QTest::keyClick(list_.get(), Qt::Key_Up);
    QCOMPARE(list_->selectedIndex(), std::optional<int>(0));
    const std::vector<PaintedRow> rows = paintedRows(list_.get());
    QTest::keyClick(list_.get(), Qt::Key_PageDown);
    // A page down goes to the first row below those wholly in sight.
    int wholly = 0;
    for (const PaintedRow& row : rows) {
        wholly += row.rect.bottom() < list_->viewport()->height() ? 1 : 0;
    }
    QCOMPARE(list_->selectedIndex(), std::optional<int>(wholly));
    QCOMPARE(selectedPaintedRow(*list_), wholly);
    QTest::keyClick(list_.get(), Qt::Key_PageUp);
    QCOMPARE(list_->selectedIndex(), std::optional<int>(0));
    QTest::keyClick(list_.get(), Qt::Key_Down);
    QTest::keyClick(list_.get(), Qt::Key_Down);
    QCOMPARE(selectedPaintedRow(*list_), 2);
    QCOMPARE(userChanges.count(), 6);
}

void ListControlTest::typingSelectsTheNextLineThatStartsSo() {
    source_.lines[3000] = "Zèbre";
    source_.lines[4000] = "zéro";
    list_->followLines({{}, {3000, 4000}, {}, false});
    list_->setFocus();
    QTest::keyClicks(list_.get(), "z");
    QCOMPARE(list_->selectedIndex(), std::optional<int>(3000));
    QCOMPARE(selectedPaintedRow(*list_), 3000);
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTest::keyClicks(list_.get(), "z");
    QCOMPARE(list_->selectedIndex(), std::optional<int>(4000));
    // Past the last match the search starts again from the top, in one walk each way.
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    source_.walks = 0;
    QTest::keyClicks(list_.get(), "z");
    QCOMPARE(list_->selectedIndex(), std::optional<int>(3000));
    QCOMPARE(source_.walks, 2);
}

void ListControlTest::aClickSelectsTheLineUnderIt() {
    list_->scrollTo(list_->model()->index(700, 0), QAbstractItemView::PositionAtTop);
    const std::vector<PaintedRow> rows = paintedRows(list_.get());
    const PaintedRow& third = rows.at(2);
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, Qt::NoModifier, third.rect.center());
    QCOMPARE(list_->selectedIndex(), std::optional<int>(702));
    QCOMPARE(third.row, 702);
    QCOMPARE(selectedPaintedRow(*list_), 702);
    // The wheel scrolls three rows a notch; the selection stays with its line, now out of sight.
    QWheelEvent wheel(QPointF(50, 50), list_->viewport()->mapToGlobal(QPointF(50, 50)), {},
                      {0, -120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list_->viewport(), &wheel);
    QCOMPARE(paintedRows(list_.get()).front().row, 703);
    QCOMPARE(selectedPaintedRow(*list_), -1);
    QCOMPARE(list_->selectedIndex(), std::optional<int>(702));
    QCOMPARE(list_->indexAt(list_->visualRect(list_->model()->index(710, 0)).center()).row(), 710);
}

// A list of list items, as Qt's own list views are, not a table: the lines' texts, the current
// line as the focused item, the selection, and each item following its line as lines come and
// go.
void ListControlTest::isToldToScreenReadersAsAListOfItems() {
    list_->setAccessibleName("Boxes");
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(list_.get());
    QVERIFY(list != nullptr);
    QCOMPARE(list->role(), QAccessible::List);
    QCOMPARE(list->text(QAccessible::Name), QString("Boxes"));
    QCOMPARE(list->childCount(), 5000);
    QAccessibleInterface* line = list->child(2500);
    QVERIFY(line != nullptr);
    QCOMPARE(line->role(), QAccessible::ListItem);
    QCOMPARE(line->text(QAccessible::Name), QString("line 2500"));
    QCOMPARE(line->parent(), list);
    QCOMPARE(list->indexOfChild(line), 2500);
    QCOMPARE(list->child(2500), line);
    QVERIFY(line->state().invisible);
    QVERIFY(list->child(5000) == nullptr);
    QVERIFY(list->focusChild() == nullptr);

    list_->activateWindow();
    list_->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return list_->hasFocus(); }));
    QTest::keyClick(list_.get(), Qt::Key_Down);
    QTest::keyClick(list_.get(), Qt::Key_Down);
    QTest::keyClick(list_.get(), Qt::Key_Down);
    QCOMPARE(list_->selectedIndex(), std::optional<int>(2));
    QAccessibleInterface* current = list->focusChild();
    QVERIFY(current != nullptr);
    QCOMPARE(current->role(), QAccessible::ListItem);
    QCOMPARE(current->text(QAccessible::Name), QString("line 2"));
    QCOMPARE(list->indexOfChild(current), 2);
    QVERIFY(current->state().focused);
    QVERIFY(current->state().selected);
    QVERIFY(!current->state().invisible);
    QVERIFY(!list->child(1)->state().selected);
    QVERIFY(!list->child(1)->state().focused);
    // Under a point of the screen is the item of the line painted there.
    QCOMPARE(list->childAt(current->rect().center().x(), current->rect().center().y()), current);

    // The first line goes: each item follows its own line, and the one asked for by row is
    // that row's.
    source_.lines.erase(source_.lines.begin());
    list_->followLines({{0}, {}, {}, false});
    QCOMPARE(list->childCount(), 4999);
    QCOMPARE(list->indexOfChild(line), 2499);
    QCOMPARE(line->text(QAccessible::Name), QString("line 2500"));
    QCOMPARE(list->child(2500)->text(QAccessible::Name), QString("line 2501"));
    QCOMPARE(list->child(2499)->text(QAccessible::Name), QString("line 2500"));
    QCOMPARE(list->child(2499), line);
    // Lines shown afresh: the items of the old ones are gone.
    VectorLines other = numberedLines(3);
    list_->showLines(other);
    QCOMPARE(list->childCount(), 3);
    QCOMPARE(list->child(2)->text(QAccessible::Name), QString("line 2"));
    list_->showLines(source_);
}

QTEST_MAIN(ListControlTest)
#include "listcontrol_test.moc"
