// The main window as a desktop program: opened from the command line, keyboard shortcuts, the
// caption that shows unsaved work, names for screen readers, long paths and Windows texts.
#include "EditField.h"
#include "EditorTestSupport.h"
#include "ListControl.h"
#include "Quadrel.h"
#include "QuadrelDlg.h"
#include "orlclass.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <sstream>

namespace {

constexpr int chooseButton = 1000;
constexpr int newButton = 1036;
constexpr int saveButton = 3;
constexpr int saveAsButton = 4;
constexpr int helpButton = 1082;
constexpr int validateButton = 1081;
constexpr int addBoxButton = 1032;
constexpr int deleteBoxButton = 1031;
constexpr int deleteIntersectionButton = 1030;
constexpr int boxList = 1008;
constexpr int intersectionList = 1027;
constexpr int countLabel = 1004;
constexpr int pathLabel = 1006;
constexpr int idField = 1013;
constexpr int radiusField = 1015;

const std::vector<SampleBox> threeBoxes{{"7"}, {"12"}, {"3"}};
const std::vector<std::string> twoIntersections{"0 1", "2 0"};

// What a user can see of the window and of the folder after a command.
struct Outcome {
    QStringList boxes;
    QStringList intersections;
    QString count;
    QString path;
    QString caption;
    std::size_t unanswered;
    QStringList questions;
    QString modalSeen;
    std::map<QString, std::string> files;

    bool operator==(const Outcome&) const = default;
};

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void theCommandLineOpensAFile();
    void theCommandLineReportsAnUnreadableFile_data();
    void theCommandLineReportsAnUnreadableFile();
    void withoutArgumentNothingOpens();
    void aShortcutDoesWhatItsButtonDoes_data();
    void aShortcutDoesWhatItsButtonDoes();
    void buttonsNameTheirShortcuts();
    void theCaptionShowsUnsavedWork();
    void aFailedSaveStaysInTheCaptionUntilASaveSucceeds();
    void controlsHaveNamesForScreenReaders();
    void everyFieldListAndValueLabelIsNamed();
    void aLongPathKeepsTheFileNameInView();
    void aWindowsIdShowsItsAccentsAndSavesItsBytes();

private:
    QString writeSample(const QString& name, const std::string& bytes) {
        writeBytes(dir_->filePath(name), bytes);
        return dir_->filePath(name);
    }
    Outcome act(bool withFile, int button, bool byKey);

    std::unique_ptr<QTemporaryDir> dir_;
};

void DesktopTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void DesktopTest::theCommandLineOpensAFile() {
    const QString path = writeSample("salle.box", boxFileBytes("3", threeBoxes, twoIntersections));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir_->path());
    TestWindow test;
    std::ostringstream errors;
    openFileOfCommandLine(test.window(), {"quadrel", "salle.box"}, errors);
    QDir::setCurrent(previous);

    QCOMPARE(errors.str(), std::string());
    QCOMPARE(test.lines(boxList), QStringList({"7", "12", "3"}));
    QCOMPARE(test.lines(intersectionList), QStringList({"0 1", "2 0"}));
    QCOMPARE(test.shownText(countLabel), QString("3"));
    QCOMPARE(test.shownText(pathLabel), QFileInfo(path).absoluteFilePath());
    QCOMPARE(test.window().windowTitle(), QString("salle.box - Quadrel"));
    QVERIFY(test.window().findChild<EditField*>("1037")->isEnabled());
}

void DesktopTest::theCommandLineReportsAnUnreadableFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "absent.box"
                             << "fichier introuvable";
    QTest::newRow("a folder") << "dossier.box"
                              << "c'est un dossier";
}

void DesktopTest::theCommandLineReportsAnUnreadableFile() {
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QVERIFY(QDir(dir_->path()).mkdir("dossier.box"));
    const QString path = dir_->filePath(name);
    TestWindow test;
    std::ostringstream errors;
    openFileOfCommandLine(test.window(), {"quadrel", path, "ignoré.box"}, errors);

    QCOMPARE(QString::fromStdString(errors.str()),
             QString("quadrel : impossible d'ouvrir %1 : %2\n").arg(path, reason));
    QVERIFY(test.lines(boxList).isEmpty());
    QCOMPARE(test.shownText(pathLabel), QString());
    QCOMPARE(test.shownText(countLabel), QString());
    QCOMPARE(test.window().windowTitle(), QString("Quadrel"));
    QVERIFY(!test.window().findChild<EditField*>("1037")->isEnabled());
    QCOMPARE(test.document().getPath(), std::string());
}

