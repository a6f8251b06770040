// The main window and the 3D view as two windows that work together: where the view opens, the
// keyboard that stays in the form, the keys that work in both, the lists driven by keyboard, the
// names a screen reader gives, and what the view shows of far scenes and old Windows texts.
#include "ListControl.h"
#include "SceneView.h"
#include "ViewPlacement.h"
#include "ViewTestSupport.h"
#include "ViewWindow.h"
#include "orlclass.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QTemporaryDir>
#include <QTreeView>

namespace {

constexpr int chooseButton = 1000;
constexpr int newButton = 1036;
constexpr int saveButton = 3;
constexpr int saveAsButton = 4;
constexpr int helpButton = 1082;
constexpr int validateButton = 1081;
constexpr int viewButton = 1083;
constexpr int boxList = 1008;
constexpr int intersectionList = 1027;
constexpr int idField = 1013;
constexpr int radiusField = 1015;

void openSample(TestWindow& test, const QString& path, const std::vector<FormBox>& boxes,
                const std::vector<std::string>& intersections) {
    writeBytes(path, boxTextBytes(boxes, intersections));
    test.answerChooser(path);
    test.click(chooseButton);
}

ViewWindow* waitForView(TestWindow& test) {
    ViewWindow* view = test.window().view();
    if (view != nullptr && !QTest::qWaitForWindowExposed(view)) {
        qWarning("The view did not show");
    }
    if (view != nullptr && !waitForChecks(view)) {
        qWarning("The view's checks did not end");
    }
    return view;
}

const std::vector<FormBox> threeCubes{cube("10", 0, 0, 0, 1), cube("11", 4, 0, 0, 1),
                                      cube("12", 8, 0, 0, 1)};

// Where a key is pressed: in the main window's field, or in a part of the view window.
enum class Place { Form, Scene, Problems, ViewButton };

// What a user can see after a key: the main window, the files, the dialogs that opened.
struct Outcome {
    QStringList boxes;
    QString caption;
    std::size_t unanswered = 0;
    QString modalSeen;
    bool viewShown = false;
    std::map<QString, std::string> files;

    bool operator==(const Outcome&) const = default;
};

} // namespace

class TwoWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void theViewTakesTheSideWithTheMostRoom_data();
    void theViewTakesTheSideWithTheMostRoom();
    void theViewOpensInsideTheScreenAndReopensWhereItWasLeft();
    void f3AndTheButtonLeaveTheKeyboardInTheField();
    void f3AndTheButtonRestoreAMinimisedView();
    void everyKeyOfTheMainWindowWorksInTheView_data();
    void everyKeyOfTheMainWindowWorksInTheView();
    void ctrlReturnValidatesAndTheTooltipsSayTheKeys();
    void theFirstKeyInAListSelectsALine_data();
    void theFirstKeyInAListSelectsALine();
    void controlsHaveDistinctNamesForScreenReaders();
    void showAllFramesSolidsFarFromTheOrigin();
    void theProblemListShowsWindowsTextsAsTheListsDo();

private:
    Outcome pressIn(Place place, bool withFile, const QKeySequence& key);

    std::unique_ptr<QTemporaryDir> dir_;
};

void TwoWindowsTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TwoWindowsTest::theViewTakesTheSideWithTheMostRoom_data() {
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("mainFrame");
    QTest::addColumn<QRect>("fields");
    QTest::addColumn<QList<QRect>>("others");
    QTest::addColumn<QRect>("expected");
    const QRect screen(0, 0, 1920, 1080);
    // The fields fill the main window but for its left column of lists and its top strip.
    const auto fieldsOf = [](const QRect& frame) {
        return frame.adjusted(frame.width() / 5, frame.height() / 6, -8, -8);
    };
    const QRect left(40, 200, 1000, 660);
    QTest::newRow("main window at the left: the right side, whole height")
        << screen << left << fieldsOf(left) << QList<QRect>{} << QRect(1040, 0, 880, 1080);
    const QRect right(880, 100, 1000, 660);
    QTest::newRow("main window at the right: the left side")
        << screen << right << fieldsOf(right) << QList<QRect>{} << QRect(0, 0, 880, 1080);
    const QRect top(200, 0, 1500, 600);
    QTest::newRow("wide main window at the top: below it, whole width")
        << screen << top << fieldsOf(top) << QList<QRect>{} << QRect(0, 600, 1920, 480);
    const QRect panelled(0, 32, 1920, 1016);
    const QRect nearTop(460, 32, 1000, 560);
    QTest::newRow("a panel's room left out: below, within the available area")
        << panelled << nearTop << fieldsOf(nearTop) << QList<QRect>{} << QRect(0, 592, 1920, 456);
    const QRect second(1920, 0, 1280, 1024);
    QTest::newRow("a second screen to the right: below, the larger room")
        << second << QRect(1960, 40, 700, 500) << QRect(2100, 120, 540, 400) << QList<QRect>{}
        << QRect(1920, 540, 1280, 484);
    const QRect centred(420, 260, 1080, 560);
    QTest::newRow("centred, no side holds the view: it may cover the lists, not the fields")
        << QRect(0, 0, 1400 + 520, 1080) << centred << QRect(640, 300, 850, 510) << QList<QRect>{}
        << QRect(0, 0, 640, 1080);
    const QRect huge(0, 0, 1366, 700);
    QTest::newRow("a small screen the main window fills: the smallest size, over the lists")
        << QRect(0, 0, 1366, 740) << huge << QRect(200, 40, 1150, 650) << QList<QRect>{}
        << QRect(0, 0, 480, 420);
    QTest::newRow("a screen smaller than the view: never larger than it")
        << QRect(0, 0, 400, 300) << QRect(0, 0, 400, 300) << QRect(50, 50, 300, 200)
        << QList<QRect>{} << QRect(0, 0, 400, 300);
    QTest::newRow("the main window on another screen: the whole area")
        << QRect(0, 0, 1920, 1080) << QRect(2000, 0, 800, 600) << QRect(2100, 50, 600, 500)
        << QList<QRect>{} << QRect(0, 0, 1920, 1080);
    // The other windows of the main window count as it does.
    const QRect centredMain(525, 300, 870, 480);
    QTest::newRow("the form's window on the left of the main window: the right side")
        << screen << centredMain << fieldsOf(centredMain) << QList<QRect>{QRect(65, 300, 460, 660)}
        << QRect(1395, 0, 525, 1080);
    QTest::newRow("the form's window on the right: the left side")
        << screen << centredMain << fieldsOf(centredMain)
        << QList<QRect>{QRect(1395, 300, 460, 660)} << QRect(0, 0, 525, 1080);
    QTest::newRow("a report above and the form's window on the right: the left side below it")
        << screen << centredMain << fieldsOf(centredMain)
        << QList<QRect>{QRect(1395, 300, 460, 660), QRect(0, 0, 820, 290)}
        << QRect(0, 290, 525, 790);
    QTest::newRow("no free room: over the lists, under the form's window, never over either")
        << screen << centred << QRect(640, 300, 850, 510) << QList<QRect>{QRect(0, 0, 400, 600)}
        << QRect(0, 600, 640, 480);
}

void TwoWindowsTest::theViewTakesTheSideWithTheMostRoom() {
    QFETCH(QRect, available);
    QFETCH(QRect, mainFrame);
    QFETCH(QRect, fields);
    QFETCH(QList<QRect>, others);
    QFETCH(QRect, expected);
    const QRect placed =
        placeViewBeside(available, mainFrame, fields,
                        std::vector<QRect>(others.begin(), others.end()), QSize(480, 420));
    QCOMPARE(placed, expected);
    QVERIFY(available.contains(placed));
}

void TwoWindowsTest::theViewOpensInsideTheScreenAndReopensWhereItWasLeft() {
    TestWindow test;
    QTest::keyClick(&test.window(), Qt::Key_F3);
    ViewWindow* view = waitForView(test);
    QVERIFY(view);
    const QRect available = test.window().screen()->availableGeometry();
    QVERIFY2(available.contains(view->geometry()), qPrintable(QString("%1,%2 %3x%4")
                                                                  .arg(view->x())
                                                                  .arg(view->y())
                                                                  .arg(view->width())
                                                                  .arg(view->height())));

    // Both the scene and the problems show, whatever the shape of the room.
    QVERIFY(view->sceneView()->height() >= 200);
    QVERIFY2(view->problemList()->isVisible() && view->problemList()->height() >= 50,
             qPrintable(QString::number(view->problemList()->height())));

    // The user widens the view, which puts its tools on one row, then moves it and shortens it.
    const QRect left(available.topLeft() + QPoint(30, 20), QSize(760, 660));
    view->resize(left.width(), view->height());
    view->setGeometry(left);
    view->close();
    QVERIFY(!view->isVisible());
    test.click(viewButton);
    QVERIFY(view->isVisible());
    QCOMPARE(view->geometry(), left);
    // Open already, the view stays where it is.
    view->move(left.topLeft() + QPoint(10, 10));
    QTest::keyClick(&test.window(), Qt::Key_F3);
    QCOMPARE(view->pos(), left.topLeft() + QPoint(10, 10));
}

