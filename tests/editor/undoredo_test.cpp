// Undo and redo as a user reaches them: Ctrl+Z and Ctrl+Y in the main window and the 3D view,
// the "Annuler" and "Rétablir" buttons and the history list; judged by what the lists, labels and
// caption show and by the bytes the document writes and saves.
#include "CommandProcessor.h"
#include "EditField.h"
#include "ListControl.h"
#include "SceneView.h"
#include "ViewTestSupport.h"
#include "ViewWindow.h"
#include "orlclass.h"

#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <string>
#include <vector>

namespace {

constexpr int boxList = 1008;
constexpr int intersectionList = 1027;
constexpr int idField = 1013;
constexpr int radiusField = 1015;
constexpr int countLabel = 1004;
constexpr int rankLabel = 1086;
constexpr int validateButton = 1081;
constexpr int addBoxButton = 1032;
constexpr int deleteBoxButton = 1031;
constexpr int deleteIntersectionButton = 1030;
constexpr int saveButton = 3;
constexpr int undoButton = 1084;
constexpr int redoButton = 1085;

// As a user presses keys: in the window they go to, once it is the active one again.
void pressIn(QWidget* widget, int key, Qt::KeyboardModifiers modifiers) {
    widget->window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(widget->window()));
    widget->setFocus();
    QTest::keyClick(widget, static_cast<Qt::Key>(key), modifiers);
}

void undoKeys(QWidget* widget) {
    pressIn(widget, Qt::Key_Z, Qt::ControlModifier);
}

void redoKeys(QWidget* widget) {
    pressIn(widget, Qt::Key_Y, Qt::ControlModifier);
}

// The window's lists and count say exactly what the document holds.
bool windowShowsDocument(TestWindow& test) {
    const BoxDocument& document = test.document();
    return test.lines(boxList) == texts(document.boxIds) &&
           test.lines(intersectionList) == texts(document.intersections) &&
           test.shownText(countLabel).toStdString() == document.countText;
}

} // namespace

class UndoRedoTest : public QObject {
    Q_OBJECT

private slots:
    void everyCommandIsUndoneAndRedoneExactly();
    void aDeletedBoxWithTenThousandPairsComesBackByteForByte();
    void ctrlZAfterValiderTakesItBackWhereverTheFocusIs();
    void typingInAFieldIsUndoneBeforeTheDocument();
    void repeatedIdsShowAndValidateTheBoxAtItsRank();
    void afterAddTheNewBoxIsSelectedAndDeleteTakesIt();
    void theUnsavedMarkFollowsTheHistory();
    void aValiderThatChangesNothingLeavesNoEntry();
    void theButtonsAndTheHistoryListUndoAndRedo();
    void openingAnotherFileClearsTheHistory();

private:
    void open(TestWindow& test, const QString& path, const std::string& bytes);
};

void UndoRedoTest::open(TestWindow& test, const QString& path, const std::string& bytes) {
    writeBytes(path, bytes);
    QCOMPARE(test.window().openFile(QFile::encodeName(path).toStdString()), LoadOutcome::loaded);
}

void UndoRedoTest::everyCommandIsUndoneAndRedoneExactly() {
    QTemporaryDir dir;
    TestWindow test;
    open(
        test, dir.filePath("all.box"),
        boxFileBytes("4", {{"10"}, {"20", "007"}, {"30"}, {"40"}}, {"0 1", "+1 2", "2 03", "0 1"}));
    QWidget* list = test.control(boxList);
    // Each command in turn, as the user gives it; after each, Ctrl+Z gives back the bytes before
    // it and Ctrl+Y the bytes after.
    const std::vector<std::pair<const char*, std::function<void()>>> commands = {
        {"Valider la box 20",
         [&] {
             test.clickLine(boxList, 1);
             retype(test, radiusField, "99");
             test.click(validateButton);
         }},
        {"Ajouter la box 50",
         [&] {
             retype(test, idField, "50");
             test.click(addBoxButton);
         }},
        {"Supprimer la box 20",
         [&] {
             test.clickLine(boxList, 1);
             test.click(deleteBoxButton);
         }},
        {"Ajouter l'intersection 2 0",
         [&] { QVERIFY(addIntersectionAsUser(test, "2", "0").chosen); }},
        {"Supprimer l'intersection 1 2",
         [&] {
             test.clickLine(intersectionList, 0);
             test.click(deleteIntersectionButton);
         }},
        {"Valider la box 77",
         [&] {
             retype(test, idField, "77");
             test.click(validateButton);
         }},
    };
    for (const auto& [name, command] : commands) {
        const std::string before = test.document().writeText();
        command();
        const std::string after = test.document().writeText();
        QVERIFY2(after != before, name);
        QCOMPARE(test.window().commands().history().undoName(), std::optional<std::string>(name));
        QVERIFY2(windowShowsDocument(test), name);
        undoKeys(list);
        QVERIFY2(test.document().writeText() == before, name);
        QVERIFY2(windowShowsDocument(test), name);
        redoKeys(list);
        QVERIFY2(test.document().writeText() == after, name);
        QVERIFY2(windowShowsDocument(test), name);
    }
}

