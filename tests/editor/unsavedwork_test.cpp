// No work lost: the question before unsaved changes would go, the question before an existing
// file is replaced, and the message that says why a save failed. Driven by keys and clicks, the
// questions answered from a script; judged by the window, the questions asked and the files.
#include "EditorTestSupport.h"
#include "FileQuestions.h"
#include "ListControl.h"
#include "QuadrelDlg.h"
#include "SystemMenu.h"
#include "orlclass.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int chooseButton = 1000;
constexpr int newButton = 1036;
constexpr int saveButton = 3;
constexpr int saveAsButton = 4;
constexpr int quitButton = 2;
constexpr int boxList = 1008;
constexpr int intersectionList = 1027;
constexpr int deleteIntersectionButton = 1030;
constexpr int idField = 1013;

const std::vector<SampleBox> threeBoxes{{"7"}, {"12"}, {"3"}};
const std::string original = boxFileBytes("3", threeBoxes, {"0 1", "2 0"});
// What the file holds once the edit the tests make, removing "2 0", is saved.
const std::string edited = boxFileBytes("3", threeBoxes, {"0 1"});
const std::string other = boxFileBytes("1", {{"40"}}, {});

const QString saveQuestion = QStringLiteral(
    "Enregistrer les modifications de « salle.box » ? [Enregistrer / Ne pas enregistrer / "
    "Annuler]");

enum class Trigger {
    EscapeInField,
    EscapeInBoxList,
    Quitter,
    CloseBox,
    MenuClose,
    Choisir,
    Nouveau
};

const std::pair<Trigger, const char*> triggers[] = {
    {Trigger::EscapeInField, "Escape in a field"},
    {Trigger::EscapeInBoxList, "Escape in the box list"},
    {Trigger::Quitter, "Quitter"},
    {Trigger::CloseBox, "close box"},
    {Trigger::MenuClose, "Fermer of the system menu"},
    {Trigger::Choisir, "Choisir..."},
    {Trigger::Nouveau, "Nouveau"},
};

bool closes(Trigger trigger) {
    return trigger != Trigger::Choisir && trigger != Trigger::Nouveau;
}

} // namespace

class UnsavedWorkTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void unsavedChangesAreAskedAbout_data();
    void unsavedChangesAreAskedAbout();
    void aFailedSaveKeepsTheWork_data();
    void aFailedSaveKeepsTheWork();
    void theStandardBoxAsksAndEscapeGoesBack();
    void nouveauAsksBeforeEmptyingAFile_data();
    void nouveauAsksBeforeEmptyingAFile();
    void saveAsAsksBeforeReplacingAnotherFile_data();
    void saveAsAsksBeforeReplacingAnotherFile();
    void aFailedSaveSaysWhichFileAndWhy();
    void aDocumentThatWouldNotReadBackSaysSo();
    void failuresAreToldInFrench_data();
    void failuresAreToldInFrench();

private:
    QString path(const QString& name) const { return dir_->filePath(name); }
    // salle.box opened, with "2 0" removed and not saved when asked to.
    void open(TestWindow& test, bool withChanges);
    void act(TestWindow& test, Trigger how);

    std::unique_ptr<QTemporaryDir> dir_;
};

void UnsavedWorkTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    writeBytes(path("salle.box"), original);
    writeBytes(path("autre.box"), other);
}

void UnsavedWorkTest::open(TestWindow& test, bool withChanges) {
    test.answerChooser(path("salle.box"));
    test.click(chooseButton);
    if (withChanges) {
        test.clickLine(intersectionList, 1);
        test.click(deleteIntersectionButton);
    }
    QCOMPARE(test.window().hasUnsavedChanges(), withChanges);
}

void UnsavedWorkTest::act(TestWindow& test, Trigger how) {
    switch (how) {
    case Trigger::EscapeInField:
        QTest::mouseClick(test.control(idField), Qt::LeftButton);
        QTest::keyClick(test.control(idField), Qt::Key_Escape);
        break;
    case Trigger::EscapeInBoxList:
        test.clickLine(boxList, 0);
        QTest::keyClick(test.list(boxList), Qt::Key_Escape);
        break;
    case Trigger::Quitter:
        test.click(quitButton);
        break;
    case Trigger::CloseBox:
        test.window().close();
        break;
    case Trigger::MenuClose:
        test.window().systemCommand(closeCommand);
        break;
    case Trigger::Choisir:
        test.answerChooser(path("autre.box"));
        test.click(chooseButton);
        break;
    case Trigger::Nouveau:
        test.answerChooser(path("nouveau.box"));
        test.click(newButton);
        break;
    }
}