void TwoWindowsTest::f3AndTheButtonLeaveTheKeyboardInTheField() {
    TestWindow test;
    openSample(test, dir_->filePath("salle.box"), threeCubes, {});
    test.clickLine(boxList, 0);
    QWidget* radius = test.control(radiusField);
    typeOver(radius, "3");
    QTest::keyClick(radius, Qt::Key_F3);
    ViewWindow* view = waitForView(test);
    QVERIFY(view);
    QCOMPARE(QApplication::focusWidget(), radius);
    QCOMPARE(QApplication::activeWindow(), &test.window());
    QTest::keyClicks(QApplication::focusWidget(), "4");
    QCOMPARE(test.shownText(radiusField), QString("34"));

    view->close();
    test.click(viewButton);
    QVERIFY(view->isVisible());
    QCOMPARE(QApplication::focusWidget(), radius);
    QTest::keyClicks(QApplication::focusWidget(), "5");
    QCOMPARE(test.shownText(radiusField), QString("345"));
}

void TwoWindowsTest::f3AndTheButtonRestoreAMinimisedView() {
    TestWindow test;
    QTest::keyClick(&test.window(), Qt::Key_F3);
    ViewWindow* view = waitForView(test);
    QVERIFY(view);
    view->showMinimized();
    QVERIFY(view->isMinimized());
    QTest::keyClick(&test.window(), Qt::Key_F3);
    QVERIFY(!view->isMinimized());
    QVERIFY(view->isVisible());

    view->showMinimized();
    QVERIFY(view->isMinimized());
    test.click(viewButton);
    QVERIFY(!view->isMinimized());
}

void TwoWindowsTest::everyKeyOfTheMainWindowWorksInTheView_data() {
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<bool>("changesSomething");
    for (const bool withFile : {false, true}) {
        const char* state = withFile ? "with an edited file" : "without a file";
        QTest::addRow("Ctrl+S %s", state) << withFile << QKeySequence("Ctrl+S") << withFile;
        QTest::addRow("Ctrl+O %s", state) << withFile << QKeySequence("Ctrl+O") << true;
        QTest::addRow("Ctrl+N %s", state) << withFile << QKeySequence("Ctrl+N") << true;
        QTest::addRow("Ctrl+Shift+S %s", state) << withFile << QKeySequence("Ctrl+Shift+S") << true;
        QTest::addRow("F1 %s", state) << withFile << QKeySequence("F1") << true;
        QTest::addRow("F3 %s", state) << withFile << QKeySequence("F3") << false;
    }
}

// The view is open in every case, so that only where the key is pressed differs.
Outcome TwoWindowsTest::pressIn(Place place, bool withFile, const QKeySequence& key) {
    Outcome outcome;
    {
        TestWindow test;
        if (withFile) {
            openSample(test, dir_->filePath("salle.box"), threeCubes, {"0 1"});
            test.clickLine(boxList, 1);
            typeOver(test.control(radiusField), "77");
            test.click(validateButton);
        }
        QTest::keyClick(&test.window(), Qt::Key_F3);
        ViewWindow* view = waitForView(test);
        QWidget* target = test.control(idField);
        if (place != Place::Form) {
            view->activateWindow();
            if (!QTest::qWaitForWindowActive(view)) {
                qWarning("The view did not become active");
            }
            target = place == Place::Scene      ? static_cast<QWidget*>(view->sceneView())
                     : place == Place::Problems ? static_cast<QWidget*>(view->problemList())
                                                : buttonNamed(view, "Tout voir");
        }
        target->setFocus();
        test.answerChooser(
            dir_->filePath(key == QKeySequence("Ctrl+O") ? "autre.box" : "nouveau.box"));
        // Leaving an edited file asks first; the answer lets the key go on, wherever it is pressed.
        if (withFile && (key == QKeySequence("Ctrl+O") || key == QKeySequence("Ctrl+N"))) {
            test.answerQuestion("Ne pas enregistrer");
        }
        if (key == QKeySequence(Qt::Key_F1)) {
            whenModalShows([&outcome](QWidget* dialog) {
                outcome.modalSeen = dialog->metaObject()->className();
                dialog->close();
            });
        }
        QTest::keySequence(target, key);
        QTest::qWait(key == QKeySequence(Qt::Key_F1) ? 200 : 50);
        outcome.boxes = test.lines(boxList);
        outcome.caption = test.window().windowTitle();
        outcome.unanswered = test.unansweredQuestions();
        outcome.viewShown = view->isVisible();
    }
    for (const QString& name : QDir(dir_->path()).entryList(QDir::Files)) {
        outcome.files[name] = readBytes(dir_->filePath(name));
        QFile::remove(dir_->filePath(name));
    }
    return outcome;
}

