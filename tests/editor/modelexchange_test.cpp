// "Importer..." and "Exporter..." of the 3D view driven as a user drives them: models written by
// the test come in as boxes that one undo takes back, go out and come back where they were, and
// files that cannot be read or written change nothing.
#include "BoxForm.h"
#include "CommandProcessor.h"
#include "ExchangeTestSupport.h"
#include "ImportReportWindow.h"
#include "ModelExchange.h"
#include "QuadrelDlg.h"
#include "ViewWindow.h"
#include "boxvalues.h"
#include "meshtestsupport.h"
#include "orlclass.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

// One step of the file's fixed-point values.
constexpr double STEP = 1.0 / 16384;

void writeText(const QString& path, const std::string& text) {
    writeBytes(path, text);
}

// Every point lies inside the box's planes, within one step.
bool holds(const Box& box, const std::vector<Vec3>& points) {
    const BoxValues values = decodeBoxValues(box);
    for (const Vec3& point : points) {
        for (const PlaneValues& plane : values.planes) {
            if (dot(plane.normal, point) > plane.d + STEP) {
                return false;
            }
        }
    }
    return true;
}

// The distance of each point from the nearest of the box's planes' surfaces: a corner of the box
// fitted lies on three of its planes.
double farthestFromASurface(const Box& box, const std::vector<Vec3>& corners) {
    const BoxValues values = decodeBoxValues(box);
    double farthest = 0;
    for (const Vec3& corner : corners) {
        double nearest = 1e9;
        for (const PlaneValues& plane : values.planes) {
            nearest = std::min(nearest, std::fabs(dot(plane.normal, corner) - plane.d));
        }
        farthest = std::max(farthest, nearest);
    }
    return farthest;
}

const Frame turned = turnedFrame(30, 30);
const std::vector<Vec3> wallCorners = boxCorners({4, 1, 2}, {2, 0.5, 1}, turned);
const std::vector<Vec3> lampCorners =
    boxCorners({0.5, 0, 0}, {0.25, 0.25, 0.25}, turnedFrame(0, 0));
const std::vector<Vec3> pillarCorners = boxCorners({-30, 0, 1}, {0.5, 0.5, 1}, turnedFrame(0, 0));
const std::vector<Vec3> flatQuad{{0, 0, 5}, {1, 0, 5}, {1, 1, 5}, {0, 1, 5}};

// A turned wall and a far pillar named as collision, a lamp that is not, and a flat quad named
// as collision.
std::string sceneObj() {
    return objOf({{"UBX_wall", wallCorners},
                  {"lamp", lampCorners},
                  {"Pillar-COL", pillarCorners},
                  {"UBX_flat", flatQuad}});
}

} // namespace

class ModelExchangeTest : public QObject {
    Q_OBJECT

private slots:
    void importingCollisionMeshesIsOneEditThatOneUndoTakesBack();
    void importingAllMeshesFromAFirstIdAddsTheirIntersections();
    void exportThenImportLandsTheBoxesWhereTheyWere();
    void importingWithNoFileOpenMakesANewDocumentThatSavingNames();
    void aModelThatCannotBeReadChangesNothing();
    void anExportThatCannotBeWrittenSaysWhyAndWritesNothing();
};

