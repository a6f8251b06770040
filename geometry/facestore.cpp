#include "facestore.h"

#include "shapeset.h"
#include "solid.h"

namespace {

// Boxes ranked this far apart can both stay: neighbours in a scene are mostly written near each
// other.
constexpr std::size_t CACHE_SIZE = 1024;

} // namespace

void FaceStore::reserve(std::size_t boxCount) {
    boxes_.reserve(boxCount);
    // Four corners to a face for most boxes: what stays untouched costs no memory.
    corners_.reserve(boxCount * 24);
}

void FaceStore::add(const Solid& solid, std::uint8_t walkable) {
    Indices indices;
    indices.first = static_cast<std::uint32_t>(corners_.size());
    indices.walkable = walkable;
    // The shapes keep no solid of more vertices than a byte counts.
    if (solid.closed() && solid.vertices.size() <= UINT8_MAX) {
        for (std::size_t p = 0; p < solid.faces.size(); ++p) {
            const std::vector<std::size_t>& face = solid.faces[p];
            if (face.size() > FaceOutline::MAX_CORNERS) {
                continue;
            }
            indices.sizes[p] = static_cast<std::uint8_t>(face.size());
            for (const std::size_t corner : face) {
                corners_.push_back(static_cast<std::uint8_t>(corner));
            }
        }
    }
    boxes_.push_back(indices);
}

void FaceStore::append(const FaceStore& other) {
    const auto offset = static_cast<std::uint32_t>(corners_.size());
    for (Indices indices : other.boxes_) {
        indices.first += offset;
        boxes_.push_back(indices);
    }
    corners_.insert(corners_.end(), other.corners_.begin(), other.corners_.end());
}

void FaceStore::clear() {
    boxes_.clear();
    corners_.clear();
    unusedCorners_ = 0;
}

FaceStore::Indices FaceStore::adopted(const FaceStore& single) {
    Indices indices = single.boxes_.front();
    indices.first = static_cast<std::uint32_t>(corners_.size());
    corners_.insert(corners_.end(), single.corners_.begin(), single.corners_.end());
    return indices;
}

std::size_t FaceStore::cornerCount(const Indices& indices) {
    std::size_t count = 0;
    for (const std::uint8_t size : indices.sizes) {
        count += size;
    }
    return count;
}

void FaceStore::leaveBehind(const Indices& indices) {
    unusedCorners_ += cornerCount(indices);
    if (unusedCorners_ <= 4096 || unusedCorners_ * 2 <= corners_.size()) {
        return;
    }
    std::vector<std::uint8_t> fresh;
    fresh.reserve(corners_.size() - unusedCorners_);
    for (Indices& box : boxes_) {
        const auto first = corners_.begin() + box.first;
        box.first = static_cast<std::uint32_t>(fresh.size());
        fresh.insert(fresh.end(), first, first + static_cast<std::ptrdiff_t>(cornerCount(box)));
    }
    corners_ = std::move(fresh);
    unusedCorners_ = 0;
}

void FaceStore::replace(std::size_t rank, const FaceStore& single) {
    const Indices previous = boxes_[rank];
    boxes_[rank] = adopted(single);
    leaveBehind(previous);
}

void FaceStore::insert(std::size_t rank, const FaceStore& single) {
    boxes_.insert(boxes_.begin() + static_cast<std::ptrdiff_t>(rank), adopted(single));
}

void FaceStore::erase(std::size_t rank) {
    const Indices previous = boxes_[rank];
    boxes_.erase(boxes_.begin() + static_cast<std::ptrdiff_t>(rank));
    leaveBehind(previous);
}

void FaceStore::build(const ShapeSet& shapes, std::size_t rank, std::uint8_t planes,
                      BoxFaces& faces) const {
    const Indices& indices = boxes_[rank];
    faces.walkable = indices.walkable;
    std::size_t next = indices.first;
    std::array<Vec3, FaceOutline::MAX_CORNERS> corners;
    for (std::size_t p = 0; p < faces.faces.size(); ++p) {
        const std::size_t count = indices.sizes[p];
        const auto bit = static_cast<std::uint8_t>(1u << p);
        if ((planes & bit) != 0 && (faces.built & bit) == 0) {
            for (std::size_t i = 0; i < count; ++i) {
                corners[i] = shapes.vertex(rank, corners_[next + i]);
            }
            faces.faces[p] = faceOutline(corners.data(), count);
            faces.built = static_cast<std::uint8_t>(faces.built | bit);
        }
        next += count;
    }
}

const BoxFaces& FaceReader::cached(std::size_t rank, std::uint8_t planes) {
    if (cache_.empty()) {
        cache_.resize(CACHE_SIZE);
    }
    Cached& entry = cache_[rank % CACHE_SIZE];
    if (entry.rank != rank) {
        entry.rank = rank;
        entry.faces.built = 0;
    }
    store_.build(shapes_, rank, planes, entry.faces);
    return entry.faces;
}

std::pair<const BoxFaces*, const BoxFaces*> FaceReader::facesOf(std::size_t a, std::size_t b,
                                                                std::uint8_t planes) {
    const BoxFaces& first = cached(a, planes);
    if (a % CACHE_SIZE == b % CACHE_SIZE) {
        spare_.built = 0;
        store_.build(shapes_, b, planes, spare_);
        return {&first, &spare_};
    }
    return {&first, &cached(b, planes)};
}
