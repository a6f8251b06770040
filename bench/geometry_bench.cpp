// Times the whole check of a generated scene, 100,000 boxes by default (every solid built, every
// check run, every intersection computed) against readFile on the same file, and measures the
// memory the document holds against the file's size and the memory the check adds against the
// document's. Each run is a fresh process that first reads the file, then checks it, so that both
// figures come from the same run.
//
// Usage: geometry_bench [--boxes N] [folder]   (a temporary folder by default)
//        geometry_bench generate FILE [N]   (writes the scene, to try quadrel-check on)

#include "benchscene.h"
#include "benchsupport.h"
#include "orlclass.h"
#include "problems.h"
#include "scene.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t defaultBoxCount = 100000;
// Keeping every solid of a million boxes takes gigabytes and adds nothing the smaller scene
// does not show.
constexpr std::size_t largestKeptScene = 100000;
constexpr int repetitions = 5;
using Clock = BenchClock;

// The processor time this process has used: unlike the wall time, it hardly depends on what
// the other processes of a shared machine are doing.
double processorSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// The processor time of the calling thread alone. The check shares its work with other threads:
// on a quiet machine the thread that calls it, which waits for the others, sets its wall time.
double threadProcessorSeconds() {
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) / 1e9;
}

enum class CheckForm {
    // inspectDocument, as quadrel-check runs it.
    Packed,
    // The same without the checks of how the scene is played.
    PackedWithoutPlay,
    // buildSolids, checkDocument and computeIntersections, as the 3D view runs them.
    KeptSolids,
};

// Prints: readFile seconds, check seconds, document bytes, bytes the check added, problems,
// computed pairs, listed pairs, readFile and check processor seconds, and the check's processor
// seconds on the calling thread.
int measure(const std::string& path, CheckForm form) {
    const long long beforeRead = statusBytes("VmRSS:");
    BoxDocument document;
    double processor = processorSeconds();
    Clock::time_point start = Clock::now();
    const bool read = document.readFile(path);
    const double readSeconds = secondsSince(start);
    const double readProcessor = processorSeconds() - processor;
    const long long afterRead = statusBytes("VmRSS:");
    if (!read || document.boxes.empty()) {
        return 1;
    }
    processor = processorSeconds();
    const double threadProcessor = threadProcessorSeconds();
    start = Clock::now();
    std::size_t problems = 0;
    std::size_t pairs = 0;
    if (form == CheckForm::KeptSolids) {
        const std::vector<Solid> solids = buildSolids(document);
        problems = checkDocument(document, solids).size();
        pairs = computeIntersections(solids).size();
    } else {
        const std::optional<PlayLimits> play =
            form == CheckForm::Packed ? std::optional(PlayLimits{}) : std::nullopt;
        const DocumentReport report = inspectDocument(document, std::nullopt, play);
        problems = report.problems.size();
        pairs = report.intersections.pairs.size();
    }
    const double checkSeconds = secondsSince(start);
    const double checkProcessor = processorSeconds() - processor;
    const double checkThreadProcessor = threadProcessorSeconds() - threadProcessor;
    std::printf("%.6f %.6f %lld %lld %zu %zu %zu %.6f %.6f %.6f\n", readSeconds, checkSeconds,
                afterRead - beforeRead, statusBytes("VmHWM:") - afterRead, problems, pairs,
                document.intersections.size(), readProcessor, checkProcessor, checkThreadProcessor);
    return 0;
}

// Prints the seconds a page of fresh memory costs when first touched. Machines differ widely in
// this, and it is most of what reading a file costs and a good part of the check: the figure
// tells how far the ratios below carry to another machine.
int touchFreshMemory() {
    constexpr std::size_t bytes = std::size_t{64} << 20;
    constexpr std::size_t page = 4096;
    const Clock::time_point start = Clock::now();
    const std::unique_ptr<char[]> memory(new char[bytes]);
    for (std::size_t i = 0; i < bytes; i += page) {
        memory[i] = static_cast<char>(i / page);
    }
    const double seconds = secondsSince(start);
    volatile char kept = memory[bytes / 2];
    static_cast<void>(kept);
    std::printf("%.9f\n", seconds / (bytes / page));
    return 0;
}

