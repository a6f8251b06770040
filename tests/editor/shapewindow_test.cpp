// The shape window driven as a user drives it: the shape of the box of the form, typing a shape
// into the form, adding a box by its dimensions and every transform, each undone to the bytes.
#include "BoxForm.h"
#include "BoxTransformEdits.h"
#include "ListControl.h"
#include "OrbitCamera.h"
#include "SceneView.h"
#include "ShapeTestSupport.h"
#include "ViewPlacement.h"
#include "ViewWindow.h"
#include "boxshape.h"
#include "boxvalues.h"
#include "orlclass.h"
#include "transforms.h"

#include <QScreen>
#include <QTemporaryDir>
#include <functional>

namespace {

const std::vector<FormBox> twoCubes{cube("10", 1, 2, 3, 0.5), cube("11", 5, 0, 0, 1)};

QString openSample(TestWindow& test, QTemporaryDir& dir, const std::vector<FormBox>& boxes) {
    const QString path = dir.filePath("scene.box");
    writeBytes(path, boxTextBytes(boxes, {}));
    test.answerChooser(path);
    test.click(1000);
    return path;
}

QStringList listed(const BoxTexts& texts) {
    QStringList list;
    for (const std::string& text : texts) {
        list << QString::fromStdString(text);
    }
    return list;
}

QStringList documentBox(TestWindow& test, std::size_t rank) {
    BoxTexts texts;
    for (std::size_t slot = 0; slot < texts.size(); ++slot) {
        texts[slot] = boxTextAt(test.document().boxes.at(rank), slot);
    }
    return listed(texts);
}

ShapeTexts expectedTexts(const BoxShape& shape) {
    const auto written = writeShape(shape);
    if (!std::holds_alternative<WrittenShape>(written)) {
        qWarning("The shape has no texts");
        return {};
    }
    return std::get<WrittenShape>(written).texts;
}

ShapeTexts texts(const TransformResult& result) {
    if (!std::holds_alternative<ShapeTexts>(result)) {
        qWarning("The transform did not apply");
        return {};
    }
    return std::get<ShapeTexts>(result);
}

// What a tool does to box 10, and what it must leave.
struct ToolCase {
    std::function<void(TransformTools&)> set;
    QString button;
    std::string historyName;
    // The texts box 10 must hold after the click, from the transforms of geometry.
    std::function<ShapeTexts(const ShapeTexts& box, const ShapeTexts& other)> expected;
};

} // namespace

class ShapeWindowTest : public QObject {
    Q_OBJECT

private slots:
    void thePanelFollowsTheFormBeforeValider();
    void aBoxThatIsNoBlockSaysWhy();
    void typingAShapeWritesTheFormAndOneUndoTakesItBack_data();
    void typingAShapeWritesTheFormAndOneUndoTakesItBack();
    void aValueThatGivesNoBlockLeavesTheForm();
    void nothingIsAddedWithoutAFile();
    void eachToolIsOneEditUndoneToTheBytes_data();
    void eachToolIsOneEditUndoneToTheBytes();
    void aToolThatCannotApplyChangesNothing();
    void aBoxIsAddedWhereTheViewLooks();
    void aBoxIsAddedAtTheOriginWithoutAView();
    void theWindowOpensBesideTheMainWindowAwayFromTheView();
    void toolPlacement();
};

void ShapeWindowTest::thePanelFollowsTheFormBeforeValider() {
    QTemporaryDir dir;
    TestWindow test;
    openSample(test, dir, twoCubes);
    ShapeWindow* window = openShapeWindow(test);
    QVERIFY(window);
    QCOMPARE(window->panel()->statusLine()->text(), QString("Aucune box dans le formulaire."));
    test.clickLine(1008, 0);
    QCOMPARE(window->panel()->statusLine()->text(), QString("Box 10"));
    QCOMPARE(panelValues(window), QStringList({"1", "2", "3", "1", "1", "1", "0", "0", "0"}));
    // Plane 0 (+X) pushed from x = 1,5 to x = 2,5: the block is 2 long, centred at x = 1,5.
    retype(test, 1040, "2.5");
    QCOMPARE(panelValues(window), QStringList({"1,5", "2", "3", "2", "1", "1", "0", "0", "0"}));
    test.clickLine(1008, 1);
    QCOMPARE(window->panel()->statusLine()->text(), QString("Box 11"));
    QCOMPARE(panelValues(window), QStringList({"5", "0", "0", "2", "2", "2", "0", "0", "0"}));
}

