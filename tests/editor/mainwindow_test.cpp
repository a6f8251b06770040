// The main window as it opens: every control of its layout, the tab order, the keys that close
// it and the ones that must not, and its system menu.
#include "AboutDialog.h"
#include "EditField.h"
#include "EditorTestSupport.h"
#include "ListControl.h"
#include "QuadrelDlg.h"
#include "SystemMenu.h"
#include "orlclass.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

namespace {

struct ExpectedControl {
    const char* kind;
    int id; // -1: none
    QString text;
    QRect units;
};

// The layout of the main window in dialog units, control by control.
std::vector<ExpectedControl> expectedControls() {
    std::vector<ExpectedControl> controls{
        {"label", -1, "Choisissez le fichier box à gérer", {14, 15, 101, 8}},
        {"button", 1000, "Choisir...", {118, 14, 34, 11}},
        {"button", 1036, "Nouveau", {169, 14, 39, 11}},
        {"label", -1, "Fichier en cours d'étude :", {13, 35, 80, 8}},
        {"label", 1006, "", {97, 33, 206, 8}},
        {"label", -1, "Nombre de box :", {19, 52, 53, 8}},
        {"label", 1004, "", {77, 52, 8, 8}},
        {"list", 1008, "", {13, 65, 84, 108}},
        {"button", 1032, "Ajouter", {13, 175, 36, 13}},
        {"button", 1031, "Supprimer", {58, 175, 40, 13}},
        {"label", -1, "Intersections :", {29, 190, 45, 8}},
        {"list", 1027, "", {13, 202, 84, 72}},
        {"button", 1029, "Ajouter", {14, 277, 36, 13}},
        {"button", 1030, "Supprimer", {57, 277, 40, 13}},
        {"label", -1, "ID de la box :", {113, 52, 43, 8}},
        {"digits", 1013, "", {163, 49, 40, 14}},
        {"label", -1, "Maximum Radius :", {213, 52, 58, 8}},
        {"digits", 1015, "", {271, 49, 22, 14}},
        {"label", -1, "Rang box :", {309, 52, 36, 8}},
        {"label", 1086, "", {349, 52, 8, 8}},
        {"button", 1081, "Valider", {381, 49, 40, 12}},
        {"label", -1, "Coordonnées du centre :", {113, 72, 79, 8}},
        {"label", -1, "X", {195, 72, 8, 8}},
        {"edit", 1021, "", {203, 68, 32, 14}},
        {"edit", 1018, "", {235, 68, 41, 14}},
        {"label", -1, "Y", {283, 71, 8, 8}},
        {"edit", 1022, "", {291, 68, 28, 14}},
        {"edit", 1019, "", {321, 68, 40, 14}},
        {"label", -1, "Z", {369, 71, 8, 8}},
        {"edit", 1025, "", {379, 68, 30, 14}},
        {"edit", 1020, "", {410, 68, 41, 14}},
        {"button", 3, "Enregistrer", {431, 7, 56, 14}},
        {"button", 4, "Enregistrer sous", {431, 23, 56, 14}},
        {"button", 2, "Quitter", {431, 39, 56, 14}},
        {"flat", 1082, "Aide", {377, 20, 49, 20}},
        {"button", 1083, "Vue 3D", {429, 281, 40, 13}},
        {"button", 1084, "Annuler", {333, 281, 42, 13}},
        {"button", 1085, "Rétablir", {380, 281, 44, 13}},
        {"button", 1087, "Forme...", {290, 281, 38, 13}},
        {"icon", -1, "", {325, 20, 21, 20}},
    };
    struct Plane {
        const char* title;
        int titleX, titleY, letterX, decimalX, hexX;
        int rows[4][3]; // decimal id, hexadecimal id, y
    };
    const Plane planes[] = {
        {"Plan 0 (opposé au 5) :",
         113,
         96,
         185,
         195,
         242,
         {{1037, 1023, 92}, {1038, 1024, 106}, {1039, 1026, 120}, {1040, 1028, 134}}},
        {"Plan 1 (opposé au 3) :",
         113,
         164,
         185,
         195,
         242,
         {{1045, 1041, 160}, {1046, 1042, 174}, {1047, 1043, 188}, {1048, 1044, 203}}},
        {"Plan 2 (opposé au 4) :",
         113,
         228,
         185,
         195,
         242,
         {{1069, 1065, 224}, {1070, 1066, 238}, {1071, 1067, 252}, {1072, 1068, 267}}},
        {"Plan 3 (opposé au 1) :",
         294,
         162,
         366,
         376,
         423,
         {{1061, 1057, 159}, {1062, 1058, 173}, {1063, 1059, 187}, {1064, 1060, 202}}},
        {"Plan 4 (opposé au 2) :",
         294,
         226,
         366,
         376,
         423,
         {{1077, 1073, 223}, {1078, 1074, 237}, {1079, 1075, 251}, {1080, 1076, 266}}},
        {"Plan 5 (opposé au 0) :",
         294,
         94,
         366,
         376,
         423,
         {{1053, 1049, 90}, {1054, 1050, 104}, {1055, 1051, 118}, {1056, 1052, 133}}},
    };
    for (const Plane& plane : planes) {
        controls.push_back({"label", -1, plane.title, {plane.titleX, plane.titleY, 70, 8}});
        const char* letters[] = {"a", "b", "c", "d"};
        for (int row = 0; row < 4; ++row) {
            const int y = plane.rows[row][2];
            // A letter stands just left of its row, within the row's height.
            controls.push_back({"letter", -1, letters[row], {plane.letterX, y, 8, 14}});
            controls.push_back({"edit", plane.rows[row][0], "", {plane.decimalX, y, 46, 14}});
            controls.push_back({"edit", plane.rows[row][1], "", {plane.hexX, y, 46, 14}});
        }
    }
    return controls;
}

const QList<int> tabOrder{
    2,    1000, 1008, 1013, 1015, 1018, 1019, 1020, 1023, 1024, 1026, 1028, 1037, 1038, 1039,
    1040, 1041, 1042, 1043, 1044, 1045, 1046, 1047, 1048, 1049, 1050, 1051, 1052, 1053, 1054,
    1055, 1056, 1057, 1058, 1059, 1060, 1061, 1062, 1063, 1064, 1065, 1066, 1067, 1068, 1069,
    1070, 1071, 1072, 1073, 1074, 1075, 1076, 1077, 1078, 1079, 1080, 1021, 1022, 1025, 1027,
    1029, 1030, 1031, 1032, 1036, 1081, 3,    4,    1082, 1083, 1084, 1085, 1087,
};

int idOf(const QWidget* widget) {
    return widget ? widget->property("controlId").toInt() : 0;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void opensWithNoFile();
    void everyControlStandsAtItsPlace();
    void theWindowIsFixedWithAMinimiseButton();
    void tabVisitsTheControlsInTemplateOrder();
    void enterInAFieldOrAListDoesNotClose_data();
    void enterInAFieldOrAListDoesNotClose();
    void closingKeysAndButtons_data();
    void closingKeysAndButtons();
    void idAndRadiusFieldsTakeDigitsOnly();
    void digitsOnlyFieldsKeepAFileValueEditable();
    void theSystemMenuEndsWithTheAboutEntry();
    void altSpaceOpensTheSystemMenuAndItsAboutEntry();
    void aRightClickOnTheBackgroundOpensTheSystemMenu();
    void aboutCommandsDifferingInTheLowBitsOpenTheAboutBox_data();
    void aboutCommandsDifferingInTheLowBitsOpenTheAboutBox();
};

void MainWindowTest::opensWithNoFile() {
    TestWindow test;
    QVERIFY(test.lines(1008).isEmpty());
    QVERIFY(test.lines(1027).isEmpty());
    for (const int label : {1004, 1006, 1086}) {
        QCOMPARE(test.shownText(label), QString());
    }
    const auto fields = test.window().findChildren<EditField*>();
    QCOMPARE(fields.size(), 56);
    for (EditField* field : fields) {
        QCOMPARE(field->text(), QString());
        QVERIFY(!field->isEnabled());
    }
    const auto buttons = test.window().findChildren<QPushButton*>();
    // The eleven of the form, "Vue 3D", "Forme...", and "Annuler" and "Rétablir", which have
    // nothing to do.
    QCOMPARE(buttons.size(), 15);
    for (QPushButton* button : buttons) {
        const int id = idOf(button);
        QCOMPARE(button->isEnabled(), id != 1084 && id != 1085);
        QVERIFY(!button->isDefault());
    }
    QVERIFY(test.control(1008)->isEnabled());
    QVERIFY(test.control(1027)->isEnabled());
    QCOMPARE(idOf(QApplication::focusWidget()), 2);
}

void MainWindowTest::everyControlStandsAtItsPlace() {
    TestWindow test;
    const DialogUnits& units = test.window().units();
    const auto expected = expectedControls();
    QList<QWidget*> matched;
    for (const ExpectedControl& control : expected) {
        const QString kind = control.kind;
        const QRect pixels = units.toPixels(control.units);
        QWidget* widget = nullptr;
        if (control.id != -1) {
            widget = test.control(control.id);
            QVERIFY2(widget, qPrintable(QString::number(control.id)));
            QCOMPARE(widget->objectName(), QString::number(control.id));
        } else {
            for (auto* label : test.window().findChildren<QLabel*>()) {
                if (kind == "icon" && !label->pixmap().isNull() && label->geometry() == pixels) {
                    widget = label;
                } else if (kind == "letter" && label->text() == control.text &&
                           label->x() == pixels.x() &&
                           pixels.contains(label->geometry().center())) {
                    widget = label;
                } else if (kind == "label" && label->text() == control.text &&
                           label->pos() == pixels.topLeft()) {
                    widget = label;
                }
            }
            QVERIFY2(widget, qPrintable(control.text));
        }
        matched << widget;
        if (kind == "letter") {
            continue;
        }
        if (kind == "label") {
            // A caption may grow to the right to show all its text in the font at hand.
            QCOMPARE(widget->pos(), pixels.topLeft());
            QCOMPARE(widget->height(), pixels.height());
            QVERIFY(widget->width() >= pixels.width());
        } else {
            QCOMPARE(widget->geometry(), pixels);
        }
        if (kind == "button" || kind == "flat") {
            auto* button = qobject_cast<QPushButton*>(widget);
            QVERIFY(button);
            QCOMPARE(button->text(), control.text);
            QCOMPARE(button->isFlat(), kind == "flat");
        } else if (kind == "edit" || kind == "digits") {
            auto* field = qobject_cast<EditField*>(widget);
            QVERIFY(field);
            QCOMPARE(field->digitsOnly(), kind == "digits");
        } else if (kind == "list") {
            QVERIFY(qobject_cast<ListControl*>(widget));
        } else {
            auto* label = qobject_cast<QLabel*>(widget);
            QVERIFY(label);
            if (kind == "label") {
                QCOMPARE(label->text(), control.text);
            }
        }
    }
    // The logo: the program's name divided between two labels around the icon.
    auto* before = qobject_cast<QLabel*>(
        test.window().childAt(units.toPixels(QRect(312, 26, 13, 8)).center()));
    auto* after = qobject_cast<QLabel*>(
        test.window().childAt(units.toPixels(QRect(346, 26, 18, 8)).center()));
    QVERIFY(before && after);
    QCOMPARE(before->text() + after->text(), QString("Quadrel"));
    matched << before << after;

    QList<QWidget*> all;
    for (QWidget* child : test.window().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow()) {
            all << child;
        }
    }
    QCOMPARE(all.size(), matched.size());
}

