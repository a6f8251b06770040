#pragma once

#include "playlimits.h"
#include "vec3.h"

#include <optional>

// What a face is to a character, by the direction it faces.
enum class SurfaceKind {
    Floor,      // up, no steeper than the largest walkable slope
    SteepSlope, // up, steeper, but not steep enough to be a wall
    Wall,
    Ceiling, // down, as far from upright as a floor is
};

class SurfaceClassifier {
public:
    explicit SurfaceClassifier(double maxSlopeDegrees = PlayLimits{}.maxSlopeDegrees);

    // The kind of a face from its outward normal, of any length; nothing for a zero normal.
    std::optional<SurfaceKind> kindOf(const Vec3& normal) const;

private:
    // Cosines from +Z, compared instead of angles.
    double walkableCosine_;
    double wallCosine_;
};