void report(const char* what, const std::vector<std::vector<double>>& runs, double pageSeconds) {
    std::vector<double> reads, checks, ratios, documents, added, memoryRatios;
    std::vector<double> readProcessors, checkProcessors, processorRatios;
    std::vector<double> callerProcessors, callerRatios;
    for (const auto& run : runs) {
        reads.push_back(run[0]);
        checks.push_back(run[1]);
        ratios.push_back(run[1] / run[0]);
        readProcessors.push_back(run[7]);
        checkProcessors.push_back(run[8]);
        processorRatios.push_back(run[8] / run[7]);
        callerProcessors.push_back(run[9]);
        callerRatios.push_back(run[9] / run[7]);
        documents.push_back(run[2] / 1e6);
        added.push_back(run[3] / 1e6);
        memoryRatios.push_back(run[3] / run[2]);
    }
    const auto& last = runs.back();
    std::printf("%s: %.0f problems, %.0f intersections computed (%.0f listed)\n", what, last[4],
                last[5], last[6]);
    std::printf(
        "  wall time: readFile %.4f s, check %.4f s: check / readFile = %.2f (runs %.2f to %.2f, "
        "target 1.5)\n",
        median(reads), median(checks), median(ratios),
        *std::min_element(ratios.begin(), ratios.end()),
        *std::max_element(ratios.begin(), ratios.end()));
    std::printf("  processor time: readFile %.4f s, check %.4f s: ratio %.2f (runs %.2f to %.2f)\n",
                median(readProcessors), median(checkProcessors), median(processorRatios),
                *std::min_element(processorRatios.begin(), processorRatios.end()),
                *std::max_element(processorRatios.begin(), processorRatios.end()));
    std::printf("  processor time of the calling thread: check %.4f s: ratio to readFile %.2f "
                "(runs %.2f to %.2f; near the wall time when the machine is quiet)\n",
                median(callerProcessors), median(callerRatios),
                *std::min_element(callerRatios.begin(), callerRatios.end()),
                *std::max_element(callerRatios.begin(), callerRatios.end()));
    std::printf("  document %.1f MB, added by the check %.1f MB: ratio %.2f (runs %.2f to %.2f, "
                "target 1)\n",
                median(documents), median(added), median(memoryRatios),
                *std::min_element(memoryRatios.begin(), memoryRatios.end()),
                *std::max_element(memoryRatios.begin(), memoryRatios.end()));
    const auto touchShare = [&](double megabytes, double seconds) {
        return 100 * megabytes * 1e6 / 4096 * pageSeconds / seconds;
    };
    std::printf("  first touch of the pages added, at that cost: about %.0f%% of readFile's time, "
                "%.0f%% of the check's\n",
                touchShare(median(documents), median(reads)),
                touchShare(median(added), median(checks)));
}

// What the checks of how the scene is played add to the whole check, run by run: the runs of
// both forms alternate, so that each pair saw the same load.
void reportPlayShare(const std::vector<std::vector<double>>& withPlay,
                     const std::vector<std::vector<double>>& withoutPlay) {
    std::vector<double> wall, processor;
    for (std::size_t i = 0; i < withPlay.size(); ++i) {
        wall.push_back(withPlay[i][1] / withoutPlay[i][1] - 1);
        processor.push_back(withPlay[i][8] / withoutPlay[i][8] - 1);
    }
    std::printf(
        "play checks: +%.1f%% of the check's wall time (runs %+.1f%% to %+.1f%%), +%.1f%% of "
        "its processor time (runs %+.1f%% to %+.1f%%), target at most +25%%\n",
        100 * median(wall), 100 * *std::min_element(wall.begin(), wall.end()),
        100 * *std::max_element(wall.begin(), wall.end()), 100 * median(processor),
        100 * *std::min_element(processor.begin(), processor.end()),
        100 * *std::max_element(processor.begin(), processor.end()));
}