void DesktopTest::withoutArgumentNothingOpens() {
    TestWindow test;
    std::ostringstream errors;
    openFileOfCommandLine(test.window(), {"quadrel"}, errors);
    QCOMPARE(errors.str(), std::string());
    QCOMPARE(test.window().windowTitle(), QString("Quadrel"));
    QCOMPARE(test.document().getPath(), std::string());
}

void DesktopTest::aShortcutDoesWhatItsButtonDoes_data() {
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<int>("button");
    for (const bool withFile : {false, true}) {
        const char* state = withFile ? "with a file" : "without a file";
        QTest::addRow("Choisir... %s", state) << withFile << chooseButton;
        QTest::addRow("Nouveau %s", state) << withFile << newButton;
        QTest::addRow("Enregistrer %s", state) << withFile << saveButton;
        QTest::addRow("Enregistrer sous %s", state) << withFile << saveAsButton;
        QTest::addRow("Aide %s", state) << withFile << helpButton;
    }
}

Outcome DesktopTest::act(bool withFile, int button, bool byKey) {
    const QString sample = writeSample("salle.box", boxFileBytes("3", threeBoxes, {}));
    writeSample("autre.box", boxFileBytes("1", {{"40"}}, {}));
    Outcome outcome;
    {
        TestWindow test;
        if (withFile) {
            test.answerChooser(sample);
            test.click(chooseButton);
            test.clickLine(boxList, 1);
            typeOver(test.control(radiusField), "77");
            test.click(validateButton);
            test.control(idField)->setFocus();
            if (button == chooseButton || button == newButton) {
                test.answerQuestion("Ne pas enregistrer");
            }
        }
        test.answerChooser(dir_->filePath(button == chooseButton ? "autre.box" : "nouveau.box"));
        // Only the help opens a window of its own; a watch left waiting would outlive this run.
        if (button == helpButton) {
            whenModalShows([&outcome](QWidget* dialog) {
                outcome.modalSeen = dialog->objectName() + dialog->metaObject()->className();
                dialog->close();
            });
        }
        if (byKey) {
            const std::map<int, std::pair<Qt::Key, Qt::KeyboardModifiers>> keys{
                {chooseButton, {Qt::Key_O, Qt::ControlModifier}},
                {newButton, {Qt::Key_N, Qt::ControlModifier}},
                {saveButton, {Qt::Key_S, Qt::ControlModifier}},
                {saveAsButton, {Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier}},
                {helpButton, {Qt::Key_F1, Qt::NoModifier}},
            };
            const auto& [key, modifiers] = keys.at(button);
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        } else {
            test.click(button);
        }
        QTest::qWait(button == helpButton ? 200 : 50);
        outcome.boxes = test.lines(boxList);
        outcome.intersections = test.lines(intersectionList);
        outcome.count = test.shownText(countLabel);
        outcome.path = test.shownText(pathLabel);
        outcome.caption = test.window().windowTitle();
        outcome.unanswered = test.unansweredQuestions() + test.unusedAnswers();
        outcome.questions = test.takeQuestionsAsked();
    }
    for (const QString& name : QDir(dir_->path()).entryList(QDir::Files)) {
        outcome.files[name] = readBytes(dir_->filePath(name));
        QFile::remove(dir_->filePath(name));
    }
    return outcome;
}

void DesktopTest::aShortcutDoesWhatItsButtonDoes() {
    QFETCH(bool, withFile);
    QFETCH(int, button);
    const Outcome clicked = act(withFile, button, false);
    const Outcome pressed = act(withFile, button, true);
    QCOMPARE(pressed.boxes, clicked.boxes);
    QCOMPARE(pressed.intersections, clicked.intersections);
    QCOMPARE(pressed.count, clicked.count);
    QCOMPARE(pressed.path, clicked.path);
    QCOMPARE(pressed.caption, clicked.caption);
    QCOMPARE(pressed.unanswered, clicked.unanswered);
    QCOMPARE(pressed.questions, clicked.questions);
    QCOMPARE(pressed.modalSeen, clicked.modalSeen);
    QVERIFY(pressed.files == clicked.files);
    QCOMPARE(clicked.modalSeen.isEmpty(), button != helpButton);
}

