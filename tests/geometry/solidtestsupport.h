#pragma once

#include "boxvalues.h"
#include "geometrytestsupport.h"
#include "shapeset.h"
#include "solid.h"

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

// Solids and shape sets made from test boxes, and solids whose touching is known by construction.

inline Solid solidOf(const BoxTexts& texts) {
    Box box;
    assignTexts(box, texts);
    return buildSolid(decodeBoxValues(box));
}

inline ShapeSet shapesOf(const std::vector<Solid>& solids) {
    ShapeSet shapes;
    for (const Solid& solid : solids) {
        shapes.add(solid);
    }
    return shapes;
}

// The regular tetrahedron with corners (1, 1, 1), (1, -1, -1), (-1, 1, -1) and (-1, -1, 1), or
// its mirror image through the centre, moved along X; two of the six planes are far off, bounding
// nothing. Moved by 2, its edge from (1, 1, 1) to (1, -1, -1) crosses the copy's edge from
// (1, 1, -1) to (1, -1, 1) (the mirror image's shares it): along X, the cross product of two
// edges, they are apart by whatever more they are moved, and no face normal separates them.
inline Solid tetrahedronAt(double x, bool mirrored = false) {
    BoxValues values;
    const std::array<Vec3, 4> normals = {{{-1, -1, -1}, {-1, 1, 1}, {1, -1, 1}, {1, 1, -1}}};
    for (std::size_t p = 0; p < normals.size(); ++p) {
        const Vec3 normal = mirrored ? -normals[p] : normals[p];
        values.planes[p] = {normal, 1 + normal.x * x};
    }
    values.planes[4] = {{0, 0, 1}, 100};
    values.planes[5] = {{0, 0, -1}, 100};
    return buildSolid(values);
}

// Gaps added to the move of 2 above, and whether the tetrahedra then touch.
inline std::vector<std::pair<double, bool>> tetrahedronGaps() {
    return {
        {0, true},
        {GEOMETRY_TOLERANCE / 2, true},
        {2 * GEOMETRY_TOLERANCE, false},
        {1.0 / 64, false},
        {-1.0 / 64, true},
    };
}
