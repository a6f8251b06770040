#pragma once

#include "solid.h"
#include "vec3.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <numbers>
#include <set>
#include <string>
#include <vector>

// Meshes made by the tests, as point clouds and as OBJ text, with their answers known by
// construction.

// An orthonormal right-handed frame, axes as columns.
using Frame = std::array<Vec3, 3>;

inline Vec3 turnedAbout(const Vec3& v, int axis, double degrees) {
    const double a = degrees * std::numbers::pi / 180;
    const double c = std::cos(a), s = std::sin(a);
    switch (axis) {
    case 0:
        return {v.x, c * v.y - s * v.z, s * v.y + c * v.z};
    case 1:
        return {c * v.x + s * v.z, v.y, -s * v.x + c * v.z};
    default:
        return {c * v.x - s * v.y, s * v.x + c * v.y, v.z};
    }
}

// The frame turned first about X by degreesX, then about Y by degreesY.
inline Frame turnedFrame(double degreesX, double degreesY) {
    Frame frame{Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}};
    for (Vec3& axis : frame) {
        axis = turnedAbout(turnedAbout(axis, 0, degreesX), 1, degreesY);
    }
    return frame;
}

// The eight corners of a box, in the order the OBJ faces below use.
inline std::vector<Vec3> boxCorners(const Vec3& centre, const Vec3& half, const Frame& frame) {
    std::vector<Vec3> corners;
    for (int i = 0; i < 8; ++i) {
        const double sx = (i & 1) != 0 ? 1 : -1;
        const double sy = (i & 2) != 0 ? 1 : -1;
        const double sz = (i & 4) != 0 ? 1 : -1;
        corners.push_back(centre + frame[0] * (sx * half.x) + frame[1] * (sy * half.y) +
                          frame[2] * (sz * half.z));
    }
    return corners;
}

// An upright cylinder of n sides around the Z axis through the centre.
inline std::vector<Vec3> cylinderPoints(const Vec3& centre, double radius, double height,
                                        int sides) {
    std::vector<Vec3> points;
    for (int i = 0; i < sides; ++i) {
        const double a = 2 * std::numbers::pi * i / sides;
        for (const double z : {-height / 2, height / 2}) {
            points.push_back(centre + Vec3{radius * std::cos(a), radius * std::sin(a), z});
        }
    }
    return points;
}

inline std::string objNumber(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// Appends one OBJ object of the points, with faces of the box corners when there are eight, and
// a fan of triangles through all the points otherwise (enough for a hull). OBJ numbers its
// vertices from 1 over the whole file: firstVertex counts those written before.
inline void appendObjObject(std::string& obj, const std::string& name,
                            const std::vector<Vec3>& points, std::size_t& firstVertex) {
    obj += "o " + name + "\n";
    for (const Vec3& p : points) {
        obj += "v " + objNumber(p.x) + " " + objNumber(p.y) + " " + objNumber(p.z) + "\n";
    }
    const auto index = [&](std::size_t i) { return std::to_string(firstVertex + i); };
    if (points.size() == 8) {
        static constexpr std::array<std::array<std::size_t, 4>, 6> FACES{
            {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}}};
        for (const auto& face : FACES) {
            obj += "f " + index(face[0]) + " " + index(face[1]) + " " + index(face[2]) + " " +
                   index(face[3]) + "\n";
        }
    } else {
        for (std::size_t i = 1; i + 1 < points.size(); ++i) {
            obj += "f " + index(0) + " " + index(i) + " " + index(i + 1) + "\n";
        }
    }
    firstVertex += points.size();
}

inline std::string objOf(const std::vector<std::pair<std::string, std::vector<Vec3>>>& objects) {
    std::string obj;
    std::size_t firstVertex = 1;
    for (const auto& [name, points] : objects) {
        appendObjObject(obj, name, points, firstVertex);
    }
    return obj;
}

// The faces of a solid a model shows, by their planes: each face once, a plane whose face an
// earlier plane already bounds (the same corners in any order) left out.
inline std::vector<std::size_t> shownFacePlanes(const Solid& solid) {
    std::vector<std::size_t> planes;
    std::vector<std::set<std::size_t>> seen;
    for (std::size_t p = 0; p < solid.faces.size(); ++p) {
        const std::set<std::size_t> corners(solid.faces[p].begin(), solid.faces[p].end());
        if (corners.size() >= 3 && std::find(seen.begin(), seen.end(), corners) == seen.end()) {
            seen.push_back(corners);
            planes.push_back(p);
        }
    }
    return planes;
}
