// The help dialog opened by "Aide" and the about box: their texts, and that closing them leaves
// the main window as it was.
#include "AboutDialog.h"
#include "Aide.h"
#include "EditorTestSupport.h"
#include "ListControl.h"
#include "QuadrelDlg.h"
#include "TemplateDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every text of a dialog, top to bottom and then left to right.
QStringList labelTexts(const QWidget& dialog) {
    auto labels = dialog.findChildren<QLabel*>();
    std::sort(labels.begin(), labels.end(), [](const QLabel* a, const QLabel* b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    QStringList texts;
    for (const QLabel* label : labels) {
        if (label->pixmap().isNull()) {
            texts << label->text();
        }
    }
    return texts;
}

const QStringList helpLines{
    "Comment utiliser le programme :",
    "Tout d'abord, Quadrel permet de gérer les fichier BOX pour SCOL. C'est à dire la réalité "
    "physique des murs.",
    "Vous commencez par choisir un fichier .box avec le bouton 'choisir...' ou alors créer en un "
    "nouveau avec 'nouveau'",
    "La liste des BOX s'affiche alors dans la première liste et la liste des intersections dans la "
    "seconde.",
    "En cliquant sur une Box, ses infos s'affichent alors à droite. Vous pouvez alors la modifier "
    "à "
    "votre aise. Pour qu'une",
    "modification soit effective, cliquer sur 'Valider' avant de passer à une autre BOX. Si vous "
    "editez une nouvelle box, ",
    "le bouton 'ajouter' s'occupera de créer votre nouvelle box. Le bouton 'supprimer' supprime la "
    "box ainsi que toute ses",
    "intersections. Si vous tenter d'ajouter une BOX déjà existante. Rien ne se passera. Utiliser "
    "plutôt le bouton 'Valider'.",
    "Pour chaque paramètre des BOX, à gauche c'est en décimal, à droite en héxa(4 pour a,b,c et 8 "
    "pour d et le centre) ",
    "les nombres sont codés avec 14 bits après la virgule. Ainsi 4000 en hexa vaut 1 et c000 vaut "
    "-1.",
    "Veuillez respecter les équations: ax+by+cz = d avec a²+b²+c²=1",
    "Pour les intersections, le bouton 'ajouter' ouvre une boite de dialogue où il vous suffit de "
    "choisir dans les listes les 2",
    "box qui se croisent. Le bouton 'supprimer' comme pour les BOX supprimer l'élément selectionné "
    "dans la liste.",
    "Attention: les numéros des intersections correspondent au rang de la BOX et non à son ID !",
    "Si vous êtes là, vous avez trouvé le bouton d'aide. Pour les 2 derniers boutons, c'est "
    "simple: "
    "'enregistrer' enregistre",
    "le fichier courant avec le même nom. Le bouton 'enregister sous' vous permet d'enregistrer "
    "votre travail sous un autre",
    "nom. Ce qui permet de ne pas écraser l'original !",
};

struct WindowState {
    QStringList boxes;
    QStringList intersections;
    std::optional<int> selectedBox;
    QString path;
    QString count;
    QString id;
    bool operator==(const WindowState&) const = default;
};

WindowState stateOf(const TestWindow& test) {
    return {test.lines(1008),     test.lines(1027),     test.list(1008)->selectedIndex(),
            test.shownText(1006), test.shownText(1004), test.shownText(1013)};
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void theHelpShowsItsTextLineByLine();
    void closingTheHelpLeavesTheWindowAsItWas_data();
    void closingTheHelpLeavesTheWindowAsItWas();
    void enterOnTheFocusedAideButtonOpensTheHelp();
    void theAboutBoxShowsTheProgramAndCloses();
    void noTextIsClippedAndNoControlsOverlap_data();
    void noTextIsClippedAndNoControlsOverlap();
};

void DialogsTest::theHelpShowsItsTextLineByLine() {
    AideDialog help;
    QCOMPARE(help.windowTitle(), QString("Dialog"));
    const QStringList texts = labelTexts(help);
    QVERIFY(texts.size() >= helpLines.size() + 1);
    QCOMPARE(texts.mid(0, helpLines.size()), helpLines);
    QVERIFY(texts.contains("Bon SCOL !"));
    auto* close = help.findChild<QPushButton*>("1");
    QVERIFY(close);
    QCOMPARE(close->text(), QString("Fermer"));
    QVERIFY(close->isDefault());
    auto* icon = help.findChild<QLabel*>("1085");
    QVERIFY(icon && !icon->pixmap().isNull());
}

void DialogsTest::closingTheHelpLeavesTheWindowAsItWas_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("withFile");
    for (const bool withFile : {false, true}) {
        const char* suffix = withFile ? "with a file" : "before any file";
        QTest::addRow("Fermer, %s", suffix) << "click" << withFile;
        QTest::addRow("Enter, %s", suffix) << "enter" << withFile;
        QTest::addRow("Escape, %s", suffix) << "escape" << withFile;
        QTest::addRow("close box, %s", suffix) << "close" << withFile;
    }
}

void DialogsTest::closingTheHelpLeavesTheWindowAsItWas() {
    QFETCH(QString, how);
    QFETCH(bool, withFile);
    QTemporaryDir dir;
    TestWindow test;
    if (withFile) {
        const QString path = dir.filePath("deux.box");
        writeBytes(path, boxFileBytes("2", {{"5"}, {"6"}}, {"0 1"}));
        test.answerChooser(path);
        test.click(1000);
        test.clickLine(1008, 1);
        QTest::keyClicks(test.control(1013), "77");
    }
    const WindowState before = stateOf(test);

    QStringList shownLines;
    whenModalShows([&](QWidget* dialog) {
        shownLines = labelTexts(*dialog).mid(0, helpLines.size());
        if (how == "click") {
            QTest::mouseClick(dialog->findChild<QPushButton*>("1"), Qt::LeftButton);
        } else if (how == "enter") {
            QTest::keyClick(dialog, Qt::Key_Return);
        } else if (how == "escape") {
            QTest::keyClick(dialog, Qt::Key_Escape);
        } else {
            dialog->close();
        }
    });
    test.click(1082);

    QCOMPARE(shownLines, helpLines);
    QVERIFY(stateOf(test) == before);
    QVERIFY(test.window().isVisible());
}

void DialogsTest::enterOnTheFocusedAideButtonOpensTheHelp() {
    TestWindow test;
    test.control(1082)->setFocus();
    QString opened;
    whenModalShows([&](QWidget* dialog) {
        opened = dialog->metaObject()->className();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QTest::keyClick(test.control(1082), Qt::Key_Return);
    QCOMPARE(opened, QString("AideDialog"));
    QVERIFY(test.window().isVisible());
}

void DialogsTest::theAboutBoxShowsTheProgramAndCloses() {
    AboutDialog about;
    QCOMPARE(about.windowTitle(), QString("A propos de Quadrel"));
    const QStringList texts = labelTexts(about);
    QCOMPARE(texts.size(), 3);
    QCOMPARE(texts.at(0), QString("Quadrel version 1.0"));
    auto* ok = about.findChild<QPushButton*>("1");
    QVERIFY(ok && ok->isDefault());
    QCOMPARE(ok->text(), QString("OK"));
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::keyClick(&about, Qt::Key_Return);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
}

void DialogsTest::noTextIsClippedAndNoControlsOverlap_data() {
    QTest::addColumn<int>("templateId");
    QTest::newRow("main window") << 102;
    QTest::newRow("help") << 134;
    QTest::newRow("about") << 100;
    QTest::newRow("add intersection") << 131;
}

void DialogsTest::noTextIsClippedAndNoControlsOverlap() {
    QFETCH(int, templateId);
    TemplateDialog dialog(templateId);
    QList<QWidget*> controls;
    for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow()) {
            controls << child;
        }
    }
    for (QWidget* control : controls) {
        QVERIFY(dialog.rect().contains(control->geometry()));
        if (auto* label = qobject_cast<QLabel*>(control)) {
            const int needed = label->fontMetrics().horizontalAdvance(label->text());
            QVERIFY2(needed <= label->width(), qPrintable(label->text()));
            QVERIFY2(label->fontMetrics().height() <= label->height(), qPrintable(label->text()));
        }
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            const int needed = button->fontMetrics().horizontalAdvance(button->text());
            QVERIFY2(needed < button->width(), qPrintable(button->text()));
        }
        for (QWidget* other : controls) {
            // Rows of fields meet edge to edge; rounding to pixels may lay one border on the next.
            const QRect common = control->geometry().intersected(other->geometry());
            if (other != control && common.width() > 1 && common.height() > 1) {
                QFAIL(
                    qPrintable(QString("%1 \"%2\" overlaps %3")
                                   .arg(control->objectName(), control->property("text").toString(),
                                        other->objectName())));
            }
        }
    }
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
