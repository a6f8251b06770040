// Showing, writing back, adding and deleting boxes, driven by clicks and keys in the main window;
// checked through the lists, labels and fields it shows and the document behind it.
#include "FormTestSupport.h"
#include "ListControl.h"
#include "orlclass.h"

#include <QTemporaryDir>

namespace {

constexpr int chooseButton = 1000;
constexpr int newButton = 1036;
constexpr int saveButton = 3;
constexpr int validateButton = 1081;
constexpr int addBoxButton = 1032;
constexpr int deleteBoxButton = 1031;
constexpr int boxList = 1008;
constexpr int intersectionList = 1027;
constexpr int countLabel = 1004;
constexpr int rankLabel = 1086;
constexpr int idField = 1013;
constexpr int radiusField = 1015;

// Boxes whose values differ from one box to the next.
std::vector<FormBox> sampleBoxes(const std::vector<std::string>& ids) {
    std::vector<FormBox> boxes;
    int serial = 0;
    for (const std::string& id : ids) {
        ++serial;
        FormBox box{id, std::to_string(serial)};
        box.centre[0] = "0000" + std::to_string(serial) + "000";
        boxes.push_back(box);
    }
    return boxes;
}

std::vector<FormBox> documentBoxes(const BoxDocument& document) {
    std::vector<FormBox> boxes;
    for (const auto& box : document.boxes) {
        boxes.push_back(formBoxOf(*box));
    }
    return boxes;
}

} // namespace

class BoxCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void selectingALineShowsItsBox();
    void validateStoresWhatTheDecimalFieldsDerived();
    void validateWithAChangedIdAddsANewLastBox();
    void validateGoesByTheIdInTheFormAlone();
    void addRefusesAnEmptyOrTakenId_data();
    void addRefusesAnEmptyOrTakenId();
    void addInANewFileCountsFromZero();
    void deletingABoxRenumbersTheIntersections();
    void deletingTheOnlyBoxLeavesNone();
    void deleteWithNoSelectedLineDoesNothing();
    void repeatedIdsReachTheFirstBox();
    void deletingARepeatedIdDeletesTheSelectedLinesBox();
    void undoLetsNoRefusedCharacterIntoASavedValue();
    void withNoFileTheButtonsDoNothing();

private:
    std::unique_ptr<TestWindow> openWindow(const std::vector<FormBox>& boxes,
                                           const std::vector<std::string>& intersections = {});
    QString path() const { return dir_->filePath("boites.box"); }

    std::unique_ptr<QTemporaryDir> dir_;
};

void BoxCommandsTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

std::unique_ptr<TestWindow>
BoxCommandsTest::openWindow(const std::vector<FormBox>& boxes,
                            const std::vector<std::string>& intersections) {
    writeBytes(path(), boxTextBytes(boxes, intersections));
    auto test = std::make_unique<TestWindow>();
    test->answerChooser(path());
    test->click(chooseButton);
    return test;
}

void BoxCommandsTest::selectingALineShowsItsBox() {
    std::vector<FormBox> boxes = sampleBoxes({"10", "20", "30", "40"});
    boxes[2].radius = "007";
    boxes[2].centre = {"00008000", "0000c000", "ffff8000"};
    auto test = openWindow(boxes, {"0 1", "2 3"});

    test->clickLine(boxList, 2);

    QCOMPARE(test->shownText(rankLabel), QString("2"));
    QCOMPARE(test->shownText(idField), QString("30"));
    QCOMPARE(test->shownText(radiusField), QString("007"));
    const std::array<QString, 27> decimals{"1",   "0", "-1",  "1",    "0", "1", "0.5", "2", "0.25",
                                           "-1",  "1", "3",   "-1",   "0", "0", "4",   "0", "-1",
                                           "1.5", "5", "0.5", "0.25", "1", "6", "2",   "3", "-1"};
    for (std::size_t k = 0; k < formPairIds.size(); ++k) {
        const std::string stored = k < 24 ? boxes[2].planes[k] : boxes[2].centre[k - 24];
        QCOMPARE(test->shownText(formPairIds[k].hexId), QString::fromStdString(stored));
        QCOMPARE(test->shownText(formPairIds[k].decimalId), decimals[k]);
    }
    QCOMPARE(test->lines(intersectionList), QStringList({"0 1", "2 3"}));
    QCOMPARE(test->shownText(countLabel), QString("4"));
    QCOMPARE(test->list(boxList)->selectedIndex(), std::optional<int>(2));

    // Another line drops what was typed and shows that box.
    retype(*test, 1037, "0.75");
    test->clickLine(boxList, 0);
    QCOMPARE(test->shownText(rankLabel), QString("0"));
    QCOMPARE(test->shownText(idField), QString("10"));
    QCOMPARE(test->shownText(1018), QString("00001000"));
    QCOMPARE(test->shownText(1021), QString("0.25"));
    QCOMPARE(test->shownText(1037), QString("1"));
    QCOMPARE(documentBoxes(test->document()), boxes);
}

