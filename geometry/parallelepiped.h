#pragma once

#include "solid.h"

#include <array>
#include <cstddef>

// The box whose planes pair as exact opposites, further apart than SURE_THICKNESS, along
// directions whose triple product passes SURE_VOLUME_FACTOR, has eight distinct corners well
// inside every other half-space whatever the rounding: whoever builds its shape may take them
// straight from its planes, and finds what the general search for corners finds.

// Planes 0 and 5, 1 and 3, 2 and 4 face each other in a box as the format writes it.
inline constexpr std::array<std::array<std::size_t, 2>, 3> OPPOSITE_PLANES = {
    {{0, 5}, {1, 3}, {2, 4}}};
inline constexpr double SURE_THICKNESS = 4 * GEOMETRY_TOLERANCE;
inline constexpr double SURE_VOLUME_FACTOR = 1.0 / 16;
// The planes meeting at each corner of such a box, in the order the general search finds them.
inline constexpr std::array<std::array<std::size_t, 3>, 8> PARALLELEPIPED_CORNERS = {
    {{0, 1, 2}, {0, 1, 4}, {0, 2, 3}, {0, 3, 4}, {1, 2, 5}, {1, 4, 5}, {2, 3, 5}, {3, 4, 5}}};
// Its faces by those corners, counter-clockwise seen from outside when its first three normals
// turn as x, y and z do (the other way round when they turn as a mirror's).
inline constexpr std::array<std::array<std::size_t, 4>, 6> PARALLELEPIPED_FACES = {
    {{1, 0, 2, 3}, {0, 1, 5, 4}, {2, 0, 4, 6}, {3, 2, 6, 7}, {1, 3, 7, 5}, {4, 5, 7, 6}}};
