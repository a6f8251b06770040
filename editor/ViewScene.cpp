#include "ViewScene.h"

#include "boxvalues.h"
#include "floatrounding.h"
#include "orlclass.h"
#include "parallelwork.h"
#include "rankpair.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// Solids kept for drawing: more than the 1,500 a frame draws in full, so that turning the view
// builds only the boxes that come into it; each takes about a kilobyte.
constexpr std::size_t keptSolids = 1800;

// Below this a second thread costs more than it saves.
constexpr std::size_t placeOnThreadsFrom = 16384;

void markErrors(ViewScene& scene) {
    scene.hasError.assign(scene.size(), 0);
    for (const Problem& problem : scene.problems()) {
        if (problem.rank && problem.severity() == Severity::Error && *problem.rank < scene.size()) {
            scene.hasError[*problem.rank] = 1;
        }
    }
}

} // namespace

const Solid& SolidCache::solidOf(std::size_t rank, const Box& box) {
    const auto found = solids_.find(rank);
    if (found != solids_.end()) {
        uses_.splice(uses_.begin(), uses_, found->second.use);
        return found->second.solid;
    }
    Solid solid;
    if (solids_.size() >= keptSolids) {
        // The least used one's storage serves again.
        const auto oldest = solids_.find(uses_.back());
        solid = std::move(oldest->second.solid);
        solids_.erase(oldest);
        uses_.pop_back();
    }
    buildSolid(decodeBoxValues(box), solid);
    uses_.push_front(rank);
    return solids_.emplace(rank, Entry{std::move(solid), uses_.begin()}).first->second.solid;
}

void SolidCache::forget(std::size_t rank) {
    const auto found = solids_.find(rank);
    if (found != solids_.end()) {
        uses_.erase(found->second.use);
        solids_.erase(found);
    }
}

void SolidCache::follow(const DocumentChange& change) {
    const std::vector<std::size_t>& removed = change.removedBoxes;
    const std::vector<std::size_t>& inserted = change.insertedBoxes;
    for (const std::size_t rank : removed) {
        forget(rank);
    }
    if (!removed.empty() || !inserted.empty()) {
        // A few thousand entries at most: moved one by one, where the ranks of a million boxes
        // shift.
        std::unordered_map<std::size_t, Entry> moved;
        moved.reserve(solids_.size());
        for (auto& [rank, entry] : solids_) {
            std::size_t now = rank - static_cast<std::size_t>(
                                         std::lower_bound(removed.begin(), removed.end(), rank) -
                                         removed.begin());
            for (const std::size_t coming : inserted) {
                now += coming <= now ? 1 : 0;
            }
            *entry.use = now;
            moved.emplace(now, std::move(entry));
        }
        solids_ = std::move(moved);
    }
    for (std::size_t rank : change.changedBoxes) {
        for (const std::size_t coming : inserted) {
            rank += coming <= rank ? 1 : 0;
        }
        forget(rank);
    }
}

void SolidCache::clear() {
    solids_.clear();
    uses_.clear();
}

const Solid& ViewScene::solid(std::size_t rank) const {
    static const Solid none;
    if (document == nullptr || rank >= document->boxes.size()) {
        return none;
    }
    return solids.solidOf(rank, document->boxes.at(rank));
}

std::optional<RankPair> listedPair(std::string_view text, std::size_t boxCount) {
    const auto ranks = parseRankPair(text);
    const auto names = [boxCount](long long rank) {
        return rank >= 0 && static_cast<unsigned long long>(rank) < boxCount;
    };
    if (!ranks || !names(ranks->first) || !names(ranks->second)) {
        return std::nullopt;
    }
    return RankPair{static_cast<std::size_t>(ranks->first),
                    static_cast<std::size_t>(ranks->second)};
}

BoxSphere BoxSphere::around(const Vec3& low, const Vec3& high) {
    BoxSphere sphere;
    sphere.low_ = {floatBelow(low.x), floatBelow(low.y), floatBelow(low.z)};
    sphere.high_ = {floatAbove(high.x), floatAbove(high.y), floatAbove(high.z)};
    sphere.drawable_ = true;
    return sphere;
}

BoxSphere BoxSphere::at(const Vec3& centre) {
    BoxSphere sphere;
    sphere.low_ = {float(centre.x), float(centre.y), float(centre.z)};
    sphere.high_ = sphere.low_;
    return sphere;
}