void BoxCommandsTest::validateStoresWhatTheDecimalFieldsDerived() {
    const std::vector<FormBox> boxes = sampleBoxes({"10", "20", "30"});
    auto test = openWindow(boxes, {"0 2"});
    test->clickLine(boxList, 1);

    retype(*test, 1037, "0.5");
    retype(*test, 1040, "2");
    retype(*test, 1021, "-1");
    retype(*test, 1080, "10");
    retype(*test, radiusField, "99");
    test->click(validateButton);

    std::vector<FormBox> expected = boxes;
    expected[1].planes[0] = "2000";
    expected[1].planes[3] = "00008000";
    expected[1].centre[0] = "ffff8000";
    expected[1].planes[19] = "00028000";
    expected[1].radius = "99";
    QCOMPARE(documentBoxes(test->document()), expected);
    QCOMPARE(test->lines(boxList), QStringList({"10", "20", "30"}));
    QCOMPARE(test->shownText(countLabel), QString("3"));
    QCOMPARE(test->lines(intersectionList), QStringList({"0 2"}));

    test->click(saveButton);
    QCOMPARE(readBytes(path()), boxTextBytes(expected, {"0 2"}));
}

void BoxCommandsTest::validateWithAChangedIdAddsANewLastBox() {
    const std::vector<FormBox> boxes = sampleBoxes({"10", "20"});
    auto test = openWindow(boxes);
    test->clickLine(boxList, 0);
    retype(*test, idField, "77");
    retype(*test, 1045, "-1");
    test->click(validateButton);

    FormBox added = boxes[0];
    added.id = "77";
    added.planes[4] = "c000";
    std::vector<FormBox> expected = boxes;
    expected.push_back(added);
    QCOMPARE(documentBoxes(test->document()), expected);
    QCOMPARE(texts(test->document().boxIds), QStringList({"10", "20", "77"}));
    QCOMPARE(test->lines(boxList), QStringList({"10", "20", "77"}));
    QCOMPARE(test->shownText(countLabel), QString("3"));
    QCOMPARE(test->document().countText, std::string("3"));
    QCOMPARE(test->list(boxList)->selectedIndex(), std::optional<int>(0));
    QCOMPARE(test->shownText(rankLabel), QString("0"));
}

void BoxCommandsTest::validateGoesByTheIdInTheFormAlone() {
    const std::vector<FormBox> boxes = sampleBoxes({"10", "20"});
    auto test = openWindow(boxes);
    QCOMPARE(test->list(boxList)->selectedIndex(), std::nullopt);
    retype(*test, idField, "20");
    retype(*test, 1018, "00004000");
    test->click(validateButton);

    FormBox formOnly;
    formOnly.id = "20";
    formOnly.radius = "";
    formOnly.centre = {"00004000", "", ""};
    formOnly.planes.fill("");
    QCOMPARE(documentBoxes(test->document()), std::vector<FormBox>({boxes[0], formOnly}));
    QCOMPARE(test->lines(boxList), QStringList({"10", "20"}));
    QCOMPARE(test->shownText(countLabel), QString("2"));
}

void BoxCommandsTest::addRefusesAnEmptyOrTakenId_data() {
    QTest::addColumn<QString>("id");
    QTest::newRow("empty") << "";
    QTest::newRow("taken") << "20";
    QTest::newRow("taken, shown box") << "30";
}

void BoxCommandsTest::addRefusesAnEmptyOrTakenId() {
    QFETCH(QString, id);
    const std::vector<FormBox> boxes = sampleBoxes({"10", "20", "30"});
    auto test = openWindow(boxes, {"1 2"});
    test->clickLine(boxList, 2);
    retype(*test, 1023, "2000");
    retype(*test, idField, id);
    test->click(addBoxButton);

    QCOMPARE(documentBoxes(test->document()), boxes);
    QCOMPARE(texts(test->document().boxIds), QStringList({"10", "20", "30"}));
    QCOMPARE(test->lines(boxList), QStringList({"10", "20", "30"}));
    QCOMPARE(test->shownText(countLabel), QString("3"));
    QCOMPARE(test->document().countText, std::string("3"));
    QCOMPARE(test->shownText(idField), id);
}

