#pragma once

#include "progress.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

class BoxDocument;

enum class ModelFormat {
    // Wavefront OBJ, without a material file, in the BOX file's own axes (Z up).
    Obj,
    // glTF 2.0 binary, turned to glTF's Y up.
    Glb,
    // Collada, turned to Y up, the axis Assimp's writer declares.
    Collada,
    // Binary STL and binary PLY, Z up: every box's faces in one mesh, without names and without
    // the intersections, as both formats hold a single mesh of faces.
    Stl,
    Ply,
    // FBX in its text form, turned to Y up, the axis Assimp's writer declares. (The binary FBX
    // of Assimp 5.2 is not read back by Assimp itself.)
    Fbx,
};

// The format a file name's extension asks for (".obj", ".glb", ".dae", ".stl", ".ply", ".fbx",
// in any case); none for another.
std::optional<ModelFormat> modelFormatOf(std::string_view path);
// The extensions modelFormatOf takes, in the order of ModelFormat.
const std::vector<std::string_view>& modelExtensions();

struct ExportOptions {
    // One more object, "intersections", with a line between the centres of each listed pair.
    bool intersections = false;
};

struct ExportReport {
    std::size_t boxesWritten = 0;
    // The boxes whose solid could not be built (empty, unbounded, flat, malformed), left out.
    std::vector<std::size_t> skippedRanks;
    std::size_t linesWritten = 0;
    // Why the file could not be written, when that is what failed: a std::errc value.
    std::error_code fileError;
    // The progress asked to stop: no file was written or changed.
    bool stopped = false;
};

// The model's bytes: one mesh per box, "box_<ID>_r<rank>", with its solid's faces and their
// outward normals. Nothing, with the reason in error, when the model cannot be written.
std::optional<std::string> modelBytes(const BoxDocument& document, ModelFormat format,
                                      const ExportOptions& options, ExportReport& report,
                                      std::string& error);
// The same into a file, which is replaced only once the whole model is on disk.
bool writeModelFile(const BoxDocument& document, const std::string& path, ModelFormat format,
                    const ExportOptions& options, ExportReport& report, std::string& error);
// The same, telling progress as the boxes are written, from any of the writer's threads but one
// at a time; a total of 0 while a format written by Assimp cannot tell how far it has gone. When
// progress asks to stop, the writing stops as soon as it can, report.stopped is set, and any
// file there keeps its bytes.
bool writeModelFile(const BoxDocument& document, const std::string& path, ModelFormat format,
                    const ExportOptions& options, ExportReport& report, std::string& error,
                    const WorkProgress& progress);