void UnsavedWorkTest::unsavedChangesAreAskedAbout_data() {
    QTest::addColumn<int>("trigger");
    QTest::addColumn<bool>("withChanges");
    QTest::addColumn<QString>("answer");
    for (const auto& [how, name] : triggers) {
        QTest::addRow("%s, nothing unsaved", name) << int(how) << false << QString();
        for (const char* answer : {"Enregistrer", "Ne pas enregistrer", "Annuler", "Escape"}) {
            QTest::addRow("%s, %s", name, answer) << int(how) << true << QString(answer);
        }
    }
}

void UnsavedWorkTest::unsavedChangesAreAskedAbout() {
    QFETCH(int, trigger);
    const auto how = Trigger(trigger);
    QFETCH(bool, withChanges);
    QFETCH(QString, answer);
    TestWindow test;
    open(test, withChanges);
    if (!answer.isNull()) {
        test.answerQuestion(answer);
    }
    act(test, how);

    QCOMPARE(test.takeQuestionsAsked(), withChanges ? QStringList{saveQuestion} : QStringList{});
    QCOMPARE(test.unusedAnswers(), std::size_t{0});
    QCOMPARE(readBytes(path("salle.box")), answer == "Enregistrer" ? edited : original);
    const bool goesOn = answer != "Annuler" && answer != "Escape";
    if (!goesOn) {
        QVERIFY(test.window().isVisible());
        QCOMPARE(test.unansweredQuestions(), closes(how) ? std::size_t{0} : std::size_t{1});
        QCOMPARE(test.window().windowTitle(), QString("salle.box* - Quadrel"));
        QCOMPARE(test.lines(boxList), QStringList({"7", "12", "3"}));
        QCOMPARE(test.lines(intersectionList), QStringList({"0 1"}));
        QVERIFY(!fileExists(path("nouveau.box")));
        test.click(saveButton);
        QCOMPARE(readBytes(path("salle.box")), edited);
    } else if (closes(how)) {
        QVERIFY(!test.window().isVisible());
        QCOMPARE(test.window().result(), int(QDialog::Rejected));
    } else {
        QVERIFY(test.window().isVisible());
        QCOMPARE(test.unansweredQuestions(), std::size_t{0});
        const bool chose = how == Trigger::Choisir;
        QCOMPARE(test.window().windowTitle(),
                 chose ? QString("autre.box - Quadrel") : QString("nouveau.box - Quadrel"));
        QCOMPARE(test.lines(boxList), chose ? QStringList({"40"}) : QStringList());
        QCOMPARE(readBytes(path("autre.box")), other);
        QCOMPARE(readBytes(path("nouveau.box")), chose ? "<missing>" : std::string());
    }
}

void UnsavedWorkTest::aFailedSaveKeepsTheWork_data() {
    QTest::addColumn<int>("trigger");
    for (const auto& [how, name] : triggers) {
        QTest::newRow(name) << int(how);
    }
}

// The file's folder is gone: "Enregistrer" cannot save, and nothing goes on.
void UnsavedWorkTest::aFailedSaveKeepsTheWork() {
    QFETCH(int, trigger);
    const auto how = Trigger(trigger);
    QVERIFY(QDir(dir_->path()).mkdir("projet"));
    writeBytes(path("projet/salle.box"), original);
    TestWindow test;
    test.answerChooser(path("projet/salle.box"));
    test.click(chooseButton);
    test.clickLine(intersectionList, 1);
    test.click(deleteIntersectionButton);
    QVERIFY(QDir(path("projet")).removeRecursively());

    test.answerQuestion("Enregistrer");
    act(test, how);

    QCOMPARE(test.takeQuestionsAsked(),
             QStringList({saveQuestion, QString("Impossible d'enregistrer « %1 ».\nLe dossier "
                                                "n'existe pas. [OK]")
                                            .arg(path("projet/salle.box"))}));
    QVERIFY(test.window().isVisible());
    QCOMPARE(test.unansweredQuestions(), closes(how) ? std::size_t{0} : std::size_t{1});
    QCOMPARE(test.window().windowTitle(), QString("salle.box* - Quadrel (non enregistré)"));
    QCOMPARE(test.lines(intersectionList), QStringList({"0 1"}));
    QVERIFY(!fileExists(path("nouveau.box")));

    QVERIFY(QDir(dir_->path()).mkdir("projet"));
    test.click(saveButton);
    QCOMPARE(readBytes(path("projet/salle.box")), edited);
    QCOMPARE(test.window().windowTitle(), QString("salle.box - Quadrel"));
}

