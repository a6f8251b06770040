// The 3D view's history list at each edit, undo and redo, with a long history behind it, against
// a fill of the whole list, which is what each edit cost when the list was filled afresh. Prints
// milliseconds of processor time of the main thread (wall time beside), medians of many edits.
#include "CommandProcessor.h"
#include "HistoryList.h"
#include "namededit.h"
#include "orlclass.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

double seconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct Cost {
    double processorMs;
    double wallMs;
};

// The median cost of a step over many runs, each until the list is painted.
Cost medianCost(QWidget& list, int runs, const std::function<void()>& step) {
    std::vector<double> processor;
    std::vector<double> wall;
    for (int run = 0; run < runs; ++run) {
        const double startProcessor = seconds(CLOCK_THREAD_CPUTIME_ID);
        const double startWall = seconds(CLOCK_MONOTONIC);
        step();
        QApplication::processEvents();
        list.repaint();
        processor.push_back((seconds(CLOCK_THREAD_CPUTIME_ID) - startProcessor) * 1e3);
        wall.push_back((seconds(CLOCK_MONOTONIC) - startWall) * 1e3);
    }
    std::sort(processor.begin(), processor.end());
    std::sort(wall.begin(), wall.end());
    return {processor[processor.size() / 2], wall[wall.size() / 2]};
}

// A list filled whole at each change, as the view filled its history before it followed it in
// place: the cost each edit had then.
void fillWhole(QListWidget& list, const History& history) {
    list.clear();
    list.addItem(QStringLiteral("État lu ou créé"));
    for (std::size_t index = 0; index < history.size(); ++index) {
        list.addItem(QString::fromStdString(history.nameAt(index)));
    }
    const int current = static_cast<int>(history.currentPoint());
    for (int row = 0; row < list.count(); ++row) {
        QListWidgetItem* item = list.item(row);
        if (row == current) {
            item->setText(QStringLiteral("▶ ") + item->text());
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
        } else if (row > current) {
            item->setForeground(list.palette().brush(QPalette::PlaceholderText));
        }
        item->setToolTip(row <= current ? QStringLiteral("Revenir à cet état")
                                        : QStringLiteral("Rétablir jusqu'ici"));
    }
    list.scrollToItem(list.item(current));
}

void measure(int entries) {
    BoxDocument document;
    CommandProcessor commands(document);
    HistoryList list(commands);
    list.resize(300, 400);
    list.show();
    for (int i = 0; i < entries; ++i) {
        commands.apply(std::make_unique<NamedEdit>("Valider la box " + std::to_string(i)));
    }
    int next = entries;
    const Cost edit = medianCost(list, 200, [&] {
        commands.apply(std::make_unique<NamedEdit>("Valider la box " + std::to_string(next++)));
    });
    const Cost undo = medianCost(list, 200, [&] { commands.undo(); });
    const Cost redo = medianCost(list, 200, [&] { commands.redo(); });
    QListWidget whole;
    whole.resize(list.size());
    whole.show();
    const Cost fill = medianCost(whole, 20, [&] { fillWhole(whole, commands.history()); });
    std::printf("History of %d entries, ms per step, processor (wall):\n", entries);
    std::printf("  edit  %.3f (%.3f)\n  undo  %.3f (%.3f)\n  redo  %.3f (%.3f)\n", edit.processorMs,
                edit.wallMs, undo.processorMs, undo.wallMs, redo.processorMs, redo.wallMs);
    std::printf("  the whole list filled again, as at each edit before  %.3f (%.3f)\n",
                fill.processorMs, fill.wallMs);
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    for (const int entries : {1000, 10000}) {
        measure(entries);
    }
    return 0;
}