void MainWindowTest::theWindowIsFixedWithAMinimiseButton() {
    TestWindow test;
    QuadrelDlg& window = test.window();
    QCOMPARE(window.windowTitle(), QString("Quadrel"));
    const QSize size = window.units().toPixels(QSize(495, 297));
    QCOMPARE(window.minimumSize(), size);
    QCOMPARE(window.maximumSize(), size);
    QCOMPARE(window.size(), size);
    QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(window.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!window.windowIcon().isNull());
    QVERIFY(window.windowIcon().availableSizes().contains(QSize(64, 64)));
    QCOMPARE(window.font().pointSize(), 8);
}

void MainWindowTest::tabVisitsTheControlsInTemplateOrder() {
    QTemporaryDir dir;
    TestWindow test;
    test.answerChooser(dir.filePath("vide.box"));
    test.click(1036);
    // Two boxes added and one taken back: "Annuler" and "Rétablir" can take the focus.
    for (const char* id : {"1", "2"}) {
        auto* field = qobject_cast<QLineEdit*>(test.control(1013));
        field->clear();
        QTest::keyClicks(field, id);
        test.click(1032);
    }
    test.click(1084);
    test.control(2)->setFocus();
    QList<int> visited{idOf(QApplication::focusWidget())};
    for (int i = 1; i < tabOrder.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << idOf(QApplication::focusWidget());
    }
    QCOMPARE(visited, tabOrder);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(idOf(QApplication::focusWidget()), 2);
}