void ModelExchangeTest::importingCollisionMeshesIsOneEditThatOneUndoTakesBack() {
    QTemporaryDir dir;
    const QString boxPath = dir.filePath("level.box");
    TestWindow test;
    openFile(test, boxPath, {cube("7", 0, 0, 0, 1), cube("40", 10, 0, 0, 1)}, {});
    const std::string before = readBytes(boxPath);
    writeText(dir.filePath("scene.obj"), sceneObj());
    ExchangeRun run(test);

    run.importFile(dir.filePath("scene.obj"), true);

    const BoxDocument& document = test.document();
    QCOMPARE(document.boxes.size(), std::size_t{4});
    QCOMPARE(texts(document.boxIds), QStringList({"7", "40", "41", "42"}));
    QCOMPARE(document.countText, std::string("4"));
    QVERIFY(holds(document.boxes.at(2), wallCorners));
    QVERIFY(farthestFromASurface(document.boxes.at(2), wallCorners) <= 2 * STEP);
    QVERIFY(holds(document.boxes.at(3), pillarCorners));
    QCOMPARE(test.lines(1008).size(), 4);
    QCOMPARE(run.lastHistoryLine(), QString("▶ Importer 2 box de « scene.obj »"));
    // The form shows the first new box, whose texts "Valider" would write back unchanged.
    QCOMPARE(test.shownText(idFieldId), QString("41"));
    QCOMPARE(test.shownText(rankLabelId), QString("2"));
    QCOMPARE(test.window().shownBoxTexts(), textsOf(document.boxes.at(2)));

    ImportReportWindow* report = run.view->modelExchange().reportWindow();
    QVERIFY(report != nullptr && report->isVisible());
    QCOMPARE(report->list()->topLevelItemCount(), 3);
    const QStringList wall = run.reportRow(0);
    QCOMPARE(wall.mid(0, 3), QStringList({"UBX_wall", "41", "2"}));
    // A box-shaped mesh fills its box, and no vertex is left outside.
    QVERIFY2(wall[3] == "1,000" || wall[3] == "0,999", qPrintable(wall[3]));
    QCOMPARE(wall[4], QString("0,000000"));
    QCOMPARE(wall[5], QString());
    QCOMPARE(run.reportRow(1).mid(0, 3), QStringList({"Pillar-COL", "42", "3"}));
    QCOMPARE(run.reportRow(2)[0], QString("UBX_flat"));
    QCOMPARE(run.reportRow(2)[1], QString());
    QVERIFY(run.reportRow(2)[5].startsWith("Sans volume"));
    QCOMPARE(report->summary()->text(),
             QString("2 box ajoutées depuis « scene.obj », 0 intersection ajoutée. 1 forme ignorée "
                     "sans box. 1 forme laissée de côté : pas de nom de collision."));

    test.click(undoButtonId);
    QCOMPARE(document.boxes.size(), std::size_t{2});
    test.click(3);
    QCOMPARE(readBytes(boxPath), before);
}

void ModelExchangeTest::importingAllMeshesFromAFirstIdAddsTheirIntersections() {
    QTemporaryDir dir;
    const QString boxPath = dir.filePath("level.box");
    TestWindow test;
    openFile(test, boxPath, {cube("7", 0, 0, 0, 1), cube("501", 10, 0, 0, 1)}, {"0 1"});
    writeText(dir.filePath("scene.obj"), sceneObj());
    ExchangeRun run(test);

    run.importFile(dir.filePath("scene.obj"), false, "500");

    const BoxDocument& document = test.document();
    // 501 is taken: the next free ID follows.
    QCOMPARE(texts(document.boxIds), QStringList({"7", "501", "500", "502", "503"}));
    QVERIFY(holds(document.boxes.at(3), lampCorners));
    // The lamp lies inside the first box; the wall reaches neither.
    QCOMPARE(texts(document.intersections), QStringList({"0 1", "0 3"}));
    QCOMPARE(run.lastHistoryLine(), QString("▶ Importer 3 box de « scene.obj »"));
    QCOMPARE(run.view->modelExchange().reportWindow()->list()->topLevelItemCount(), 4);

    // Undo and redo take all of it back and bring all of it again.
    test.click(undoButtonId);
    QCOMPARE(texts(document.intersections), QStringList({"0 1"}));
    QCOMPARE(document.boxes.size(), std::size_t{2});
    test.click(redoButtonId);
    QCOMPARE(texts(document.boxIds), QStringList({"7", "501", "500", "502", "503"}));
    QCOMPARE(texts(document.intersections), QStringList({"0 1", "0 3"}));
}

