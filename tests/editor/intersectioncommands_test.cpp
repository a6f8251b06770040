// Adding intersections through the add-intersection dialog and deleting them, from the main
// window's buttons; checked through the dialog's lists, the intersection list and the document.
#include "FormTestSupport.h"
#include "ListControl.h"
#include "orlclass.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

namespace {

constexpr int chooseButton = 1000;
constexpr int addIntersectionButton = 1029;
constexpr int deleteIntersectionButton = 1030;
constexpr int deleteBoxButton = 1031;
constexpr int boxList = 1008;
constexpr int intersectionList = 1027;

std::vector<FormBox> boxesWithIds(int count) {
    std::vector<FormBox> boxes;
    for (int i = 0; i < count; ++i) {
        boxes.push_back({std::to_string(100 + i)});
    }
    return boxes;
}

const QStringList twelveRanks{"0", "1", "10", "11", "2", "3", "4", "5", "6", "7", "8", "9"};

} // namespace

class IntersectionCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void theDialogOffersEveryRankInCharacterOrder();
    void createRefusesOneBoxTwiceOrAHeldPair_data();
    void createRefusesOneBoxTwiceOrAHeldPair();
    void createAddsThePairLastAndCloses();
    void cancelChangesNothing();
    void afterABoxIsDeletedTheDialogOffersOneRankFewer();
    void deletingTheSelectedIntersectionKeepsTheOthersInOrder();
    void deletingOneOfTwoEqualLinesDeletesTheSelectedOne();
    void deleteWithNoSelectedLineDoesNothing();
    void withNoFileNeitherButtonDoesAnything();

private:
    std::unique_ptr<TestWindow> openWindow(int boxCount, const std::vector<std::string>& pairs);

    std::unique_ptr<QTemporaryDir> dir_;
};

void IntersectionCommandsTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

std::unique_ptr<TestWindow>
IntersectionCommandsTest::openWindow(int boxCount, const std::vector<std::string>& pairs) {
    const QString path = dir_->filePath("inter.box");
    writeBytes(path, boxTextBytes(boxesWithIds(boxCount), pairs));
    auto test = std::make_unique<TestWindow>();
    test->answerChooser(path);
    test->click(chooseButton);
    return test;
}

void IntersectionCommandsTest::theDialogOffersEveryRankInCharacterOrder() {
    auto test = openWindow(12, {"0 1"});
    const AddDialogRun run = addIntersectionAsUser(*test, QString(), QString());
    QVERIFY(run.opened);
    QCOMPARE(run.firstEntries, twelveRanks);
    QCOMPARE(run.secondEntries, twelveRanks);
    QCOMPARE(run.firstSelected, QString("0"));
    QCOMPARE(run.secondSelected, QString("0"));
    QCOMPARE(test->lines(intersectionList), QStringList({"0 1"}));
}

void IntersectionCommandsTest::createRefusesOneBoxTwiceOrAHeldPair_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("same box") << "3"
                              << "3";
    QTest::newRow("held pair") << "2"
                               << "0";
    QTest::newRow("reverse of a held pair") << "0"
                                            << "2";
}

void IntersectionCommandsTest::createRefusesOneBoxTwiceOrAHeldPair() {
    QFETCH(QString, first);
    QFETCH(QString, second);
    auto test = openWindow(4, {"1 3", "2 0"});
    const AddDialogRun run = addIntersectionAsUser(*test, first, second);
    QVERIFY(run.chosen);
    QVERIFY(run.stayedOpen);
    QCOMPARE(texts(test->document().intersections), QStringList({"1 3", "2 0"}));
    QCOMPARE(test->lines(intersectionList), QStringList({"1 3", "2 0"}));
}

void IntersectionCommandsTest::createAddsThePairLastAndCloses() {
    auto test = openWindow(3, {"0 1"});
    test->clickLine(intersectionList, 0);
    const AddDialogRun run = addIntersectionAsUser(*test, "2", "0");
    QVERIFY(run.chosen);
    QVERIFY(!run.stayedOpen);
    QCOMPARE(texts(test->document().intersections), QStringList({"0 1", "2 0"}));
    QCOMPARE(test->lines(intersectionList), QStringList({"0 1", "2 0"}));
    QCOMPARE(test->list(intersectionList)->selectedIndex(), std::nullopt);

    // Once held, the pair is refused in either order.
    for (const auto& [first, second] : {std::pair{"0", "2"}, std::pair{"2", "0"}}) {
        const AddDialogRun again = addIntersectionAsUser(*test, first, second);
        QVERIFY(again.stayedOpen);
    }
    QCOMPARE(test->lines(intersectionList), QStringList({"0 1", "2 0"}));
}

