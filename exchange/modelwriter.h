#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class BoxDocument;

enum class ModelFormat {
    // Wavefront OBJ, without a material file, in the BOX file's own axes (Z up).
    Obj,
    // glTF 2.0 binary, turned to glTF's Y up.
    Glb,
};

struct ExportOptions {
    // One more object, "intersections", with a line between the centres of each listed pair.
    bool intersections = false;
};

struct ExportReport {
    std::size_t boxesWritten = 0;
    // The boxes whose solid could not be built (empty, unbounded, flat, malformed), left out.
    std::vector<std::size_t> skippedRanks;
    std::size_t linesWritten = 0;
};

// The model's bytes: one mesh per box, "box_<ID>_r<rank>", with its solid's faces and their
// outward normals. Nothing, with Assimp's reason in error, when Assimp cannot write it.
std::optional<std::string> modelBytes(const BoxDocument& document, ModelFormat format,
                                      const ExportOptions& options, ExportReport& report,
                                      std::string& error);
// The same into a file, which is replaced only once the whole model is on disk.
bool writeModelFile(const BoxDocument& document, const std::string& path, ModelFormat format,
                    const ExportOptions& options, ExportReport& report, std::string& error);
