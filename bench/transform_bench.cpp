// Times a transform of one box of geometry_bench's 100,000-box scene and the update of that
// box's checks, as an editor that keeps every solid does after the edit: the transform's new
// texts written into the box, its solid built again, and checkChangedBox. The whole check of the
// scene (inspectDocument) is timed in the same run, for the ratio.
//
// Usage: transform_bench [folder]   (a temporary folder by default)

#include "benchsupport.h"
#include "orlclass.h"
#include "problems.h"
#include "scene.h"
#include "shapetexts.h"
#include "transforms.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int repetitions = 21;

struct Timing {
    std::vector<double> transform, solid, checks, total, totalProcessor;
};

// The processor time this process has used, in milliseconds: on a shared machine it depends far
// less than the wall time on the other processes.
double processorMilliseconds() {
    return static_cast<double>(std::clock()) * 1000 / CLOCKS_PER_SEC;
}

double milliseconds(BenchClock::time_point start) {
    return secondsSince(start) * 1000;
}

void print(const char* what, const std::vector<double>& values) {
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    std::printf("  %-42s median %7.3f ms, max %7.3f ms\n", what, median(values), sorted.back());
}

int compare(const fs::path& folder) {
    const fs::path file = folder / "scene-100000.box";
    const std::string command =
        std::string("'") + GEOMETRY_BENCH + "' generate '" + file.string() + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "geometry_bench could not write the scene\n");
        return 1;
    }
    BoxDocument document;
    if (!document.loadFile(file.string())) {
        return 1;
    }
    std::vector<Solid> solids = buildSolids(document);
    // A turned pillar halfway through the scene: the pillars are the boxes with a shape whose
    // yaw is not 0.
    std::size_t rank = document.boxes.size() / 2;
    Box* box = nullptr;
    for (auto position = std::next(document.boxes.begin(), static_cast<long>(rank));
         position != document.boxes.end(); ++position, ++rank) {
        const ShapeReading reading = shapeOf(decodeBoxValues(**position));
        if (const BoxShape* shape = std::get_if<BoxShape>(&reading);
            shape != nullptr && shape->angles.yaw != 0) {
            box = position->get();
            break;
        }
    }
    if (box == nullptr) {
        return 1;
    }
    Timing timing;
    std::size_t problems = 0;
    for (int i = 0; i < repetitions; ++i) {
        const double processor = processorMilliseconds();
        const BenchClock::time_point start = BenchClock::now();
        const TransformResult turned = rotateBox(shapeTextsOf(*box), {0, 0, 1}, 15);
        if (!std::holds_alternative<ShapeTexts>(turned)) {
            return 1;
        }
        writeShapeTexts(std::get<ShapeTexts>(turned), *box);
        timing.transform.push_back(milliseconds(start));
        const BenchClock::time_point solidStart = BenchClock::now();
        buildSolid(decodeBoxValues(*box), solids[rank]);
        timing.solid.push_back(milliseconds(solidStart));
        const BenchClock::time_point checkStart = BenchClock::now();
        problems = checkChangedBox(document, solids, rank).size();
        timing.checks.push_back(milliseconds(checkStart));
        timing.total.push_back(milliseconds(start));
        timing.totalProcessor.push_back(processorMilliseconds() - processor);
    }
    std::vector<double> whole, wholeProcessor;
    for (int i = 0; i < 3; ++i) {
        const double processor = processorMilliseconds();
        const BenchClock::time_point start = BenchClock::now();
        inspectDocument(document);
        whole.push_back(milliseconds(start));
        wholeProcessor.push_back(processorMilliseconds() - processor);
    }
    fs::remove(file);
    std::printf("scene: %zu boxes, %zu listed intersections; box %zu (ID %s), a turned pillar, "
                "turned by 15 degrees about Z %d times\n",
                document.boxes.size(), document.intersections.size(), rank,
                std::string(std::string_view(box->id)).c_str(), repetitions);
    print("rotateBox + texts written into the box", timing.transform);
    print("its solid built again", timing.solid);
    print("checkChangedBox", timing.checks);
    print("all three (target 50 ms)", timing.total);
    print("all three, processor time", timing.totalProcessor);
    print("whole check (inspectDocument), for scale", whole);
    print("whole check, processor time", wholeProcessor);
    std::printf("  problems of the box after the last turn: %zu (its listed pairs, now apart or "
                "still touching)\n",
                problems);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "Usage: transform_bench [folder]\n");
        return 2;
    }
    return compareInFolder(argc == 2 ? argv[1] : nullptr, compare);
}