void MainWindowTest::enterInAFieldOrAListDoesNotClose_data() {
    QTest::addColumn<int>("control");
    QTest::addColumn<int>("key");
    for (const int control : {1013, 1021, 1008, 1027}) {
        QTest::addRow("%d Return", control) << control << int(Qt::Key_Return);
        QTest::addRow("%d Enter", control) << control << int(Qt::Key_Enter);
    }
}

void MainWindowTest::enterInAFieldOrAListDoesNotClose() {
    QFETCH(int, control);
    QFETCH(int, key);
    QTemporaryDir dir;
    const QString path = dir.filePath("deux.box");
    writeBytes(path, boxFileBytes("2", {{"1"}, {"2"}}, {"0 1"}));
    TestWindow test;
    test.answerChooser(path);
    test.click(1000);
    if (control == 1008 || control == 1027) {
        test.clickLine(control, 0);
    } else {
        QTest::mouseClick(test.control(control), Qt::LeftButton);
        QTest::keyClicks(test.control(control), "42");
    }
    QCOMPARE(idOf(QApplication::focusWidget()), control);
    QTest::keyClick(test.control(control), Qt::Key(key));
    QVERIFY(test.window().isVisible());
    QCOMPARE(test.lines(1008), QStringList({"1", "2"}));
}