void ShapeWindowTest::aBoxThatIsNoBlockSaysWhy() {
    QTemporaryDir dir;
    TestWindow test;
    FormBox open = cube("7", 0, 0, 0, 1);
    // Plane 5 turned to face +X like plane 0: nothing bounds the box towards -X.
    open.planes[20] = open.planes[0];
    open.planes[23] = open.planes[3];
    openSample(test, dir, {open});
    ShapeWindow* window = openShapeWindow(test);
    test.clickLine(1008, 0);
    const ShapeReading reading = shapeOf(decodeBoxValues(test.document().boxes.at(0)));
    QVERIFY(std::holds_alternative<ShapeFault>(reading));
    const QString why = QString::fromStdString(shapeFaultText(std::get<ShapeFault>(reading)));
    QCOMPARE(window->panel()->statusLine()->text(),
             QString("Box 7 : pas un bloc rectangulaire, %1.").arg(why));
    QCOMPARE(panelValues(window), QStringList(QList<QString>(9)));
}

void ShapeWindowTest::typingAShapeWritesTheFormAndOneUndoTakesItBack_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("value");
    QTest::addRow("length") << 3 << "4" << 4.0;
    QTest::addRow("height with a comma") << 5 << "0,015625" << 0.015625;
    QTest::addRow("centre z") << 2 << "-10,5" << -10.5;
    QTest::addRow("yaw") << 6 << "30" << 30.0;
    QTest::addRow("pitch") << 7 << "-45" << -45.0;
    QTest::addRow("roll with a point") << 8 << "15.5" << 15.5;
}

