// Opening a file whose last save was cut short: the window puts back the old content kept in
// the copy beside the file, shows it, and says so in the caption and on standard error.
#include "EditorTestSupport.h"
#include "Quadrel.h"
#include "QuadrelDlg.h"
#include "savecopy.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <iostream>
#include <memory>
#include <sstream>

namespace {

constexpr int chooseButton = 1000;
constexpr int saveButton = 3;
constexpr int boxList = 1008;
constexpr int intersectionList = 1027;
constexpr int countLabel = 1004;

// What a save cut short leaves beside the file: the old content, then the trailer that says the
// copy is complete.
std::string completeCopy(const std::string& content) {
    CopyChecksum checksum;
    checksum.add(content);
    return content + copyTrailer(content.size(), checksum.value());
}

// Catches what the program writes on standard error while it lives.
class CapturedErrors {
public:
    CapturedErrors() : previous_(std::cerr.rdbuf(text_.rdbuf())) {}
    ~CapturedErrors() { std::cerr.rdbuf(previous_); }
    CapturedErrors(const CapturedErrors&) = delete;
    CapturedErrors& operator=(const CapturedErrors&) = delete;
    std::string text() const { return text_.str(); }

private:
    std::ostringstream text_;
    std::streambuf* previous_;
};

} // namespace

class InterruptedSaveTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void theCommandLinePutsBackTheOldContent();
    void choosingTheFilePutsBackTheOldContent();
    void aCopyCutShortIsLeftAloneAndTheFileOpensAsItIs();

private:
    QString path() const { return dir_->filePath("salle.box"); }
    QString copyPath() const { return dir_->filePath(".salle.box.quadrel-copy"); }

    std::unique_ptr<QTemporaryDir> dir_;
    const std::string oldContent_ = boxFileBytes("3", {{"7"}, {"12"}, {"3"}}, {"0 1", "2 0"});
    // What a save killed while it overwrote the file left in it.
    const std::string halfWritten_ = boxFileBytes("4", {{"7"}, {"12"}}, {}).substr(0, 90);
};

void InterruptedSaveTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    writeBytes(path(), halfWritten_);
    writeBytes(copyPath(), completeCopy(oldContent_));
}

void InterruptedSaveTest::theCommandLinePutsBackTheOldContent() {
    TestWindow test;
    std::ostringstream errors;
    {
        const CapturedErrors captured;
        openFileOfCommandLine(test.window(), {"quadrel", path()}, errors);
        QCOMPARE(QString::fromStdString(captured.text()),
                 QString("quadrel : %1 restauré après une interruption : son dernier "
                         "enregistrement n'avait pas abouti\n")
                     .arg(path()));
    }
    QCOMPARE(errors.str(), std::string());
    QCOMPARE(test.lines(boxList), QStringList({"7", "12", "3"}));
    QCOMPARE(test.lines(intersectionList), QStringList({"0 1", "2 0"}));
    QCOMPARE(test.shownText(countLabel), QString("3"));
    QCOMPARE(test.window().windowTitle(),
             QString("salle.box - Quadrel (restauré après une interruption)"));
    QCOMPARE(readBytes(path()), oldContent_);
    QVERIFY(!fileExists(copyPath()));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), QStringList({"salle.box"}));

    // Once saved, the file is the document's again.
    test.click(saveButton);
    QCOMPARE(test.window().windowTitle(), QString("salle.box - Quadrel"));
    QCOMPARE(readBytes(path()), oldContent_);
}

void InterruptedSaveTest::choosingTheFilePutsBackTheOldContent() {
    TestWindow test;
    test.answerChooser(path());
    {
        const CapturedErrors captured;
        test.click(chooseButton);
        QVERIFY(captured.text().find("restauré après une interruption") != std::string::npos);
    }
    QCOMPARE(test.unansweredQuestions(), std::size_t{0});
    QCOMPARE(test.lines(boxList), QStringList({"7", "12", "3"}));
    QCOMPARE(test.window().windowTitle(),
             QString("salle.box - Quadrel (restauré après une interruption)"));
    QCOMPARE(readBytes(path()), oldContent_);
    QVERIFY(!fileExists(copyPath()));
}

void InterruptedSaveTest::aCopyCutShortIsLeftAloneAndTheFileOpensAsItIs() {
    const std::string cutShort = completeCopy(oldContent_).substr(0, oldContent_.size() + 10);
    writeBytes(copyPath(), cutShort);
    writeBytes(path(), oldContent_);
    TestWindow test;
    std::ostringstream errors;
    {
        const CapturedErrors captured;
        openFileOfCommandLine(test.window(), {"quadrel", path()}, errors);
        QCOMPARE(captured.text(), std::string());
    }
    QCOMPARE(errors.str(), std::string());
    QCOMPARE(test.window().windowTitle(), QString("salle.box - Quadrel"));
    QCOMPARE(test.lines(boxList), QStringList({"7", "12", "3"}));
    QCOMPARE(readBytes(copyPath()), cutShort);
}

QTEST_MAIN(InterruptedSaveTest)
#include "restoreafterinterruption_test.moc"