void DesktopTest::buttonsNameTheirShortcuts() {
    TestWindow test;
    const std::pair<int, const char*> expected[] = {
        {chooseButton, "Choisir... (Ctrl+O)"},
        {newButton, "Nouveau (Ctrl+N)"},
        {saveButton, "Enregistrer (Ctrl+S)"},
        {saveAsButton, "Enregistrer sous (Ctrl+Shift+S)"},
        {helpButton, "Aide (F1)"},
    };
    for (const auto& [id, tooltip] : expected) {
        QCOMPARE(test.control(id)->toolTip(), QString(tooltip));
    }
}

void DesktopTest::theCaptionShowsUnsavedWork() {
    const QString path = writeSample("salle.box", boxFileBytes("3", threeBoxes, twoIntersections));
    TestWindow test;
    const auto caption = [&test] { return test.window().windowTitle(); };
    QCOMPARE(caption(), QString("Quadrel"));

    test.answerChooser(path);
    test.click(chooseButton);
    QCOMPARE(caption(), QString("salle.box - Quadrel"));
    test.clickLine(boxList, 1);
    typeOver(test.control(radiusField), "77");
    QCOMPARE(caption(), QString("salle.box - Quadrel"));
    test.click(validateButton);
    QCOMPARE(caption(), QString("salle.box* - Quadrel"));
    test.click(saveButton);
    QCOMPARE(caption(), QString("salle.box - Quadrel"));

    typeOver(test.control(idField), "99");
    test.click(addBoxButton);
    QCOMPARE(caption(), QString("salle.box* - Quadrel"));
    test.click(saveButton);
    test.clickLine(intersectionList, 0);
    test.click(deleteIntersectionButton);
    QCOMPARE(caption(), QString("salle.box* - Quadrel"));
    test.answerQuestion("Ne pas enregistrer");
    test.answerChooser(path);
    test.click(chooseButton);
    QCOMPARE(caption(), QString("salle.box - Quadrel"));
    test.clickLine(boxList, 0);
    test.click(deleteBoxButton);
    QCOMPARE(caption(), QString("salle.box* - Quadrel"));

    test.answerChooser(dir_->filePath("copie.box"));
    test.click(saveAsButton);
    QCOMPARE(caption(), QString("copie.box - Quadrel"));
    test.clickLine(boxList, 0);
    test.click(deleteBoxButton);
    test.answerQuestion("Ne pas enregistrer");
    test.answerChooser(dir_->filePath("nouveau.box"));
    test.click(newButton);
    QCOMPARE(caption(), QString("nouveau.box - Quadrel"));
}

// The folder of the file vanishes: no save can succeed there, as root or not.
void DesktopTest::aFailedSaveStaysInTheCaptionUntilASaveSucceeds() {
    QVERIFY(QDir(dir_->path()).mkdir("projet"));
    const QString path =
        writeSample("projet/salle.box", boxFileBytes("3", threeBoxes, twoIntersections));
    TestWindow test;
    const auto caption = [&test] { return test.window().windowTitle(); };
    test.answerChooser(path);
    test.click(chooseButton);
    test.clickLine(boxList, 2);
    test.click(deleteBoxButton);
    QVERIFY(QDir(dir_->filePath("projet")).removeRecursively());

    test.click(saveButton);
    QCOMPARE(caption(), QString("salle.box* - Quadrel (non enregistré)"));
    QVERIFY(!QFileInfo::exists(path));
    test.clickLine(intersectionList, 0);
    test.click(deleteIntersectionButton);
    QCOMPARE(caption(), QString("salle.box* - Quadrel (non enregistré)"));
    test.click(saveButton);
    QCOMPARE(caption(), QString("salle.box* - Quadrel (non enregistré)"));

    QVERIFY(QDir(dir_->path()).mkdir("projet"));
    test.click(saveButton);
    QCOMPARE(caption(), QString("salle.box - Quadrel"));
    QCOMPARE(readBytes(path), boxFileBytes("2", {{"7"}, {"12"}}, {}));

    test.clickLine(boxList, 0);
    test.click(deleteBoxButton);
    test.answerChooser(dir_->filePath("absent/copie.box"));
    test.click(saveAsButton);
    QCOMPARE(caption(), QString("salle.box* - Quadrel (non enregistré)"));
    test.answerChooser(dir_->filePath("copie.box"));
    test.click(saveAsButton);
    QCOMPARE(caption(), QString("copie.box - Quadrel"));
}

