#pragma once

#include "boxfaces.h"
#include "progress.h"

struct ExportOptions;
struct ExportReport;

// The boxes as glTF 2.0 binary, turned to glTF's Y up: a root node "boxes" with a node and a
// mesh "box_<ID>_r<rank>" per box, whose faces have corners of their own carrying the face's
// normal, cut into triangles. All boxes' corners and normals lie in one buffer view; boxes
// whose faces have the same numbers of corners share one list of indices, and those whose faces
// also have the same normals share one accessor of normals. Tells progress in boxes dealt with,
// twice over: once built, once described. False when the output refused bytes or progress asked
// to stop.
bool writeGlbModel(const BoxDocument& document, const ExportOptions& options, ExportReport& report,
                   const ModelOutput& output, const WorkProgress& progress = WorkProgress());
