// Times the whole check of a generated 100,000-box scene (every solid built, every check run,
// every intersection computed) against readFile on the same file, and measures the memory the
// check adds against the memory the document holds. Each run is a fresh process that first reads
// the file, then checks it, so that both figures come from the same run.
//
// Usage: geometry_bench [folder]   (a temporary folder by default)
//        geometry_bench generate FILE   (writes the scene, to try quadrel-check on)

#include "benchsupport.h"
#include "geometrytestsupport.h"
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

constexpr std::size_t boxCount = 100000;
constexpr int repetitions = 5;
constexpr int storeys = 10;
constexpr double roomWidth = 10;
constexpr double roomDepth = 8;
constexpr double slab = 0.2;
constexpr double wall = 0.2;
constexpr double storeyHeight = 3.2;
constexpr double street = 6;

using Clock = BenchClock;

// The processor time this process has used: unlike the wall time, it hardly depends on what
// the other processes of a shared machine are doing.
double processorSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

struct Point {
    double x, y, z;
};

// Writes the scene box by box, with the pairs that touch by construction.
class SceneWriter {
public:
    std::size_t size() const { return written_; }

    // An upright box from low to high, its planes in the order +X, +Y, +Z, -Y, -Z, -X.
    std::size_t upright(const Point& low, const Point& high) {
        const Point centre{(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2};
        const double radius = std::hypot(high.x - low.x, high.y - low.y, high.z - low.z) / 2;
        return add(centre, radius,
                   {{{1, 0, 0, high.x},
                     {0, 1, 0, high.y},
                     {0, 0, 1, high.z},
                     {0, -1, 0, -low.y},
                     {0, 0, -1, -low.z},
                     {-1, 0, 0, -low.x}}});
    }

    // A pillar of square section turned about the vertical, standing from bottom to top.
    std::size_t pillar(double x, double y, double bottom, double top, double half, double degrees) {
        const double angle = degrees * 3.14159265358979323846 / 180;
        const double c = std::cos(angle);
        const double s = std::sin(angle);
        const auto side = [&](double a, double b) {
            const double storedA = std::lround(a * 16384) / 16384.0;
            const double storedB = std::lround(b * 16384) / 16384.0;
            return std::array<double, 4>{
                a, b, 0, storedA * x + storedB * y + half * std::hypot(storedA, storedB)};
        };
        const Point centre{x, y, (bottom + top) / 2};
        const double radius = std::hypot(half * std::sqrt(2.0), (top - bottom) / 2);
        return add(centre, radius,
                   {{side(c, s),
                     side(-s, c),
                     {0, 0, 1, top},
                     side(s, -c),
                     {0, 0, -1, -bottom},
                     side(-c, -s)}});
    }

    void touching(std::size_t a, std::size_t b) {
        intersections_.push_back(std::to_string(std::min(a, b)) + " " +
                                 std::to_string(std::max(a, b)));
    }

    std::string text() const {
        std::string result = std::to_string(written_) + boxes_ + "\r\n\r\n";
        for (std::size_t i = 0; i < intersections_.size(); ++i) {
            if (i != 0) {
                result += i % 9 == 0 ? "\r\n" : "  ";
            }
            result += intersections_[i];
        }
        return result + "\r\n-1 -1\r\n";
    }

private:
    std::size_t add(const Point& centre, double radius,
                    const std::array<std::array<double, 4>, 6>& planes) {
        boxes_ += "\r\n " + std::to_string(written_ + 1) + "  " +
                  std::to_string(static_cast<long>(std::ceil(radius)));
        boxes_ += "\r\n  " + hex8(centre.x) + " " + hex8(centre.y) + " " + hex8(centre.z);
        for (const auto& plane : planes) {
            boxes_ += "\r\n  " + hex4(plane[0]) + " " + hex4(plane[1]) + " " + hex4(plane[2]) +
                      " " + hex8(plane[3]);
        }
        return written_++;
    }

    std::string boxes_;
    std::vector<std::string> intersections_;
    std::size_t written_ = 0;
};

// One storey: its floor, four outer walls and a middle wall standing on it, and two turned
// pillars; the walls meet face to face, and everything standing reaches the next floor.
struct Storey {
    std::size_t floor;
    std::vector<std::size_t> standing;
};

Storey writeStorey(SceneWriter& scene, double x, double y, double z) {
    Storey storey;
    storey.floor = scene.upright({x, y, z}, {x + roomWidth, y + roomDepth, z + slab});
    const double bottom = z + slab;
    const double top = z + storeyHeight;
    const std::size_t south = scene.upright({x, y, bottom}, {x + roomWidth, y + wall, top});
    const std::size_t north =
        scene.upright({x, y + roomDepth - wall, bottom}, {x + roomWidth, y + roomDepth, top});
    const std::size_t west =
        scene.upright({x, y + wall, bottom}, {x + wall, y + roomDepth - wall, top});
    const std::size_t east = scene.upright({x + roomWidth - wall, y + wall, bottom},
                                           {x + roomWidth, y + roomDepth - wall, top});
    const double middle = x + roomWidth / 2;
    const std::size_t inner = scene.upright({middle - wall / 2, y + wall, bottom},
                                            {middle + wall / 2, y + roomDepth - wall, top});
    const std::size_t left =
        scene.pillar(x + roomWidth / 4, y + roomDepth / 2, bottom, top, 0.3, 30);
    const std::size_t right =
        scene.pillar(x + 3 * roomWidth / 4, y + roomDepth / 2, bottom, top, 0.3, 45);
    for (const std::size_t side : {west, east, inner}) {
        scene.touching(side, south);
        scene.touching(side, north);
    }
    storey.standing = {south, north, west, east, inner, left, right};
    for (const std::size_t box : storey.standing) {
        scene.touching(storey.floor, box);
    }
    return storey;
}

// Buildings of ten storeys and a roof, in rows along streets, up to the box count.
std::string generate() {
    SceneWriter scene;
    const int perRow = 40;
    for (int building = 0; scene.size() < boxCount; ++building) {
        const double x = (building % perRow) * (roomWidth + street);
        const double y = (building / perRow) * (roomDepth + street);
        std::vector<std::size_t> below;
        for (int level = 0; level <= storeys && scene.size() < boxCount; ++level) {
            const double z = level * storeyHeight;
            std::size_t floor = 0;
            std::vector<std::size_t> standing;
            if (level == storeys || scene.size() + 8 > boxCount) {
                floor = scene.upright({x, y, z}, {x + roomWidth, y + roomDepth, z + slab});
            } else {
                const Storey storey = writeStorey(scene, x, y, z);
                floor = storey.floor;
                standing = storey.standing;
            }
            for (const std::size_t box : below) {
                scene.touching(box, floor);
            }
            below = standing;
        }
    }
    return scene.text();
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
// computed pairs, listed pairs, readFile and check processor seconds.
int measure(const std::string& path, CheckForm form) {
    const long long beforeRead = statusBytes("VmRSS:");
    BoxDocument document;
    double processor = processorSeconds();
    Clock::time_point start = Clock::now();
    const bool read = document.loadCountText(path) && document.readFile(path);
    const double readSeconds = secondsSince(start);
    const double readProcessor = processorSeconds() - processor;
    const long long afterRead = statusBytes("VmRSS:");
    if (!read || document.boxes.size() != boxCount) {
        return 1;
    }
    processor = processorSeconds();
    start = Clock::now();
    std::size_t problems = 0;
    std::size_t pairs = 0;
    if (form == CheckForm::KeptSolids) {
        const std::vector<Solid> solids = buildSolids(document);
        problems = checkDocument(document, solids).size();
        pairs = computeIntersections(solids).size();
    } else {
        const std::optional<PlayLimits> play =
            form == CheckForm::Packed ? std::optional<PlayLimits>(PlayLimits{}) : std::nullopt;
        const DocumentReport report = inspectDocument(document, std::nullopt, play);
        problems = report.problems.size();
        pairs = report.intersections.pairs.size();
    }
    const double checkSeconds = secondsSince(start);
    const double checkProcessor = processorSeconds() - processor;
    std::printf("%.6f %.6f %lld %lld %zu %zu %zu %.6f %.6f\n", readSeconds, checkSeconds,
                afterRead - beforeRead, statusBytes("VmHWM:") - afterRead, problems, pairs,
                document.intersections.size(), readProcessor, checkProcessor);
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
    for (const auto& run : runs) {
        reads.push_back(run[0]);
        checks.push_back(run[1]);
        ratios.push_back(run[1] / run[0]);
        readProcessors.push_back(run[7]);
        checkProcessors.push_back(run[8]);
        processorRatios.push_back(run[8] / run[7]);
        documents.push_back(run[2] / 1e6);
        added.push_back(run[3] / 1e6);
        memoryRatios.push_back(run[3] / run[2]);
    }
    const auto& last = runs.back();
    std::printf("%s: %.0f problems, %.0f intersections computed (%.0f listed)\n", what, last[4],
                last[5], last[6]);
    std::printf(
        "  wall time: readFile %.4f s, check %.4f s: check / readFile = %.2f (runs %.2f to %.2f, "
        "target 2)\n",
        median(reads), median(checks), median(ratios),
        *std::min_element(ratios.begin(), ratios.end()),
        *std::max_element(ratios.begin(), ratios.end()));
    std::printf("  processor time: readFile %.4f s, check %.4f s: ratio %.2f (runs %.2f to %.2f)\n",
                median(readProcessors), median(checkProcessors), median(processorRatios),
                *std::min_element(processorRatios.begin(), processorRatios.end()),
                *std::max_element(processorRatios.begin(), processorRatios.end()));
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

int compare(const fs::path& folder) {
    const fs::path file = folder / "scene-100000.box";
    {
        const std::string text = generate();
        std::ofstream(file, std::ios::binary) << text;
    }
    std::printf("scene: %zu boxes (floors, walls, turned pillars), %.1f MB; medians of %d runs, "
                "each a fresh process\n",
                boxCount, static_cast<double>(fs::file_size(file)) / 1e6, repetitions);
    std::vector<std::vector<double>> packed, withoutPlay, kept;
    std::vector<double> pageSeconds;
    for (int i = 0; i < repetitions; ++i) {
        pageSeconds.push_back(measureInChild("pages", file).at(0));
        packed.push_back(measureInChild("check", file));
        withoutPlay.push_back(measureInChild("noplay", file));
        kept.push_back(measureInChild("solids", file));
        if (packed.back().size() != 9 || withoutPlay.back().size() != 9 ||
            kept.back().size() != 9) {
            std::cerr << "A measurement gave other figures than expected\n";
            return 1;
        }
    }
    fs::remove(file);
    std::printf("fresh memory: %.1f us a page when first touched (64 MB, median)\n",
                median(pageSeconds) * 1e6);
    report("inspectDocument (what quadrel-check runs)", packed, median(pageSeconds));
    report("inspectDocument without the play checks", withoutPlay, median(pageSeconds));
    reportPlayShare(packed, withoutPlay);
    report("buildSolids + checkDocument + computeIntersections", kept, median(pageSeconds));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "generate") {
        std::ofstream(argv[2], std::ios::binary) << generate();
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "check") {
        return measure(argv[2], CheckForm::Packed);
    }
    if (argc == 3 && std::string(argv[1]) == "noplay") {
        return measure(argv[2], CheckForm::PackedWithoutPlay);
    }
    if (argc == 3 && std::string(argv[1]) == "solids") {
        return measure(argv[2], CheckForm::KeptSolids);
    }
    if (argc == 3 && std::string(argv[1]) == "pages") {
        return touchFreshMemory();
    }
    if (argc > 2) {
        std::cerr << "Usage: geometry_bench [folder] | geometry_bench generate FILE\n";
        return 2;
    }
    return compareInFolder(argc == 2 ? argv[1] : nullptr, compare);
}
