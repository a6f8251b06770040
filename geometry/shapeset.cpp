#include "shapeset.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Directions closer than this to parallel are one axis.
constexpr double SAME_DIRECTION = 1 - 1e-12;
// Edges closer than this (the sine of their angle) to parallel give no axis of their own.
constexpr double PARALLEL_EDGES = 1e-9;

struct Range {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
};

Range project(const Vec3* vertices, std::size_t count, const Vec3& axis) {
    Range range;
    for (std::size_t i = 0; i < count; ++i) {
        const double along = dot(vertices[i], axis);
        range.low = std::min(range.low, along);
        range.high = std::max(range.high, along);
    }
    return range;
}

bool apart(const Range& a, const Range& b) {
    return b.low - a.high > GEOMETRY_TOLERANCE || a.low - b.high > GEOMETRY_TOLERANCE;
}

// Whether neither the direction nor its opposite is among the axes from first on.
template <typename Axes, typename DirectionOf>
bool isNewDirection(const Axes& axes, std::size_t first, const Vec3& direction, DirectionOf of) {
    for (std::size_t i = first; i < axes.size(); ++i) {
        if (std::fabs(dot(of(axes[i]), direction)) >= SAME_DIRECTION) {
            return false;
        }
    }
    return true;
}

} // namespace

void ShapeSet::reserve(std::size_t solidCount) {
    // Room for boxes with six faces; untouched room costs address space, not memory.
    entries_.reserve(solidCount);
    vertices_.reserve(solidCount * 8);
    faceAxes_.reserve(solidCount * 6);
    edgeAxes_.reserve(solidCount * 12);
}

void ShapeSet::add(const Solid& solid) {
    Entry entry;
    if (!solid.closed() || solid.vertices.size() > std::numeric_limits<std::uint8_t>::max()) {
        entries_.push_back(entry);
        return;
    }
    entry.low = solid.boundsMin;
    entry.high = solid.boundsMax;
    entry.firstVertex = vertices_.size();
    entry.firstFaceAxis = faceAxes_.size();
    entry.firstEdgeAxis = edgeAxes_.size();
    vertices_.insert(vertices_.end(), solid.vertices.begin(), solid.vertices.end());
    entry.vertexCount = static_cast<std::uint8_t>(solid.vertices.size());
    const Vec3* vertices = &vertices_[entry.firstVertex];
    for (const auto& face : solid.faces) {
        if (face.size() < 3) {
            continue;
        }
        // Taken from the polygon, relative to its first corner so that far scenes keep it exact.
        const Vec3& origin = solid.vertices[face[0]];
        Vec3 normal;
        for (std::size_t i = 1; i + 1 < face.size(); ++i) {
            normal = normal +
                     cross(solid.vertices[face[i]] - origin, solid.vertices[face[i + 1]] - origin);
        }
        const double norm = length(normal);
        if (norm == 0) {
            continue;
        }
        normal = normal * (1.0 / norm);
        if (isNewDirection(faceAxes_, entry.firstFaceAxis, normal,
                           [](const FaceAxis& axis) { return axis.direction; })) {
            const Range range = project(vertices, entry.vertexCount, normal);
            faceAxes_.push_back({normal, range.low, range.high});
        }
    }
    for (const auto& [a, b] : solid.edges) {
        Vec3 direction = solid.vertices[b] - solid.vertices[a];
        const double norm = length(direction);
        if (norm == 0) {
            continue;
        }
        direction = direction * (1.0 / norm);
        if (isNewDirection(edgeAxes_, entry.firstEdgeAxis, direction,
                           [](const Vec3& axis) { return axis; })) {
            edgeAxes_.push_back(direction);
        }
    }
    entry.faceAxisCount = static_cast<std::uint8_t>(
        std::min<std::size_t>(faceAxes_.size() - entry.firstFaceAxis, 255));
    entry.edgeAxisCount = static_cast<std::uint8_t>(
        std::min<std::size_t>(edgeAxes_.size() - entry.firstEdgeAxis, 255));
    entries_.push_back(entry);
}

bool ShapeSet::separatedByFaces(const Entry& own, const Entry& other) const {
    const Vec3* otherVertices = &vertices_[other.firstVertex];
    for (std::size_t i = 0; i < own.faceAxisCount; ++i) {
        const FaceAxis& axis = faceAxes_[own.firstFaceAxis + i];
        if (apart({axis.low, axis.high},
                  project(otherVertices, other.vertexCount, axis.direction))) {
            return true;
        }
    }
    return false;
}

bool ShapeSet::touch(std::size_t a, std::size_t b) const {
    const Entry& first = entries_[a];
    const Entry& second = entries_[b];
    if (separatedByFaces(first, second) || separatedByFaces(second, first)) {
        return false;
    }
    const Vec3* firstVertices = &vertices_[first.firstVertex];
    const Vec3* secondVertices = &vertices_[second.firstVertex];
    // An axis along a face direction has been tried already: for boxes turned alike, as most
    // neighbours in a scene are, every cross product of edges is one.
    const auto alongAFace = [&](const Vec3& axis) {
        for (const Entry* entry : {&first, &second}) {
            for (std::size_t i = 0; i < entry->faceAxisCount; ++i) {
                if (std::fabs(dot(faceAxes_[entry->firstFaceAxis + i].direction, axis)) >=
                    SAME_DIRECTION) {
                    return true;
                }
            }
        }
        return false;
    };
    for (std::size_t i = 0; i < first.edgeAxisCount; ++i) {
        for (std::size_t j = 0; j < second.edgeAxisCount; ++j) {
            Vec3 axis =
                cross(edgeAxes_[first.firstEdgeAxis + i], edgeAxes_[second.firstEdgeAxis + j]);
            const double norm = length(axis);
            if (norm < PARALLEL_EDGES) {
                continue;
            }
            axis = axis * (1.0 / norm);
            if (alongAFace(axis)) {
                continue;
            }
            if (apart(project(firstVertices, first.vertexCount, axis),
                      project(secondVertices, second.vertexCount, axis))) {
                return false;
            }
        }
    }
    return true;
}
