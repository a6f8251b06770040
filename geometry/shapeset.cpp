#include "shapeset.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// Directions closer than this to parallel are one axis.
constexpr double SAME_DIRECTION = 1 - 1e-12;
// Edges closer than this (the sine of their angle) to parallel give no axis of their own.
constexpr double PARALLEL_EDGES = 1e-6;
// Up to this extent, single-precision offsets from the lowest corner stray by less than a
// sixteenth of the tolerance.
constexpr double COMPACT_EXTENT = 1024;
// Up to this extent, a corner and three edges in single precision give every corner of a
// parallelepiped within a sixteenth of the tolerance as well.
constexpr double PARALLELEPIPED_EXTENT = 256;
// How far a corner may lie from where three edges put it for a solid to be kept as a
// parallelepiped.
constexpr double PARALLELEPIPED_MISMATCH = GEOMETRY_TOLERANCE / 256;

bool apart(double lowA, double highA, double lowB, double highB) {
    return lowB - highA > GEOMETRY_TOLERANCE || lowA - highB > GEOMETRY_TOLERANCE;
}

float roundedDown(double value) {
    const float rounded = static_cast<float>(value);
    return rounded > value ? std::nextafter(rounded, -std::numeric_limits<float>::infinity())
                           : rounded;
}

float roundedUp(double value) {
    const float rounded = static_cast<float>(value);
    return rounded < value ? std::nextafter(rounded, std::numeric_limits<float>::infinity())
                           : rounded;
}

std::array<float, 3> toFloat3(const Vec3& value) {
    return {static_cast<float>(value.x), static_cast<float>(value.y), static_cast<float>(value.z)};
}

Vec3 unit(const Vec3& direction) {
    return direction * (1.0 / length(direction));
}

// Whether neither the direction nor its opposite is among the directions given. Compared in
// double precision, before rounding: two single-precision unit vectors can stray from unit length
// by more than SAME_DIRECTION allows, and parallel edges would then each give an axis.
bool isNewDirection(const std::vector<Vec3>& directions, const Vec3& direction) {
    return std::none_of(directions.begin(), directions.end(), [&](const Vec3& other) {
        return std::fabs(dot(other, direction)) >= SAME_DIRECTION;
    });
}

// The corners of a parallelepiped as buildSolid gives them: corner i is corner 0 moved along the
// edges to corners 1, 2 and 4 for each of the bits 1, 2 and 4 of i.
constexpr std::array<std::size_t, 3> PARALLELEPIPED_EDGE_ENDS = {1, 2, 4};

bool isParallelepiped(const std::vector<Vec3>& vertices) {
    if (vertices.size() != 8) {
        return false;
    }
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        Vec3 expected = vertices[0];
        for (std::size_t bit = 0; bit < PARALLELEPIPED_EDGE_ENDS.size(); ++bit) {
            if ((i >> bit & 1u) != 0) {
                expected = expected + (vertices[PARALLELEPIPED_EDGE_ENDS[bit]] - vertices[0]);
            }
        }
        const Vec3 mismatch = vertices[i] - expected;
        if (std::max({std::fabs(mismatch.x), std::fabs(mismatch.y), std::fabs(mismatch.z)}) >
            PARALLELEPIPED_MISMATCH) {
            return false;
        }
    }
    return true;
}

} // namespace

void ShapeSet::reserve(std::size_t solidCount) {
    // Room for the most six planes can give (8 vertices, 6 faces, 12 edges), so that nothing is
    // ever copied: untouched room costs address space, not memory.
    entries_.reserve(solidCount);
    offsets_.reserve(solidCount * 8);
    faceAxes_.reserve(solidCount * 6);
    edgeAxes_.reserve(solidCount * 12);
}

