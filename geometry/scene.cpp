#include "scene.h"

#include "orlclass.h"
#include "shapeset.h"

std::vector<Solid> buildSolids(const BoxDocument& document) {
    std::vector<Solid> solids;
    solids.reserve(document.boxes.size());
    for (const auto& box : document.boxes) {
        solids.push_back(buildSolid(decodeBoxValues(*box)));
    }
    return solids;
}

std::vector<RankPair> computeIntersections(const std::vector<Solid>& solids) {
    ShapeSet shapes;
    shapes.reserve(solids.size());
    for (const Solid& solid : solids) {
        shapes.add(solid);
    }
    return findIntersections(shapes).pairs;
}

bool solidsTouch(const Solid& a, const Solid& b) {
    ShapeSet shapes;
    shapes.add(a);
    shapes.add(b);
    return shapes.present(0) && shapes.present(1) && shapes.touch(0, 1);
}
