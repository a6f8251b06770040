#pragma once

#include <cmath>
#include <limits>

// Bounds kept in single precision must still contain what they bound: each side is rounded
// outward, to the nearest float at or below a low value and at or above a high one.
inline float floatBelow(double value) {
    const auto near = static_cast<float>(value);
    return double(near) > value ? std::nextafter(near, -std::numeric_limits<float>::infinity())
                                : near;
}

inline float floatAbove(double value) {
    const auto near = static_cast<float>(value);
    return double(near) < value ? std::nextafter(near, std::numeric_limits<float>::infinity())
                                : near;
}