void MainWindowTest::closingKeysAndButtons_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Escape in a field") << "escape";
    QTest::newRow("click on Quitter") << "click";
    QTest::newRow("Enter on Quitter, focused at opening") << "enter";
    QTest::newRow("close box") << "close";
    QTest::newRow("Fermer in the system menu") << "menu";
}

void MainWindowTest::closingKeysAndButtons() {
    QFETCH(QString, how);
    QTemporaryDir dir;
    TestWindow test;
    test.answerChooser(dir.filePath("vide.box"));
    if (how == "escape") {
        test.click(1036);
        QTest::mouseClick(test.control(1013), Qt::LeftButton);
        QTest::keyClick(test.control(1013), Qt::Key_Escape);
    } else if (how == "click") {
        test.click(2);
    } else if (how == "enter") {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    } else if (how == "close") {
        test.window().close();
    } else {
        test.window().systemCommand(closeCommand);
    }
    QVERIFY(!test.window().isVisible());
    QCOMPARE(test.window().result(), int(QDialog::Rejected));
}

void MainWindowTest::idAndRadiusFieldsTakeDigitsOnly() {
    QTemporaryDir dir;
    TestWindow test;
    test.answerChooser(dir.filePath("vide.box"));
    test.click(1036);
    for (const int id : {1013, 1015}) {
        QTest::keyClicks(test.control(id), "a1-b2.c 3");
        QCOMPARE(test.shownText(id), QString("123"));
    }
    QTest::keyClicks(test.control(1021), "-1.5e3");
    QCOMPARE(test.shownText(1021), QString("-1.5e3"));
}

