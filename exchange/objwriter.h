#pragma once

#include "boxfaces.h"
#include "progress.h"

struct ExportOptions;
struct ExportReport;

// The boxes as Wavefront OBJ, in the BOX file's axes: an object "box_<ID>_r<rank>" per box, with
// the corners of its solid, one normal per face and its faces, whose corners are counted back
// from the end of the file so far (-1 the last corner written): each box's text stands alone, so
// that threads format boxes apart. Tells progress in boxes put out. False when the output refused
// bytes or progress asked to stop.
bool writeObjModel(const BoxDocument& document, const ExportOptions& options, ExportReport& report,
                   const ModelOutput& output, const WorkProgress& progress = WorkProgress());