void UndoRedoTest::aDeletedBoxWithTenThousandPairsComesBackByteForByte() {
    QTemporaryDir dir;
    std::vector<SampleBox> boxes;
    for (int i = 0; i < 40; ++i) {
        boxes.push_back({std::to_string(100 + i)});
    }
    std::vector<std::string> pairs;
    for (int i = 0; i < 10000; ++i) {
        const int other = i % 39 + (i % 39 >= 5 ? 1 : 0);
        // Rank 5 in every form a file may write it, among pairs of other boxes.
        pairs.push_back(i % 3 == 0 ? "05 " + std::to_string(other)
                                   : std::to_string(other) + " " + (i % 2 ? "5" : "+5"));
        pairs.push_back(std::to_string(other) + " 0" + std::to_string(i % 40));
    }
    const std::string bytes = boxFileBytes("40", boxes, pairs);
    const QString path = dir.filePath("many.box");
    TestWindow test;
    open(test, path, bytes);
    test.clickLine(boxList, 5);
    test.click(deleteBoxButton);
    QCOMPARE(test.lines(boxList).size(), 39);
    QCOMPARE(test.lines(intersectionList).size(), 20000 - 10000 - 250);
    QVERIFY(windowShowsDocument(test));
    undoKeys(test.control(boxList));
    QVERIFY(windowShowsDocument(test));
    QCOMPARE(test.shownText(rankLabel), QString("5"));
    QCOMPARE(test.list(boxList)->selectedIndex(), std::optional<int>(5));
    test.click(saveButton);
    QVERIFY(readBytes(path) == bytes);
    QVERIFY(!test.window().windowTitle().contains('*'));
}

void UndoRedoTest::ctrlZAfterValiderTakesItBackWhereverTheFocusIs() {
    QTemporaryDir dir;
    const std::string bytes = boxFileBytes("2", {{"10", "12"}, {"20", "34"}}, {"0 1"});
    TestWindow test;
    open(test, dir.filePath("v.box"), bytes);
    test.clickLine(boxList, 1);
    retype(test, radiusField, "56");
    QTest::keyClick(test.control(radiusField), Qt::Key_Tab);
    test.click(validateButton);
    QCOMPARE(test.document().boxes.at(1).maxRadius, std::string("56"));
    // The field still showing the value typed, as the user left it.
    undoKeys(test.control(radiusField));
    QCOMPARE(test.document().writeText(), bytes);
    QCOMPARE(test.shownText(radiusField), QString("34"));
    redoKeys(test.control(idField));
    QCOMPARE(test.document().boxes.at(1).maxRadius, std::string("56"));
    QCOMPARE(test.shownText(radiusField), QString("56"));
}

void UndoRedoTest::typingInAFieldIsUndoneBeforeTheDocument() {
    QTemporaryDir dir;
    const std::string bytes = boxFileBytes("2", {{"10", "12"}, {"20", "34"}}, {});
    TestWindow test;
    open(test, dir.filePath("t.box"), bytes);
    test.clickLine(boxList, 0);
    retype(test, idField, "11");
    test.click(validateButton); // a new ID: a new box
    QCOMPARE(test.document().boxes.size(), std::size_t(3));
    QWidget* field = test.control(radiusField);
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_End);
    QTest::keyClicks(field, "9");
    QCOMPARE(test.shownText(radiusField), QString("129"));
    undoKeys(field);
    QCOMPARE(test.shownText(radiusField), QString("12"));
    QCOMPARE(test.document().boxes.size(), std::size_t(3));
    undoKeys(field);
    QCOMPARE(test.document().writeText(), bytes);
}