// The real box, as the user meets it: its words, Escape going back, then a click going on.
void UnsavedWorkTest::theStandardBoxAsksAndEscapeGoesBack() {
    TestWindow test;
    open(test, true);
    test.window().setQuestionBox(std::make_unique<StandardQuestionBox>());
    QString text;
    QStringList buttons;
    QString title;
    whenModalShows([&](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        if (box == nullptr) {
            dialog->close();
            return;
        }
        title = box->windowTitle();
        text = box->text();
        for (QAbstractButton* button : box->buttons()) {
            buttons << button->text();
        }
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QTest::mouseClick(test.control(idField), Qt::LeftButton);
    QTest::keyClick(test.control(idField), Qt::Key_Escape);

    QCOMPARE(title, QString("Quadrel"));
    QCOMPARE(text, QString("Enregistrer les modifications de « salle.box » ?"));
    buttons.sort();
    QCOMPARE(buttons, QStringList({"Annuler", "Enregistrer", "Ne pas enregistrer"}));
    QVERIFY(test.window().isVisible());
    QCOMPARE(test.window().windowTitle(), QString("salle.box* - Quadrel"));
    // Offscreen, no window manager gives the window back its activation; its focus is kept.
    QCOMPARE(test.window().focusWidget(), test.control(idField));

    whenModalShows([&](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        for (QAbstractButton* button : box ? box->buttons() : QList<QAbstractButton*>{}) {
            if (button->text() == "Ne pas enregistrer") {
                QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
                return;
            }
        }
        dialog->close();
    });
    test.click(quitButton);
    QVERIFY(!test.window().isVisible());
    QCOMPARE(readBytes(path("salle.box")), original);
}

void UnsavedWorkTest::nouveauAsksBeforeEmptyingAFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("answer");
    QTest::newRow("another file, Remplacer") << "autre.box"
                                             << "Remplacer";
    QTest::newRow("another file, Annuler") << "autre.box"
                                           << "Annuler";
    QTest::newRow("another file, Escape") << "autre.box"
                                          << "Escape";
    QTest::newRow("the file open, Remplacer") << "salle.box"
                                              << "Remplacer";
    QTest::newRow("the file open, Annuler") << "salle.box"
                                            << "Annuler";
    QTest::newRow("a new name") << "nouveau.box" << QString();
}

void UnsavedWorkTest::nouveauAsksBeforeEmptyingAFile() {
    QFETCH(QString, name);
    QFETCH(QString, answer);
    const std::string before = readBytes(path(name));
    TestWindow test;
    open(test, false);
    if (!answer.isNull()) {
        test.answerQuestion(answer);
    }
    test.answerChooser(path(name));
    test.click(newButton);

    const QStringList asked =
        answer.isNull() ? QStringList()
                        : QStringList{QString("« %1 » existe déjà. Le remplacer par un fichier "
                                              "vide ? [Remplacer / Annuler]")
                                          .arg(name)};
    QCOMPARE(test.takeQuestionsAsked(), asked);
    QCOMPARE(test.unusedAnswers(), std::size_t{0});
    if (answer.isNull() || answer == "Remplacer") {
        QCOMPARE(readBytes(path(name)), std::string());
        QCOMPARE(test.window().windowTitle(), QString("%1 - Quadrel").arg(name));
        QVERIFY(test.lines(boxList).isEmpty());
        QCOMPARE(test.document().getPath(), path(name).toStdString());
    } else {
        QCOMPARE(readBytes(path(name)), before);
        QCOMPARE(test.window().windowTitle(), QString("salle.box - Quadrel"));
        QCOMPARE(test.lines(boxList), QStringList({"7", "12", "3"}));
        QCOMPARE(test.document().getPath(), path("salle.box").toStdString());
    }
    if (name != "salle.box") {
        QCOMPARE(readBytes(path("salle.box")), original);
    }
}

void UnsavedWorkTest::saveAsAsksBeforeReplacingAnotherFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("answer");
    QTest::newRow("another file, Remplacer") << "autre.box"
                                             << "Remplacer";
    QTest::newRow("another file, Annuler") << "autre.box"
                                           << "Annuler";
    QTest::newRow("another file, Escape") << "autre.box"
                                          << "Escape";
    QTest::newRow("the document's own file") << "salle.box" << QString();
    QTest::newRow("its own file through a link") << "lien.box" << QString();
    QTest::newRow("a new name") << "copie.box" << QString();
}

