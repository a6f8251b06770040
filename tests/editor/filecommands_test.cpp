// "Choisir...", "Nouveau", "Enregistrer" and "Enregistrer sous", driven by clicks with a scripted
// file chooser, checked through what the window shows and what lands on disk.
#include "EditField.h"
#include "EditorTestSupport.h"
#include "ListControl.h"
#include "QuadrelDlg.h"
#include "orlclass.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int chooseButton = 1000;
constexpr int newButton = 1036;
constexpr int saveButton = 3;
constexpr int saveAsButton = 4;
constexpr int boxList = 1008;
constexpr int intersectionList = 1027;
constexpr int countLabel = 1004;
constexpr int pathLabel = 1006;
constexpr int rankLabel = 1086;
constexpr int idField = 1013;

const std::vector<SampleBox> threeBoxes{{"7"}, {"12"}, {"3"}};
const std::vector<std::string> twoIntersections{"0 1", "2 0"};

QList<EditField*> editFields(TestWindow& test) {
    return test.window().findChildren<EditField*>();
}

} // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void choosingAFileFillsTheListsInFileOrder();
    void theCountShowsAsTheFileWritesIt();
    void aSecondFileReplacesTheFirst();
    void choosingAFileEmptiesTheForm();
    void newCreatesAnEmptyFileAtOnce();
    void saveAfterNewWritesAnEmptyDocument();
    void saveAsWritesTheNewFileAndLaterSavesFollowIt();
    void cancellingChangesNothing_data();
    void cancellingChangesNothing();
    void anUnreadableFileChangesNothing();
    void aNamedPipeNeitherFreezesNorChangesAnything();
    void choosingAFileReadsItOnce();
    void aFileWithoutACountShowsZero();
    void aFailedSaveAsKeepsThePathAndTheLabel();
    void saveWithoutAFileDoesNothing();
    void pathsWithAccentsOpenAndSave();
    void bytesThatAreNotUtf8AreShownAndWrittenBack();
    void theChooserAddsTheBoxSuffix();

private:
    QString samplePath(const QString& name) const { return dir_->filePath(name); }
    QString writeSample(const QString& name, const std::string& bytes) {
        writeBytes(samplePath(name), bytes);
        return samplePath(name);
    }
    QStringList filesInDir() const {
        return QDir(dir_->path()).entryList(QDir::Files | QDir::NoDotAndDotDot);
    }

    std::unique_ptr<QTemporaryDir> dir_;
};

void FileCommandsTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void FileCommandsTest::choosingAFileFillsTheListsInFileOrder() {
    const QString path = writeSample("three.box", boxFileBytes("3", threeBoxes, twoIntersections));
    TestWindow test;
    test.answerChooser(path);
    test.click(chooseButton);

    QCOMPARE(test.lines(boxList), QStringList({"7", "12", "3"}));
    QCOMPARE(test.lines(intersectionList), QStringList({"0 1", "2 0"}));
    QCOMPARE(test.shownText(countLabel), QString("3"));
    QCOMPARE(test.shownText(pathLabel), path);
    QCOMPARE(test.shownText(rankLabel), QString());
    for (EditField* field : editFields(test)) {
        QVERIFY2(field->isEnabled(), qPrintable(field->objectName()));
        QCOMPARE(field->text(), QString());
    }
    for (const int listId : {boxList, intersectionList}) {
        QCOMPARE(test.list(listId)->selectedIndex(), std::nullopt);
        QVERIFY(test.list(listId)->selectionModel()->selectedIndexes().isEmpty());
    }
    QCOMPARE(test.document().path, path.toStdString());
    QCOMPARE(test.document().boxes.size(), std::size_t{3});
}

void FileCommandsTest::theCountShowsAsTheFileWritesIt() {
    std::vector<SampleBox> seven;
    for (int i = 1; i <= 7; ++i) {
        seven.push_back({std::to_string(i * 11)});
    }
    const QString path = writeSample("seven.box", boxFileBytes("07", seven, {}));
    TestWindow test;
    test.answerChooser(path);
    test.click(chooseButton);

    QCOMPARE(test.shownText(countLabel), QString("07"));
    QCOMPARE(test.lines(boxList).size(), 7);
}

void FileCommandsTest::aSecondFileReplacesTheFirst() {
    const QString first = writeSample("first.box", boxFileBytes("3", threeBoxes, twoIntersections));
    const std::string secondBytes = boxFileBytes("2", {{"40"}, {"41", "99"}}, {"1 0"});
    const QString second = writeSample("second.box", secondBytes);
    TestWindow test;
    test.answerChooser(first);
    test.click(chooseButton);
    test.answerChooser(second);
    test.click(chooseButton);

    QCOMPARE(test.lines(boxList), QStringList({"40", "41"}));
    QCOMPARE(test.lines(intersectionList), QStringList({"1 0"}));
    QCOMPARE(test.shownText(countLabel), QString("2"));
    QCOMPARE(test.shownText(pathLabel), second);

    QVERIFY(QFile::remove(second));
    test.click(saveButton);
    QCOMPARE(readBytes(second), secondBytes);
}