void TwoWindowsTest::everyKeyOfTheMainWindowWorksInTheView() {
    QFETCH(bool, withFile);
    QFETCH(QKeySequence, key);
    QFETCH(bool, changesSomething);
    writeBytes(dir_->filePath("autre.box"), boxTextBytes({cube("40", 0, 0, 0, 2)}, {}));
    const Outcome inForm = pressIn(Place::Form, withFile, key);
    // The key does something there, so that doing the same in the view means something.
    writeBytes(dir_->filePath("autre.box"), boxTextBytes({cube("40", 0, 0, 0, 2)}, {}));
    const Outcome untouched = pressIn(Place::Form, withFile, QKeySequence("Ctrl+F12"));
    QCOMPARE(!(inForm == untouched), changesSomething);
    for (const Place place : {Place::Scene, Place::Problems, Place::ViewButton}) {
        writeBytes(dir_->filePath("autre.box"), boxTextBytes({cube("40", 0, 0, 0, 2)}, {}));
        const Outcome inView = pressIn(place, withFile, key);
        QCOMPARE(inView.boxes, inForm.boxes);
        QCOMPARE(inView.caption, inForm.caption);
        QCOMPARE(inView.unanswered, inForm.unanswered);
        QCOMPARE(inView.modalSeen, inForm.modalSeen);
        QCOMPARE(inView.viewShown, inForm.viewShown);
        QVERIFY(inView.files == inForm.files);
    }
}

void TwoWindowsTest::ctrlReturnValidatesAndTheTooltipsSayTheKeys() {
    TestWindow test;
    openSample(test, dir_->filePath("salle.box"), threeCubes, {});
    test.clickLine(boxList, 2);
    typeOver(test.control(radiusField), "61");
    QTest::keyClick(test.control(radiusField), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(test.document().boxes.last().maxRadius, std::string("61"));
    QVERIFY(test.window().isVisible());
    QVERIFY(test.window().windowTitle().startsWith("salle.box*"));

    QCOMPARE(test.control(viewButton)->toolTip(), QString("Vue 3D (F3)"));
    const QString validate = test.control(validateButton)->toolTip();
    QCOMPARE(validate,
             QString("Valider (%1)")
                 .arg(QKeySequence(Qt::CTRL | Qt::Key_Return).toString(QKeySequence::NativeText)));
}

void TwoWindowsTest::theFirstKeyInAListSelectsALine_data() {
    QTest::addColumn<int>("listId");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expectedLine");
    for (const int list : {boxList, intersectionList}) {
        const char* name = list == boxList ? "box list" : "intersection list";
        QTest::addRow("%s, Home", name) << list << int(Qt::Key_Home) << 0;
        QTest::addRow("%s, End", name) << list << int(Qt::Key_End) << 2;
        QTest::addRow("%s, Down", name) << list << int(Qt::Key_Down) << 0;
        QTest::addRow("%s, Up", name) << list << int(Qt::Key_Up) << 0;
        QTest::addRow("%s, Page Down", name) << list << int(Qt::Key_PageDown) << 0;
    }
}

void TwoWindowsTest::theFirstKeyInAListSelectsALine() {
    QFETCH(int, listId);
    QFETCH(int, key);
    QFETCH(int, expectedLine);
    TestWindow test;
    openSample(test, dir_->filePath("salle.box"), threeCubes, {"0 1", "1 2", "0 2"});
    // Tabbing in, as the user reaches the list from the control before it.
    QWidget* list = test.control(listId);
    QWidget* before = list->previousInFocusChain();
    while (before->focusPolicy() == Qt::NoFocus || !before->isEnabled()) {
        before = before->previousInFocusChain();
    }
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), list);
    QCOMPARE(test.list(listId)->selectedIndex(), std::nullopt);
    QCOMPARE(test.shownText(idField), QString());

    QTest::keyClick(list, Qt::Key(key));
    QCOMPARE(test.list(listId)->selectedIndex(), std::optional<int>(expectedLine));
    if (listId == boxList) {
        QCOMPARE(test.shownText(idField), QString::number(10 + expectedLine));
    }
    // From there the keys move as usual.
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(test.list(listId)->selectedIndex(), std::optional<int>(std::min(expectedLine + 1, 2)));
}