void ShapeWindowTest::typingAShapeWritesTheFormAndOneUndoTakesItBack() {
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(double, value);
    QTemporaryDir dir;
    TestWindow test;
    const QString path = openSample(test, dir, twoCubes);
    const std::string original = readBytes(path);
    ShapeWindow* window = openShapeWindow(test);
    test.clickLine(1008, 0);
    typeOver(window->panel()->field(static_cast<std::size_t>(field)), typed);

    std::array<double, 9> values = {1, 2, 3, 1, 1, 1, 0, 0, 0};
    values[static_cast<std::size_t>(field)] = value;
    const BoxShape shape{{values[0], values[1], values[2]},
                         {values[3], values[4], values[5]},
                         {values[6], values[7], values[8]}};
    const auto written = writeShape(shape);
    QVERIFY(std::holds_alternative<WrittenShape>(written));
    const WrittenShape& expected = std::get<WrittenShape>(written);
    QCOMPARE(listed(test.window().shownBoxTexts()), listed(boxTextsOf("10", expected.texts)));
    // Each decimal partner shows what its text reads as.
    for (const FieldPair& pair : fieldPairs()) {
        QCOMPARE(
            test.shownText(pair.decimalId).toStdString(),
            test.document().hexToDecimal(test.shownText(pair.hexId).toStdString(), pair.format));
    }
    QCOMPARE(test.shownText(1015).toStdString(), expected.texts.maxRadius);
    QVERIFY(window->panel()->driftLine()->text().startsWith("Écart des coins : "));
    // The panel keeps what was typed; the document is untouched until "Valider".
    QCOMPARE(window->panel()->field(static_cast<std::size_t>(field))->text(), typed);
    QCOMPARE(test.window().commands().history().size(), std::size_t(0));

    test.click(1081);
    QCOMPARE(documentBox(test, 0), listed(boxTextsOf("10", expected.texts)));
    QCOMPARE(test.window().commands().history().size(), std::size_t(1));
    test.click(3);
    QVERIFY(readBytes(path) != original);
    // Back in the main window, one Ctrl+Z takes the whole shape back.
    test.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&test.window()));
    QTest::keyClick(&test.window(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(test.window().commands().history().currentPoint(), std::size_t(0));
    test.click(3);
    QCOMPARE(readBytes(path), original);
}

void ShapeWindowTest::aValueThatGivesNoBlockLeavesTheForm() {
    QTemporaryDir dir;
    TestWindow test;
    openSample(test, dir, twoCubes);
    ShapeWindow* window = openShapeWindow(test);
    test.clickLine(1008, 0);
    const QStringList stored = documentBox(test, 0);
    QLineEdit* length = window->panel()->field(3);
    typeOver(length, "abc");
    QCOMPARE(window->panel()->driftLine()->text(),
             QString("Longueur, entre les plans 0 et 5 : « abc » n'est pas un nombre."));
    QCOMPARE(listed(test.window().shownBoxTexts()), stored);
    typeOver(length, "0");
    QCOMPARE(window->panel()->driftLine()->text(),
             QString("Rien d'écrit : %1.")
                 .arg(QString::fromStdString(shapeFaultText(ShapeFault::DimensionNotPositive))));
    QCOMPARE(listed(test.window().shownBoxTexts()), stored);
}

void ShapeWindowTest::nothingIsAddedWithoutAFile() {
    TestWindow test;
    ShapeWindow* window = openShapeWindow(test);
    QTest::mouseClick(window->addButton(), Qt::LeftButton);
    QCOMPARE(window->tools()->messageLine()->text(),
             QString("Ouvrir ou créer d'abord un fichier."));
    QCOMPARE(test.document().boxes.size(), std::size_t(0));
    clickTool(window, "Déplacer");
    QCOMPARE(window->tools()->messageLine()->text(),
             QString("Choisir d'abord une box de la liste."));
}

void ShapeWindowTest::eachToolIsOneEditUndoneToTheBytes_data() {
    QTest::addColumn<int>("index");
    for (int index = 0; index < 9; ++index) {
        QTest::addRow("%d", index) << index;
    }
}

void ShapeWindowTest::eachToolIsOneEditUndoneToTheBytes() {
    QFETCH(int, index);
    const ToolCase cases[] = {
        {[](TransformTools& tools) { typeVector(tools.fields().move, 0.25, -3, 10.5); }, "Déplacer",
         "Déplacer la box 10",
         [](const ShapeTexts& box, const ShapeTexts&) {
             return texts(moveBox(box, {0.25, -3, 10.5}));
         }},
        {[](TransformTools& tools) {
             chooseEntry(tools.fields().turnAxis, "autour de Y");
             typeOver(tools.fields().turnAngle, "30");
         },
         "Tourner", "Tourner la box 10",
         [](const ShapeTexts& box, const ShapeTexts&) {
             return texts(rotateBox(box, {0, 1, 0}, 30));
         }},
        {[](TransformTools& tools) {
             chooseEntry(tools.fields().turnAxis, "axe propre 2");
             typeOver(tools.fields().turnAngle, "-22,5");
         },
         "Tourner", "Tourner la box 10",
         [](const ShapeTexts& box, const ShapeTexts&) {
             return texts(rotateAboutOwnAxis(box, 2, -22.5));
         }},
        {[](TransformTools& tools) {
             chooseEntry(tools.fields().resizeFrom, "plan 3");
             typeOver(tools.fields().resizeDimension, "2,5");
         },
         "Redimensionner", "Redimensionner la box 10",
         [](const ShapeTexts& box, const ShapeTexts&) {
             return texts(resizeFromFace(box, 3, 2.5));
         }},
        {[](TransformTools& tools) {
             chooseEntry(tools.fields().resizeFrom, "centre, axe 0");
             typeOver(tools.fields().resizeDimension, "0,125");
         },
         "Redimensionner", "Redimensionner la box 10",
         [](const ShapeTexts& box, const ShapeTexts&) {
             return texts(resizeFromCentre(box, 0, 0.125));
         }},
        {[](TransformTools& tools) {
             chooseEntry(tools.fields().mirrorAxis, "axe propre 1 (plans 1 et 3)");
         },
         "Retourner", "Retourner la box 10",
         [](const ShapeTexts& box, const ShapeTexts&) { return texts(mirrorBox(box, 1)); }},
        {[](TransformTools& tools) {
             chooseEntry(tools.fields().stickPlane, "plan 0");
             typeOver(tools.fields().stickOtherId, "11");
             chooseEntry(tools.fields().stickOtherPlane, "plan 5");
         },
         "Coller", "Coller la box 10 contre la box 11",
         [](const ShapeTexts& box, const ShapeTexts& other) {
             return texts(stickTo(box, 0, other, 5));
         }},
        {[](TransformTools& tools) {
             chooseEntry(tools.fields().stickPlane, "plan 4");
             typeOver(tools.fields().stickOtherId, "11");
             chooseEntry(tools.fields().stickOtherPlane, "plan 2");
         },
         "Coller", "Coller la box 10 contre la box 11",
         [](const ShapeTexts& box, const ShapeTexts& other) {
             return texts(stickTo(box, 4, other, 2));
         }},
        {[](TransformTools& tools) { typeVector(tools.fields().duplicate, 0, 0, 2); }, "Dupliquer",
         "Dupliquer la box 10", nullptr},
    };
    const ToolCase& tool = cases[index];
    QTemporaryDir dir;
    TestWindow test;
    const QString path = openSample(test, dir, twoCubes);
    const std::string original = readBytes(path);
    ShapeWindow* window = openShapeWindow(test);
    test.clickLine(1008, 0);
    const ShapeTexts before = shapeTextsOf(test.document().boxes.at(0));
    const ShapeTexts other = shapeTextsOf(test.document().boxes.at(1));
    tool.set(*window->tools());
    clickTool(window, tool.button);

    QCOMPARE(lastHistoryName(test), tool.historyName);
    QCOMPARE(test.window().commands().history().size(), std::size_t(1));
    QVERIFY2(window->tools()->messageLine()->text().startsWith("Fait"),
             qPrintable(window->tools()->messageLine()->text()));
    if (tool.expected) {
        const ShapeTexts expected = tool.expected(before, other);
        QVERIFY(expected != before);
        QCOMPARE(documentBox(test, 0), listed(boxTextsOf("10", expected)));
        // The form shows the box as it now is.
        QCOMPARE(listed(test.window().shownBoxTexts()), documentBox(test, 0));
    } else {
        QCOMPARE(test.document().boxes.size(), std::size_t(3));
        QCOMPARE(documentBox(test, 2), listed(boxTextsOf("12", texts(moveBox(before, {0, 0, 2})))));
        QCOMPARE(test.window().shownId(), std::string("12"));
        QCOMPARE(test.list(1008)->selectedIndex(), std::optional<int>(2));
    }
    test.click(3);
    QVERIFY(readBytes(path) != original);
    test.click(1084);
    test.click(3);
    QCOMPARE(readBytes(path), original);
}

void ShapeWindowTest::aToolThatCannotApplyChangesNothing() {
    QTemporaryDir dir;
    TestWindow test;
    const QString path = openSample(test, dir, twoCubes);
    ShapeWindow* window = openShapeWindow(test);
    QLabel* message = window->tools()->messageLine();
    clickTool(window, "Déplacer");
    QCOMPARE(message->text(), QString("Choisir d'abord une box de la liste."));

    test.clickLine(1008, 0);
    typeOver(window->tools()->fields().resizeDimension, "-1");
    clickTool(window, "Redimensionner");
    QVERIFY2(message->text().startsWith("Rien de changé : "), qPrintable(message->text()));
    typeOver(window->tools()->fields().move[1], "deux");
    clickTool(window, "Déplacer");
    QCOMPARE(message->text(), QString("Déplacement : « deux » n'est pas un nombre."));
    typeOver(window->tools()->fields().stickOtherId, "99");
    clickTool(window, "Coller");
    QCOMPARE(message->text(), QString("Aucune box ne porte l'ID 99."));
    typeOver(window->tools()->fields().stickOtherId, "10");
    clickTool(window, "Coller");
    QCOMPARE(message->text(), QString("Une box ne se colle pas contre elle-même."));
    // Typing in the form, not yet validated, is never thrown away by a tool.
    retype(test, 1040, "2.5");
    typeOver(window->tools()->fields().move[1], "1");
    clickTool(window, "Déplacer");
    QCOMPARE(message->text(), QString("Le formulaire a des changements : « Valider » d'abord."));
    QCOMPARE(test.shownText(1040), QString("2.5"));
    QCOMPARE(test.window().commands().history().size(), std::size_t(0));
    QCOMPARE(test.document().boxes.size(), std::size_t(2));
}

void ShapeWindowTest::aBoxIsAddedWhereTheViewLooks() {
    QTemporaryDir dir;
    TestWindow test;
    openSample(test, dir, twoCubes);
    test.click(1083);
    ViewWindow* view = test.window().view();
    QVERIFY(view && QTest::qWaitForWindowExposed(view));
    const Vec3 focus = view->sceneView()->camera().focus();
    // The view shows both cubes: it looks between them, not at the origin.
    QVERIFY(focus.x > 1);
    ShapeWindow* window = openShapeWindow(test);
    QVERIFY(addShapedBoxAsUser(window, {"2", "3", "0,5", "30", "0", "0"}));

    QCOMPARE(test.document().boxes.size(), std::size_t(3));
    QCOMPARE(documentBox(test, 2),
             listed(boxTextsOf("12", expectedTexts({focus, {2, 3, 0.5}, {30, 0, 0}}))));
    QCOMPARE(lastHistoryName(test), std::string("Ajouter la box 12"));
    QCOMPARE(test.window().shownId(), std::string("12"));
    QCOMPARE(test.list(1008)->selectedIndex(), std::optional<int>(2));
    QCOMPARE(window->panel()->statusLine()->text(), QString("Box 12"));
    QCOMPARE(window->panel()->field(6)->text(), QString("30"));
}

void ShapeWindowTest::aBoxIsAddedAtTheOriginWithoutAView() {
    QTemporaryDir dir;
    TestWindow test;
    openSample(test, dir, twoCubes);
    ShapeWindow* window = openShapeWindow(test);
    QVERIFY(addShapedBoxAsUser(window, {"4", "1", "2", "0", "0", "0"}));
    QCOMPARE(documentBox(test, 2),
             listed(boxTextsOf("12", expectedTexts({{0, 0, 0}, {4, 1, 2}, {0, 0, 0}}))));
    // A value that does not read keeps the dialog open and adds nothing.
    bool stayed = false;
    whenModalShows([&](QWidget* dialog) {
        typeOver(dialog->findChildren<QLineEdit*>()[1], "large");
        QTest::mouseClick(buttonNamed(dialog, "Ajouter"), Qt::LeftButton);
        stayed = dialog->isVisible();
        QTest::mouseClick(buttonNamed(dialog, "Annuler"), Qt::LeftButton);
    });
    QTest::mouseClick(window->addButton(), Qt::LeftButton);
    QVERIFY(stayed);
    QCOMPARE(test.document().boxes.size(), std::size_t(3));
}

void ShapeWindowTest::theWindowOpensBesideTheMainWindowAwayFromTheView() {
    QTemporaryDir dir;
    TestWindow test;
    openSample(test, dir, twoCubes);
    test.click(1083);
    QVERIFY(QTest::qWaitForWindowExposed(test.window().view()));
    ShapeWindow* window = openShapeWindow(test);
    QCOMPARE(window->windowTitle(), QString("Forme - Quadrel"));
    const QRect available = test.window().screen()->availableGeometry();
    QVERIFY(available.contains(window->frameGeometry()));
    // Every field is reached by Tab, and every label names its field with an accelerator.
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->buddy() != nullptr) {
            QVERIFY2(label->text().contains('&'), qPrintable(label->text()));
        }
    }
    for (QLineEdit* field : window->findChildren<QLineEdit*>()) {
        QVERIFY(field->focusPolicy() & Qt::TabFocus);
    }
}

