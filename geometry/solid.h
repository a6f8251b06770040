#pragma once

#include "boxvalues.h"
#include "vec3.h"

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

// One part in 1024 of the scene unit: a point that near a plane is on it, and two solids touch
// when no separating axis separates them by more (their corners may then lie farther apart).
inline constexpr double GEOMETRY_TOLERANCE = 1.0 / 1024;

enum class SolidStatus {
    Closed,
    // A plane has a = b = c = 0: it bounds no half-space.
    ZeroNormal,
    // The six half-spaces have no point in common.
    Empty,
    // They do not close in every direction.
    Unbounded,
    // They close on a polygon, a segment or a point: no volume.
    Flat,
};

// The intersection of a box's six half-spaces.
struct Solid {
    SolidStatus status = SolidStatus::Empty;
    std::vector<Vec3> vertices;
    // For each plane 0 to 5: the indices into vertices of the face it bounds, in order around
    // the face (counter-clockwise seen from outside); empty when the plane bounds no face. Two
    // planes that coincide both list the face.
    std::array<std::vector<std::size_t>, 6> faces;
    std::vector<std::pair<std::size_t, std::size_t>> edges; // vertex index pairs, each once
    double volume = 0;
    Vec3 boundsMin, boundsMax; // meaningful when there are vertices
    bool closed() const { return status == SolidStatus::Closed; }
};

// Vertices, faces, edges, volume and bounds are filled for a closed or flat solid, and left empty
// otherwise. Normals within a billionth of a radian of leaving a direction open count as leaving
// it open: such planes would only meet absurdly far away.
Solid buildSolid(const BoxValues& values);
// The same into an existing solid, reusing its storage.
void buildSolid(const BoxValues& values, Solid& solid);
