#include "scene.h"

#include "orlclass.h"

std::vector<Solid> buildSolids(const BoxDocument& document) {
    std::vector<Solid> solids;
    solids.reserve(document.boxes.size());
    for (const auto& box : document.boxes) {
        solids.push_back(buildSolid(decodeBoxValues(*box)));
    }
    return solids;
}
