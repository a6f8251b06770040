// Opening and saving a large file behind a progress bar: driven through the buttons, with the
// worker held at its first report so that what the user does meanwhile happens at a known step.
#include "EditField.h"
#include "EditorTestSupport.h"
#include "FormTestSupport.h"
#include "ProgressTestSupport.h"
#include "Quadrel.h"
#include "QuadrelDlg.h"
#include "orlclass.h"

#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdint>
#include <sstream>
#include <vector>

namespace {

constexpr int chooseButton = 1000;
constexpr int saveButton = 3;
constexpr int validateButton = 1081;
constexpr int boxList = 1008;
constexpr int intersectionList = 1027;
constexpr int countLabel = 1004;
constexpr int pathLabel = 1006;
constexpr int rankLabel = 1086;
constexpr int idField = 1013;
constexpr int radiusField = 1015;
constexpr std::uint64_t chunkSize = 64 * 1024;
constexpr int largeBoxCount = 20000;

// Everything of the window and its document that an opening replaces.
struct WindowState {
    QString caption;
    QStringList boxes;
    QStringList intersections;
    QStringList labels;
    QStringList fields;
    bool unsaved = false;
    std::string path;
    std::string bytes;

    bool operator==(const WindowState&) const = default;
};

WindowState stateOf(TestWindow& test) {
    WindowState state{
        test.window().windowTitle(),
        test.lines(boxList),
        test.lines(intersectionList),
        {test.shownText(countLabel), test.shownText(pathLabel), test.shownText(rankLabel)},
        {},
        test.window().hasUnsavedChanges(),
        test.document().getPath(),
        test.document().writeText()};
    for (const EditField* field : test.window().findChildren<EditField*>()) {
        state.fields << field->objectName() + '=' + field->text();
    }
    return state;
}

std::vector<SampleBox> manyBoxes(int count) {
    std::vector<SampleBox> boxes;
    for (int i = 0; i < count; ++i) {
        boxes.push_back({"b" + std::to_string(i)});
    }
    return boxes;
}

} // namespace

class FileProgressTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void openingALargeFileShowsItsProgressThenTheFile();
    void cancellingTheOpeningLeavesTheWindowAsItWas();
    void theWindowTakesNoCommandWhileReading();
    void aFileThatCannotBeReadStillSaysWhy();
    void aCommandLineOpeningTheUserStopsSaysNothing();
    void savingALargeFileShowsItsProgressWithoutCancel();

private:
    QString writeSample(const QString& name, const std::string& bytes) {
        writeBytes(dir_->filePath(name), bytes);
        return dir_->filePath(name);
    }
    // A small file opened, a box changed by "Valider" and the form changed after it: the state a
    // cancelled opening must leave.
    void openEditedSmallFile(TestWindow& test);
    QString writeLargeFile() {
        return writeSample("grand.box", boxFileBytes(std::to_string(largeBoxCount),
                                                     manyBoxes(largeBoxCount), {"0 1", "19999 2"}));
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::string smallBytes_;
};

void FileProgressTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    letGo = false;
    takeReports();
    setLongWorkStepHook(nullptr);
}

void FileProgressTest::cleanup() {
    setLongWorkStepHook(nullptr);
}

void FileProgressTest::openEditedSmallFile(TestWindow& test) {
    smallBytes_ = boxFileBytes("3", {{"7"}, {"12"}, {"3"}}, {"0 1", "2 0"});
    test.answerChooser(writeSample("avant.box", smallBytes_));
    test.click(chooseButton);
    test.clickLine(boxList, 1);
    retype(test, radiusField, "99");
    test.click(validateButton);
    retype(test, idField, "pas encore valide");
    QVERIFY(test.window().hasUnsavedChanges());
}

void FileProgressTest::openingALargeFileShowsItsProgressThenTheFile() {
    const QString path = writeLargeFile();
    const std::uint64_t size = QFileInfo(path).size();
    TestWindow test;
    setLongWorkStepHook(holdAtFirstReport);
    ShownProgress shown;
    whenProgressShows(shown, test.window());
    test.answerChooser(path);
    test.click(chooseButton);

    QCOMPARE(shown.label, QString("Ouverture de « grand.box »…"));
    QCOMPARE(shown.maximum, 1000);
    // Held at its first report, the worker had read one buffer.
    QCOMPARE(shown.value, static_cast<int>(chunkSize * 1000 / size));
    QVERIFY(shown.offersCancel);
    QCOMPARE(shown.captionBehind, QString("Quadrel"));
    QVERIFY(!progressShows());

    const std::vector<std::uint64_t> seen = takeReports();
    QCOMPARE(seen.size(), static_cast<std::size_t>((size + chunkSize - 1) / chunkSize));
    QCOMPARE(seen.front(), chunkSize);
    QCOMPARE(seen.back(), size);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));

    const QStringList boxes = test.lines(boxList);
    QCOMPARE(boxes.size(), largeBoxCount);
    QCOMPARE(boxes.front(), QString("b0"));
    QCOMPARE(boxes.back(), QString("b19999"));
    QCOMPARE(test.lines(intersectionList), QStringList({"0 1", "19999 2"}));
    QCOMPARE(test.shownText(countLabel), QString("20000"));
    QCOMPARE(test.shownText(pathLabel), path);
    QCOMPARE(test.window().windowTitle(), QString("grand.box - Quadrel"));
    QCOMPARE(test.document().writeText(), readBytes(path));
}