// A file may bring an ID or a radius that is not all digits: the user can edit it, but typing
// adds digits only, so what is saved still lines up token for token.
void MainWindowTest::digitsOnlyFieldsKeepAFileValueEditable() {
    QTemporaryDir dir;
    const QString path = dir.filePath("lettres.box");
    writeBytes(path, boxFileBytes("2", {{"A1", "1.5"}, {"B2", "3"}}, {"0 1"}));
    TestWindow test;
    test.answerChooser(path);
    test.click(1000);
    test.clickLine(1008, 0);
    QCOMPARE(test.shownText(1015), QString("1.5"));
    for (const int id : {1013, 1015}) {
        QTest::keyClick(test.control(id), Qt::Key_End);
        QTest::keyClicks(test.control(id), " 7x");
    }
    QCOMPARE(test.shownText(1013), QString("A17"));
    QCOMPARE(test.shownText(1015), QString("1.57"));
    test.click(1081);
    test.click(3);

    BoxDocument saved;
    QVERIFY(saved.readFile(path.toStdString()));
    QCOMPARE(saved.boxIds.size(), std::size_t(3));
    QCOMPARE(saved.boxes.last().id, std::string("A17"));
    QCOMPARE(saved.boxes.last().maxRadius, std::string("1.57"));
    QCOMPARE(saved.boxes.begin()->get()->maxRadius, std::string("1.5"));
    QCOMPARE(*saved.intersections.begin(), std::string("0 1"));
}

void MainWindowTest::theSystemMenuEndsWithTheAboutEntry() {
    TestWindow test;
    SystemMenu* menu = test.window().systemMenu();
    QVERIFY(menu);
    const auto actions = menu->actions();
    QVERIFY(actions.size() >= 3);
    QCOMPARE(actions.at(0)->text(), QString("Réduire"));
    QCOMPARE(actions.at(1)->text(), QString("Fermer"));
    QVERIFY(actions.at(actions.size() - 2)->isSeparator());
    QCOMPARE(actions.last()->text(), QString("&A propos de Quadrel..."));
    QCOMPARE(actions.last()->data().toInt(), ABOUT_COMMAND);
    QCOMPARE(ABOUT_COMMAND, 16);
}

void MainWindowTest::altSpaceOpensTheSystemMenuAndItsAboutEntry() {
    TestWindow test;
    QTest::keyClick(&test.window(), Qt::Key_Space, Qt::AltModifier);
    auto* menu = qobject_cast<SystemMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QVERIFY(QTest::qWaitForWindowExposed(menu));

    QString opened;
    whenModalShows([&](QWidget* dialog) {
        opened = dialog->metaObject()->className();
        auto* ok = dialog->findChild<QPushButton*>("1");
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    QTest::keyClick(menu, Qt::Key_A);
    QTRY_COMPARE(opened, QString("AboutDialog"));
    QVERIFY(test.window().isVisible());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void MainWindowTest::aRightClickOnTheBackgroundOpensTheSystemMenu() {
    TestWindow test;
    const QPoint background = test.window().units().toPixels(QRect(300, 5, 10, 5)).center();
    QVERIFY(test.window().childAt(background) == nullptr);
    QTest::mouseClick(test.window().windowHandle(), Qt::RightButton, Qt::NoModifier, background);
    auto* menu = qobject_cast<SystemMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    menu->close();

    QTest::mouseClick(test.window().windowHandle(), Qt::RightButton, Qt::NoModifier,
                      test.control(1000)->geometry().center());
    QVERIFY(QApplication::activePopupWidget() == nullptr);
}

void MainWindowTest::aboutCommandsDifferingInTheLowBitsOpenTheAboutBox_data() {
    QTest::addColumn<int>("command");
    QTest::newRow("0x0010") << 0x0010;
    QTest::newRow("0x0013") << 0x0013;
    QTest::newRow("0x001F") << 0x001F;
}

void MainWindowTest::aboutCommandsDifferingInTheLowBitsOpenTheAboutBox() {
    QFETCH(int, command);
    TestWindow test;
    QString opened;
    whenModalShows([&](QWidget* dialog) {
        opened = dialog->metaObject()->className();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    test.window().systemCommand(command);
    QCOMPARE(opened, QString("AboutDialog"));
    QVERIFY(test.window().isVisible());
}

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
