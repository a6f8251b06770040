#pragma once

#include "vec3.h"

#include <array>

// The grid steps a user may snap positions and distances to, in units; 0 is no grid.
inline constexpr std::array<double, 10> GRID_STEPS = {0,   1.0 / 16, 1.0 / 8, 1.0 / 4, 1.0 / 2,
                                                      1.0, 2.0,      4.0,     8.0,     16.0};
inline constexpr double TURN_STEP_DEGREES = 15;

// The nearest multiple of the step, halves away from zero; the value itself with no grid.
double snapToGrid(double value, double step);
Vec3 snapToGrid(const Vec3& point, double step);
double snapAngle(double degrees, double step = TURN_STEP_DEGREES);