void ShapeWindowTest::toolPlacement() {
    const QRect screen(0, 0, 1920, 1080);
    const QSize size(500, 600);
    // The fields fill the main window but for its left column of lists and its top strip.
    const auto fieldsOf = [](const QRect& frame) {
        return frame.adjusted(frame.width() / 5, frame.height() / 6, -8, -8);
    };
    const auto place = [&](const QRect& main, const std::vector<QRect>& others,
                           const QSize& smallest) {
        return placeToolBeside(screen, main, fieldsOf(main), others, size, smallest);
    };
    // Room on the right: the tool goes there, level with the main window.
    QCOMPARE(place(QRect(100, 100, 800, 500), {}, size), QRect(900, 100, 500, 600));
    // The view holds the right: the tool goes left, held on the screen, if that is free.
    QCOMPARE(place(QRect(600, 100, 800, 500), {QRect(1400, 0, 520, 1080)}, size),
             QRect(100, 100, 500, 600));
    // Neither side is free: below the main window.
    QCOMPARE(place(QRect(0, 0, 1000, 450), {QRect(1000, 0, 920, 1080)}, size),
             QRect(0, 450, 500, 600));
    // No place beside the main window at full size, but a free room that holds the tool smaller:
    // there, against the main window and level with it.
    QCOMPARE(place(QRect(300, 200, 1000, 700), {QRect(1300, 0, 620, 1080)}, QSize(300, 400)),
             QRect(0, 200, 300, 600));
    // A room below the main window and between two windows, reached by none of the four places.
    QCOMPARE(place(QRect(560, 100, 800, 500), {QRect(0, 0, 560, 1080), QRect(1360, 0, 560, 1080)},
                   QSize(400, 300)),
             QRect(560, 600, 500, 480));
    // Nowhere free of both: over the main window's lists, beside its fields, the view uncovered.
    QCOMPARE(place(QRect(300, 200, 1000, 700), {QRect(1300, 0, 620, 1080)}, size),
             QRect(0, 200, 500, 600));
    // The main window fills the height: the view stays uncovered, and as little of the main
    // window as can be.
    QCOMPARE(place(QRect(0, 0, 1000, 1080), {QRect(1000, 0, 920, 1080)}, size),
             QRect(0, 0, 500, 600));
    // A main window in the middle of a 1280 × 800 screen leaves no side free: the tool covers
    // its lists, never its fields.
    const QRect small(0, 0, 1280, 800);
    const QRect middle(204, 156, 870, 487);
    const QRect fields(490, 190, 560, 400);
    QCOMPARE(placeToolBeside(small, middle, fields, {}, QSize(456, 656), QSize(456, 600)),
             QRect(34, 144, 456, 656));
}

QTEST_MAIN(ShapeWindowTest)
#include "shapewindow_test.moc"
