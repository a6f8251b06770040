// Times the exchange of models against the nearest work that is not ours:
// - importing an OBJ model of 10,000 box-shaped objects (reading it, fitting a box to each mesh,
//   writing the boxes and computing their intersections) against Assimp's own reading of it;
// - exporting 100,000 boxes as OBJ and as glTF binary against writing them as a BOX file, and
//   10,000 boxes as glTF binary, with the power of the count that its time grows with.
// Each figure is the median of several runs in this process, in wall seconds and in processor
// seconds (all threads together).
//
// Usage: exchange_bench [folder]   (a temporary folder by default)

#include "benchsupport.h"
#include "geometrytestsupport.h"
#include "meshtestsupport.h"
#include "modelimport.h"
#include "modelreader.h"
#include "modelwriter.h"
#include "orlclass.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>

namespace {

namespace fs = std::filesystem;

constexpr int importObjects = 10000;
constexpr std::size_t exportBoxes = 100000;
constexpr int repetitions = 5;

double processorSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

struct Seconds {
    double wall = 0;
    double processor = 0;
};

Seconds medianSeconds(const std::function<void()>& work) {
    std::vector<double> walls;
    std::vector<double> processors;
    for (int i = 0; i < repetitions; ++i) {
        const double processorStart = processorSeconds();
        const BenchClock::time_point wallStart = BenchClock::now();
        work();
        walls.push_back(secondsSince(wallStart));
        processors.push_back(processorSeconds() - processorStart);
    }
    return {median(walls), median(processors)};
}

// Rooms of walls in rows, every other one turned, as a modeller would lay out a level.
std::string importScene() {
    std::vector<std::pair<std::string, std::vector<Vec3>>> objects;
    for (int i = 0; i < importObjects; ++i) {
        const Vec3 centre{(i % 100) * 4.0, (i / 100) * 4.0, 1.5};
        const Frame frame = i % 2 == 0 ? turnedFrame(0, 0) : turnedFrame(0, 30);
        objects.emplace_back("UBX_wall" + std::to_string(i),
                             boxCorners(centre, {2, 0.1, 1.5}, frame));
    }
    return objOf(objects);
}

void exportScene(BoxDocument& document, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const Vec3 centre{static_cast<double>(i % 300) * 3, static_cast<double>(i / 300) * 3, 1};
        addBox(document, turnedBox(std::to_string(i + 1), centre, {1, 0.25, 1},
                                   static_cast<double>(i % 7) * 15, "2"));
    }
    document.setCountText(std::to_string(count));
}

int compare(const fs::path& folder) {
    const fs::path model = folder / "walls.obj";
    std::ofstream(model, std::ios::binary) << importScene();
    std::printf("import of %d box-shaped objects, OBJ of %.1f MB\n", importObjects,
                static_cast<double>(fs::file_size(model)) / 1e6);
    const double assimpRead =
        medianSeconds([&] {
            Assimp::Importer importer;
            if (importer.ReadFile(model.string(), aiProcess_ValidateDataStructure) == nullptr) {
                std::exit(1);
            }
        }).processor;
    std::printf("  Assimp's reading alone   %7.3f s\n", assimpRead);
    std::fflush(stdout);
    std::size_t imported = 0;
    const double fullImport = medianSeconds([&] {
                                  std::string error;
                                  const std::optional<ModelContent> content =
                                      readModelFile(model.string(), error);
                                  BoxDocument document;
                                  appendModelBoxes(*content, document, {});
                                  imported = document.boxes.size();
                              }).processor;
    std::printf("  whole import             %7.3f s   ratio %.2f (target 2), %zu boxes made\n",
                fullImport, fullImport / assimpRead, imported);
    std::fflush(stdout);

    BoxDocument document;
    exportScene(document, exportBoxes);
    const auto exportFigures = [&](BoxDocument& boxes, ModelFormat format, const char* name) {
        boxes.setPath((folder / "scene.box").string());
        const Seconds boxWrite = medianSeconds([&] {
            if (!boxes.writeFile()) {
                std::exit(1);
            }
        });
        const Seconds model = medianSeconds([&] {
            ExportReport report;
            std::string error;
            if (!writeModelFile(boxes, (folder / name).string(), format, {}, report, error)) {
                std::cerr << error << '\n';
                std::exit(1);
            }
        });
        std::printf(
            "export of %zu boxes: BOX file (%.1f MB) %.3f s wall, %.3f s processor; "
            "%s (%.1f MB) %.3f s wall, %.3f s processor; ratios %.2f wall, %.2f "
            "processor (target 2)\n",
            boxes.boxes.size(), static_cast<double>(fs::file_size(folder / "scene.box")) / 1e6,
            boxWrite.wall, boxWrite.processor, name,
            static_cast<double>(fs::file_size(folder / name)) / 1e6, model.wall, model.processor,
            model.wall / boxWrite.wall, model.processor / boxWrite.processor);
        std::fflush(stdout);
        return model;
    };
    exportFigures(document, ModelFormat::Obj, "scene.obj");
    const Seconds glbLarge = exportFigures(document, ModelFormat::Glb, "scene.glb");
    BoxDocument fewer;
    exportScene(fewer, exportBoxes / 10);
    const Seconds glbSmall = exportFigures(fewer, ModelFormat::Glb, "scene.glb");
    std::printf("glb export processor time grows as the count to the power %.2f (1: linear, "
                "2: quadratic)\n",
                std::log(glbLarge.processor / glbSmall.processor) / std::log(10.0));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::cerr << "Usage: exchange_bench [folder]\n";
        return 2;
    }
    return compareInFolder(argc == 2 ? argv[1] : nullptr, compare);
}