Vec3 BoxSphere::centre() const {
    // In single precision throughout: the halves are exact and their sum rounds once. (GCC 12
    // drops a round trip through float of a double computed in vector registers.)
    const auto middle = [](float low, float high) { return 0.5f * low + 0.5f * high; };
    return {middle(low_[0], high_[0]), middle(low_[1], high_[1]), middle(low_[2], high_[2])};
}

double BoxSphere::radius() const {
    if (!drawable_) {
        return 0;
    }
    const Vec3 c = centre();
    const Vec3 reach{std::max(double(high_[0]) - c.x, c.x - double(low_[0])),
                     std::max(double(high_[1]) - c.y, c.y - double(low_[1])),
                     std::max(double(high_[2]) - c.z, c.z - double(low_[2]))};
    return floatAbove(length(reach));
}

BoxSphere sphereOf(const Solid& solid, const Vec3& centre) {
    if (solid.vertices.empty()) {
        return BoxSphere::at(centre);
    }
    return BoxSphere::around(solid.boundsMin, solid.boundsMax);
}

BoxSphere sphereOfBox(const Box& box, Solid& solid) {
    const BoxValues values = decodeBoxValues(box);
    buildSolid(values, solid);
    return sphereOf(solid, values.centre);
}

BoxSphere enclosingSphere(const std::vector<BoxSphere>& spheres) {
    if (spheres.empty()) {
        return {};
    }
    constexpr double huge = std::numeric_limits<double>::max();
    Vec3 low{huge, huge, huge};
    Vec3 high{-huge, -huge, -huge};
    for (const BoxSphere& sphere : spheres) {
        const Vec3 a = sphere.low();
        const Vec3 b = sphere.high();
        low = {std::min(low.x, a.x), std::min(low.y, a.y), std::min(low.z, a.z)};
        high = {std::max(high.x, b.x), std::max(high.y, b.y), std::max(high.z, b.z)};
    }
    return BoxSphere::around(low, high);
}

ViewScene buildViewScene(const BoxDocument& document) {
    ViewScene scene;
    scene.document = &document;
    const std::size_t count = document.boxes.size();
    scene.spheres.resize(count);
    scene.hasError.assign(count, 0);
    const unsigned threads = count < placeOnThreadsFrom ? 1 : defaultThreadCount();
    runInParallel(threads, [&](unsigned share) {
        const std::size_t first = count * share / threads;
        const std::size_t last = count * (share + 1) / threads;
        auto box = document.boxes.begin() + static_cast<std::ptrdiff_t>(first);
        Solid solid;
        for (std::size_t rank = first; rank < last; ++rank, ++box) {
            scene.spheres[rank] = sphereOfBox(**box, solid);
        }
    });
    scene.grid.build(scene.spheres);
    return scene;
}

void takeChecks(ViewScene& scene, LiveChecks checks) {
    scene.checks = std::move(checks);
    scene.checked = true;
    markErrors(scene);
}

std::vector<std::size_t> followSpheres(std::vector<BoxSphere>& spheres, const BoxDocument& document,
                                       const DocumentChange& change) {
    const auto at = [&](std::size_t rank) {
        return spheres.begin() + static_cast<std::ptrdiff_t>(rank);
    };
    for (auto rank = change.removedBoxes.rbegin(); rank != change.removedBoxes.rend(); ++rank) {
        spheres.erase(at(*rank));
    }
    for (const std::size_t rank : change.insertedBoxes) {
        spheres.insert(at(rank), BoxSphere{});
    }
    // Ranks changed are named before the insertions move them.
    std::vector<std::size_t> placed = change.insertedBoxes;
    for (std::size_t rank : change.changedBoxes) {
        for (const std::size_t inserted : change.insertedBoxes) {
            rank += inserted <= rank ? 1 : 0;
        }
        placed.push_back(rank);
    }
    Solid solid;
    for (const std::size_t rank : placed) {
        if (rank < spheres.size() && rank < document.boxes.size()) {
            spheres[rank] = sphereOfBox(document.boxes.at(rank), solid);
        }
    }
    return placed;
}

void followChange(ViewScene& scene, const BoxDocument& document, const DocumentChange& change) {
    scene.document = &document;
    scene.grid.erase(change.removedBoxes);
    scene.grid.insert(change.insertedBoxes);
    for (const std::size_t rank : followSpheres(scene.spheres, document, change)) {
        if (rank < scene.spheres.size()) {
            scene.grid.place(rank, scene.spheres[rank]);
        }
    }
    scene.solids.follow(change);
    if (scene.checked) {
        scene.checks.update(document, change);
        markErrors(scene);
    } else {
        scene.hasError.assign(scene.size(), 0);
    }
}