void ModelExchangeTest::exportThenImportLandsTheBoxesWhereTheyWere() {
    for (const QString& format : {QString("obj"), QString("glb"), QString("dae")}) {
        QTemporaryDir dir;
        std::vector<FormBox> boxes{cube("3", 1.5, -2, 0.25, 1), cube("9", 2.5, -2, 0.25, 0.5),
                                   cube("12", -20, 4, 8, 2)};
        // A box whose planes leave no solid is left out and counted.
        boxes.push_back(cube("13", 0, 0, 0, 1));
        boxes.back().planes[3] = "ffff0000";
        TestWindow source;
        openFile(source, dir.filePath("source.box"), boxes, {"0 1"});
        ExchangeRun out(source);
        const QString modelPath = dir.filePath("out." + format);
        out.exportFile(modelPath, true);
        QCOMPARE(*out.asked, QStringList({QString("3 box écrites dans « out.%1 ».\n"
                                                  "1 intersection en lignes.\n"
                                                  "1 box laissée de côté, sans solide (rang 3). "
                                                  "[OK]")
                                              .arg(format)}));
        QVERIFY(fileExists(modelPath));

        TestWindow target;
        openFile(target, dir.filePath("target.box"), {}, {});
        ExchangeRun in(target);
        in.importFile(modelPath, false);
        const BoxDocument& imported = target.document();
        // The intersection lines are no mesh with a volume: only the three boxes come back.
        QCOMPARE(imported.boxes.size(), std::size_t{3});
        for (std::size_t rank = 0; rank < 3; ++rank) {
            const BoxValues was = decodeBoxValues(source.document().boxes.at(rank));
            const BoxValues is = decodeBoxValues(imported.boxes.at(rank));
            QVERIFY2(length(was.centre - is.centre) <= STEP, qPrintable(format));
            for (std::size_t plane = 0; plane < 6; ++plane) {
                QVERIFY(dot(was.planes[plane].normal, is.planes[plane].normal) > 1 - 1e-9);
                QVERIFY2(
                    std::fabs(was.planes[plane].d - is.planes[plane].d) <= STEP,
                    qPrintable(QString("%1 box %2 plane %3").arg(format).arg(rank).arg(plane)));
            }
        }
        QCOMPARE(texts(imported.intersections), QStringList({"0 1"}));
    }
}

// With no file open, the boxes of the model become a new document with no name: the lists show
// them, the caption says the work is not saved, its history starts with the import, and
// "Enregistrer" asks for a name before writing the file.
void ModelExchangeTest::importingWithNoFileOpenMakesANewDocumentThatSavingNames() {
    QTemporaryDir dir;
    writeText(dir.filePath("scene.obj"), sceneObj());
    TestWindow test;
    ExchangeRun run(test);
    QCOMPARE(test.window().windowTitle(), QString("Quadrel"));

    run.importFile(dir.filePath("scene.obj"), true);

    const BoxDocument& document = test.document();
    QCOMPARE(test.lines(1008), QStringList({"1", "2"}));
    QCOMPARE(test.shownText(countLabelId), QString("2"));
    QCOMPARE(test.shownText(pathLabelId), QString());
    QCOMPARE(test.shownText(idFieldId), QString("1"));
    QVERIFY(holds(document.boxes.at(0), wallCorners));
    QVERIFY(holds(document.boxes.at(1), pillarCorners));
    QCOMPARE(test.window().windowTitle(), QString("Sans titre* - Quadrel"));
    QVERIFY(test.window().hasUnsavedChanges());
    QCOMPARE(run.view->historyList()->count(), 2);
    QCOMPARE(run.lastHistoryLine(), QString("▶ Importer 2 box de « scene.obj »"));
    ImportReportWindow* report = run.view->modelExchange().reportWindow();
    QVERIFY(report != nullptr && report->isVisible());
    QCOMPARE(report->list()->topLevelItemCount(), 3);
    // The boxes are the form's to edit, as in any open file.
    QVERIFY(test.control(idFieldId)->isEnabled());

    // One undo takes the import back to the empty document, which holds nothing to save.
    test.click(undoButtonId);
    QVERIFY(test.lines(1008).isEmpty());
    QCOMPARE(test.window().windowTitle(), QString("Sans titre - Quadrel"));
    QVERIFY(!test.window().hasUnsavedChanges());
    test.click(redoButtonId);
    QCOMPARE(test.lines(1008), QStringList({"1", "2"}));

    // "Enregistrer" asks where, as "Enregistrer sous" does; a cancelled choice writes nothing.
    test.cancelChooser();
    test.click(3);
    QCOMPARE(test.unansweredQuestions(), std::size_t{0});
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"scene.obj"}));
    QCOMPARE(test.window().windowTitle(), QString("Sans titre* - Quadrel"));
    const QString boxPath = dir.filePath("imported.box");
    test.answerChooser(boxPath);
    test.click(3);
    QVERIFY(fileExists(boxPath));
    QCOMPARE(test.window().windowTitle(), QString("imported.box - Quadrel"));
    QCOMPARE(test.shownText(pathLabelId), boxPath);
    BoxDocument saved;
    QVERIFY(saved.loadFile(QFile::encodeName(boxPath).toStdString()));
    QCOMPARE(texts(saved.boxIds), QStringList({"1", "2"}));
    QCOMPARE(saved.countText, std::string("2"));
    QVERIFY(holds(saved.boxes.at(0), wallCorners));
    QVERIFY(holds(saved.boxes.at(1), pillarCorners));
    QCOMPARE(readBytes(boxPath), document.writeText());

    // Named now, the next "Enregistrer" writes there without asking.
    test.click(undoButtonId);
    test.click(3);
    QCOMPARE(test.unansweredQuestions(), std::size_t{0});
    QVERIFY(document.boxes.empty());
    QCOMPARE(readBytes(boxPath), document.writeText());
    QCOMPARE(test.window().windowTitle(), QString("imported.box - Quadrel"));
}

