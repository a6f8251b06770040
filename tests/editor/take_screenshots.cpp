// Draws the windows into PNG files for the documentation: take_screenshots OUTPUT_DIRECTORY.
#include "AboutDialog.h"
#include "Aide.h"
#include "BoxDragger.h"
#include "EditorTestSupport.h"
#include "ListControl.h"
#include "QuadrelDlg.h"
#include "SceneView.h"
#include "ShapeTestSupport.h"
#include "ViewWindow.h"
#include "orlclass.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QTest>
#include <QTreeView>
#include <charconv>
#include <cmath>
#include <string>

namespace {

// A corridor of walls as a user would keep it: true unit normals, d the distance of each face
// from the origin, and one wall turned by 45 degrees.
void writeCorridor(const QString& path) {
    BoxDocument document;
    struct Wall {
        const char* id;
        double x, y, z, halfX, halfY, halfZ;
    };
    const Wall walls[] = {
        {"101", 0, 0, 0, 4, 0.25, 1.5},        {"102", 8, 0, 0, 4, 0.25, 1.5},
        {"103", 0.75, 3, -2.25, 4, 0.25, 1.5}, {"110", 16, 3, 0, 4, 0.25, 1.5},
        {"120", 20, 1.5, 0, 0.25, 1.5, 1.5},   {"230", 0, -6, 0, 4, 0.25, 1.5},
        {"231", 8, -6, 0, 4, 0.25, 1.5},       {"232", 16, -6, 0, 4, 0.25, 1.5},
        {"300", -4, -3, 0, 0.25, 3, 1.5},      {"301", 24, -3, 0, 0.25, 3, 1.5},
        {"302", 10, -3, 1.75, 14, 3, 0.25},    {"303", 10, -3, -1.75, 14, 3, 0.25},
    };
    // Planes 0 to 5 face +x, +y, +z, -y, -z, -x.
    const double normals[6][3] = {{1, 0, 0},  {0, 1, 0},  {0, 0, 1},
                                  {0, -1, 0}, {0, 0, -1}, {-1, 0, 0}};
    // Locale-free: QApplication takes the user's locale, where the C library writes "0,75".
    const auto text = [](double value) {
        char digits[32];
        return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    };
    for (const Wall& wall : walls) {
        document.boxIds.append(wall.id);
        Box& box = document.appendBox();
        box.id = wall.id;
        box.maxRadius = std::to_string(static_cast<int>(std::ceil(std::sqrt(
            wall.halfX * wall.halfX + wall.halfY * wall.halfY + wall.halfZ * wall.halfZ))));
        const double center[3] = {wall.x, wall.y, wall.z};
        const double half[3] = {wall.halfX, wall.halfY, wall.halfZ};
        for (std::size_t axis = 0; axis < 3; ++axis) {
            box.centerText(axis) = document.decimalToHex8(text(center[axis]));
        }
        for (std::size_t plane = 0; plane < 6; ++plane) {
            double d = 0;
            for (std::size_t axis = 0; axis < 3; ++axis) {
                box.planeText(plane * 4 + axis) =
                    document.decimalToHex4(text(normals[plane][axis]));
                d += normals[plane][axis] * center[axis] +
                     std::abs(normals[plane][axis]) * half[axis];
            }
            box.planeText(plane * 4 + 3) = document.decimalToHex8(text(d));
        }
    }
    // The door post, turned by 45 degrees about z: its side planes lean on both axes.
    document.boxIds.append("999");
    Box& post = document.appendBox();
    post.id = "999";
    post.maxRadius = "2";
    post.centerX = document.decimalToHex8("12");
    post.centerY = document.decimalToHex8("0");
    post.centerZ = document.decimalToHex8("0");
    const double r = std::sqrt(0.5);
    const double leaning[6][3] = {{r, r, 0},  {-r, r, 0}, {0, 0, 1},
                                  {r, -r, 0}, {0, 0, -1}, {-r, -r, 0}};
    for (std::size_t plane = 0; plane < 6; ++plane) {
        for (std::size_t axis = 0; axis < 3; ++axis) {
            post.planeText(plane * 4 + axis) = document.decimalToHex4(text(leaning[plane][axis]));
        }
        const double d = leaning[plane][0] * 12 + (plane == 2 || plane == 4 ? 1.5 : 0.5);
        post.planeText(plane * 4 + 3) = document.decimalToHex8(text(d));
    }
    for (const char* pair : {"0 1", "1 3", "0 8", "5 8", "3 4", "4 9", "10 0", "11 5", "12 1"}) {
        document.intersections.append(pair);
    }
    document.setCountText(std::to_string(document.boxes.size()));
    document.setPath(path.toStdString());
    if (!document.writeFile()) {
        qFatal("Cannot write the sample file");
    }
}

// A box given by its centre, its three axes (unit, at right angles) and its half sizes along
// them; planes 0 to 5 face +u, +v, +w, -v, -w, -u.
struct Block {
    const char* id;
    double centre[3];
    double axes[3][3];
    double half[3];
};

void appendBlock(BoxDocument& document, const Block& block) {
    const auto text = [](double value) {
        char digits[32];
        return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    };
    document.boxIds.append(block.id);
    Box& box = document.appendBox();
    box.id = block.id;
    const double radius = std::sqrt(block.half[0] * block.half[0] + block.half[1] * block.half[1] +
                                    block.half[2] * block.half[2]);
    box.maxRadius = std::to_string(static_cast<int>(std::ceil(radius)));
    for (std::size_t axis = 0; axis < 3; ++axis) {
        box.centerText(axis) = document.decimalToHex8(text(block.centre[axis]));
    }
    const int axisOfPlane[6] = {0, 1, 2, 1, 2, 0};
    const double signOfPlane[6] = {1, 1, 1, -1, -1, -1};
    for (std::size_t plane = 0; plane < 6; ++plane) {
        const double* axis = block.axes[axisOfPlane[plane]];
        double d = block.half[axisOfPlane[plane]];
        for (std::size_t k = 0; k < 3; ++k) {
            const double n = signOfPlane[plane] * axis[k];
            box.planeText(plane * 4 + k) = document.decimalToHex4(text(n));
            d += n * block.centre[k];
        }
        box.planeText(plane * 4 + 3) = document.decimalToHex8(text(d));
    }
}

// A small store room with the faults a file gathers: a plane whose normal is not of unit
// length, a box whose planes enclose nothing, a listed pair that does not touch and a touching
// pair that is not listed.
void writeStoreRoom(const QString& path) {
    BoxDocument document;
    const double c = std::cos(0.35);
    const double s = std::sin(0.35);
    const double r = std::sqrt(0.5);
    const Block blocks[] = {
        {"100", {0, 0, -0.25}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {8, 6, 0.25}},
        {"101", {0, 6.25, 1.5}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {8, 0.25, 1.5}},
        {"102", {-8.25, 0, 1.5}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {0.25, 6.5, 1.5}},
        {"103", {3, 1, 1.5}, {{r, r, 0}, {-r, r, 0}, {0, 0, 1}}, {0.5, 0.5, 1.5}},
        {"104", {-3, -2, 0.85}, {{c, 0, s}, {0, 1, 0}, {-s, 0, c}}, {2.5, 1.2, 0.15}},
        {"105", {5, -3.5, 0.6}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {0.6, 0.6, 0.6}},
        {"106", {6.1, -3.5, 0.5}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {0.5, 0.5, 0.5}},
        {"107", {2, 4, 1}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {0.5, 0.5, 0.5}},
        {"108", {-5, 4.5, 1}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {2, 0.6, 1}},
    };
    for (const Block& block : blocks) {
        appendBlock(document, block);
    }
    // The crate's top plane written with half a normal: 0.5 z <= 0.6 is the same plane.
    Box& crate = *std::next(document.boxes.begin(), 5)->get();
    crate.planeText(10) = document.decimalToHex4("0.5");
    crate.planeText(11) = document.decimalToHex8("0.6");
    // The broken box's floor raised above its top: nothing is both above and below.
    Box& broken = *std::next(document.boxes.begin(), 7)->get();
    broken.planeText(19) = document.decimalToHex8("-2");
    for (const char* pair :
         {"0 1", "0 2", "1 2", "0 3", "0 4", "0 5", "0 6", "0 8", "3 8", "1 8"}) {
        document.intersections.append(pair);
    }
    document.setCountText(std::to_string(document.boxes.size()));
    document.setPath(path.toStdString());
    if (!document.writeFile()) {
        qFatal("Cannot write the demo file");
    }
}

void save(QWidget& window, const QString& path) {
    QTest::qWait(50);
    if (!window.grab().save(path)) {
        qFatal("Cannot write %s", qPrintable(path));
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 2) {
        qFatal("Usage: take_screenshots OUTPUT_DIRECTORY");
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));

