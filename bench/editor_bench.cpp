// Opens a large BOX file through "Choisir..." with a scripted chooser and times it against
// `wc -w` on the same file, then times start-up to a shown main window. Prints its figures.
// Usage: editor_bench [FILE]   (FILE instead of the generated one, e.g. from geometry_bench
// generate)
#include "BenchWindow.h"
#include "QuadrelDlg.h"
#include "orlclass.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <string>

namespace {

constexpr int boxCount = 100000;
constexpr int intersectionCount = 100000;

void writeLargeFile(const QString& path) {
    std::string bytes = std::to_string(boxCount);
    for (int i = 0; i < boxCount; ++i) {
        bytes += "\r\n " + std::to_string(1000 + i) + "  " + std::to_string(i % 97);
        bytes += "\r\n  00010000 fffe8000 00002000";
        for (int plane = 0; plane < 6; ++plane) {
            bytes += "\r\n  4000 0000 c000 0000" + std::to_string(plane) + "000";
        }
    }
    bytes += "\r\n\r\n";
    for (int i = 0; i < intersectionCount; ++i) {
        if (i != 0) {
            bytes += i % 9 == 0 ? "\r\n" : "  ";
        }
        bytes += std::to_string(i % boxCount) + " " + std::to_string((i * 7 + 1) % boxCount);
    }
    bytes += "\r\n-1 -1\r\n";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) != qint64(bytes.size())) {
        qFatal("Cannot write %s", qPrintable(path));
    }
}

double millisecondsOfWordCount(const QString& path) {
    QElapsedTimer timer;
    timer.start();
    QProcess wc;
    wc.start("wc", {"-w", path});
    wc.waitForFinished(-1);
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char* argv[]) {
    QElapsedTimer startUp;
    startUp.start();
    QApplication application(argc, argv);
    {
        BoxDocument document;
        QuadrelDlg window;
        window.setDocument(&document);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            qFatal("The window did not show");
        }
        std::printf("start-up to a shown window: %.1f ms\n", double(startUp.nsecsElapsed()) / 1e6);
    }

    QTemporaryDir dir;
    QString path = dir.filePath("large.box");
    if (argc == 2) {
        path = QString::fromLocal8Bit(argv[1]);
        std::printf("file: %s, %lld bytes\n", argv[1], static_cast<long long>(QFile(path).size()));
    } else {
        writeLargeFile(path);
        std::printf("file: %d boxes, %d intersections, %lld bytes\n", boxCount, intersectionCount,
                    static_cast<long long>(QFile(path).size()));
    }

    BenchWindow bench(path);
    QuadrelDlg& window = bench.window;
    auto* choose = window.controlAs<QAbstractButton>(1000);

    for (int run = 1; run <= 3; ++run) {
        const double wordCount = millisecondsOfWordCount(path);
        QElapsedTimer timer;
        timer.start();
        choose->click();
        QApplication::processEvents();
        const double open = double(timer.nsecsElapsed()) / 1e6;
        std::printf("run %d: Choisir... until both lists are filled and painted: %.1f ms; "
                    "wc -w: %.1f ms; ratio %.2f (target 3)\n",
                    run, open, wordCount, open / wordCount);
    }
    return 0;
}