void TwoWindowsTest::controlsHaveDistinctNamesForScreenReaders() {
    TestWindow test;
    const std::pair<int, const char*> buttons[] = {
        {1032, "Ajouter une box"},
        {1031, "Supprimer la box"},
        {1029, "Ajouter une intersection"},
        {1030, "Supprimer l'intersection"},
    };
    for (const auto& [id, name] : buttons) {
        QCOMPARE(accessibleName(test.control(id)), QString::fromUtf8(name));
    }
    QTest::keyClick(&test.window(), Qt::Key_F3);
    ViewWindow* view = waitForView(test);
    QCOMPARE(QAccessible::queryAccessibleInterface(view)->role(), QAccessible::Window);
    QCOMPARE(accessibleName(view), QString("Vue 3D - Quadrel"));
    QCOMPARE(accessibleName(view->problemList()), QString::fromUtf8("Problèmes"));
    QCOMPARE(accessibleName(view->sceneView()), QString("Vue 3D des box"));
}

void TwoWindowsTest::showAllFramesSolidsFarFromTheOrigin() {
    TestWindow test;
    openSample(test, dir_->filePath("loin.box"),
               {cube("1", 5000, 5000, 0, 1), cube("2", 5004, 5000, 0, 1)}, {});
    QTest::keyClick(&test.window(), Qt::Key_F3);
    ViewWindow* view = waitForView(test);
    SceneView* scene = view->sceneView();
    const auto spread = [scene] {
        static_cast<void>(scene->grab());
        const std::optional<QPointF> first = scene->drawnPositionOf(0);
        const std::optional<QPointF> second = scene->drawnPositionOf(1);
        return first && second ? QLineF(*first, *second).length() : 0.0;
    };
    const double shortSide = std::min(scene->width(), scene->height());
    // Opening the file frames them: two solids side by side across much of the view.
    QCOMPARE(scene->boxesDrawnInFull(), std::size_t{2});
    QVERIFY2(
        spread() > shortSide / 4.0,
        qPrintable(QString("%1 %2x%3").arg(spread()).arg(scene->width()).arg(scene->height())));
    scene->camera().zoom(40);
    QVERIFY(spread() < shortSide / 20.0);
    buttonNamed(view, "Tout voir")->click();
    QVERIFY2(spread() > shortSide / 4.0, qPrintable(QString::number(spread())));

    // The origin is out of view: the axes show in the bottom left corner, in their colours.
    const QImage image = scene->grab().toImage();
    const auto redPixelsIn = [&image](const QRect& area) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += c.red() > 180 && c.green() < 80 && c.blue() < 80;
            }
        }
        return count;
    };
    const int side = 100;
    const QRect corner(0, image.height() - side, side, side);
    QVERIFY(redPixelsIn(corner) > 10);
    QCOMPARE(redPixelsIn(QRect(side, 0, image.width() - side, image.height() - side)), 0);
}

void TwoWindowsTest::theProblemListShowsWindowsTextsAsTheListsDo() {
    TestWindow test;
    FormBox first = cube("1", 0, 0, 0, 1);
    first.id = "B\xe9ton\x80\xfc";
    FormBox second = cube("2", 4, 0, 0, 1);
    second.id = first.id;
    openSample(test, dir_->filePath("ancien.box"), {first, second}, {});
    QCOMPARE(test.lines(boxList).first(), QString::fromUtf8("Béton€ü"));
    QTest::keyClick(&test.window(), Qt::Key_F3);
    ViewWindow* view = waitForView(test);
    QAbstractItemModel* problems = view->problemList()->model();
    bool seenBox = false;
    bool seenMessage = false;
    for (int row = 0; row < problems->rowCount(); ++row) {
        const QString box = problems->index(row, 1).data().toString();
        const QString message = problems->index(row, 3).data().toString();
        QVERIFY2(!box.contains(QChar::ReplacementCharacter), qPrintable(box));
        QVERIFY2(!message.contains(QChar::ReplacementCharacter), qPrintable(message));
        seenBox = seenBox || box == QString::fromUtf8("Béton€ü (rang 1)");
        seenMessage = seenMessage || message.contains(QString::fromUtf8("« Béton€ü »"));
    }
    QVERIFY(seenBox);
    QVERIFY(seenMessage);
}

QTEST_MAIN(TwoWindowsTest)
#include "twowindows_test.moc"