void FileCommandsTest::choosingAFileEmptiesTheForm() {
    const QString path = writeSample("three.box", boxFileBytes("3", threeBoxes, {}));
    TestWindow test;
    test.answerChooser(path);
    test.click(chooseButton);
    QTest::keyClicks(test.control(idField), "123");
    QCOMPARE(test.shownText(idField), QString("123"));

    test.answerChooser(path);
    test.click(chooseButton);
    QCOMPARE(test.shownText(idField), QString());
}

void FileCommandsTest::newCreatesAnEmptyFileAtOnce() {
    const QString loaded =
        writeSample("three.box", boxFileBytes("3", threeBoxes, twoIntersections));
    const QString created = samplePath("nouveau.box");
    TestWindow test;
    test.answerChooser(loaded);
    test.click(chooseButton);
    test.answerChooser(created);
    test.click(newButton);

    QVERIFY(fileExists(created));
    QCOMPARE(readBytes(created), std::string());
    QCOMPARE(test.shownText(countLabel), QString("0"));
    QCOMPARE(test.shownText(pathLabel), created);
    QVERIFY(test.lines(boxList).isEmpty());
    QVERIFY(test.lines(intersectionList).isEmpty());
    for (EditField* field : editFields(test)) {
        QVERIFY(field->isEnabled());
    }
}

void FileCommandsTest::saveAfterNewWritesAnEmptyDocument() {
    const QString loaded =
        writeSample("three.box", boxFileBytes("3", threeBoxes, twoIntersections));
    const QString created = samplePath("vide.box");
    writeBytes(created, "something that was there before");
    TestWindow test;
    test.answerChooser(loaded);
    test.click(chooseButton);
    test.answerQuestion("Remplacer");
    test.answerChooser(created);
    test.click(newButton);
    QCOMPARE(test.takeQuestionsAsked(),
             QStringList({"« vide.box » existe déjà. Le remplacer par un fichier vide ? [Remplacer "
                          "/ Annuler]"}));
    QCOMPARE(readBytes(created), std::string());

    test.click(saveButton);
    QCOMPARE(readBytes(created), std::string("0\r\n\r\n\r\n-1 -1\r\n"));
    QCOMPARE(readBytes(loaded), boxFileBytes("3", threeBoxes, twoIntersections));
}

void FileCommandsTest::saveAsWritesTheNewFileAndLaterSavesFollowIt() {
    const std::string bytes = boxFileBytes("3", threeBoxes, twoIntersections);
    const QString original = writeSample("original.box", bytes);
    const QString copy = samplePath("copie.box");
    TestWindow test;
    test.answerChooser(original);
    test.click(chooseButton);
    test.answerChooser(copy);
    test.click(saveAsButton);

    QCOMPARE(readBytes(copy), bytes);
    QCOMPARE(test.shownText(pathLabel), copy);
    QCOMPARE(test.lines(boxList), QStringList({"7", "12", "3"}));

    QVERIFY(QFile::remove(copy));
    QVERIFY(QFile::remove(original));
    test.click(saveButton);
    QCOMPARE(readBytes(copy), bytes);
    QVERIFY(!fileExists(original));
}

void FileCommandsTest::cancellingChangesNothing_data() {
    QTest::addColumn<int>("button");
    QTest::newRow("Choisir...") << chooseButton;
    QTest::newRow("Nouveau") << newButton;
    QTest::newRow("Enregistrer sous") << saveAsButton;
}

