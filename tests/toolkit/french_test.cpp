// Qt's own texts in French whatever the locale, and the file chooser as the user meets it: every
// file under "Tous les fichiers", the folder last used, and the save style's own words.
#include "EditField.h"
#include "FileChooser.h"
#include "QtTranslations.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <cstdlib>
#include <functional>
#include <memory>

namespace {

const QString boxFilter = QStringLiteral("Fichier BOX (*.box)|*.box|Tous les fichiers(*.*)|*.*");

// Runs action on the file dialog once it shows; the action must close it.
void whenChooserShows(std::function<void(QFileDialog*)> action) {
    auto* poll = new QTimer;
    auto remaining = std::make_shared<int>(500);
    QObject::connect(poll, &QTimer::timeout, [poll, remaining, action] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if ((dialog != nullptr && dialog->isVisible()) || --*remaining == 0) {
            poll->stop();
            poll->deleteLater();
            if (dialog != nullptr) {
                action(dialog);
            }
        }
    });
    poll->start(10);
}

QStringList actionTexts(QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions()) {
        if (!action->isSeparator()) {
            // The access letter's "&" and the shortcut after a tab are not part of the words.
            texts << action->text().remove(u'&').section(u'\t', 0, 0);
        }
    }
    return texts;
}

// The names the dialog lists in its current folder, once its model has read them.
QStringList shownNames(QFileDialog* dialog) {
    auto* view = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
    QStringList names;
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row) {
        names << view->model()->index(row, 0, root).data().toString();
    }
    return names;
}

void write(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class FrenchTest : public QObject {
    Q_OBJECT

private slots:
    void qtTextsAreFrenchUnderTheCLocale();
    void theChooserSpeaksFrench();
    void anEditFieldsMenuSpeaksFrench();
    void allFilesShowsNamesWithoutADot();
    void theChooserOpensInTheFolderLastUsed();
    void aSaveStyleChooserShowsItsTitleAndButton();
    void aSaveStyleChooserOpensWhereItsSiblingWasLeft();
};

void FrenchTest::qtTextsAreFrenchUnderTheCLocale() {
    QCOMPARE(qgetenv("LANG"), QByteArray("C"));
    QVERIFY(installQtTranslations(QStringLiteral("fr")));
    QVERIFY(!installQtTranslations(QStringLiteral("xx")));
}

void FrenchTest::theChooserSpeaksFrench() {
    QTemporaryDir dir;
    FileDialogChooser chooser(boxFilter, QStringLiteral("box"));
    QString title;
    QStringList buttons;
    QStringList columns;
    whenChooserShows([&](QFileDialog* dialog) {
        dialog->setDirectory(dir.path());
        dialog->setViewMode(QFileDialog::Detail);
        title = dialog->windowTitle();
        for (const QAbstractButton* button : dialog->findChild<QDialogButtonBox*>()->buttons()) {
            buttons << button->text().remove(u'&');
        }
        auto* details = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        for (int column = 0; column < details->header()->count(); ++column) {
            columns << details->model()->headerData(column, Qt::Horizontal).toString();
        }
        dialog->reject();
    });
    QCOMPARE(chooser.choose(nullptr), std::nullopt);

    QCOMPARE(title, QStringLiteral("Ouvrir"));
    QCOMPARE(buttons, QStringList({"Ouvrir", "Annuler"}));
    QCOMPARE(columns, QStringList({"Nom", "Taille", "Type", "Dernière modification"}));
}

void FrenchTest::anEditFieldsMenuSpeaksFrench() {
    EditField field;
    field.setText(QStringLiteral("12"));
    std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QCOMPARE(actionTexts(*menu), QStringList({"Annuler", "Rétablir", "Couper", "Copier", "Coller",
                                              "Supprimer", "Tout sélectionner"}));
}

void FrenchTest::allFilesShowsNamesWithoutADot() {
    QTemporaryDir dir;
    write(dir.filePath(QStringLiteral("LISEZMOI")));
    write(dir.filePath(QStringLiteral("salle.box")));
    FileDialogChooser chooser(boxFilter, QStringLiteral("box"));
    QStringList boxFilesShown;
    QStringList allFilesShown;
    whenChooserShows([&](QFileDialog* dialog) {
        dialog->setDirectory(dir.path());
        QTRY_VERIFY(shownNames(dialog).contains(QStringLiteral("salle.box")));
        boxFilesShown = shownNames(dialog);
        dialog->selectNameFilter(dialog->nameFilters().at(1));
        QTRY_VERIFY(shownNames(dialog).size() == 2);
        allFilesShown = shownNames(dialog);
        dialog->reject();
    });
    static_cast<void>(chooser.choose(nullptr));

    QCOMPARE(boxFilesShown, QStringList({"salle.box"}));
    allFilesShown.sort();
    QCOMPARE(allFilesShown, QStringList({"LISEZMOI", "salle.box"}));
}

void FrenchTest::theChooserOpensInTheFolderLastUsed() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("scènes")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("autres")));
    const QString scenes = QDir(dir.filePath(QStringLiteral("scènes"))).absolutePath();
    const QString others = QDir(dir.filePath(QStringLiteral("autres"))).absolutePath();
    FileDialogChooser chooser(boxFilter, QStringLiteral("box"));
    QString openedIn;
    whenChooserShows([&](QFileDialog* dialog) {
        dialog->setDirectory(scenes);
        auto* nameEdit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QTest::keyClicks(nameEdit, QStringLiteral("salle"));
        QTest::keyClick(nameEdit, Qt::Key_Return);
    });
    QCOMPARE(chooser.choose(nullptr),
             std::optional<QString>(scenes + QStringLiteral("/salle.box")));

    whenChooserShows([&](QFileDialog* dialog) {
        openedIn = dialog->directory().absolutePath();
        dialog->setDirectory(others);
        dialog->reject();
    });
    QCOMPARE(chooser.choose(nullptr), std::nullopt);
    QCOMPARE(openedIn, scenes);

    whenChooserShows([&](QFileDialog* dialog) {
        openedIn = dialog->directory().absolutePath();
        dialog->reject();
    });
    QCOMPARE(chooser.choose(nullptr), std::nullopt);
    QCOMPARE(openedIn, others);
}