void ModelExchangeTest::aModelThatCannotBeReadChangesNothing() {
    QTemporaryDir dir;
    const QString boxPath = dir.filePath("level.box");
    TestWindow test;
    openFile(test, boxPath, {cube("7", 0, 0, 0, 1)}, {});
    const std::string before = readBytes(boxPath);
    writeBytes(dir.filePath("broken.glb"), std::string("glTF\x02\0\0\0garbage", 16));
    ExchangeRun run(test);
    const std::size_t historyLines = static_cast<std::size_t>(run.view->historyList()->count());

    run.importFile(dir.filePath("broken.glb"), false);
    run.importFile(dir.filePath("missing.obj"), false);

    QCOMPARE(run.asked->size(), 2);
    QVERIFY2(run.asked->at(0).startsWith("Impossible de lire « broken.glb ».\n"),
             qPrintable(run.asked->at(0)));
    QVERIFY(run.asked->at(0).size() > QString("Impossible de lire « broken.glb ».\n [OK]").size());
    QVERIFY(run.asked->at(1).startsWith("Impossible de lire « missing.obj ».\n"));
    QCOMPARE(test.document().boxes.size(), std::size_t{1});
    QCOMPARE(static_cast<std::size_t>(run.view->historyList()->count()), historyLines);
    QVERIFY(run.view->modelExchange().reportWindow() == nullptr);
    QVERIFY(!test.window().hasUnsavedChanges());
    test.click(3);
    QCOMPARE(readBytes(boxPath), before);
}

void ModelExchangeTest::anExportThatCannotBeWrittenSaysWhyAndWritesNothing() {
    QTemporaryDir dir;
    TestWindow test;
    openFile(test, dir.filePath("level.box"), {cube("7", 0, 0, 0, 1)}, {});
    ExchangeRun run(test);
    const QString unreachable = dir.filePath("no-such-folder/out.obj");
    run.exportFile(unreachable, false);
    run.exportFile(dir.filePath("out.txt"), false);
    QCOMPARE(run.asked->size(), 2);
    QCOMPARE(run.asked->at(0),
             QString("Impossible d'écrire « out.obj ».\nLe dossier n'existe pas [OK]"));
    QVERIFY(run.asked->at(1).startsWith(
        "« out.txt » n'a pas l'extension d'un format que Quadrel écrit (.obj, .glb, .dae, .fbx, "
        ".stl, .ply) : rien n'a été écrit."));
    QVERIFY(!fileExists(unreachable));
    QVERIFY(!fileExists(dir.filePath("out.txt")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"level.box"}));
}

QTEST_MAIN(ModelExchangeTest)
#include "modelexchange_test.moc"