void DesktopTest::controlsHaveNamesForScreenReaders() {
    TestWindow test;
    const std::pair<int, const char*> expected[] = {
        {1037, "Plan 0, a, décimal"},
        {1023, "Plan 0, a, hexadécimal"},
        {1044, "Plan 1, d, hexadécimal"},
        {1070, "Plan 2, b, décimal"},
        {1059, "Plan 3, c, hexadécimal"},
        {1080, "Plan 4, d, décimal"},
        {1049, "Plan 5, a, hexadécimal"},
        {1021, "Coordonnées du centre, X, décimal"},
        {1019, "Coordonnées du centre, Y, hexadécimal"},
        {1025, "Coordonnées du centre, Z, décimal"},
        {idField, "ID de la box"},
        {radiusField, "Maximum Radius"},
        {countLabel, "Nombre de box"},
        {pathLabel, "Fichier en cours d'étude"},
        {1086, "Rang box"},
        {boxList, "Liste des box"},
        {intersectionList, "Intersections"},
    };
    for (const auto& [id, name] : expected) {
        QCOMPARE(accessibleName(test.control(id)), QString::fromUtf8(name));
    }

    const QString path = writeSample("salle.box", boxFileBytes("3", threeBoxes, {}));
    test.answerChooser(path);
    test.click(chooseButton);
    QCOMPARE(QAccessible::queryAccessibleInterface(test.control(countLabel))
                 ->text(QAccessible::Description),
             QString("3"));
}

void DesktopTest::everyFieldListAndValueLabelIsNamed() {
    TestWindow test;
    QSet<QString> names;
    int named = 0;
    for (QWidget* widget : test.window().findChildren<QWidget*>()) {
        const bool valueLabel =
            qobject_cast<QLabel*>(widget) != nullptr &&
            QList<int>{countLabel, pathLabel, 1086}.contains(widget->property("controlId").toInt());
        if (qobject_cast<EditField*>(widget) || qobject_cast<ListControl*>(widget) || valueLabel) {
            QVERIFY2(!accessibleName(widget).isEmpty(), qPrintable(widget->objectName()));
            names.insert(accessibleName(widget));
            ++named;
        }
    }
    QCOMPARE(named, 56 + 2 + 3);
    QCOMPARE(names.size(), named);
}

void DesktopTest::aLongPathKeepsTheFileNameInView() {
    QString folder = dir_->path();
    for (int depth = 0; depth < 6; ++depth) {
        folder += QStringLiteral("/dossier-de-projet-numero-%1").arg(depth);
    }
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + "/niveau-final.box";
    writeBytes(path, boxFileBytes("3", threeBoxes, {}));
    TestWindow test;
    test.answerChooser(path);
    test.click(chooseButton);

    auto* label = test.window().controlAs<QLabel>(pathLabel);
    QVERIFY(label->text().endsWith("/niveau-final.box"));
    QVERIFY(label->text().contains(QChar(u'\u2026')));
    QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
    QCOMPARE(label->toolTip(), path);
    QCOMPARE(test.document().getPath(), path.toStdString());
}

void DesktopTest::aWindowsIdShowsItsAccentsAndSavesItsBytes() {
    const std::string bytes = boxFileBytes("2", {{"caf\xe9"}, {"8"}}, {});
    const QString path = writeSample("ancien.box", bytes);
    TestWindow test;
    test.answerChooser(path);
    test.click(chooseButton);
    test.clickLine(boxList, 0);
    QCOMPARE(test.lines(boxList).first(), QString("café"));
    QCOMPARE(test.shownText(idField), QString("café"));

    test.click(validateButton);
    QCOMPARE(test.document().boxes.size(), std::size_t{2});
    QFile::remove(path);
    test.click(saveButton);
    QCOMPARE(readBytes(path), bytes);
}

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
