#pragma once

#include "boxfaces.h"

#include <optional>

struct ExportOptions;
struct ExportReport;

// The boxes written by Assimp's own exporter, for the formats modellers read that speed does not
// ask us to write ourselves: a scene of one mesh per box, "box_<ID>_r<rank>", its faces cut into
// triangles whose corners carry the face's normal, in the axes up given. assimpFormat: Assimp's
// name of the format, such as "collada". Nothing, with Assimp's reason, when it cannot.
std::optional<std::string> assimpModelBytes(const BoxDocument& document, const char* assimpFormat,
                                            UpAxis up, const ExportOptions& options,
                                            ExportReport& report, std::string& error);