// An existing file is taken without Qt's own question: the caller asks in its words.
void FrenchTest::aSaveStyleChooserShowsItsTitleAndButton() {
    QTemporaryDir dir;
    write(dir.filePath(QStringLiteral("salle.box")));
    const std::unique_ptr<FileDialogChooser> chooser =
        FileDialogChooser(boxFilter, QStringLiteral("box"))
            .saveStyle(QStringLiteral("Nouveau fichier"), QStringLiteral("Créer"));
    QString title;
    QStringList buttons;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    whenChooserShows([&](QFileDialog* dialog) {
        dialog->setDirectory(dir.path());
        title = dialog->windowTitle();
        mode = dialog->acceptMode();
        auto* nameEdit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QTest::keyClicks(nameEdit, QStringLiteral("salle"));
        for (const QAbstractButton* button : dialog->findChild<QDialogButtonBox*>()->buttons()) {
            buttons << button->text().remove(u'&');
        }
        QTest::keyClick(nameEdit, Qt::Key_Return);
    });
    const std::optional<QString> chosen = chooser->choose(nullptr);
    QTest::qWait(50);

    QCOMPARE(title, QStringLiteral("Nouveau fichier"));
    QCOMPARE(buttons, QStringList({"Créer", "Annuler"}));
    QCOMPARE(mode, QFileDialog::AcceptSave);
    QCOMPARE(chosen, std::optional<QString>(QDir(dir.path()).absoluteFilePath("salle.box")));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void FrenchTest::aSaveStyleChooserOpensWhereItsSiblingWasLeft() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("scènes")));
    const QString scenes = QDir(dir.filePath(QStringLiteral("scènes"))).absolutePath();
    FileDialogChooser chooser(boxFilter, QStringLiteral("box"));
    const std::unique_ptr<FileDialogChooser> sibling =
        chooser.saveStyle(QStringLiteral("Nouveau fichier"), QStringLiteral("Créer"));
    whenChooserShows([&](QFileDialog* dialog) {
        dialog->setDirectory(scenes);
        dialog->reject();
    });
    QCOMPARE(chooser.choose(nullptr), std::nullopt);

    QString openedIn;
    whenChooserShows([&](QFileDialog* dialog) {
        openedIn = dialog->directory().absolutePath();
        dialog->setDirectory(dir.path());
        dialog->reject();
    });
    QCOMPARE(sibling->choose(nullptr), std::nullopt);
    QCOMPARE(openedIn, scenes);

    whenChooserShows([&](QFileDialog* dialog) {
        openedIn = dialog->directory().absolutePath();
        dialog->reject();
    });
    QCOMPARE(chooser.choose(nullptr), std::nullopt);
    QCOMPARE(openedIn, QDir(dir.path()).absolutePath());
}

int main(int argc, char* argv[]) {
    // The user's locale must not be what makes Qt speak French.
    setenv("LANG", "C", 1);
    setenv("LC_ALL", "C", 1);
    unsetenv("LANGUAGE");
    QApplication application(argc, argv);
    FrenchTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "french_test.moc"
