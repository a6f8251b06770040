// Times the 3D view on the 100,000-box scene of geometry_bench: F3 until the first frame shows and
// until the problems are listed, with the memory the view takes against the document's; one
// frame seen whole and one near a box while the view turns, one frame while the user types,
// one keystroke in a hexadecimal field with the view open and closed, and one frame of a drag
// of the box shown (the form following it), all in one process.
// Prints its figures.
//
// Usage: view_bench [BOXES | FILE] (with a number or nothing, runs geometry_bench to write a
//        scene of that many boxes, 100,000 by default, into a temporary folder)
#include "BoxDragger.h"
#include "EditorTestSupport.h"
#include "MemoryRelease.h"
#include "QuadrelDlg.h"
#include "SceneView.h"
#include "ViewWindow.h"
#include "benchsupport.h"
#include "orlclass.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>
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

// Forgets the peak of resident memory so far: VmHWM then counts from now.
void forgetMemoryPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double megabytes(long long bytes) {
    return double(bytes) / 1e6;
}

// The memory of the document alone, in a process of its own: the growth of resident memory as
// loadFile reads the file.
int printDocumentMemory(const char* path) {
    const long long before = statusBytes("VmRSS:");
    BoxDocument document;
    if (!document.loadFile(path)) {
        return 1;
    }
    std::printf("%lld\n", statusBytes("VmRSS:") - before);
    return 0;
}

void print(const char* what, Spread spread) {
    std::printf("%-50s median %6.2f ms, worst %6.2f ms, processor median %6.2f ms\n", what,
                spread.median, spread.worst, spread.processorMedian);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && std::string(argv[1]) == "document") {
        return printDocumentMemory(argv[2]);
    }
    // As the program does, so that the memory measured is what a user sees.
    handLargeBlocksBackWhenFreed();
    QApplication application(argc, argv);
    const QString argument = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("100000");
    bool generated = false;
    argument.toULongLong(&generated);
    QTemporaryDir dir;
    const QString path = generated ? dir.filePath("scene-" + argument + ".box") : argument;
    if (generated &&
        QProcess::execute(QStringLiteral(GEOMETRY_BENCH), {"generate", path, argument}) != 0) {
        qFatal("geometry_bench could not write the scene");
    }
    const std::vector<double> documentBytes = measureInChild("document", path.toStdString());

    TestWindow test;
    test.answerChooser(path);
    const long long beforeOpening = statusBytes("VmRSS:");
    printOnce("Choisir... with the view closed", [&] { test.click(1000); });
    const long long opened = statusBytes("VmRSS:") - beforeOpening;
    if (test.document().boxes.empty()) {
        qFatal("The file was not opened");
    }
    // A long opening shows its progress in a window of its own, which took the focus.
    test.window().activateWindow();
    if (!QTest::qWaitForWindowActive(&test.window())) {
        qFatal("The window did not come back to the front");
    }
    test.clickLine(1008, static_cast<int>(test.document().boxes.size() / 2));

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

    // F3 until the view has painted its first frame, then until the worker's checks are listed.
    const long long beforeView = statusBytes("VmRSS:");
    forgetMemoryPeak();
    QElapsedTimer sinceF3;
    const double processorAtF3 = threadMilliseconds();
    sinceF3.start();
    QTest::keyClick(&test.window(), Qt::Key_F3);
    ViewWindow* window = test.window().view();
    if (window == nullptr) {
        qFatal("F3 opened no view");
    }
    SceneView& view = *window->sceneView();
    while (view.boxesDrawnInFull() + view.boxesDrawnAsPoints() == 0) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (sinceF3.elapsed() > 600000) {
            qFatal("The view drew no frame");
        }
    }
    const double firstFrame = double(sinceF3.nsecsElapsed()) / 1e6;
    const double firstFrameProcessor = threadMilliseconds() - processorAtF3;
    const bool checkingAtFirstFrame = window->checking();
    while (window->checking()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const double checked = double(sinceF3.nsecsElapsed()) / 1e6;
    const double checkedProcessor = threadMilliseconds() - processorAtF3;
    const long long viewGrowth = statusBytes("VmRSS:") - beforeView;
    const long long viewPeak = statusBytes("VmHWM:") - beforeView;
    std::printf("F3 to the first frame: %.0f ms, processor of the window's thread %.0f ms (%s)\n",
                firstFrame, firstFrameProcessor,
                checkingAtFirstFrame ? "the list saying Vérification…" : "checks done already");
    std::printf("F3 to the problems listed: %.0f ms, processor of the window's thread %.0f ms\n",
                checked, checkedProcessor);
    const double fileBytes = double(QFileInfo(path).size());
    std::printf("memory: file %.1f MB; document alone %.1f MB (%.2f x file); opened in the window "
                "%.1f MB\n",
                megabytes(static_cast<long long>(fileBytes)),
                megabytes(static_cast<long long>(documentBytes.at(0))),
                documentBytes.at(0) / fileBytes, megabytes(opened));
    std::printf("memory of the view once checked: %.1f MB (%.2f x the document alone), peak "
                "growth %.1f MB (%.2f x)\n",
                megabytes(viewGrowth), double(viewGrowth) / documentBytes.at(0),
                megabytes(viewPeak), double(viewPeak) / documentBytes.at(0));
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
