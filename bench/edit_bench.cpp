// Times every edit of the main window and its undo on the 100,000-box scene of geometry_bench (or
// one of the size given, made the same way), with the 3D view closed and open, against a repaint
// of the two lists, a copy of every line into them and the whole check of the view that each edit
// cost before, all in one process. Each figure includes the update of the lists, labels, view and
// problem list and the events that paint them. Prints its figures.
//
// Usage: edit_bench [BOXES] (runs geometry_bench to write the scene into a temporary folder)
#include "CommandProcessor.h"
#include "EditorTestSupport.h"
#include "ListControl.h"
#include "MemoryRelease.h"
#include "QuadrelDlg.h"
#include "ViewWindow.h"
#include "livechecks.h"
#include "orlclass.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int runs = 5;

// The processor time of this thread, which other work sharing the machine hardly changes.
double threadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double lastProcessorMilliseconds = 0;

// Wall time; the thread's processor time is left in lastProcessorMilliseconds.
double millisecondsOf(const std::function<void()>& action) {
    QElapsedTimer timer;
    const double start = threadMilliseconds();
    timer.start();
    action();
    QApplication::processEvents();
    lastProcessorMilliseconds = threadMilliseconds() - start;
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Command {
    const char* name;
    std::function<void()> prepare;
    std::function<void()> run;
};

void retypeField(TestWindow& test, int id, const QString& text) {
    auto* field = qobject_cast<QLineEdit*>(test.control(id));
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

// Where the bytes after an undo part from the file's, with the bytes around.
void tellFirstDifference(const std::string& now, const std::string& original) {
    const auto [at, unused] =
        std::mismatch(now.begin(), now.end(), original.begin(), original.end());
    const auto offset = static_cast<std::size_t>(at - now.begin());
    const std::size_t from = offset > 60 ? offset - 60 : 0;
    std::fprintf(stderr, "first difference at byte %zu of %zu (file: %zu):\n%s\n--- file:\n%s\n",
                 offset, now.size(), original.size(), now.substr(from, 120).c_str(),
                 original.substr(from, 120).c_str());
}

} // namespace

int main(int argc, char* argv[]) {
    // As the program does, so that the memory measured is what a user sees.
    handLargeBlocksBackWhenFreed();
    QApplication application(argc, argv);
    const QString boxes = argc > 1 ? QString(argv[1]) : QStringLiteral("100000");
    QTemporaryDir dir;
    const QString path = dir.filePath("scene-" + boxes + ".box");
    if (QProcess::execute(QStringLiteral(GEOMETRY_BENCH), {"generate", path, boxes}) != 0) {
        qFatal("geometry_bench could not write the scene");
    }
    TestWindow test;
    test.answerChooser(path);
    test.click(1000);
    BoxDocument& document = test.document();
    // A large file is read on a worker thread: the benchmark starts once all of it is in.
    QElapsedTimer opening;
    opening.start();
    while (document.boxes.size() != boxes.toULongLong() && opening.elapsed() < 600000) {
        QApplication::processEvents(QEventLoop::AllEvents, 100);
    }
    // The progress window of a long opening took the activation: Ctrl+Z needs it back.
    test.window().activateWindow();
    if (!QTest::qWaitForWindowActive(&test.window())) {
        qFatal("The main window did not become active");
    }
    std::printf("scene: %zu boxes, %zu intersections\n", document.boxes.size(),
                document.intersections.size());
    QWidget* boxList = test.control(1008);
    const auto undoKey = [&] {
        boxList->setFocus();
        QTest::keyClick(boxList, Qt::Key_Z, Qt::ControlModifier);
    };
    const std::string original = document.writeText();

    const std::vector<Command> commands = {
        {"Valider (box 50000)",
         [&] {
             test.clickLine(1008, 50000);
             retypeField(test, 1015, "77");
         },
         [&] { test.click(1081); }},
        // IDs run from 1 to the number of boxes: the next one is free at every size.
        {"box Ajouter (a new ID)",
         [&] { retypeField(test, 1013, QString::number(document.boxes.size() + 1)); },
         [&] { test.click(1032); }},
        {"box Supprimer (box 50000)", [&] { test.clickLine(1008, 50000); },
         [&] { test.click(1031); }},
        {"box Supprimer (box 0: every line renumbered)", [&] { test.clickLine(1008, 0); },
         [&] { test.click(1031); }},
        {"intersection Supprimer (line 120000)", [&] { test.clickLine(1027, 120000); },
         [&] { test.click(1030); }},
        {"intersection Ajouter (one pair appended)", [] {},
         [&] { test.window().appendIntersections({"0 99999"}); }},
        {"Retirer 1000 intersections", [] {},
         [&] {
             std::vector<std::string> some;
             auto line = document.intersections.begin();
             for (int i = 0; i < 1000; ++i, std::advance(line, 200)) {
                 some.emplace_back(*line);
             }
             test.window().removeIntersections(some);
         }},
    };

    const auto measureAll = [&](const char* setting) {
        std::printf("\n%s: median of %d runs, ms (edit / its undo by Ctrl+Z; wall, then this "
                    "thread's processor time)\n",
                    setting, runs);
        for (const Command& command : commands) {
            std::vector<double> doing;
            std::vector<double> undoing;
            std::vector<double> doingProcessor;
            std::vector<double> undoingProcessor;
            for (int run = 0; run < runs; ++run) {
                command.prepare();
                doing.push_back(millisecondsOf(command.run));
                doingProcessor.push_back(lastProcessorMilliseconds);
                undoing.push_back(millisecondsOf(undoKey));
                undoingProcessor.push_back(lastProcessorMilliseconds);
                if (const std::string now = document.writeText(); now != original) {
                    tellFirstDifference(now, original);
                    qFatal("Undo did not give back the document of the file: %s", command.name);
                }
            }
            std::printf("  %-48s %8.1f / %8.1f   processor %8.1f / %8.1f\n", command.name,
                        median(doing), median(undoing), median(doingProcessor),
                        median(undoingProcessor));
        }
    };

    measureAll("view closed");
    QTest::keyClick(&test.window(), Qt::Key_F3);
    if (!QTest::qWaitForWindowExposed(test.window().view())) {
        qFatal("The view did not show");
    }
    if (!QTest::qWaitFor([&] { return !test.window().view()->checking(); }, 600000)) {
        qFatal("The view's checks did not end");
    }
    measureAll("view open");

    // The lists read the rows they paint from the document: the last rows are the farthest in.
    std::vector<double> repaints;
    for (const int listId : {1008, 1027}) {
        ListControl* list = test.list(listId);
        list->scrollTo(list->model()->index(list->lineCount() - 1, 0));
    }
    for (int run = 0; run < runs; ++run) {
        repaints.push_back(millisecondsOf([&] {
            test.list(1008)->viewport()->repaint();
            test.list(1027)->viewport()->repaint();
        }));
    }
    std::printf("\nrepaint of both lists at their last lines: %.2f ms\n", median(repaints));

    std::vector<double> refills;
    for (int run = 0; run < runs; ++run) {
        refills.push_back(millisecondsOf([&] {
            test.list(1008)->removeAllLines();
            test.list(1008)->appendLines(document.boxIds);
            test.list(1027)->removeAllLines();
            test.list(1027)->appendLines(document.intersections);
        }));
    }
    std::printf("copy of every line into both lists' own storage: %.1f ms\n", median(refills));
    // What the view did after every edit before it followed them: every check.
    std::vector<double> rebuilds;
    // A whole check of a million boxes takes a minute under load: once is enough for scale.
    for (int run = 0; run < (document.boxes.size() > 200000 ? 1 : runs); ++run) {
        rebuilds.push_back(millisecondsOf([&] {
            LiveChecks checks;
            checks.rebuild(document);
        }));
    }
    std::printf("whole check of the view (what each edit cost the view before): %.1f ms\n",
                median(rebuilds));
    return 0;
}