void BoxCommandsTest::addInANewFileCountsFromZero() {
    TestWindow test;
    test.answerChooser(path());
    test.click(newButton);
    QCOMPARE(test.shownText(countLabel), QString("0"));
    retype(test, idField, "5");
    retype(test, radiusField, "3");
    retype(test, 1022, "1");
    test.click(addBoxButton);

    QCOMPARE(test.shownText(countLabel), QString("1"));
    QCOMPARE(test.document().countText, std::string("1"));
    QCOMPARE(test.lines(boxList), QStringList({"5"}));
    QCOMPARE(test.list(boxList)->selectedIndex(), std::nullopt);
    QCOMPARE(test.shownText(rankLabel), QString());
    QCOMPARE(test.document().boxes.size(), std::size_t{1});
    const Box& box = *test.document().boxes.begin()->get();
    QCOMPARE(box.id, std::string("5"));
    QCOMPARE(box.maxRadius, std::string("3"));
    QCOMPARE(box.centerY, std::string("00004000"));

    test.clickLine(boxList, 0);
    QCOMPARE(test.shownText(rankLabel), QString("0"));
    QCOMPARE(test.shownText(1022), QString("1"));
}

void BoxCommandsTest::deletingABoxRenumbersTheIntersections() {
    const std::vector<FormBox> boxes = sampleBoxes({"10", "20", "30", "40", "50", "60"});
    auto test = openWindow(boxes, {"0 2", "3 4", "2 5", "1 3"});
    test->clickLine(boxList, 2);
    // Typed and never pulled: the push at the end shows the ID the form holds again.
    QTest::keyClicks(test->control(idField), "9");
    test->click(deleteBoxButton);

    QCOMPARE(texts(test->document().intersections), QStringList({"2 3", "1 2"}));
    QCOMPARE(test->lines(intersectionList), QStringList({"2 3", "1 2"}));
    QCOMPARE(test->lines(boxList), QStringList({"10", "20", "40", "50", "60"}));
    QCOMPARE(texts(test->document().boxIds), QStringList({"10", "20", "40", "50", "60"}));
    std::vector<FormBox> expected = boxes;
    expected.erase(expected.begin() + 2);
    QCOMPARE(documentBoxes(test->document()), expected);
    QCOMPARE(test->shownText(countLabel), QString("5"));
    QCOMPARE(test->document().countText, std::string("5"));
    QCOMPARE(test->list(boxList)->selectedIndex(), std::nullopt);
    // The form still shows the deleted box.
    QCOMPARE(test->shownText(idField), QString("30"));
    QCOMPARE(test->shownText(rankLabel), QString("2"));
    QCOMPARE(test->shownText(1018), QString("00003000"));

    // "Valider" now adds it again, last, with no intersections.
    test->click(validateButton);
    QCOMPARE(test->lines(boxList), QStringList({"10", "20", "40", "50", "60", "30"}));
    QCOMPARE(test->shownText(countLabel), QString("6"));
    QCOMPARE(test->lines(intersectionList), QStringList({"2 3", "1 2"}));
}

void BoxCommandsTest::deletingTheOnlyBoxLeavesNone() {
    auto test = openWindow(sampleBoxes({"10"}));
    test->clickLine(boxList, 0);
    test->click(deleteBoxButton);

    QCOMPARE(test->shownText(countLabel), QString("0"));
    QVERIFY(test->lines(boxList).isEmpty());
    QVERIFY(test->document().boxes.empty());
    QVERIFY(test->document().boxIds.empty());
    test->click(saveButton);
    QCOMPARE(readBytes(path()), boxTextBytes({}, {}));
}

void BoxCommandsTest::deleteWithNoSelectedLineDoesNothing() {
    const std::vector<FormBox> boxes = sampleBoxes({"10", "20", "30"});
    auto test = openWindow(boxes, {"0 1", "1 2"});
    test->clickLine(boxList, 1);
    test->click(deleteBoxButton);
    QCOMPARE(test->list(boxList)->selectedIndex(), std::nullopt);
    const QMap<int, QString> before = shownFields(*test);

    test->click(deleteBoxButton);

    QCOMPARE(test->lines(boxList), QStringList({"10", "30"}));
    QCOMPARE(test->lines(intersectionList), QStringList());
    QCOMPARE(test->shownText(countLabel), QString("2"));
    QCOMPARE(test->document().boxes.size(), std::size_t{2});
    QCOMPARE(shownFields(*test), before);
}

