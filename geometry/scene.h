#pragma once

#include "solid.h"

#include <vector>

class BoxDocument;

// One solid per box, by rank, built from the document.
std::vector<Solid> buildSolids(const BoxDocument& document);