ShapeSet::Range ShapeSet::project(const Entry& entry, const Vec3& axis) const {
    Range range{std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    if (entry.form == VertexForm::Exact) {
        for (std::size_t i = 0; i < entry.vertexCount; ++i) {
            const double along = dot(exactVertices_[entry.firstVertex + i], axis);
            range.low = std::min(range.low, along);
            range.high = std::max(range.high, along);
        }
        return range;
    }
    const double base = dot(toVec3(entry.low), axis);
    if (entry.form == VertexForm::Parallelepiped) {
        const Float3* stored = &offsets_[entry.firstVertex];
        range.low = range.high = base + dot(toVec3(stored[0]), axis);
        for (std::size_t edge = 1; edge <= 3; ++edge) {
            const double along = dot(toVec3(stored[edge]), axis);
            (along < 0 ? range.low : range.high) += along;
        }
        return range;
    }
    for (std::size_t i = 0; i < entry.vertexCount; ++i) {
        const double along = base + dot(toVec3(offsets_[entry.firstVertex + i]), axis);
        range.low = std::min(range.low, along);
        range.high = std::max(range.high, along);
    }
    return range;
}

Vec3 ShapeSet::vertex(std::size_t rank, std::size_t index) const {
    const Entry& entry = entries_[rank];
    if (entry.form == VertexForm::Exact) {
        return exactVertices_[entry.firstVertex + index];
    }
    const Float3* stored = &offsets_[entry.firstVertex];
    if (entry.form == VertexForm::Offsets) {
        return toVec3(entry.low) + toVec3(stored[index]);
    }
    Vec3 offset = toVec3(stored[0]);
    for (std::size_t bit = 0; bit < PARALLELEPIPED_EDGE_ENDS.size(); ++bit) {
        if ((index >> bit & 1u) != 0) {
            offset = offset + toVec3(stored[bit + 1]);
        }
    }
    return toVec3(entry.low) + offset;
}

void ShapeSet::add(const Solid& solid) {
    Entry entry;
    if (!solid.closed() || solid.vertices.size() > std::numeric_limits<std::uint8_t>::max()) {
        entries_.push_back(entry);
        return;
    }
    entry.low = {roundedDown(solid.boundsMin.x), roundedDown(solid.boundsMin.y),
                 roundedDown(solid.boundsMin.z)};
    entry.high = {roundedUp(solid.boundsMax.x), roundedUp(solid.boundsMax.y),
                  roundedUp(solid.boundsMax.z)};
    const Vec3 extent = solid.boundsMax - solid.boundsMin;
    const double largest = std::max({extent.x, extent.y, extent.z});
    entry.vertexCount = static_cast<std::uint8_t>(solid.vertices.size());
    if (largest <= PARALLELEPIPED_EXTENT && isParallelepiped(solid.vertices)) {
        entry.form = VertexForm::Parallelepiped;
        entry.firstVertex = static_cast<std::uint32_t>(offsets_.size());
        const Vec3& corner = solid.vertices[0];
        offsets_.push_back(toFloat3(corner - toVec3(entry.low)));
        for (const std::size_t end : PARALLELEPIPED_EDGE_ENDS) {
            offsets_.push_back(toFloat3(solid.vertices[end] - corner));
        }
    } else if (largest > COMPACT_EXTENT) {
        entry.form = VertexForm::Exact;
        entry.firstVertex = static_cast<std::uint32_t>(exactVertices_.size());
        exactVertices_.insert(exactVertices_.end(), solid.vertices.begin(), solid.vertices.end());
    } else {
        entry.firstVertex = static_cast<std::uint32_t>(offsets_.size());
        const Vec3 origin = toVec3(entry.low);
        for (const Vec3& vertex : solid.vertices) {
            offsets_.push_back(toFloat3(vertex - origin));
        }
    }
    entry.firstFaceAxis = static_cast<std::uint32_t>(faceAxes_.size());
    directions_.clear();
    for (const auto& face : solid.faces) {
        if (face.size() < 3) {
            continue;
        }
        // Taken from the polygon, relative to its first corner so that far scenes keep it exact.
        const Vec3& corner = solid.vertices[face[0]];
        Vec3 normal;
        for (std::size_t i = 1; i + 1 < face.size(); ++i) {
            normal = normal +
                     cross(solid.vertices[face[i]] - corner, solid.vertices[face[i + 1]] - corner);
        }
        if (length(normal) == 0) {
            continue;
        }
        const Vec3 direction = unit(normal);
        if (isNewDirection(directions_, direction)) {
            directions_.push_back(direction);
            faceAxes_.push_back(toFloat3(direction));
        }
    }
    entry.firstEdgeAxis = static_cast<std::uint32_t>(edgeAxes_.size());
    directions_.clear();
    for (const auto& [a, b] : solid.edges) {
        const Vec3 direction = solid.vertices[b] - solid.vertices[a];
        if (length(direction) == 0) {
            continue;
        }
        const Vec3 axis = unit(direction);
        if (isNewDirection(directions_, axis)) {
            directions_.push_back(axis);
            edgeAxes_.push_back(toFloat3(axis));
        }
    }
    entry.faceAxisCount = static_cast<std::uint8_t>(
        std::min<std::size_t>(faceAxes_.size() - entry.firstFaceAxis, 255));
    entry.edgeAxisCount = static_cast<std::uint8_t>(
        std::min<std::size_t>(edgeAxes_.size() - entry.firstEdgeAxis, 255));
    entries_.push_back(entry);
}

void ShapeSet::append(const ShapeSet& other) {
    const auto offsetsBefore = static_cast<std::uint32_t>(offsets_.size());
    const auto exactBefore = static_cast<std::uint32_t>(exactVertices_.size());
    const auto faceAxesBefore = static_cast<std::uint32_t>(faceAxes_.size());
    const auto edgeAxesBefore = static_cast<std::uint32_t>(edgeAxes_.size());
    for (Entry entry : other.entries_) {
        if (entry.vertexCount != 0) {
            entry.firstVertex += entry.form == VertexForm::Exact ? exactBefore : offsetsBefore;
            entry.firstFaceAxis += faceAxesBefore;
            entry.firstEdgeAxis += edgeAxesBefore;
        }
        entries_.push_back(entry);
    }
    offsets_.insert(offsets_.end(), other.offsets_.begin(), other.offsets_.end());
    exactVertices_.insert(exactVertices_.end(), other.exactVertices_.begin(),
                          other.exactVertices_.end());
    faceAxes_.insert(faceAxes_.end(), other.faceAxes_.begin(), other.faceAxes_.end());
    edgeAxes_.insert(edgeAxes_.end(), other.edgeAxes_.begin(), other.edgeAxes_.end());
}

void ShapeSet::clear() {
    entries_.clear();
    unused_ = 0;
    offsets_.clear();
    exactVertices_.clear();
    faceAxes_.clear();
    edgeAxes_.clear();
}

ShapeSet::Entry ShapeSet::adopted(const ShapeSet& single) {
    Entry entry = single.entries_.front();
    if (entry.vertexCount == 0) {
        return entry;
    }
    if (entry.form == VertexForm::Exact) {
        entry.firstVertex = static_cast<std::uint32_t>(exactVertices_.size());
        exactVertices_.insert(exactVertices_.end(), single.exactVertices_.begin(),
                              single.exactVertices_.end());
    } else {
        entry.firstVertex = static_cast<std::uint32_t>(offsets_.size());
        offsets_.insert(offsets_.end(), single.offsets_.begin(), single.offsets_.end());
    }
    entry.firstFaceAxis = static_cast<std::uint32_t>(faceAxes_.size());
    faceAxes_.insert(faceAxes_.end(), single.faceAxes_.begin(), single.faceAxes_.end());
    entry.firstEdgeAxis = static_cast<std::uint32_t>(edgeAxes_.size());
    edgeAxes_.insert(edgeAxes_.end(), single.edgeAxes_.begin(), single.edgeAxes_.end());
    return entry;
}

std::size_t ShapeSet::weightOf(const Entry& entry) {
    if (entry.vertexCount == 0) {
        return 0;
    }
    const std::size_t vertices = entry.form == VertexForm::Parallelepiped ? 4 : entry.vertexCount;
    return vertices + entry.faceAxisCount + entry.edgeAxisCount;
}

void ShapeSet::leaveBehind(const Entry& entry) {
    unused_ += weightOf(entry);
    const std::size_t stored =
        offsets_.size() + exactVertices_.size() + faceAxes_.size() + edgeAxes_.size();
    if (unused_ > 4096 && unused_ * 2 > stored) {
        compact();
    }
}

void ShapeSet::compact() {
    ShapeSet fresh;
    fresh.reserve(entries_.size());
    for (const Entry& entry : entries_) {
        Entry kept = entry;
        if (entry.vertexCount != 0) {
            const std::size_t vertices =
                entry.form == VertexForm::Parallelepiped ? 4 : entry.vertexCount;
            if (entry.form == VertexForm::Exact) {
                kept.firstVertex = static_cast<std::uint32_t>(fresh.exactVertices_.size());
                const auto first = exactVertices_.begin() + entry.firstVertex;
                fresh.exactVertices_.insert(fresh.exactVertices_.end(), first,
                                            first + static_cast<std::ptrdiff_t>(vertices));
            } else {
                kept.firstVertex = static_cast<std::uint32_t>(fresh.offsets_.size());
                const auto first = offsets_.begin() + entry.firstVertex;
                fresh.offsets_.insert(fresh.offsets_.end(), first,
                                      first + static_cast<std::ptrdiff_t>(vertices));
            }
            kept.firstFaceAxis = static_cast<std::uint32_t>(fresh.faceAxes_.size());
            const auto faces = faceAxes_.begin() + entry.firstFaceAxis;
            fresh.faceAxes_.insert(fresh.faceAxes_.end(), faces, faces + entry.faceAxisCount);
            kept.firstEdgeAxis = static_cast<std::uint32_t>(fresh.edgeAxes_.size());
            const auto edges = edgeAxes_.begin() + entry.firstEdgeAxis;
            fresh.edgeAxes_.insert(fresh.edgeAxes_.end(), edges, edges + entry.edgeAxisCount);
        }
        fresh.entries_.push_back(kept);
    }
    *this = std::move(fresh);
}

void ShapeSet::replace(std::size_t rank, const ShapeSet& single) {
    const Entry entry = adopted(single);
    const Entry previous = entries_[rank];
    entries_[rank] = entry;
    leaveBehind(previous);
}

void ShapeSet::insert(std::size_t rank, const ShapeSet& single) {
    const Entry entry = adopted(single);
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(rank), entry);
}