void UndoRedoTest::repeatedIdsShowAndValidateTheBoxAtItsRank() {
    QTemporaryDir dir;
    TestWindow test;
    open(test, dir.filePath("r.box"),
         boxFileBytes("3", {{"5", "11"}, {"5", "22"}, {"6", "33"}}, {"0 1"}));
    test.clickLine(boxList, 1);
    QCOMPARE(test.shownText(radiusField), QString("22"));
    QCOMPARE(test.shownText(rankLabel), QString("1"));
    retype(test, radiusField, "23");
    test.click(validateButton);
    QCOMPARE(test.document().boxes.at(0).maxRadius, std::string("11"));
    QCOMPARE(test.document().boxes.at(1).maxRadius, std::string("23"));
    // Another ID typed over the shown box: the first box bearing it takes the form.
    retype(test, idField, "6");
    test.click(validateButton);
    QCOMPARE(test.document().boxes.at(2).maxRadius, std::string("23"));
    QCOMPARE(test.document().boxes.at(1).maxRadius, std::string("23"));
    QCOMPARE(test.document().boxes.at(1).id, std::string("5"));

    ViewWindow* view = nullptr;
    test.click(1083);
    view = test.window().view();
    QVERIFY(view != nullptr);
    QVERIFY(waitForChecks(view));
    emit view->sceneView()->boxClicked(1);
    QCOMPARE(test.shownText(rankLabel), QString("1"));
    QCOMPARE(test.shownText(radiusField), QString("23"));
    QCOMPARE(view->sceneView()->highlightedRank(), std::optional<std::size_t>(1));
    emit view->sceneView()->boxClicked(0);
    QCOMPARE(test.shownText(radiusField), QString("11"));
    QCOMPARE(view->sceneView()->highlightedRank(), std::optional<std::size_t>(0));
    // The repeat is a problem of the second box: going to it shows that box.
    QTreeView* problems = view->problemList();
    int row = -1;
    for (int r = 0; r < problems->model()->rowCount(); ++r) {
        if (problems->model()->index(r, 3).data().toString().contains("déjà celui de la box 0")) {
            row = r;
        }
    }
    QVERIFY(row >= 0);
    problems->setCurrentIndex(problems->model()->index(row, 0));
    QTest::keyClick(problems, Qt::Key_Return);
    QCOMPARE(test.shownText(rankLabel), QString("1"));
    QCOMPARE(test.list(boxList)->selectedIndex(), std::optional<int>(1));
}

void UndoRedoTest::afterAddTheNewBoxIsSelectedAndDeleteTakesIt() {
    QTemporaryDir dir;
    TestWindow test;
    open(test, dir.filePath("a.box"), boxFileBytes("2", {{"10"}, {"20"}}, {"0 1"}));
    test.click(1083);
    ViewWindow* view = test.window().view();
    test.clickLine(boxList, 0);
    retype(test, idField, "30");
    test.click(addBoxButton);
    QCOMPARE(test.list(boxList)->selectedIndex(), std::optional<int>(2));
    QCOMPARE(test.shownText(rankLabel), QString("2"));
    QCOMPARE(view->sceneView()->highlightedRank(), std::optional<std::size_t>(2));
    test.click(deleteBoxButton);
    QCOMPARE(test.lines(boxList), QStringList({"10", "20"}));
    QCOMPARE(test.shownText(idField), QString("30"));
    QCOMPARE(test.shownText(rankLabel), QString("-"));
    QVERIFY(view->sceneView()->hasHighlight());
    QCOMPARE(view->sceneView()->highlightedRank(), std::nullopt);
    QCOMPARE(view->scene().size(), std::size_t(2));
}

void UndoRedoTest::aValiderThatChangesNothingLeavesNoEntry() {
    QTemporaryDir dir;
    TestWindow test;
    open(test, dir.filePath("salle.box"), boxFileBytes("2", {{"10", "007"}, {"20"}}, {}));
    test.clickLine(boxList, 0);
    test.click(validateButton);
    QVERIFY(!test.window().commands().history().canUndo());
    QCOMPARE(test.window().windowTitle(), QString("salle.box - Quadrel"));
    // The same text typed again is no change either; "7" for "007" is one.
    retype(test, radiusField, "007");
    test.click(validateButton);
    QVERIFY(!test.window().commands().history().canUndo());
    retype(test, radiusField, "7");
    test.click(validateButton);
    QCOMPARE(test.window().commands().history().undoName(),
             std::optional<std::string>("Valider la box 10"));
}