void UnsavedWorkTest::saveAsAsksBeforeReplacingAnotherFile() {
    QFETCH(QString, name);
    QFETCH(QString, answer);
    const QString target = path(name);
    QVERIFY(QFile::link(path("salle.box"), path("lien.box")));
    TestWindow test;
    open(test, true);
    if (!answer.isNull()) {
        test.answerQuestion(answer);
    }
    test.answerChooser(target);
    test.click(saveAsButton);

    const QStringList asked =
        answer.isNull()
            ? QStringList()
            : QStringList{
                  QString("« %1 » existe déjà. Le remplacer ? [Remplacer / Annuler]").arg(name)};
    QCOMPARE(test.takeQuestionsAsked(), asked);
    QCOMPARE(test.unusedAnswers(), std::size_t{0});
    if (answer.isNull() || answer == "Remplacer") {
        QCOMPARE(readBytes(target), edited);
        QCOMPARE(test.document().getPath(), target.toStdString());
        QVERIFY(!test.window().hasUnsavedChanges());
    } else {
        QCOMPARE(readBytes(target), other);
        QCOMPARE(test.document().getPath(), path("salle.box").toStdString());
        QCOMPARE(test.window().windowTitle(), QString("salle.box* - Quadrel"));
        test.click(saveButton);
        QCOMPARE(readBytes(path("salle.box")), edited);
        QCOMPARE(readBytes(target), other);
    }
}

void UnsavedWorkTest::aFailedSaveSaysWhichFileAndWhy() {
    TestWindow test;
    open(test, true);
    const QString nowhere = path("absent/copie.box");
    test.answerChooser(nowhere);
    test.click(saveAsButton);
    QCOMPARE(test.takeQuestionsAsked(),
             QStringList({QString("Impossible d'enregistrer « %1 ».\nLe dossier n'existe pas. [OK]")
                              .arg(nowhere)}));
    QCOMPARE(test.window().windowTitle(), QString("salle.box* - Quadrel (non enregistré)"));

    // Saved in the meantime under a name whose folder then goes away.
    QVERIFY(QDir(dir_->path()).mkdir("été"));
    const QString moved = path("été/salle.box");
    test.answerChooser(moved);
    test.click(saveAsButton);
    QVERIFY(QDir(path("été")).removeRecursively());
    test.clickLine(intersectionList, 0);
    test.click(deleteIntersectionButton);
    test.click(saveButton);
    QCOMPARE(test.takeQuestionsAsked(),
             QStringList({QString("Impossible d'enregistrer « %1 ».\nLe dossier n'existe pas. [OK]")
                              .arg(moved)}));
    QCOMPARE(test.window().windowTitle(), QString("salle.box* - Quadrel (non enregistré)"));
}

void UnsavedWorkTest::aDocumentThatWouldNotReadBackSaysSo() {
    TestWindow test;
    open(test, false);
    test.document().intersections.append("2");
    test.click(saveButton);
    QCOMPARE(test.takeQuestionsAsked(),
             QStringList({QString("Impossible d'enregistrer « %1 ».\n%2. [OK]")
                              .arg(path("salle.box"), unreadableTextReason())}));
    QCOMPARE(readBytes(path("salle.box")), original);
    QCOMPARE(test.window().windowTitle(), QString("salle.box - Quadrel (non enregistré)"));
}

void UnsavedWorkTest::failuresAreToldInFrench_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("reason");
    QTest::newRow("EACCES") << EACCES << "Permission non accordée";
    QTest::newRow("EPERM") << EPERM << "Permission non accordée";
    QTest::newRow("ENOSPC") << ENOSPC << "Aucun espace disponible sur le périphérique";
    QTest::newRow("ENOENT") << ENOENT << "Le dossier n'existe pas";
    QTest::newRow("EFBIG") << EFBIG << "Fichier trop volumineux";
    QTest::newRow("EROFS") << EROFS << "Système de fichiers en lecture seule";
    QTest::newRow("EDQUOT") << EDQUOT << "Quota d'espace disque dépassé";
    QTest::newRow("EIO") << EIO << "Erreur d'entrée-sortie sur le périphérique";
    QTest::newRow("unknown") << 4000 << "Erreur du système n° 4000";
}

void UnsavedWorkTest::failuresAreToldInFrench() {
    QFETCH(int, code);
    QFETCH(QString, reason);
    QCOMPARE(saveFailureReason(std::error_code(code, std::generic_category())), reason);
    QCOMPARE(saveFailureReason(std::error_code(code, std::system_category())), reason);
}

QTEST_MAIN(UnsavedWorkTest)
#include "unsavedwork_test.moc"
