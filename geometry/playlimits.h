#pragma once

// What a character in a game meets, in scene units and degrees: the thresholds of the checks of
// how a scene is played.
struct PlayLimits {
    // Faces of two boxes facing each other closer than this, but not touching, leave a seam a
    // character snags on.
    double seamWidth = 1.0 / 16;
    // A fast object passes through a solid thinner than this.
    double minThickness = 1.0 / 32;
    // The steepest slope a character stands on.
    double maxSlopeDegrees = 45;
    // Walkable faces whose heights differ by less than this, but more than the tolerance, make a
    // step too small to be meant.
    double minStep = 1.0 / 8;
};

// Steeper than this an upward face is a wall, not a slope.
inline constexpr double WALL_DEGREES = 70;