void FileCommandsTest::cancellingChangesNothing() {
    QFETCH(int, button);
    const std::string bytes = boxFileBytes("3", threeBoxes, twoIntersections);
    const QString path = writeSample("three.box", bytes);
    TestWindow test;
    test.answerChooser(path);
    test.click(chooseButton);
    test.clickLine(boxList, 1);
    QTest::keyClick(test.control(idField), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(test.control(idField), "55");

    test.cancelChooser();
    test.click(button);

    QCOMPARE(test.unansweredQuestions(), std::size_t{0});
    QCOMPARE(test.lines(boxList), QStringList({"7", "12", "3"}));
    QCOMPARE(test.lines(intersectionList), QStringList({"0 1", "2 0"}));
    QCOMPARE(test.list(boxList)->selectedIndex(), std::optional<int>(1));
    QCOMPARE(test.shownText(idField), QString("55"));
    QCOMPARE(test.shownText(countLabel), QString("3"));
    QCOMPARE(test.shownText(pathLabel), path);
    QCOMPARE(test.document().path, path.toStdString());
    QCOMPARE(test.document().boxes.size(), std::size_t{3});
    QCOMPARE(filesInDir(), QStringList({"three.box"}));
    QCOMPARE(readBytes(path), bytes);
}

void FileCommandsTest::anUnreadableFileChangesNothing() {
    const QString path = writeSample("three.box", boxFileBytes("3", threeBoxes, twoIntersections));
    TestWindow test;
    test.answerChooser(path);
    test.click(chooseButton);
    test.clickLine(intersectionList, 0);
    QTest::keyClicks(test.control(idField), "9");

    test.answerChooser(samplePath("absent.box"));
    test.click(chooseButton);

    QCOMPARE(test.lines(boxList), QStringList({"7", "12", "3"}));
    QCOMPARE(test.lines(intersectionList), QStringList({"0 1", "2 0"}));
    QCOMPARE(test.list(intersectionList)->selectedIndex(), std::optional<int>(0));
    QCOMPARE(test.shownText(idField), QString("9"));
    QCOMPARE(test.shownText(countLabel), QString("3"));
    QCOMPARE(test.shownText(pathLabel), path);
    QCOMPARE(test.document().path, path.toStdString());
    QCOMPARE(test.document().boxIds.size(), std::size_t{3});
    QVERIFY(!fileExists(samplePath("absent.box")));
}

// Opening a pipe waits for a writer; should the window do so, the test writes to it to free
// the window, and fails.
void FileCommandsTest::aNamedPipeNeitherFreezesNorChangesAnything() {
    const QString path = writeSample("three.box", boxFileBytes("3", threeBoxes, twoIntersections));
    const QString pipe = samplePath("tube.box");
    QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    TestWindow test;
    test.answerChooser(path);
    test.click(chooseButton);

    std::atomic<bool> done = false;
    std::atomic<bool> blocked = false;
    std::thread watchdog([&] {
        for (int tenth = 0; tenth < 50 && !done; ++tenth) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        while (!done) {
            blocked = true;
            const int writer = open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) {
                static_cast<void>(::write(writer, "0", 1));
                close(writer);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    test.answerChooser(pipe);
    test.click(chooseButton);
    done = true;
    watchdog.join();

    QVERIFY(!blocked);
    QCOMPARE(test.lines(boxList), QStringList({"7", "12", "3"}));
    QCOMPARE(test.shownText(countLabel), QString("3"));
    QCOMPARE(test.shownText(pathLabel), path);
    QCOMPARE(test.document().path, path.toStdString());
}

// One read gives both the count and the content: nothing can change between two reads.
void FileCommandsTest::choosingAFileReadsItOnce() {
    const QString path = writeSample("three.box", boxFileBytes("3", threeBoxes, twoIntersections));
    const int watcher = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(watcher >= 0);
    // Closes between the opens keep the system from merging repeated open events into one.
    QVERIFY(inotify_add_watch(watcher, QFile::encodeName(path).constData(),
                              IN_OPEN | IN_CLOSE_NOWRITE) >= 0);
    TestWindow test;
    test.answerChooser(path);
    test.click(chooseButton);

    int opens = 0;
    alignas(inotify_event) char events[4096];
    for (ssize_t size; (size = ::read(watcher, events, sizeof events)) > 0;) {
        for (ssize_t at = 0; at < size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            opens += (event->mask & IN_OPEN) != 0 ? 1 : 0;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    close(watcher);
    QCOMPARE(opens, 1);
    QCOMPARE(test.lines(boxList), QStringList({"7", "12", "3"}));
}

// The empty file that "Nouveau" leaves behind has no count token; a save writes "0" for it.
void FileCommandsTest::aFileWithoutACountShowsZero() {
    const QString path = writeSample("vide.box", "");
    TestWindow test;
    test.answerChooser(path);
    test.click(chooseButton);
    QCOMPARE(test.shownText(countLabel), QString("0"));
    QCOMPARE(test.document().countText, std::string("0"));
    test.click(saveButton);
    QCOMPARE(readBytes(path), std::string("0\r\n\r\n\r\n-1 -1\r\n"));
}

void FileCommandsTest::aFailedSaveAsKeepsThePathAndTheLabel() {
    const std::string bytes = boxFileBytes("3", threeBoxes, twoIntersections);
    const QString path = writeSample("three.box", bytes);
    const QString nowhere = samplePath("absent/copie.box");
    TestWindow test;
    test.answerChooser(path);
    test.click(chooseButton);
    test.answerChooser(nowhere);
    test.click(saveAsButton);

    QCOMPARE(test.document().path, path.toStdString());
    QCOMPARE(test.shownText(pathLabel), path);
    QVERIFY(!fileExists(nowhere));
    QVERIFY(QFile::remove(path));
    test.click(saveButton);
    QCOMPARE(readBytes(path), bytes);
    QVERIFY(!fileExists(nowhere));
}

void FileCommandsTest::saveWithoutAFileDoesNothing() {
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir_->path());
    TestWindow test;
    test.click(saveButton);
    QDir::setCurrent(previous);

    QVERIFY(filesInDir().isEmpty());
    QCOMPARE(test.takeQuestionsAsked(), QStringList());
    QCOMPARE(test.shownText(pathLabel), QString());
    QCOMPARE(test.shownText(countLabel), QString());
    for (EditField* field : editFields(test)) {
        QVERIFY(!field->isEnabled());
    }
}

void FileCommandsTest::pathsWithAccentsOpenAndSave() {
    QVERIFY(QDir(dir_->path()).mkdir(QString::fromUtf8("données é")));
    const std::string bytes = boxFileBytes("3", threeBoxes, twoIntersections);
    const QString path = writeSample(QString::fromUtf8("données é/çà.box"), bytes);
    const QString copy = samplePath(QString::fromUtf8("données é/copie-ü.box"));
    TestWindow test;
    test.answerChooser(path);
    test.click(chooseButton);
    QCOMPARE(test.lines(boxList), QStringList({"7", "12", "3"}));
    QCOMPARE(test.shownText(pathLabel), path);

    test.answerChooser(copy);
    test.click(saveAsButton);
    QCOMPARE(readBytes(copy), bytes);
    QCOMPARE(test.shownText(pathLabel), copy);
}

void FileCommandsTest::bytesThatAreNotUtf8AreShownAndWrittenBack() {
    const std::string latin1Id = "\xe9t\xe9";
    const std::string bytes = boxFileBytes("2", {{latin1Id}, {"8"}}, {"0 1"});
    const QString path = writeSample("latin1.box", bytes);
    TestWindow test;
    test.answerChooser(path);
    test.click(chooseButton);

    QCOMPARE(test.lines(boxList), QStringList({QString::fromUtf8("été"), "8"}));
    QCOMPARE(test.list(boxList)->lineText(0), latin1Id);

    QVERIFY(QFile::remove(path));
    test.click(saveButton);
    QCOMPARE(readBytes(path), bytes);
}

// Through the window's own chooser of "Nouveau", as the user meets it: a save-style dialog with
// its title and button, its filter, its suffix, a name typed without extension.
void FileCommandsTest::theChooserAddsTheBoxSuffix() {
    BoxDocument document;
    QuadrelDlg window;
    window.setDocument(&document);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir_->path());
    QStringList filtersSeen;
    QString selectedFilterSeen;
    QString suffixSeen;
    QString titleSeen;
    QString confirmSeen;
    bool saveStyle = false;
    bool confirmsOverwrite = true;
    whenModalShows([&](QWidget* dialog) {
        auto* fileDialog = qobject_cast<QFileDialog*>(dialog);
        if (fileDialog == nullptr) {
            dialog->close();
            return;
        }
        filtersSeen = fileDialog->nameFilters();
        selectedFilterSeen = fileDialog->selectedNameFilter();
        suffixSeen = fileDialog->defaultSuffix();
        titleSeen = fileDialog->windowTitle();
        confirmSeen = fileDialog->labelText(QFileDialog::Accept);
        saveStyle = fileDialog->acceptMode() == QFileDialog::AcceptSave;
        confirmsOverwrite = !fileDialog->testOption(QFileDialog::DontConfirmOverwrite);
        auto* nameEdit = fileDialog->findChild<QLineEdit*>("fileNameEdit");
        QTest::keyClicks(nameEdit, "sans-extension");
        QTest::keyClick(nameEdit, Qt::Key_Return);
    });
    QWidget* newButtonWidget = window.control(newButton);
    QTest::mouseClick(newButtonWidget, Qt::LeftButton, Qt::NoModifier,
                      newButtonWidget->rect().center());
    QDir::setCurrent(previous);

    QCOMPARE(filtersSeen, QStringList({"Fichier BOX (*.box)", "Tous les fichiers (*)"}));
    QCOMPARE(selectedFilterSeen, QString("Fichier BOX (*.box)"));
    QCOMPARE(suffixSeen, QString("box"));
    QCOMPARE(titleSeen, QString("Nouveau fichier BOX"));
    QCOMPARE(confirmSeen, QString("Créer"));
    QVERIFY(saveStyle);
    QVERIFY(!confirmsOverwrite);
    const QString created = QDir(dir_->path()).filePath("sans-extension.box");
    QCOMPARE(QFileInfo(QString::fromStdString(document.getPath())).absoluteFilePath(),
             QFileInfo(created).absoluteFilePath());
    QVERIFY(fileExists(created));
    QCOMPARE(readBytes(created), std::string());
}

QTEST_MAIN(FileCommandsTest)
#include "filecommands_test.moc"