// A file may repeat an ID: every command reaches the first box bearing it.
void BoxCommandsTest::repeatedIdsReachTheFirstBox() {
    std::vector<FormBox> boxes = sampleBoxes({"5", "6", "5"});
    auto test = openWindow(boxes, {"0 1", "1 2", "2 0"});

    test->clickLine(boxList, 2);
    QCOMPARE(test->shownText(rankLabel), QString("0"));
    QCOMPARE(test->shownText(1018), QString("00001000"));

    retype(*test, 1021, "2");
    test->click(validateButton);
    boxes[0].centre[0] = "00008000";
    QCOMPARE(documentBoxes(test->document()), boxes);
}

// The line's position is the box's rank: the selected line's box leaves, with its intersections.
void BoxCommandsTest::deletingARepeatedIdDeletesTheSelectedLinesBox() {
    const std::vector<FormBox> boxes = sampleBoxes({"5", "6", "5", "7"});
    for (const int line : {0, 2}) {
        auto test = openWindow(boxes, {"0 1", "1 2", "2 0", "3 1"});
        test->clickLine(boxList, line);
        test->click(deleteBoxButton);
        std::vector<FormBox> expected = boxes;
        expected.erase(expected.begin() + line);
        QCOMPARE(documentBoxes(test->document()), expected);
        const QStringList remaining =
            line == 0 ? QStringList({"0 1", "2 0"}) : QStringList({"0 1", "2 1"});
        QCOMPARE(texts(test->document().intersections), remaining);
        QCOMPARE(test->lines(intersectionList), remaining);
        QCOMPARE(test->lines(boxList),
                 line == 0 ? QStringList({"6", "5", "7"}) : QStringList({"5", "6", "7"}));
        QCOMPARE(texts(test->document().boxIds), test->lines(boxList));
        QCOMPARE(test->shownText(countLabel), QString("3"));
        test->click(saveButton);
        BoxDocument saved;
        QVERIFY(saved.loadFile(path().toStdString()));
        QCOMPARE(documentBoxes(saved), expected);
        QCOMPARE(texts(saved.intersections), remaining);
    }
}

// Deleting ".5" from a file's "17.5", undoing and typing " 3" once let the space through to
// the file, where it split the value in two and shifted every later token.
void BoxCommandsTest::undoLetsNoRefusedCharacterIntoASavedValue() {
    std::vector<FormBox> boxes = sampleBoxes({"A1", "6"});
    boxes[0].radius = "17.5";
    auto test = openWindow(boxes, {"0 1"});
    test->clickLine(boxList, 0);
    QWidget* radius = test->control(radiusField);
    QTest::keyClick(radius, Qt::Key_End);
    QTest::keyClick(radius, Qt::Key_Backspace);
    QTest::keyClick(radius, Qt::Key_Backspace);
    QTest::keyClick(radius, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClicks(radius, " 3");
    QCOMPARE(test->shownText(radiusField), QString("17.53"));
    QWidget* centre = test->control(1018);
    QTest::keyClick(centre, Qt::Key_End);
    QTest::keyClick(centre, Qt::Key_Backspace);
    QTest::keyClick(centre, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClicks(centre, " 1");
    QCOMPARE(test->shownText(1018), QString("000010001"));
    test->click(validateButton);
    test->click(saveButton);

    boxes[0].radius = "17.53";
    boxes[0].centre[0] = "000010001";
    BoxDocument saved;
    QVERIFY(saved.loadFile(path().toStdString()));
    QCOMPARE(documentBoxes(saved), boxes);
    QCOMPARE(texts(saved.intersections), QStringList({"0 1"}));
    QCOMPARE(readBytes(path()), boxTextBytes(boxes, {"0 1"}));
}

void BoxCommandsTest::withNoFileTheButtonsDoNothing() {
    TestWindow test;
    for (const int button : {validateButton, addBoxButton, deleteBoxButton}) {
        test.click(button);
    }
    QVERIFY(test.lines(boxList).isEmpty());
    QCOMPARE(test.shownText(countLabel), QString());
    QVERIFY(test.document().boxes.empty());
    QVERIFY(test.document().boxIds.empty());
    QCOMPARE(test.document().countText, std::string());
}

QTEST_MAIN(BoxCommandsTest)
#include "boxcommands_test.moc"
