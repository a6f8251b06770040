// A long import or export behind a progress bar over the 3D view: the worker held at its first
// report, the bar shows how far it has gone and "Annuler" stops it, leaving the document, its
// history, the windows and any file already there as they were.
#include "CommandProcessor.h"
#include "ExchangeTestSupport.h"
#include "ProgressTestSupport.h"
#include "meshtestsupport.h"
#include "orlclass.h"

#include <QDir>
#include <QTemporaryDir>
#include <numeric>

namespace {

constexpr int boxList = 1008;
constexpr int radiusField = 1015;
constexpr int validateButton = 1081;

// Cubes of half a unit in a row, each touching the next.
std::string rowOfCubesObj(int count) {
    std::vector<std::pair<std::string, std::vector<Vec3>>> objects;
    for (int i = 0; i < count; ++i) {
        objects.emplace_back("cube" + std::to_string(i),
                             boxCorners({double(i), 40, 0}, {0.5, 0.5, 0.5}, turnedFrame(0, 0)));
    }
    return objOf(objects);
}

// Everything of the windows that an import or an export stopped must leave as it was.
struct ExchangeState {
    std::string bytes;
    QString caption;
    QStringList boxes;
    QStringList history;
    QStringList report;
    bool unsaved = false;

    bool operator==(const ExchangeState&) const = default;
};

ExchangeState stateOf(ExchangeRun& run) {
    ExchangeState state{run.test.document().writeText(),
                        run.test.window().windowTitle(),
                        run.test.lines(boxList),
                        {},
                        {},
                        run.test.window().hasUnsavedChanges()};
    for (int line = 0; line < run.view->historyList()->count(); ++line) {
        state.history << run.view->historyList()->item(line)->text();
    }
    if (const ImportReportWindow* report = run.view->modelExchange().reportWindow()) {
        for (int row = 0; row < report->list()->topLevelItemCount(); ++row) {
            state.report << run.reportRow(row).join('|');
        }
    }
    return state;
}

// A file of three cubes, the first of them edited by "Valider": a history to keep. Gives the
// document's bytes before the edit.
std::string openEditedFile(TestWindow& test, const QString& path) {
    openFile(test, path, {cube("7", 0, 0, 0, 1), cube("8", 1.5, 0, 0, 1), cube("9", -20, 0, 0, 1)},
             {"0 1"});
    const std::string opened = test.document().writeText();
    test.clickLine(boxList, 0);
    retype(test, radiusField, "12");
    test.click(validateButton);
    return opened;
}

} // namespace

class ExchangeProgressTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        letGo = false;
        takeReports();
        setLongWorkStepHook(nullptr);
    }
    void cleanup() { setLongWorkStepHook(nullptr); }

    void anImportShowsItsProgressOverTheViewThenAddsItsBoxes();
    void aStoppedImportLeavesDocumentHistoryAndWindowsAsTheyWere();
    void aStoppedExportKeepsTheFileThereAndLeavesNoOtherFile();
};

void ExchangeProgressTest::anImportShowsItsProgressOverTheViewThenAddsItsBoxes() {
    QTemporaryDir dir;
    TestWindow test;
    openEditedFile(test, dir.filePath("level.box"));
    writeBytes(dir.filePath("rangée.obj"), rowOfCubesObj(40));
    ExchangeRun run(test);
    setLongWorkStepHook(holdAtFirstReport);
    // Forty meshes to fit, then the solids of the three boxes and of the forty new ones.
    const std::uint64_t steps = 40 + 3 + 40;
    ShownProgress shown;
    bool barMoved = false;
    whenProgressShows(shown, test.window(), [&barMoved, steps](QProgressDialog& dialog) {
        // Held at the first mesh fitted, the bar shows it once the reading is over.
        barMoved = QTest::qWaitFor(
            [&] {
                return dialog.maximum() == 1000 && dialog.value() == static_cast<int>(1000 / steps);
            },
            20000);
    });
    run.importFile(dir.filePath("rangée.obj"), false);

    QCOMPARE(shown.label, QString("Importation de « rangée.obj »…"));
    QVERIFY(shown.offersCancel);
    QCOMPARE(shown.owner, run.view);
    QVERIFY(barMoved);
    QVERIFY(!progressShows());
    std::vector<std::uint64_t> expected(steps);
    std::iota(expected.begin(), expected.end(), 1);
    QCOMPARE(takeReports(), expected);
    QCOMPARE(test.document().boxes.size(), std::size_t{43});
    QCOMPARE(run.lastHistoryLine(), QString("▶ Importer 40 box de « rangée.obj »"));
    // Each cube touches the next: the import lists the 39 pairs after the file's own.
    QCOMPARE(test.document().intersections.size(), std::size_t{1 + 39});
}

