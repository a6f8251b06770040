// Times the exchange of models against the nearest work that is not ours:
// - importing an OBJ model of 10,000 box-shaped objects (reading it, fitting a box to each mesh,
//   writing the boxes and computing their intersections) against Assimp's own reading of it;
// - exporting 100,000 boxes as OBJ against writing them as a BOX file, and 2,500, 5,000 and
//   10,000 boxes as glTF binary, with the power of the count that its time grows with.
//   Assimp's glTF writer (5.2.5) appends each mesh's positions, normals and indices to its one
//   binary buffer, and every append reallocates that buffer to the exact new length and copies
//   all that was written before: three copies of the whole buffer per mesh, whatever meshes the
//   scene holds or shares. 100,000 boxes would take most of an hour.
// Each figure is the median of several runs in this process, in processor seconds.
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
constexpr int repetitions = 3;

double processorSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

double medianSeconds(const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        const double start = processorSeconds();
        work();
        times.push_back(processorSeconds() - start);
    }
    return median(times);
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
    const double assimpRead = medianSeconds([&] {
        Assimp::Importer importer;
        if (importer.ReadFile(model.string(), aiProcess_ValidateDataStructure) == nullptr) {
            std::exit(1);
        }
    });
    std::printf("  Assimp's reading alone   %7.3f s\n", assimpRead);
    std::fflush(stdout);
    std::size_t imported = 0;
    const double fullImport = medianSeconds([&] {
        std::string error;
        const std::optional<ModelContent> content = readModelFile(model.string(), error);
        BoxDocument document;
        appendModelBoxes(*content, document, {});
        imported = document.boxes.size();
    });
    std::printf("  whole import             %7.3f s   ratio %.2f (target 2), %zu boxes made\n",
                fullImport, fullImport / assimpRead, imported);
    std::fflush(stdout);

    BoxDocument document;
    exportScene(document, exportBoxes);
    const auto exportFigures = [&](BoxDocument& boxes, ModelFormat format, const char* name) {
        double seconds = 0;
        boxes.setPath((folder / "scene.box").string());
        const double boxWrite = medianSeconds([&] {
            if (!boxes.writeFile()) {
                std::exit(1);
            }
        });
        seconds = medianSeconds([&] {
            ExportReport report;
            std::string error;
            if (!writeModelFile(boxes, (folder / name).string(), format, {}, report, error)) {
                std::cerr << error << '\n';
                std::exit(1);
            }
        });
        std::printf("export of %zu boxes: BOX file (%.1f MB) %.3f s, %s (%.1f MB) %.3f s, "
                    "ratio %.1f (target 2)\n",
                    boxes.boxes.size(),
                    static_cast<double>(fs::file_size(folder / "scene.box")) / 1e6, boxWrite, name,
                    static_cast<double>(fs::file_size(folder / name)) / 1e6, seconds,
                    seconds / boxWrite);
        std::fflush(stdout);
        return seconds;
    };
    exportFigures(document, ModelFormat::Obj, "scene.obj");
    std::vector<double> glbSeconds;
    for (const std::size_t count : {std::size_t{2500}, std::size_t{5000}, std::size_t{10000}}) {
        BoxDocument fewer;
        exportScene(fewer, count);
        glbSeconds.push_back(exportFigures(fewer, ModelFormat::Glb, "scene.glb"));
    }
    std::printf("glb export time grows as the count to the power %.2f (2: quadratic)\n",
                std::log(glbSeconds.back() / glbSeconds.front()) / std::log(4.0));
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