int compare(const fs::path& folder, std::size_t boxCount) {
    const fs::path file = folder / ("scene-" + std::to_string(boxCount) + ".box");
    std::ofstream(file, std::ios::binary) << benchscene::generateScene(boxCount);
    const double fileBytes = static_cast<double>(fs::file_size(file));
    std::printf("scene: %zu boxes (floors, walls, turned pillars), %.1f MB; medians of %d runs, "
                "each a fresh process\n",
                boxCount, fileBytes / 1e6, repetitions);
    const bool keepSolids = boxCount <= largestKeptScene;
    std::vector<std::vector<double>> packed, withoutPlay, kept;
    std::vector<double> pageSeconds;
    for (int i = 0; i < repetitions; ++i) {
        pageSeconds.push_back(measureInChild("pages", file).at(0));
        packed.push_back(measureInChild("check", file));
        withoutPlay.push_back(measureInChild("noplay", file));
        if (keepSolids) {
            kept.push_back(measureInChild("solids", file));
        }
        if (packed.back().size() != 10 || withoutPlay.back().size() != 10 ||
            (keepSolids && kept.back().size() != 10)) {
            std::cerr << "A measurement gave other figures than expected\n";
            return 1;
        }
    }
    fs::remove(file);
    std::printf("fresh memory: %.1f us a page when first touched (64 MB, median)\n",
                median(pageSeconds) * 1e6);
    std::vector<double> documentRatios;
    for (const auto& run : packed) {
        documentRatios.push_back(run[2] / fileBytes);
    }
    std::printf("document in memory: %.2f times the file (runs %.2f to %.2f, target 1.5)\n",
                median(documentRatios),
                *std::min_element(documentRatios.begin(), documentRatios.end()),
                *std::max_element(documentRatios.begin(), documentRatios.end()));
    report("inspectDocument (what quadrel-check runs)", packed, median(pageSeconds));
    report("inspectDocument without the play checks", withoutPlay, median(pageSeconds));
    reportPlayShare(packed, withoutPlay);
    if (keepSolids) {
        report("buildSolids + checkDocument + computeIntersections", kept, median(pageSeconds));
    }
    return 0;
}

} // namespace

// A box count of at least one, or nothing.
std::optional<std::size_t> boxCountArgument(const char* text) {
    const long long count = std::atoll(text);
    return count > 0 ? std::optional<std::size_t>(static_cast<std::size_t>(count)) : std::nullopt;
}

int main(int argc, char** argv) {
    if ((argc == 3 || argc == 4) && std::string(argv[1]) == "generate") {
        const auto count = argc == 4 ? boxCountArgument(argv[3]) : defaultBoxCount;
        if (!count) {
            return 2;
        }
        std::ofstream(argv[2], std::ios::binary) << benchscene::generateScene(*count);
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "check") {
        return measure(argv[2], CheckForm::Packed);
    }
    if (argc == 3 && std::string(argv[1]) == "solids") {
        return measure(argv[2], CheckForm::KeptSolids);
    }
    if (argc == 3 && std::string(argv[1]) == "noplay") {
        return measure(argv[2], CheckForm::PackedWithoutPlay);
    }
    if (argc == 3 && std::string(argv[1]) == "pages") {
        return touchFreshMemory();
    }
    std::optional<std::size_t> boxCount = defaultBoxCount;
    int next = 1;
    if (argc >= 3 && std::string(argv[1]) == "--boxes") {
        boxCount = boxCountArgument(argv[2]);
        next = 3;
    }
    if (!boxCount || argc > next + 1) {
        std::cerr << "Usage: geometry_bench [--boxes N] [folder] | geometry_bench generate FILE "
                     "[N]\n";
        return 2;
    }
    return compareInFolder(argc == next + 1 ? argv[next] : nullptr,
                           [&](const fs::path& folder) { return compare(folder, *boxCount); });
}
