#include "ViewScene.h"

#include "boxvalues.h"
#include "orlclass.h"
#include "rankpair.h"
#include "scene.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

bool sameValues(const BoxValues& a, const BoxValues& b) {
    if (!(a.centre == b.centre)) {
        return false;
    }
    for (std::size_t p = 0; p < a.planes.size(); ++p) {
        if (!(a.planes[p].normal == b.planes[p].normal) || a.planes[p].d != b.planes[p].d) {
            return false;
        }
    }
    return true;
}

} // namespace

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

BoxSphere sphereOf(const Solid& solid, const Vec3& centre) {
    if (solid.vertices.empty()) {
        return {centre, 0, false, centre, centre};
    }
    const Vec3 middle = (solid.boundsMin + solid.boundsMax) * 0.5;
    return {middle, length(solid.boundsMax - middle), true, solid.boundsMin, solid.boundsMax};
}

BoxSphere enclosingSphere(const std::vector<BoxSphere>& spheres) {
    if (spheres.empty()) {
        return {};
    }
    constexpr double huge = std::numeric_limits<double>::max();
    Vec3 low{huge, huge, huge};
    Vec3 high{-huge, -huge, -huge};
    for (const BoxSphere& sphere : spheres) {
        const Vec3& a = sphere.low;
        const Vec3& b = sphere.high;
        low = {std::min(low.x, a.x), std::min(low.y, a.y), std::min(low.z, a.z)};
        high = {std::max(high.x, b.x), std::max(high.y, b.y), std::max(high.z, b.z)};
    }
    const Vec3 middle = (low + high) * 0.5;
    return {middle, length(high - middle), true, low, high};
}

namespace {

void markErrors(ViewScene& scene) {
    scene.hasError.assign(scene.size(), 0);
    for (const Problem& problem : scene.problems()) {
        if (problem.rank && problem.severity() == Severity::Error && *problem.rank < scene.size()) {
            scene.hasError[*problem.rank] = 1;
        }
    }
}

} // namespace

ViewScene buildViewScene(const BoxDocument& document, ViewScene previous) {
    ViewScene scene;
    scene.values.reserve(document.boxes.size());
    scene.solids.reserve(document.boxes.size());
    scene.spheres.reserve(document.boxes.size());
    for (const auto& box : document.boxes) {
        const std::size_t rank = scene.solids.size();
        const BoxValues& values = scene.values.emplace_back(decodeBoxValues(*box));
        if (rank < previous.size() && sameValues(previous.values[rank], values)) {
            scene.solids.push_back(std::move(previous.solids[rank]));
        } else {
            scene.solids.push_back(buildSolid(values));
        }
        scene.spheres.push_back(sphereOf(scene.solids.back(), values.centre));
    }
    scene.grid.build(scene.spheres);
    scene.checks.rebuild(document, scene.solids);
    markErrors(scene);
    return scene;
}

void followChange(ViewScene& scene, const BoxDocument& document, const DocumentChange& change) {
    const auto at = [](auto& ranks, std::size_t rank) {
        return ranks.begin() + static_cast<std::ptrdiff_t>(rank);
    };
    for (auto rank = change.removedBoxes.rbegin(); rank != change.removedBoxes.rend(); ++rank) {
        scene.values.erase(at(scene.values, *rank));
        scene.solids.erase(at(scene.solids, *rank));
        scene.spheres.erase(at(scene.spheres, *rank));
    }
    for (const std::size_t rank : change.insertedBoxes) {
        scene.values.insert(at(scene.values, rank), BoxValues{});
        scene.solids.insert(at(scene.solids, rank), Solid{});
        scene.spheres.insert(at(scene.spheres, rank), BoxSphere{});
    }
    scene.grid.erase(change.removedBoxes);
    scene.grid.insert(change.insertedBoxes);
    // Ranks changed are named before the insertions move them.
    std::vector<std::size_t> built = change.insertedBoxes;
    for (std::size_t rank : change.changedBoxes) {
        for (const std::size_t inserted : change.insertedBoxes) {
            rank += inserted <= rank ? 1 : 0;
        }
        built.push_back(rank);
    }
    std::sort(built.begin(), built.end());
    auto next = built.begin();
    std::size_t rank = 0;
    for (auto box = document.boxes.begin(); box != document.boxes.end() && next != built.end();
         ++box, ++rank) {
        if (*next != rank) {
            continue;
        }
        scene.values[rank] = decodeBoxValues(**box);
        scene.solids[rank] = buildSolid(scene.values[rank]);
        scene.spheres[rank] = sphereOf(scene.solids[rank], scene.values[rank].centre);
        scene.grid.place(rank, scene.spheres[rank]);
        while (next != built.end() && *next == rank) {
            ++next;
        }
    }
    scene.checks.update(document, scene.solids, change);
    markErrors(scene);
}