    {
        TestWindow test;
        save(test.window(), output.filePath("main-window.png"));

        const QString path = QDir::temp().filePath("quadrel-demo/couloir.box");
        QDir().mkpath(QFileInfo(path).path());
        writeCorridor(path);
        test.answerChooser(path);
        test.click(1000);
        test.clickLine(1008, 2);
        save(test.window(), output.filePath("main-window-loaded.png"));
    }
    {
        TestWindow test;
        const QString path = output.filePath("entrepot.box");
        writeStoreRoom(path);
        test.answerChooser(path);
        test.click(1000);
        test.clickLine(1008, 4);
        test.click(1083);
        ViewWindow* view = test.window().view();
        if (!QTest::qWaitForWindowExposed(view) || !waitForChecks(view)) {
            qFatal("The 3D view did not show");
        }
        view->sceneView()->showAll();
        save(*view, output.filePath("view-3d.png"));

        QTreeView* problems = view->problemList();
        const QModelIndex first = problems->model()->index(0, 0);
        problems->setCurrentIndex(first);
        QTest::keyClick(problems, Qt::Key_Return);
        save(*view, output.filePath("view-3d-problem.png"));

        // The turned pillar's top dragged up by a unit and a half, held there; then let go
        // with Escape, which changes nothing.
        test.clickLine(1008, 3);
        view->resize(1100, 680);
        SceneView* scene = view->sceneView();
        scene->recentre();
        scene->camera().zoom(1.8);
        static_cast<void>(scene->grab());
        const std::optional<QPointF> knob = scene->dragger().pixelOf({HandleKind::Face, 2});
        if (!knob) {
            qFatal("The pillar shows no knob on its top");
        }
        const OrbitCamera& camera = scene->camera();
        const Vec3 top{3, 1, 3};
        const Vec3 above{3, 1, 4.5};
        const QPointF rise =
            camera.project(above, camera.depthOf(above)) - camera.project(top, camera.depthOf(top));
        QTest::mousePress(scene, Qt::LeftButton, Qt::NoModifier, knob->toPoint());
        for (int step = 1; step <= 5; ++step) {
            const QPointF at = *knob + rise * (step / 5.0);
            QMouseEvent move(QEvent::MouseMove, at, scene->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(scene, &move);
        }
        save(*view, output.filePath("view-3d-drag.png"));
        QTest::keyClick(scene, Qt::Key_Escape);
        QTest::mouseRelease(scene, Qt::LeftButton, Qt::NoModifier, (*knob + rise).toPoint());
    }
    {
        TestWindow test;
        const QString path = QDir::temp().filePath("quadrel-demo/salle.box");
        QDir().mkpath(QFileInfo(path).path());
        QFile::remove(path);
        test.answerChooser(path);
        test.click(1036);
        ShapeWindow* window = openShapeWindow(test);
        QStringList done;
        if (window == nullptr || !buildRoom(window, done)) {
            qFatal("The room could not be built");
        }
        showBox(test, "6");
        save(*window, output.filePath("shape-window.png"));
        test.click(1083);
        ViewWindow* view = test.window().view();
        if (!QTest::qWaitForWindowExposed(view) || !waitForChecks(view)) {
            qFatal("The 3D view did not show");
        }
        view->resize(1100, 680);
        // The walls touch the floor and each other: the fix lists those pairs.
        QTreeView* problems = view->problemList();
        problems->setCurrentIndex(problems->model()->index(0, 0));
        if (QPushButton* addMissing = buttonNamed(view, "Ajouter les intersections manquantes")) {
            addMissing->click();
        }
        view->sceneView()->showAll();
        save(*view, output.filePath("shape-room.png"));
    }
    {
        AideDialog help;
        help.show();
        save(help, output.filePath("help.png"));
    }
    {
        AboutDialog about;
        about.show();
        save(about, output.filePath("about.png"));
    }
    return 0;
}
