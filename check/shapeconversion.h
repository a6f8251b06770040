#pragma once

#include "convertoptions.h"

#include <iosfwd>

// The conversions between box shapes in CSV and BOX files; each writes its report to out, what
// went wrong with the command itself to err, and returns an exit status of quadrel-convert.
int shapesToBoxes(const ConvertOptions& options, std::ostream& out, std::ostream& err);
int boxesToShapes(const ConvertOptions& options, std::ostream& out, std::ostream& err);
