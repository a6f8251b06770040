// The document's own share of every edit of the main window and of its undo, without any window:
// the edit applied through the history, then taken back, on the scene of geometry_bench at the
// sizes given (100,000 and 1,000,000 boxes by default). Beside the edits, the searches of the
// document that the window's commands make before they build one: the IDs searched for the
// typed ID of an "Ajouter", and the lines searched for a pair and its reverse by the add
// dialog. Every undo must give back the scene's bytes exactly. Prints its figures.
//
// Usage: document_edit_bench [BOXES...]
#include "benchscene.h"
#include "boxedits.h"
#include "history.h"
#include "intersectionedits.h"
#include "orlclass.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int runs = 7;

double processorMilliseconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Wall time, processor time of the calling thread, and processor time of all the process's
// threads, in milliseconds: work the calling thread hands to another counts in the last only.
struct Timing {
    double wall;
    double processor;
    double allThreads;
};

Timing timed(const std::function<void()>& action) {
    const auto start = std::chrono::steady_clock::now();
    const double processorStart = processorMilliseconds(CLOCK_THREAD_CPUTIME_ID);
    const double allStart = processorMilliseconds(CLOCK_PROCESS_CPUTIME_ID);
    action();
    return {
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
        processorMilliseconds(CLOCK_THREAD_CPUTIME_ID) - processorStart,
        processorMilliseconds(CLOCK_PROCESS_CPUTIME_ID) - allStart};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Measure {
    const char* name;
    // Builds the edit on the document as it stands; empty for a search that makes no edit.
    std::function<std::unique_ptr<Edit>(const BoxDocument&)> edit;
    std::function<void(const BoxDocument&)> search;
};

void measure(std::size_t boxCount) {
    BoxDocument document;
    document.setPath("/tmp/scene.box");
    document.readText(benchscene::generateScene(boxCount));
    History history(document);
    const std::string original = document.writeText();
    std::printf("\nscene: %zu boxes, %zu intersections; medians of %d runs, ms (edit / its "
                "undo): wall, this thread's processor time, all threads' processor time\n",
                document.boxes.size(), document.intersections.size(), runs);

    const std::size_t middleBox = std::min<std::size_t>(50000, boxCount / 2);
    const std::size_t middleLine = std::min<std::size_t>(120000, document.intersections.size() / 2);
    const std::string freeId = std::to_string(boxCount + 1);
    const std::string missingPair = "0 " + std::to_string(boxCount - 1);
    // The texts of every 200th line from the first, as the view would name invalid lines.
    std::vector<std::string> everyTwoHundredth;
    auto line = document.intersections.begin();
    for (int k = 0; k < 1000; ++k, std::advance(line, 200)) {
        everyTwoHundredth.emplace_back(*line);
    }
    const std::vector<Measure> measures = {
        {"Valider (box 50000)",
         [&](const BoxDocument& now) {
             BoxTexts texts = textsOf(now.boxes.at(middleBox));
             texts[boxslot::radius] = "77";
             return std::make_unique<ReplaceBoxTexts>(middleBox, std::move(texts));
         },
         {}},
        {"box Ajouter (a new ID)",
         [&](const BoxDocument& now) {
             BoxTexts texts = textsOf(now.boxes.at(0));
             texts[boxslot::id] = freeId;
             return std::make_unique<AppendBox>(std::move(texts), AppendBox::Command::Add);
         },
         {}},
        {"  search of the IDs for the new ID",
         {},
         [&](const BoxDocument& now) {
             if (now.boxIds.find(freeId) != now.boxIds.end()) {
                 std::abort();
             }
         }},
        {"box Supprimer (box 50000)",
         [&](const BoxDocument& now) { return std::make_unique<DeleteBox>(now, middleBox); },
         {}},
        {"box Supprimer (box 0: every line renumbered)",
         [&](const BoxDocument& now) { return std::make_unique<DeleteBox>(now, 0); },
         {}},
        {"box Supprimer (the last box)",
         [&](const BoxDocument& now) { return std::make_unique<DeleteBox>(now, boxCount - 1); },
         {}},
        {"intersection Supprimer (line 120000)",
         [&](const BoxDocument& now) { return RemoveIntersections::removed(now, middleLine); },
         {}},
        {"intersection Ajouter (one pair appended)",
         [&](const BoxDocument&) { return AppendIntersections::added(missingPair); },
         {}},
        {"  search of the lines for the pair and its reverse",
         {},
         [&](const BoxDocument& now) {
             const std::string reverse = std::to_string(boxCount - 1) + " 0";
             if (now.intersections.find(missingPair) != now.intersections.end() ||
                 now.intersections.find(reverse) != now.intersections.end()) {
                 std::abort();
             }
         }},
        {"Retirer 1000 intersections (lines found by text)",
         [&](const BoxDocument& now) {
             return RemoveIntersections::invalid(
                 positionsOfFirstEqualLines(now.intersections, everyTwoHundredth));
         },
         {}},
    };

    for (const Measure& m : measures) {
        std::vector<double> doing, doingProcessor, doingAll, undoing, undoingProcessor, undoingAll;
        for (int run = 0; run < runs; ++run) {
            if (m.search) {
                const Timing t = timed([&] { m.search(document); });
                doing.push_back(t.wall);
                doingProcessor.push_back(t.processor);
                doingAll.push_back(t.allThreads);
                continue;
            }
            const Timing applied = timed([&] { history.apply(m.edit(document)); });
            const Timing undone = timed([&] { history.undo(); });
            doing.push_back(applied.wall);
            doingProcessor.push_back(applied.processor);
            doingAll.push_back(applied.allThreads);
            undoing.push_back(undone.wall);
            undoingProcessor.push_back(undone.processor);
            undoingAll.push_back(undone.allThreads);
            if (document.writeText() != original) {
                std::fprintf(stderr, "Undo did not give back the scene's bytes: %s\n", m.name);
                std::exit(1);
            }
        }
        if (m.search) {
            std::printf("  %-50s %7.2f          %7.2f          %7.2f\n", m.name, median(doing),
                        median(doingProcessor), median(doingAll));
        } else {
            std::printf("  %-50s %7.2f / %6.2f %7.2f / %6.2f %7.2f / %6.2f\n", m.name,
                        median(doing), median(undoing), median(doingProcessor),
                        median(undoingProcessor), median(doingAll), median(undoingAll));
        }
    }
}

} // namespace

int main(int argc, char* argv[]) {
    std::vector<std::size_t> sizes;
    for (int k = 1; k < argc; ++k) {
        sizes.push_back(std::strtoull(argv[k], nullptr, 10));
    }
    if (sizes.empty()) {
        sizes = {100000, 1000000};
    }
    for (const std::size_t size : sizes) {
        measure(size);
    }
    return 0;
}
