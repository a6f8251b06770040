#pragma once

// The realistic scene the geometry, check and view benchmarks measure: buildings of ten storeys
// and a roof in rows along streets, listed with the pairs that touch by construction.

#include "geometrytestsupport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

namespace benchscene {

constexpr int storeys = 10;
constexpr double roomWidth = 10;
constexpr double roomDepth = 8;
constexpr double slab = 0.2;
constexpr double wall = 0.2;
constexpr double storeyHeight = 3.2;
constexpr double street = 6;

struct Point {
    double x, y, z;
};

// Writes the scene box by box, with the pairs that touch by construction.
class SceneWriter {
public:
    std::size_t size() const { return written_; }

    // An upright box from low to high, its planes in the order +X, +Y, +Z, -Y, -Z, -X.
    std::size_t upright(const Point& low, const Point& high) {
        const Point centre{(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2};
        const double radius = std::hypot(high.x - low.x, high.y - low.y, high.z - low.z) / 2;
        return add(centre, radius,
                   {{{1, 0, 0, high.x},
                     {0, 1, 0, high.y},
                     {0, 0, 1, high.z},
                     {0, -1, 0, -low.y},
                     {0, 0, -1, -low.z},
                     {-1, 0, 0, -low.x}}});
    }

    // A pillar of square section turned about the vertical, standing from bottom to top.
    std::size_t pillar(double x, double y, double bottom, double top, double half, double degrees) {
        const double angle = degrees * 3.14159265358979323846 / 180;
        const double c = std::cos(angle);
        const double s = std::sin(angle);
        const auto side = [&](double a, double b) {
            const double storedA = std::lround(a * 16384) / 16384.0;
            const double storedB = std::lround(b * 16384) / 16384.0;
            return std::array<double, 4>{
                a, b, 0, storedA * x + storedB * y + half * std::hypot(storedA, storedB)};
        };
        const Point centre{x, y, (bottom + top) / 2};
        const double radius = std::hypot(half * std::sqrt(2.0), (top - bottom) / 2);
        return add(centre, radius,
                   {{side(c, s),
                     side(-s, c),
                     {0, 0, 1, top},
                     side(s, -c),
                     {0, 0, -1, -bottom},
                     side(-c, -s)}});
    }

    void touching(std::size_t a, std::size_t b) {
        intersections_.push_back(std::to_string(std::min(a, b)) + " " +
                                 std::to_string(std::max(a, b)));
    }

    std::string text() const {
        std::string result = std::to_string(written_) + boxes_ + "\r\n\r\n";
        for (std::size_t i = 0; i < intersections_.size(); ++i) {
            if (i != 0) {
                result += i % 9 == 0 ? "\r\n" : "  ";
            }
            result += intersections_[i];
        }
        return result + "\r\n-1 -1\r\n";
    }

private:
    std::size_t add(const Point& centre, double radius,
                    const std::array<std::array<double, 4>, 6>& planes) {
        boxes_ += "\r\n " + std::to_string(written_ + 1) + "  " +
                  std::to_string(static_cast<long>(std::ceil(radius)));
        boxes_ += "\r\n  " + hex8(centre.x) + " " + hex8(centre.y) + " " + hex8(centre.z);
        for (const auto& plane : planes) {
            boxes_ += "\r\n  " + hex4(plane[0]) + " " + hex4(plane[1]) + " " + hex4(plane[2]) +
                      " " + hex8(plane[3]);
        }
        return written_++;
    }

    std::string boxes_;
    std::vector<std::string> intersections_;
    std::size_t written_ = 0;
};

// One storey: its floor, four outer walls and a middle wall standing on it, and two turned
// pillars; the walls meet face to face, and everything standing reaches the next floor.
struct Storey {
    std::size_t floor;
    std::vector<std::size_t> standing;
};

inline Storey writeStorey(SceneWriter& scene, double x, double y, double z) {
    Storey storey;
    storey.floor = scene.upright({x, y, z}, {x + roomWidth, y + roomDepth, z + slab});
    const double bottom = z + slab;
    const double top = z + storeyHeight;
    const std::size_t south = scene.upright({x, y, bottom}, {x + roomWidth, y + wall, top});
    const std::size_t north =
        scene.upright({x, y + roomDepth - wall, bottom}, {x + roomWidth, y + roomDepth, top});
    const std::size_t west =
        scene.upright({x, y + wall, bottom}, {x + wall, y + roomDepth - wall, top});
    const std::size_t east = scene.upright({x + roomWidth - wall, y + wall, bottom},
                                           {x + roomWidth, y + roomDepth - wall, top});
    const double middle = x + roomWidth / 2;
    const std::size_t inner = scene.upright({middle - wall / 2, y + wall, bottom},
                                            {middle + wall / 2, y + roomDepth - wall, top});
    const std::size_t left =
        scene.pillar(x + roomWidth / 4, y + roomDepth / 2, bottom, top, 0.3, 30);
    const std::size_t right =
        scene.pillar(x + 3 * roomWidth / 4, y + roomDepth / 2, bottom, top, 0.3, 45);
    for (const std::size_t side : {west, east, inner}) {
        scene.touching(side, south);
        scene.touching(side, north);
    }
    storey.standing = {south, north, west, east, inner, left, right};
    for (const std::size_t box : storey.standing) {
        scene.touching(storey.floor, box);
    }
    return storey;
}

// Buildings of ten storeys and a roof, in rows along streets, up to the box count.
inline std::string generateScene(std::size_t boxCount) {
    SceneWriter scene;
    const int perRow = 40;
    for (int building = 0; scene.size() < boxCount; ++building) {
        const double x = (building % perRow) * (roomWidth + street);
        const double y = (building / perRow) * (roomDepth + street);
        std::vector<std::size_t> below;
        for (int level = 0; level <= storeys && scene.size() < boxCount; ++level) {
            const double z = level * storeyHeight;
            std::size_t floor = 0;
            std::vector<std::size_t> standing;
            if (level == storeys || scene.size() + 8 > boxCount) {
                floor = scene.upright({x, y, z}, {x + roomWidth, y + roomDepth, z + slab});
            } else {
                const Storey storey = writeStorey(scene, x, y, z);
                floor = storey.floor;
                standing = storey.standing;
            }
            for (const std::size_t box : below) {
                scene.touching(box, floor);
            }
            below = standing;
        }
    }
    return scene.text();
}

} // namespace benchscene
