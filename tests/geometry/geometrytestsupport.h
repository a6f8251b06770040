#pragma once

#include "boxtestsupport.h"
#include "vec3.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

// Boxes described by their geometry, written as the fixed-point texts a file carries.

struct TestPlane {
    Vec3 normal;
    double d = 0;
};

inline std::string hex4(double value) {
    auto magnitude = static_cast<unsigned>(std::lround(std::fabs(value) * 16384));
    if (value < 0) {
        magnitude |= 0x8000;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%04x", magnitude);
    return text;
}

inline std::string hex8(double value) {
    const double stored = value < 0 ? value + 262143 : value;
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(std::llround(stored * 16384)));
    return text;
}

inline BoxTexts boxTexts(const std::string& id, const std::string& radius, const Vec3& centre,
                         const std::array<TestPlane, 6>& planes) {
    BoxTexts texts;
    texts[boxslot::id] = id;
    texts[boxslot::radius] = radius;
    texts[boxslot::centre(0)] = hex8(centre.x);
    texts[boxslot::centre(1)] = hex8(centre.y);
    texts[boxslot::centre(2)] = hex8(centre.z);
    for (std::size_t p = 0; p < planes.size(); ++p) {
        texts[boxslot::plane(p * 4)] = hex4(planes[p].normal.x);
        texts[boxslot::plane(p * 4 + 1)] = hex4(planes[p].normal.y);
        texts[boxslot::plane(p * 4 + 2)] = hex4(planes[p].normal.z);
        texts[boxslot::plane(p * 4 + 3)] = hex8(planes[p].d);
    }
    return texts;
}

// The planes of a box with the given half sizes along the axes u, v, w of an orthonormal frame,
// in the order the worked example uses: +u, +v, +w, -v, -w, -u.
inline std::array<TestPlane, 6> framePlanes(const Vec3& centre, const Vec3& half, const Vec3& u,
                                            const Vec3& v, const Vec3& w) {
    const auto plane = [&](const Vec3& n, double h) {
        // The normal as stored, so that d puts the plane where the stored normal says.
        const Vec3 stored{std::lround(n.x * 16384) / 16384.0, std::lround(n.y * 16384) / 16384.0,
                          std::lround(n.z * 16384) / 16384.0};
        return TestPlane{n, dot(stored, centre) + h * length(stored)};
    };
    return {plane(u, half.x),  plane(v, half.y),  plane(w, half.z),
            plane(-v, half.y), plane(-w, half.z), plane(-u, half.x)};
}

// The planes of a box turned by an angle about Z around its centre.
inline std::array<TestPlane, 6> turnedPlanes(const Vec3& centre, const Vec3& half, double degrees) {
    const double angle = degrees * 3.14159265358979323846 / 180;
    return framePlanes(centre, half, {std::cos(angle), std::sin(angle), 0},
                       {-std::sin(angle), std::cos(angle), 0}, {0, 0, 1});
}

inline BoxTexts axisBox(const std::string& id, const Vec3& low, const Vec3& high,
                        const std::string& radius = "1000") {
    const Vec3 centre = (low + high) * 0.5;
    return boxTexts(id, radius, centre, turnedPlanes(centre, (high - low) * 0.5, 0));
}

inline BoxTexts turnedBox(const std::string& id, const Vec3& centre, const Vec3& half,
                          double degrees, const std::string& radius = "1000") {
    return boxTexts(id, radius, centre, turnedPlanes(centre, half, degrees));
}