void ExchangeProgressTest::aStoppedImportLeavesDocumentHistoryAndWindowsAsTheyWere() {
    QTemporaryDir dir;
    TestWindow test;
    const std::string opened = openEditedFile(test, dir.filePath("level.box"));
    const std::string edited = test.document().writeText();
    writeBytes(dir.filePath("petit.obj"), rowOfCubesObj(2));
    writeBytes(dir.filePath("grand.obj"), rowOfCubesObj(40));
    ExchangeRun run(test);
    // A first import, let through, leaves its report open.
    run.importFile(dir.filePath("petit.obj"), false);
    QCOMPARE(test.document().boxes.size(), std::size_t{5});
    const ExchangeState before = stateOf(run);
    QCOMPARE(before.report.size(), 2);

    setLongWorkStepHook(holdAtFirstReport);
    ShownProgress shown;
    bool saysItStops = false;
    whenProgressShows(shown, test.window(), [&saysItStops](QProgressDialog& dialog) {
        QPushButton* cancel = buttonOf(&dialog, "Annuler");
        QTest::mouseClick(cancel, Qt::LeftButton);
        // The worker, still held, has not stopped yet: the dialog stays and says so.
        saysItStops =
            dialog.isVisible() && dialog.labelText() == "Arrêt en cours…" && !cancel->isEnabled();
    });
    run.importFile(dir.filePath("grand.obj"), false);

    QCOMPARE(shown.label, QString("Importation de « grand.obj »…"));
    QVERIFY(saysItStops);
    QCOMPARE(takeReports().size(), std::size_t{1});
    QVERIFY(!progressShows());
    QCOMPARE(stateOf(run), before);
    QVERIFY(run.asked->isEmpty());

    // The history is the one the document had: undo takes back the first import, then the edit.
    setLongWorkStepHook(nullptr);
    test.click(undoButtonId);
    QCOMPARE(test.document().writeText(), edited);
    test.click(undoButtonId);
    QCOMPARE(test.document().writeText(), opened);
}

void ExchangeProgressTest::aStoppedExportKeepsTheFileThereAndLeavesNoOtherFile() {
    // Ours written in pieces, and Assimp's written whole once made.
    for (const QString& format : {QString("obj"), QString("glb"), QString("dae")}) {
        QTemporaryDir dir;
        TestWindow test;
        openEditedFile(test, dir.filePath("level.box"));
        const QString modelPath = dir.filePath("scène." + format);
        const std::string old = "ce qui était là\n";
        writeBytes(modelPath, old);
        ExchangeRun run(test);
        const ExchangeState before = stateOf(run);

        letGo = false;
        takeReports();
        setLongWorkStepHook(holdAtFirstReport);
        run.answers->push_back("Remplacer");
        ShownProgress shown;
        whenProgressShows(shown, test.window(), [](QProgressDialog& dialog) {
            QTest::mouseClick(buttonOf(&dialog, "Annuler"), Qt::LeftButton);
        });
        run.exportFile(modelPath, true);

        QCOMPARE(shown.label, QString("Exportation vers « scène.%1 »…").arg(format));
        QVERIFY(shown.offersCancel);
        QCOMPARE(shown.owner, run.view);
        QCOMPARE(takeReports().size(), std::size_t{1});
        QVERIFY(!progressShows());
        // Only the question to replace the file was asked: a stopped export has nothing to say.
        QCOMPARE(run.asked->size(), 1);
        QVERIFY(run.answers->empty());
        QCOMPARE(readBytes(modelPath), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList({"level.box", "scène." + format}));
        QCOMPARE(stateOf(run), before);
        setLongWorkStepHook(nullptr);
    }
}

QTEST_MAIN(ExchangeProgressTest)
#include "exchangeprogress_test.moc"