void IntersectionCommandsTest::cancelChangesNothing() {
    auto test = openWindow(3, {"0 1", "1 2"});
    test->clickLine(intersectionList, 1);
    const AddDialogRun run = addIntersectionAsUser(*test, QString(), QString());
    QVERIFY(run.opened);
    QCOMPARE(texts(test->document().intersections), QStringList({"0 1", "1 2"}));
    QCOMPARE(test->lines(intersectionList), QStringList({"0 1", "1 2"}));
    QCOMPARE(test->list(intersectionList)->selectedIndex(), std::nullopt);
}

void IntersectionCommandsTest::afterABoxIsDeletedTheDialogOffersOneRankFewer() {
    auto test = openWindow(3, {});
    test->clickLine(boxList, 1);
    test->click(deleteBoxButton);
    const AddDialogRun run = addIntersectionAsUser(*test, QString(), QString());
    QCOMPARE(run.firstEntries, QStringList({"0", "1"}));
    QCOMPARE(run.secondEntries, QStringList({"0", "1"}));

    test->clickLine(boxList, 0);
    test->click(deleteBoxButton);
    test->clickLine(boxList, 0);
    test->click(deleteBoxButton);
    const AddDialogRun none = addIntersectionAsUser(*test, QString(), QString());
    QVERIFY(none.opened);
    QVERIFY(none.firstEntries.isEmpty());
    QVERIFY(none.secondEntries.isEmpty());
}

void IntersectionCommandsTest::deletingTheSelectedIntersectionKeepsTheOthersInOrder() {
    auto test = openWindow(5, {"0 1", "1 4", "2 3", "4 0"});
    test->clickLine(intersectionList, 1);
    test->click(deleteIntersectionButton);
    QCOMPARE(texts(test->document().intersections), QStringList({"0 1", "2 3", "4 0"}));
    QCOMPARE(test->lines(intersectionList), QStringList({"0 1", "2 3", "4 0"}));
    QCOMPARE(test->list(intersectionList)->selectedIndex(), std::nullopt);
    QCOMPARE(test->document().boxes.size(), std::size_t{5});
}

// A file may hold a pair twice; the entry at the selected line's position leaves, so that the
// list goes on showing the document in its order.
void IntersectionCommandsTest::deletingOneOfTwoEqualLinesDeletesTheSelectedOne() {
    auto test = openWindow(4, {"0 1", "2 3", "0 1"});
    test->clickLine(intersectionList, 2);
    test->click(deleteIntersectionButton);
    QCOMPARE(texts(test->document().intersections), QStringList({"0 1", "2 3"}));
    QCOMPARE(test->lines(intersectionList), QStringList({"0 1", "2 3"}));
}

void IntersectionCommandsTest::deleteWithNoSelectedLineDoesNothing() {
    auto test = openWindow(5, {"0 1", "1 4"});
    test->click(deleteIntersectionButton);
    QCOMPARE(texts(test->document().intersections), QStringList({"0 1", "1 4"}));
    QCOMPARE(test->lines(intersectionList), QStringList({"0 1", "1 4"}));
}

void IntersectionCommandsTest::withNoFileNeitherButtonDoesAnything() {
    TestWindow test;
    test.document().intersections.append("0 1");
    bool dialogOpened = false;
    // Runs inside the dialog's own loop if the button opens one, and closes it.
    QTimer::singleShot(0, [&dialogOpened] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            dialogOpened = true;
            modal->close();
        }
    });
    test.click(addIntersectionButton);
    QCoreApplication::processEvents();
    QVERIFY(!dialogOpened);
    test.click(deleteIntersectionButton);
    QCOMPARE(texts(test.document().intersections), QStringList({"0 1"}));
    QVERIFY(test.lines(intersectionList).isEmpty());
}

QTEST_MAIN(IntersectionCommandsTest)
#include "intersectioncommands_test.moc"