void FileProgressTest::cancellingTheOpeningLeavesTheWindowAsItWas() {
    TestWindow test;
    openEditedSmallFile(test);
    const WindowState before = stateOf(test);

    setLongWorkStepHook(holdAtFirstReport);
    ShownProgress shown;
    whenProgressShows(shown, test.window(), [](QProgressDialog& dialog) {
        QTest::mouseClick(buttonOf(&dialog, "Annuler"), Qt::LeftButton);
    });
    test.answerChooser(writeLargeFile());
    test.answerQuestion("Ne pas enregistrer");
    test.click(chooseButton);

    QCOMPARE(shown.label, QString("Ouverture de « grand.box »…"));
    QCOMPARE(takeReports().size(), std::size_t{1});
    QVERIFY(!progressShows());
    QCOMPARE(stateOf(test), before);
    QCOMPARE(test.unusedAnswers(), std::size_t{0});

    // The history is the one the document had: undo takes back the change made before.
    setLongWorkStepHook(nullptr);
    test.click(undoButtonId);
    QCOMPARE(test.document().writeText(), smallBytes_);
    QVERIFY(!test.window().hasUnsavedChanges());
}

void FileProgressTest::theWindowTakesNoCommandWhileReading() {
    TestWindow test;
    openEditedSmallFile(test);
    const QString smallPath = QString::fromStdString(test.document().getPath());

    // While the worker is held, before the progress shows: "Enregistrer" by its button and by its
    // shortcut would write the edited document over the file.
    setLongWorkStepHook(holdAtFirstReport);
    QTimer::singleShot(0, [&test] {
        test.click(saveButton);
        QTest::keyClick(&test.window(), Qt::Key_S, Qt::ControlModifier);
        letGo = true;
    });
    test.answerChooser(writeLargeFile());
    test.answerQuestion("Ne pas enregistrer");
    test.click(chooseButton);

    QCOMPARE(readBytes(smallPath), smallBytes_);
    QCOMPARE(test.lines(boxList).size(), largeBoxCount);
    QCOMPARE(test.window().windowTitle(), QString("grand.box - Quadrel"));
    QVERIFY(!test.window().hasUnsavedChanges());
}

void FileProgressTest::aFileThatCannotBeReadStillSaysWhy() {
    TestWindow test;
    openEditedSmallFile(test);
    const WindowState before = stateOf(test);
    QVERIFY(QDir(dir_->path()).mkdir("dossier.box"));
    const QString folder = dir_->filePath("dossier.box");

    std::ostringstream errors;
    openFileOfCommandLine(test.window(), {"quadrel", folder}, errors);

    QCOMPARE(QString::fromStdString(errors.str()),
             QString("quadrel : impossible d'ouvrir %1 : c'est un dossier\n").arg(folder));
    QCOMPARE(stateOf(test), before);
}

void FileProgressTest::aCommandLineOpeningTheUserStopsSaysNothing() {
    TestWindow test;
    setLongWorkStepHook(holdAtFirstReport);
    ShownProgress shown;
    whenProgressShows(shown, test.window(), [](QProgressDialog& dialog) {
        QTest::mouseClick(buttonOf(&dialog, "Annuler"), Qt::LeftButton);
    });
    std::ostringstream errors;
    openFileOfCommandLine(test.window(), {"quadrel", writeLargeFile()}, errors);

    QCOMPARE(shown.label, QString("Ouverture de « grand.box »…"));
    QCOMPARE(errors.str(), std::string());
    QCOMPARE(test.window().windowTitle(), QString("Quadrel"));
    QVERIFY(test.lines(boxList).isEmpty());
    QCOMPARE(test.document().getPath(), std::string());
}

void FileProgressTest::savingALargeFileShowsItsProgressWithoutCancel() {
    const QString path = writeLargeFile();
    TestWindow test;
    test.answerChooser(path);
    test.click(chooseButton);
    test.clickLine(boxList, 0);
    retype(test, radiusField, "77");
    test.click(validateButton);
    const std::string expected = test.document().writeText();
    QVERIFY(expected != readBytes(path));

    setLongWorkStepHook(holdAtFirstReport);
    ShownProgress shown;
    bool stayedOnEscape = false;
    whenProgressShows(shown, test.window(), [&stayedOnEscape](QProgressDialog& dialog) {
        QTest::keyClick(&dialog, Qt::Key_Escape);
        dialog.close();
        stayedOnEscape = dialog.isVisible();
    });
    test.click(saveButton);

    QCOMPARE(shown.label, QString("Enregistrement de « grand.box »…"));
    QVERIFY(!shown.offersCancel);
    QCOMPARE(shown.captionBehind, QString("grand.box* - Quadrel"));
    QVERIFY(stayedOnEscape);
    QVERIFY(!progressShows());
    QCOMPARE(readBytes(path), expected);
    const std::vector<std::uint64_t> seen = takeReports();
    QVERIFY(seen.size() > 1);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QCOMPARE(seen.back(), static_cast<std::uint64_t>(expected.size()));
    QCOMPARE(shown.value, static_cast<int>(seen.front() * 1000 / expected.size()));
    QCOMPARE(test.window().windowTitle(), QString("grand.box - Quadrel"));
}

QTEST_MAIN(FileProgressTest)
#include "fileprogress_test.moc"
