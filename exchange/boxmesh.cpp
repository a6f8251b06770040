#include "boxmesh.h"

#include "parallelepiped.h"

#include <algorithm>
#include <cmath>

namespace {

// The corners of a face as a set: six planes make at most twenty corners.
std::uint64_t cornerSet(const std::vector<std::size_t>& corners) {
    std::uint64_t set = 0;
    for (const std::size_t corner : corners) {
        set |= std::uint64_t{1} << (corner % 64);
    }
    return set;
}

} // namespace

bool BoxMesh::build(const BoxValues& values) {
    corners_.clear();
    faceCorners_.clear();
    faceCount_ = 0;
    faceStarts_.fill(0);
    return buildParallelepiped(values) || buildOther(values);
}

bool BoxMesh::buildParallelepiped(const BoxValues& values) {
    std::array<double, 6> distances{};
    for (std::size_t p = 0; p < 6; ++p) {
        const double norm = length(values.planes[p].normal);
        if (norm == 0) {
            return false;
        }
        normals_[p] = values.planes[p].normal * (1.0 / norm);
        distances[p] = values.planes[p].d / norm;
    }
    for (const auto& [p, q] : OPPOSITE_PLANES) {
        if (!(normals_[q] == -normals_[p]) || !(distances[p] + distances[q] > SURE_THICKNESS)) {
            return false;
        }
    }
    const double det = dot(normals_[0], cross(normals_[1], normals_[2]));
    if (!(std::fabs(det) >= SURE_VOLUME_FACTOR)) {
        return false;
    }
    // Each corner is three of these pairs' crosses, each pair's shared by several corners.
    std::array<std::array<Vec3, 6>, 6> crosses;
    for (std::size_t i = 0; i < 6; ++i) {
        for (std::size_t j = i + 1; j < 6; ++j) {
            crosses[i][j] = cross(normals_[i], normals_[j]);
        }
    }
    corners_.resize(PARALLELEPIPED_CORNERS.size());
    for (std::size_t c = 0; c < PARALLELEPIPED_CORNERS.size(); ++c) {
        const auto& [i, j, k] = PARALLELEPIPED_CORNERS[c];
        corners_[c] = (distances[i] * crosses[j][k] - distances[j] * crosses[i][k] +
                       distances[k] * crosses[i][j]) *
                      (1.0 / dot(normals_[i], crosses[j][k]));
    }
    // Mirrored normals turn every face the other way.
    for (const auto& face : PARALLELEPIPED_FACES) {
        if (det > 0) {
            faceCorners_.insert(faceCorners_.end(), face.begin(), face.end());
        } else {
            faceCorners_.insert(faceCorners_.end(), face.rbegin(), face.rend());
        }
        faceStarts_[faceCount_ + 1] = faceCorners_.size();
        ++faceCount_;
    }
    layout_ = det > 0 ? Layout::Parallelepiped : Layout::Mirrored;
    return true;
}

bool BoxMesh::buildOther(const BoxValues& values) {
    layout_ = Layout::Other;
    buildSolid(values, solid_);
    if (!solid_.closed() || solid_.vertices.size() > MOST_CORNERS) {
        return false;
    }
    corners_ = solid_.vertices;
    // Two planes that coincide both list the same face: it is shown once.
    std::array<std::uint64_t, 6> seen{};
    for (std::size_t p = 0; p < solid_.faces.size(); ++p) {
        const std::vector<std::size_t>& corners = solid_.faces[p];
        const auto shown = seen.begin() + static_cast<std::ptrdiff_t>(faceCount_);
        if (corners.size() < 3 || std::find(seen.begin(), shown, cornerSet(corners)) != shown) {
            continue;
        }
        seen[faceCount_] = cornerSet(corners);
        for (const std::size_t corner : corners) {
            faceCorners_.push_back(static_cast<std::uint8_t>(corner));
        }
        const PlaneValues& plane = values.planes[p];
        normals_[faceCount_] = plane.normal * (1 / length(plane.normal));
        faceStarts_[faceCount_ + 1] = faceCorners_.size();
        ++faceCount_;
    }
    return true;
}
