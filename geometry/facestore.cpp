#include "facestore.h"

#include "shapeset.h"
#include "solid.h"

#include <algorithm>

namespace {

// Boxes ranked this far apart can both stay: neighbours in a scene are mostly written near each
// other.
constexpr std::size_t CACHE_SIZE = 1024;

} // namespace

void FaceStore::reserve(std::size_t boxCount) {
    layoutOf_.reserve(boxCount);
    walkable_.reserve(boxCount);
}

void FaceStore::add(const Solid& solid, std::uint8_t walkable) {
    std::array<std::uint8_t, 6> sizes{};
    std::array<std::uint8_t, 6 * FaceOutline::MAX_CORNERS> corners{};
    std::size_t count = 0;
    // The shapes keep no solid of more vertices than a byte counts.
    if (solid.closed() && solid.vertices.size() <= UINT8_MAX) {
        for (std::size_t p = 0; p < solid.faces.size() && p < sizes.size(); ++p) {
            const std::vector<std::size_t>& face = solid.faces[p];
            if (face.size() > FaceOutline::MAX_CORNERS) {
                continue;
            }
            sizes[p] = static_cast<std::uint8_t>(face.size());
            for (const std::size_t corner : face) {
                corners[count++] = static_cast<std::uint8_t>(corner);
            }
        }
    }
    layoutOf_.push_back(layoutFor(sizes, corners.data()));
    walkable_.push_back(walkable);
}

std::uint32_t FaceStore::layoutFor(const std::array<std::uint8_t, 6>& sizes,
                                   const std::uint8_t* corners) {
    // Boxes come mostly as the one before.
    if (!layoutOf_.empty() && holds(layoutOf_.back(), sizes, corners)) {
        return layoutOf_.back();
    }
    std::size_t count = 0;
    std::uint64_t hash = 14695981039346656037u;
    const auto mix = [&hash](std::uint8_t byte) { hash = (hash ^ byte) * 1099511628211u; };
    for (const std::uint8_t size : sizes) {
        mix(size);
        count += size;
    }
    for (std::size_t i = 0; i < count; ++i) {
        mix(corners[i]);
    }
    const auto [found, added] =
        byHash_.try_emplace(hash, static_cast<std::uint32_t>(layouts_.size()));
    if (!added && holds(found->second, sizes, corners)) {
        return found->second;
    }
    layouts_.push_back({sizes, static_cast<std::uint32_t>(corners_.size())});
    corners_.insert(corners_.end(), corners, corners + count);
    return static_cast<std::uint32_t>(layouts_.size() - 1);
}

bool FaceStore::holds(std::uint32_t layout, const std::array<std::uint8_t, 6>& sizes,
                      const std::uint8_t* corners) const {
    const Layout& held = layouts_[layout];
    if (held.sizes != sizes) {
        return false;
    }
    std::size_t count = 0;
    for (const std::uint8_t size : sizes) {
        count += size;
    }
    return std::equal(corners, corners + count, corners_.begin() + held.first);
}

void FaceStore::append(const FaceStore& other) {
    std::vector<std::uint32_t> mapped(other.layouts_.size());
    for (std::size_t layout = 0; layout < mapped.size(); ++layout) {
        const Layout& theirs = other.layouts_[layout];
        mapped[layout] = layoutFor(theirs.sizes, other.corners_.data() + theirs.first);
    }
    for (const std::uint32_t layout : other.layoutOf_) {
        layoutOf_.push_back(mapped[layout]);
    }
    walkable_.insert(walkable_.end(), other.walkable_.begin(), other.walkable_.end());
}

void FaceStore::clear() {
    layoutOf_.clear();
    walkable_.clear();
    layouts_.clear();
    corners_.clear();
    byHash_.clear();
}

void FaceStore::build(const ShapeSet& shapes, std::size_t rank, std::uint8_t planes,
                      BoxFaces& faces) const {
    const Layout& layout = layouts_[layoutOf_[rank]];
    faces.walkable = walkable_[rank];
    std::size_t next = layout.first;
    std::array<Vec3, FaceOutline::MAX_CORNERS> corners;
    for (std::size_t p = 0; p < faces.faces.size(); ++p) {
        const std::size_t count = layout.sizes[p];
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
