#include "shapeset.h"

#include "floatrounding.h"

#include <algorithm>
#include <bit>
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
// An orientation counts its face axes, its edge axes and their cross products in a byte each.
constexpr std::size_t MOST_AXES = 255;

bool apart(double lowA, double highA, double lowB, double highB) {
    return lowB - highA > GEOMETRY_TOLERANCE || lowA - highB > GEOMETRY_TOLERANCE;
}

std::array<float, 3> toFloat3(const Vec3& value) {
    return {static_cast<float>(value.x), static_cast<float>(value.y), static_cast<float>(value.z)};
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
    // Room for the most six planes can give (8 vertices), so that nothing is ever copied:
    // untouched room costs address space, not memory.
    entries_.reserve(solidCount);
    offsets_.reserve(solidCount * 8);
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
        const Float3* stored = entry.frame.data();
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
    if (entry.form == VertexForm::Offsets) {
        return toVec3(entry.low) + toVec3(offsets_[entry.firstVertex + index]);
    }
    const Float3* stored = entry.frame.data();
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
    entry.low = {floatBelow(solid.boundsMin.x), floatBelow(solid.boundsMin.y),
                 floatBelow(solid.boundsMin.z)};
    entry.high = {floatAbove(solid.boundsMax.x), floatAbove(solid.boundsMax.y),
                  floatAbove(solid.boundsMax.z)};
    const Vec3 extent = solid.boundsMax - solid.boundsMin;
    const double largest = std::max({extent.x, extent.y, extent.z});
    entry.vertexCount = static_cast<std::uint8_t>(solid.vertices.size());
    if (largest <= PARALLELEPIPED_EXTENT && isParallelepiped(solid.vertices)) {
        entry.form = VertexForm::Parallelepiped;
        const Vec3& corner = solid.vertices[0];
        entry.frame[0] = toFloat3(corner - toVec3(entry.low));
        for (std::size_t edge = 0; edge < PARALLELEPIPED_EDGE_ENDS.size(); ++edge) {
            entry.frame[edge + 1] =
                toFloat3(solid.vertices[PARALLELEPIPED_EDGE_ENDS[edge]] - corner);
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
    directions_.clear();
    newAxes_.clear();
    seen_.clear();
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
        const double size = length(normal);
        if (size == 0 || seenAlready(normal)) {
            continue;
        }
        const Vec3 direction = normal * (1.0 / size);
        if (isNewDirection(directions_, direction)) {
            directions_.push_back(direction);
            if (newAxes_.size() < MOST_AXES) {
                newAxes_.push_back(toFloat3(direction));
            }
        }
    }
    const std::size_t faceAxisCount = newAxes_.size();
    directions_.clear();
    seen_.clear();
    for (const auto& [a, b] : solid.edges) {
        const Vec3 direction = solid.vertices[b] - solid.vertices[a];
        if (seenAlready(direction)) {
            continue;
        }
        const double size = length(direction);
        if (size == 0) {
            continue;
        }
        const Vec3 axis = direction * (1.0 / size);
        if (isNewDirection(directions_, axis)) {
            directions_.push_back(axis);
            if (newAxes_.size() - faceAxisCount < MOST_AXES) {
                newAxes_.push_back(toFloat3(axis));
            }
        }
    }
    entry.orientation =
        orientationOf(newAxes_.data(), faceAxisCount, newAxes_.size() - faceAxisCount);
    entries_.push_back(entry);
}

bool ShapeSet::seenAlready(const Vec3& vector) {
    if (std::any_of(seen_.begin(), seen_.end(),
                    [&](const Vec3& other) { return other == vector || other == -vector; })) {
        return true;
    }
    seen_.push_back(vector);
    return false;
}

void ShapeSet::append(const ShapeSet& other) {
    const auto offsetsBefore = static_cast<std::uint32_t>(offsets_.size());
    const auto exactBefore = static_cast<std::uint32_t>(exactVertices_.size());
    std::vector<std::uint32_t> orientations(other.orientations_.size());
    for (std::size_t i = 0; i < orientations.size(); ++i) {
        orientations[i] = adoptedOrientation(other, static_cast<std::uint32_t>(i));
    }
    for (Entry entry : other.entries_) {
        if (entry.vertexCount != 0) {
            if (entry.form != VertexForm::Parallelepiped) {
                entry.firstVertex += entry.form == VertexForm::Exact ? exactBefore : offsetsBefore;
            }
            entry.orientation = orientations[entry.orientation];
        }
        entries_.push_back(entry);
    }
    offsets_.insert(offsets_.end(), other.offsets_.begin(), other.offsets_.end());
    exactVertices_.insert(exactVertices_.end(), other.exactVertices_.begin(),
                          other.exactVertices_.end());
}

void ShapeSet::clear() {
    entries_.clear();
    unused_ = 0;
    offsets_.clear();
    exactVertices_.clear();
    orientations_.clear();
    axes_.clear();
    ownCrossAxes_.clear();
    orientationSlots_.clear();
    recentOrientations_.fill(0);
    pairAxes_.clear();
    pairAxisValues_.clear();
}

namespace {

std::uint64_t hashOfAxes(const std::array<float, 3>* axes, std::size_t faceAxisCount,
                         std::size_t edgeAxisCount) {
    std::uint64_t hash = faceAxisCount << 8 | edgeAxisCount;
    for (std::size_t i = 0; i < faceAxisCount + edgeAxisCount; ++i) {
        for (const float value : axes[i]) {
            // Plus zero: -0 and 0 are equal, and give the same answers along any axis.
            hash = (hash ^ std::bit_cast<std::uint32_t>(value + 0.0f)) * 0x9e3779b97f4a7c15u;
        }
    }
    return hash ^ hash >> 29;
}

} // namespace

std::uint32_t ShapeSet::orientationOf(const Float3* axes, std::size_t faceAxisCount,
                                      std::size_t edgeAxisCount) {
    for (const std::uint32_t recent : recentOrientations_) {
        if (recent < orientations_.size() &&
            isOrientation(recent, axes, faceAxisCount, edgeAxisCount)) {
            return recent;
        }
    }
    const std::uint64_t hash = hashOfAxes(axes, faceAxisCount, edgeAxisCount);
    const std::size_t mask = orientationSlots_.size() - 1;
    for (std::size_t slot = hash & mask; !orientationSlots_.empty() && orientationSlots_[slot] != 0;
         slot = (slot + 1) & mask) {
        if (isOrientation(orientationSlots_[slot] - 1, axes, faceAxisCount, edgeAxisCount)) {
            return remembered(orientationSlots_[slot] - 1);
        }
    }
    Orientation orientation;
    orientation.firstAxis = static_cast<std::uint32_t>(axes_.size());
    orientation.faceAxisCount = static_cast<std::uint8_t>(faceAxisCount);
    orientation.edgeAxisCount = static_cast<std::uint8_t>(edgeAxisCount);
    axes_.insert(axes_.end(), axes, axes + faceAxisCount + edgeAxisCount);
    addOwnCrossAxes(orientation);
    orientations_.push_back(orientation);
    const auto index = static_cast<std::uint32_t>(orientations_.size() - 1);
    if (index != 0 && index < PAIRED_ORIENTATIONS) {
        pairAxes_.resize(PAIRED_ORIENTATIONS * PAIRED_ORIENTATIONS);
        for (std::uint32_t other = 0; other < index; ++other) {
            addPairAxes(index, other);
        }
    }
    if (orientations_.size() * 2 > orientationSlots_.size()) {
        orientationSlots_.assign(std::max<std::size_t>(16, orientationSlots_.size() * 2), 0);
        for (std::uint32_t kept = 0; kept <= index; ++kept) {
            indexOrientation(kept);
        }
    } else {
        indexOrientation(index);
    }
    return remembered(index);
}

std::uint32_t ShapeSet::remembered(std::uint32_t orientation) {
    recentOrientations_[nextRecent_] = orientation;
    nextRecent_ = (nextRecent_ + 1) % recentOrientations_.size();
    return orientation;
}

bool ShapeSet::isOrientation(std::uint32_t index, const Float3* axes, std::size_t faceAxisCount,
                             std::size_t edgeAxisCount) const {
    const Orientation& orientation = orientations_[index];
    return orientation.faceAxisCount == faceAxisCount &&
           orientation.edgeAxisCount == edgeAxisCount &&
           std::equal(axes, axes + faceAxisCount + edgeAxisCount,
                      axes_.data() + orientation.firstAxis);
}

void ShapeSet::indexOrientation(std::uint32_t index) {
    const Orientation& orientation = orientations_[index];
    const std::size_t mask = orientationSlots_.size() - 1;
    std::size_t slot = hashOfAxes(axes_.data() + orientation.firstAxis, orientation.faceAxisCount,
                                  orientation.edgeAxisCount) &
                       mask;
    while (orientationSlots_[slot] != 0) {
        slot = (slot + 1) & mask;
    }
    orientationSlots_[slot] = index + 1;
}

void ShapeSet::addOwnCrossAxes(Orientation& orientation) {
    orientation.firstOwnCrossAxis = static_cast<std::uint32_t>(ownCrossAxes_.size());
    const Float3* faces = faceAxes(orientation);
    const Float3* edges = edgeAxes(orientation);
    const auto alongAFace = [&](const Vec3& axis) {
        return std::any_of(faces, faces + orientation.faceAxisCount, [&](const Float3& face) {
            return std::fabs(dot(toVec3(face), axis)) >= SAME_DIRECTION;
        });
    };
    for (std::size_t i = 0; i < orientation.edgeAxisCount; ++i) {
        for (std::size_t j = i + 1; j < orientation.edgeAxisCount; ++j) {
            const Vec3 axis = cross(toVec3(edges[i]), toVec3(edges[j]));
            const double size = length(axis);
            if (size < PARALLEL_EDGES) {
                continue;
            }
            const Vec3 direction = axis * (1.0 / size);
            if (!alongAFace(direction) &&
                ownCrossAxes_.size() - orientation.firstOwnCrossAxis < MOST_AXES) {
                ownCrossAxes_.push_back(direction);
            }
        }
    }
    orientation.ownCrossAxisCount =
        static_cast<std::uint8_t>(ownCrossAxes_.size() - orientation.firstOwnCrossAxis);
}

void ShapeSet::addPairAxes(std::uint32_t first, std::uint32_t second) {
    AxisList& list = pairAxes_[first * PAIRED_ORIENTATIONS + second];
    list.first = static_cast<std::uint32_t>(pairAxisValues_.size());
    forEachAxisApart(orientations_[first], orientations_[second], [&](const Vec3& axis) {
        pairAxisValues_.push_back(axis);
        return false;
    });
    list.count = static_cast<std::uint32_t>(pairAxisValues_.size() - list.first);
}

std::uint32_t ShapeSet::adoptedOrientation(const ShapeSet& other, std::uint32_t index) {
    const Orientation& orientation = other.orientations_[index];
    return orientationOf(other.axes_.data() + orientation.firstAxis, orientation.faceAxisCount,
                         orientation.edgeAxisCount);
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
    } else if (entry.form == VertexForm::Offsets) {
        entry.firstVertex = static_cast<std::uint32_t>(offsets_.size());
        offsets_.insert(offsets_.end(), single.offsets_.begin(), single.offsets_.end());
    }
    entry.orientation = adoptedOrientation(single, entry.orientation);
    return entry;
}