void ShapeSet::erase(std::size_t rank) {
    const Entry previous = entries_[rank];
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(rank));
    leaveBehind(previous);
}

bool ShapeSet::hasFaceAxis(const Entry& entry, const Float3& direction) const {
    const Float3 opposite = {-direction[0], -direction[1], -direction[2]};
    for (std::size_t i = 0; i < entry.faceAxisCount; ++i) {
        const Float3& axis = faceAxes_[entry.firstFaceAxis + i];
        if (axis == direction || axis == opposite) {
            return true;
        }
    }
    return false;
}

bool ShapeSet::separatedByFaces(const Entry& own, const Entry& other, const Entry* tried) const {
    for (std::size_t i = 0; i < own.faceAxisCount; ++i) {
        const Float3& stored = faceAxes_[own.firstFaceAxis + i];
        // The same axis, or its opposite, gives the same ranges, negated: its answer is known.
        if (tried != nullptr && hasFaceAxis(*tried, stored)) {
            continue;
        }
        const Vec3 axis = toVec3(stored);
        const Range ownRange = project(own, axis);
        const Range range = project(other, axis);
        if (apart(ownRange.low, ownRange.high, range.low, range.high)) {
            return true;
        }
    }
    return false;
}

bool ShapeSet::touch(std::size_t a, std::size_t b) const {
    const Entry& first = entries_[a];
    const Entry& second = entries_[b];
    if (separatedByFaces(first, second, nullptr) || separatedByFaces(second, first, &first)) {
        return false;
    }
    // An axis along a face direction has been tried already: for boxes turned alike, as most
    // neighbours in a scene are, every cross product of edges is one.
    const auto alongAFace = [&](const Vec3& axis) {
        for (const Entry* entry : {&first, &second}) {
            for (std::size_t i = 0; i < entry->faceAxisCount; ++i) {
                const Vec3 direction = toVec3(faceAxes_[entry->firstFaceAxis + i]);
                if (std::fabs(dot(direction, axis)) >= SAME_DIRECTION) {
                    return true;
                }
            }
        }
        return false;
    };
    const auto separates = [&](const Vec3& axis) {
        if (length(axis) < PARALLEL_EDGES || alongAFace(unit(axis))) {
            return false;
        }
        const Vec3 direction = unit(axis);
        const Range firstRange = project(first, direction);
        const Range secondRange = project(second, direction);
        return apart(firstRange.low, firstRange.high, secondRange.low, secondRange.high);
    };
    // Solids turned alike, most neighbours, have the same edges up to their signs: the cross
    // products of one's edges with the other's are then those of the first's own edges, each
    // twice, exactly negated, or nothing. Each is tried once.
    if (sameEdgeAxes(first, second)) {
        for (std::size_t i = 0; i < first.edgeAxisCount; ++i) {
            for (std::size_t j = i + 1; j < first.edgeAxisCount; ++j) {
                if (separates(cross(toVec3(edgeAxes_[first.firstEdgeAxis + i]),
                                    toVec3(edgeAxes_[first.firstEdgeAxis + j])))) {
                    return false;
                }
            }
        }
        return true;
    }
    for (std::size_t i = 0; i < first.edgeAxisCount; ++i) {
        for (std::size_t j = 0; j < second.edgeAxisCount; ++j) {
            if (separates(cross(toVec3(edgeAxes_[first.firstEdgeAxis + i]),
                                toVec3(edgeAxes_[second.firstEdgeAxis + j])))) {
                return false;
            }
        }
    }
    return true;
}

bool ShapeSet::sameEdgeAxes(const Entry& first, const Entry& second) const {
    if (first.edgeAxisCount != second.edgeAxisCount) {
        return false;
    }
    for (std::size_t i = 0; i < first.edgeAxisCount; ++i) {
        const Float3& own = edgeAxes_[first.firstEdgeAxis + i];
        const Float3& other = edgeAxes_[second.firstEdgeAxis + i];
        if (other != own && other != Float3{-own[0], -own[1], -own[2]}) {
            return false;
        }
    }
    return true;
}
