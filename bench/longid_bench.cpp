// A file whose box ID is one megabyte long: opens it through "Choisir...", selects that box in
// the list and saves it through "Enregistrer", each step until the window is painted, against
// the same steps on the same file with a short ID. Prints its figures.
#include "BenchWindow.h"
#include "ListControl.h"
#include "QuadrelDlg.h"
#include "orlclass.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <functional>
#include <string>

namespace {

constexpr std::size_t longIdBytes = 1 << 20;

std::string fileWithId(const std::string& id) {
    std::string bytes = "2";
    for (const std::string& boxId : {id, std::string("8")}) {
        bytes += "\r\n " + boxId + "  10";
        bytes += "\r\n  00010000 fffe8000 00002000";
        for (int plane = 0; plane < 6; ++plane) {
            bytes += "\r\n  4000 0000 c000 0000" + std::to_string(plane) + "000";
        }
    }
    return bytes + "\r\n\r\n0 1\r\n-1 -1\r\n";
}

void write(const QString& path, const std::string& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) != qint64(bytes.size())) {
        qFatal("Cannot write %s", qPrintable(path));
    }
}

// Milliseconds of the step, up to a window painted afresh.
double timed(QWidget& window, const std::function<void()>& step) {
    QElapsedTimer timer;
    timer.start();
    step();
    QApplication::processEvents();
    window.repaint();
    return double(timer.nsecsElapsed()) / 1e6;
}

struct Figures {
    double open;
    double select;
    double save;
    bool savedWhole;
};

Figures measure(const QString& path, const std::string& bytes) {
    write(path, bytes);
    BenchWindow bench(path);
    QuadrelDlg& window = bench.window;
    auto* list = window.controlAs<ListControl>(1008);
    Figures figures{};
    figures.open = timed(window, [&] { window.controlAs<QAbstractButton>(1000)->click(); });
    figures.select = timed(window, [&] {
        const QModelIndex first = list->model()->index(0, 0);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualRect(first).center());
    });
    QFile::remove(path);
    figures.save = timed(window, [&] { window.controlAs<QAbstractButton>(3)->click(); });
    QFile saved(path);
    figures.savedWhole = saved.open(QIODevice::ReadOnly) && saved.readAll().toStdString() == bytes;
    return figures;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("long-id.box");
    const std::string longId(longIdBytes, '7');
    for (int run = 1; run <= 3; ++run) {
        const Figures shortId = measure(path, fileWithId("7"));
        const Figures longIdFigures = measure(path, fileWithId(longId));
        std::printf("run %d: 1 MiB ID: open %.1f ms, select %.1f ms, save %.1f ms, total %.1f ms "
                    "(saved byte for byte: %s); short ID: total %.1f ms; ratio %.1f\n",
                    run, longIdFigures.open, longIdFigures.select, longIdFigures.save,
                    longIdFigures.open + longIdFigures.select + longIdFigures.save,
                    longIdFigures.savedWhole ? "yes" : "NO",
                    shortId.open + shortId.select + shortId.save,
                    (longIdFigures.open + longIdFigures.select + longIdFigures.save) /
                        (shortId.open + shortId.select + shortId.save));
    }
    return 0;
}