std::size_t ShapeSet::weightOf(const Entry& entry) {
    return entry.vertexCount == 0 || entry.form == VertexForm::Parallelepiped ? 0
                                                                              : entry.vertexCount;
}

void ShapeSet::leaveBehind(const Entry& entry) {
    // Its orientation counts too: solids turned by each edit would leave one each.
    unused_ += weightOf(entry) + 1;
    const std::size_t stored = offsets_.size() + exactVertices_.size() + orientations_.size();
    if (unused_ > 4096 && unused_ * 2 > stored) {
        compact();
    }
}

void ShapeSet::compact() {
    ShapeSet fresh;
    fresh.reserve(entries_.size());
    constexpr std::uint32_t NOT_YET = std::numeric_limits<std::uint32_t>::max();
    std::vector<std::uint32_t> orientations(orientations_.size(), NOT_YET);
    for (const Entry& entry : entries_) {
        Entry kept = entry;
        if (entry.vertexCount != 0) {
            const auto vertices = static_cast<std::ptrdiff_t>(weightOf(entry));
            if (entry.form == VertexForm::Exact) {
                kept.firstVertex = static_cast<std::uint32_t>(fresh.exactVertices_.size());
                const auto first = exactVertices_.begin() + entry.firstVertex;
                fresh.exactVertices_.insert(fresh.exactVertices_.end(), first, first + vertices);
            } else if (entry.form == VertexForm::Offsets) {
                kept.firstVertex = static_cast<std::uint32_t>(fresh.offsets_.size());
                const auto first = offsets_.begin() + entry.firstVertex;
                fresh.offsets_.insert(fresh.offsets_.end(), first, first + vertices);
            }
            std::uint32_t& orientation = orientations[entry.orientation];
            if (orientation == NOT_YET) {
                orientation = fresh.adoptedOrientation(*this, entry.orientation);
            }
            kept.orientation = orientation;
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

bool ShapeSet::apartAlong(const Entry& first, const Entry& second, const Vec3& axis) const {
    const Range firstRange = project(first, axis);
    const Range secondRange = project(second, axis);
    return apart(firstRange.low, firstRange.high, secondRange.low, secondRange.high);
}

bool ShapeSet::hasFaceAxis(const Orientation& orientation, const Float3& direction) const {
    const Float3 opposite = {-direction[0], -direction[1], -direction[2]};
    const Float3* faces = faceAxes(orientation);
    return std::any_of(faces, faces + orientation.faceAxisCount,
                       [&](const Float3& axis) { return axis == direction || axis == opposite; });
}

bool ShapeSet::touch(std::size_t a, std::size_t b) const {
    const Entry& first = entries_[a];
    const Entry& second = entries_[b];
    const std::uint32_t firstOrientation = first.orientation;
    const std::uint32_t secondOrientation = second.orientation;
    const auto apartAlongAny = [&](const Vec3* axes, std::size_t count) {
        return std::any_of(axes, axes + count,
                           [&](const Vec3& axis) { return apartAlong(first, second, axis); });
    };
    if (firstOrientation == secondOrientation) {
        // Solids turned alike, most neighbours, have the same face axes, and the cross products
        // of one's edges with the other's are those of the orientation's own edges, exactly
        // negated, or along a face axis, or nothing: the orientation keeps those that are left.
        const Orientation& orientation = orientations_[firstOrientation];
        const Float3* faces = faceAxes(orientation);
        for (std::size_t i = 0; i < orientation.faceAxisCount; ++i) {
            if (apartAlong(first, second, toVec3(faces[i]))) {
                return false;
            }
        }
        return !apartAlongAny(ownCrossAxes_.data() + orientation.firstOwnCrossAxis,
                              orientation.ownCrossAxisCount);
    }
    // Along an axis or its exact opposite, two solids are as far apart: the axes found for the
    // pair in one order serve in the other.
    const std::uint32_t higher = std::max(firstOrientation, secondOrientation);
    const std::uint32_t lower = std::min(firstOrientation, secondOrientation);
    if (higher < PAIRED_ORIENTATIONS) {
        const AxisList& list = pairAxes_[higher * PAIRED_ORIENTATIONS + lower];
        return !apartAlongAny(pairAxisValues_.data() + list.first, list.count);
    }
    return !forEachAxisApart(orientations_[firstOrientation], orientations_[secondOrientation],
                             [&](const Vec3& axis) { return apartAlong(first, second, axis); });
}

template <typename Visit>
bool ShapeSet::forEachAxisApart(const Orientation& first, const Orientation& second,
                                Visit visit) const {
    const Float3* firstFaces = faceAxes(first);
    for (std::size_t i = 0; i < first.faceAxisCount; ++i) {
        if (visit(toVec3(firstFaces[i]))) {
            return true;
        }
    }
    // The same axis, or its opposite, gives the same ranges, negated: its answer is known.
    const Float3* secondFaces = faceAxes(second);
    for (std::size_t i = 0; i < second.faceAxisCount; ++i) {
        if (!hasFaceAxis(first, secondFaces[i]) && visit(toVec3(secondFaces[i]))) {
            return true;
        }
    }
    // An axis along a face direction has been tried already.
    const auto alongAFace = [&](const Vec3& axis) {
        for (const Orientation* orientation : {&first, &second}) {
            const Float3* faces = faceAxes(*orientation);
            for (std::size_t i = 0; i < orientation->faceAxisCount; ++i) {
                if (std::fabs(dot(toVec3(faces[i]), axis)) >= SAME_DIRECTION) {
                    return true;
                }
            }
        }
        return false;
    };
    const auto visitCross = [&](const Float3& a, const Float3& b) {
        const Vec3 axis = cross(toVec3(a), toVec3(b));
        const double size = length(axis);
        if (size < PARALLEL_EDGES) {
            return false;
        }
        const Vec3 direction = axis * (1.0 / size);
        return !alongAFace(direction) && visit(direction);
    };
    const Float3* firstEdges = edgeAxes(first);
    // Solids with the same edges up to their signs (a mirrored copy, say): the cross products of
    // one's edges with the other's are those of the first's own edges, each twice, exactly
    // negated, or nothing. Each is tried once.
    if (sameEdgeAxes(first, second)) {
        for (std::size_t i = 0; i < first.edgeAxisCount; ++i) {
            for (std::size_t j = i + 1; j < first.edgeAxisCount; ++j) {
                if (visitCross(firstEdges[i], firstEdges[j])) {
                    return true;
                }
            }
        }
        return false;
    }
    const Float3* secondEdges = edgeAxes(second);
    for (std::size_t i = 0; i < first.edgeAxisCount; ++i) {
        for (std::size_t j = 0; j < second.edgeAxisCount; ++j) {
            if (visitCross(firstEdges[i], secondEdges[j])) {
                return true;
            }
        }
    }
    return false;
}

bool ShapeSet::sameEdgeAxes(const Orientation& first, const Orientation& second) const {
    if (first.edgeAxisCount != second.edgeAxisCount) {
        return false;
    }
    const Float3* firstEdges = edgeAxes(first);
    const Float3* secondEdges = edgeAxes(second);
    for (std::size_t i = 0; i < first.edgeAxisCount; ++i) {
        const Float3& own = firstEdges[i];
        const Float3& other = secondEdges[i];
        if (other != own && other != Float3{-own[0], -own[1], -own[2]}) {
            return false;
        }
    }
    return true;
}