void UndoRedoTest::theUnsavedMarkFollowsTheHistory() {
    QTemporaryDir dir;
    TestWindow test;
    open(test, dir.filePath("salle.box"), boxFileBytes("2", {{"10"}, {"20"}}, {}));
    const auto caption = [&] { return test.window().windowTitle(); };
    QCOMPARE(caption(), QString("salle.box - Quadrel"));
    test.clickLine(boxList, 0);
    test.click(deleteBoxButton);
    QCOMPARE(caption(), QString("salle.box* - Quadrel"));
    undoKeys(test.control(boxList));
    QCOMPARE(caption(), QString("salle.box - Quadrel"));
    redoKeys(test.control(boxList));
    QCOMPARE(caption(), QString("salle.box* - Quadrel"));
    test.click(saveButton);
    QCOMPARE(caption(), QString("salle.box - Quadrel"));
    undoKeys(test.control(boxList));
    QCOMPARE(caption(), QString("salle.box* - Quadrel"));
    redoKeys(test.control(boxList));
    QCOMPARE(caption(), QString("salle.box - Quadrel"));
}

void UndoRedoTest::theButtonsAndTheHistoryListUndoAndRedo() {
    QTemporaryDir dir;
    const std::string bytes = boxFileBytes("3", {{"10"}, {"20"}, {"30"}}, {"0 2", "1 2"});
    TestWindow test;
    open(test, dir.filePath("h.box"), bytes);
    auto* undo = test.window().controlAs<QPushButton>(undoButton);
    auto* redo = test.window().controlAs<QPushButton>(redoButton);
    QVERIFY(!undo->isEnabled());
    QVERIFY(!redo->isEnabled());
    test.clickLine(boxList, 0);
    test.click(deleteBoxButton);
    const std::string afterDelete = test.document().writeText();
    test.clickLine(intersectionList, 0);
    test.click(deleteIntersectionButton);
    const std::string afterBoth = test.document().writeText();
    QCOMPARE(undo->toolTip(), QString("Annuler : Supprimer l'intersection 0 1 (Ctrl+Z)"));
    test.click(undoButton);
    QCOMPARE(test.document().writeText(), afterDelete);
    QVERIFY(redo->isEnabled());
    QCOMPARE(redo->toolTip(), QString("Rétablir : Supprimer l'intersection 0 1 (Ctrl+Y)"));
    QCOMPARE(undo->toolTip(), QString("Annuler : Supprimer la box 10 (Ctrl+Z)"));

    test.click(1083);
    ViewWindow* view = test.window().view();
    QListWidget* history = view->historyList();
    QCOMPARE(history->count(), 3);
    QCOMPARE(history->item(1)->text(), QString("▶ Supprimer la box 10"));
    QCOMPARE(history->item(2)->text(), QString("Supprimer l'intersection 0 1"));
    const auto clickRow = [&](int row) {
        const QRect rect = history->visualItemRect(history->item(row));
        QTest::mouseClick(history->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    };
    clickRow(0);
    QCOMPARE(test.document().writeText(), bytes);
    QVERIFY(windowShowsDocument(test));
    QCOMPARE(history->item(0)->text(), QString("▶ État lu ou créé"));
    // The undo showed the box it brought back, and the view frames it.
    QCOMPARE(test.shownText(rankLabel), QString("0"));
    QCOMPARE(view->sceneView()->highlightedRank(), std::optional<std::size_t>(0));
    clickRow(2);
    QCOMPARE(test.document().writeText(), afterBoth);
    QVERIFY(windowShowsDocument(test));
    QVERIFY(!redo->isEnabled());
    // The view's own keys reach the same history.
    undoKeys(view->sceneView());
    QCOMPARE(test.document().writeText(), afterDelete);
    pressIn(view->sceneView(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(test.document().writeText(), afterBoth);
}

void UndoRedoTest::openingAnotherFileClearsTheHistory() {
    QTemporaryDir dir;
    TestWindow test;
    open(test, dir.filePath("one.box"), boxFileBytes("2", {{"10"}, {"20"}}, {}));
    test.clickLine(boxList, 0);
    test.click(deleteBoxButton);
    QVERIFY(test.window().commands().history().canUndo());
    open(test, dir.filePath("two.box"), boxFileBytes("1", {{"7"}}, {}));
    QVERIFY(!test.window().commands().history().canUndo());
    QVERIFY(!test.control(undoButton)->isEnabled());
    undoKeys(test.control(boxList));
    QCOMPARE(test.lines(boxList), QStringList({"7"}));
}

QTEST_MAIN(UndoRedoTest)
#include "undoredo_test.moc"
