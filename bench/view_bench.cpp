// Times the 3D view on a scene of geometry_bench, 100,000 boxes by default: the refresh when the
// view opens, one frame seen whole and one near a box while the view turns, one frame while the
// user types, one keystroke in a hexadecimal field with the view open and closed, and one frame of
// a drag of the box shown (the form following it), all in one process. Prints its figures.
//
// Usage: view_bench [BOXES] (runs geometry_bench to write the scene into a temporary folder)
#include "BoxDragger.h"
#include "EditorTestSupport.h"
#include "QuadrelDlg.h"
#include "SceneView.h"
#include "ViewWindow.h"
#include "orlclass.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int frameRuns = 40;
constexpr int keystrokeRuns = 200;

// Wall time, and the processor time of this thread, which the other builds sharing the machine
// hardly change.
struct Spread {
    double median;
    double worst;
    double processorMedian;
};

double threadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

Spread timesOf(int runs, const std::function<void()>& action) {
    std::vector<double> times;
    std::vector<double> processor;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        const double start = threadMilliseconds();
        timer.start();
        action();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        processor.push_back(threadMilliseconds() - start);
    }
    std::sort(times.begin(), times.end());
    std::sort(processor.begin(), processor.end());
    return {times[times.size() / 2], times.back(), processor[processor.size() / 2]};
}

void printOnce(const char* what, const std::function<void()>& action) {
    const Spread spread = timesOf(1, action);
    std::printf("%s: %.0f ms, processor %.0f ms\n", what, spread.median, spread.processorMedian);
}

// The frame as the window system asks for it: the view paints into an image of its size.
Spread framesWhileTurning(SceneView& view, QImage& image) {
    return timesOf(frameRuns, [&] {
        view.camera().orbit(0.05, 0);
        view.render(&image);
    });
}

void print(const char* what, Spread spread) {
    std::printf("%-50s median %6.2f ms, worst %6.2f ms, processor median %6.2f ms\n", what,
                spread.median, spread.worst, spread.processorMedian);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QString boxes = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("100000");
    QTemporaryDir dir;
    const QString path = dir.filePath("scene-" + boxes + ".box");
    if (QProcess::execute(QStringLiteral(GEOMETRY_BENCH), {"generate", path, boxes}) != 0) {
        qFatal("geometry_bench could not write the scene");
    }

    TestWindow test;
    test.answerChooser(path);
    printOnce("Choisir... with the view closed", [&] { test.click(1000); });
    // A large file shows its progress in a window of its own, which takes the focus away.
    test.window().activateWindow();
    if (test.document().boxes.size() != boxes.toULongLong() ||
        !QTest::qWaitForWindowActive(&test.window())) {
        qFatal("The scene did not open");
    }
    test.clickLine(1008, boxes.toInt() / 2);

    // One digit typed and taken back, over and over: the form's own work and the view's.
    QWidget* field = test.control(1028);
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_End);
    const auto keystroke = [&] {
        static bool typed = false;
        QTest::keyClick(field, typed ? Qt::Key_Backspace : Qt::Key_0);
        typed = !typed;
    };
    const Spread closedKeystroke = timesOf(keystrokeRuns, keystroke);
    keystroke();
    if (!test.shownText(1028).endsWith('0') || test.shownText(1040).isEmpty()) {
        qFatal("The keystrokes did not reach the field");
    }
    keystroke();

    printOnce("F3, the view built (every solid, every check) and shown", [&] {
        QTest::keyClick(&test.window(), Qt::Key_F3);
        QApplication::processEvents();
    });
    ViewWindow* window = test.window().view();
    if (!QTest::qWaitForWindowExposed(window)) {
        qFatal("The view did not show");
    }
    SceneView& view = *window->sceneView();
    std::printf("view: %zu boxes, %zu problems, %dx%d pixels\n", window->scene().size(),
                window->scene().problems().size(), view.width(), view.height());

    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    view.showAll();
    print("frame, whole scene, turning", framesWhileTurning(view, image));
    std::printf("  drawn in full %zu, as points %zu\n", view.boxesDrawnInFull(),
                view.boxesDrawnAsPoints());
    view.recentre();
    view.camera().zoom(8);
    print("frame, near the box shown, turning", framesWhileTurning(view, image));
    std::printf("  drawn in full %zu, as points %zu\n", view.boxesDrawnInFull(),
                view.boxesDrawnAsPoints());
    view.recentre();
    print("frame, close to the box shown, turning", framesWhileTurning(view, image));
    std::printf("  drawn in full %zu, as points %zu\n", view.boxesDrawnInFull(),
                view.boxesDrawnAsPoints());

    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_End);
    const Spread openKeystroke = timesOf(keystrokeRuns, keystroke);
    print("keystroke in a hexadecimal field, view closed", closedKeystroke);
    print("keystroke in a hexadecimal field, view open", openKeystroke);
    std::printf("  ratio of the medians, open / closed: %.2f\n",
                openKeystroke.median / closedKeystroke.median);
    print("frame after a keystroke (the scene behind kept)", timesOf(frameRuns, [&] {
              keystroke();
              view.render(&image);
          }));

    // A face of the box shown dragged to and fro: every frame the box changes, the form takes
    // its 28 texts and the view is drawn again, in a window of a common size.
    window->resize(1280, 800);
    QApplication::processEvents();
    image = QImage(view.size(), QImage::Format_ARGB32_Premultiplied);
    std::printf("view for the drag: %dx%d pixels\n", view.width(), view.height());
    view.recentre();
    view.render(&image);
    // No grid: each frame gives the box another height.
    view.dragger().setGrid(0);
    const std::optional<QPointF> knob = view.dragger().pixelOf({HandleKind::Face, 2});
    if (!knob) {
        qFatal("The box shown has no knob on its face 2");
    }
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, knob->toPoint());
    int frame = 0;
    const Spread dragFrames = timesOf(frameRuns, [&] {
        const QPointF at = *knob + QPointF(0, (++frame % 2 == 0) ? -40 : -80);
        QMouseEvent move(QEvent::MouseMove, at, view.mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
        view.render(&image);
    });
    if (!view.dragger().dragging() || view.dragger().label().isEmpty()) {
        qFatal("The drag did not start");
    }
    print("drag frame (box reshaped, form updated, view drawn)", dragFrames);
    printOnce("release of the drag (one edit, the view refreshed)", [&] {
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, knob->toPoint() - QPoint(0, 40));
        QApplication::processEvents();
    });

    // A new radius: a "Valider" that changed nothing would make no edit at all.
    typeOver(test.control(1015), "999");
    printOnce("Valider with the view open (a new radius, the checks of that box again)",
              [&] { test.click(1081); });
    return 0;
}
