#include "SceneCulling.h"

#include "BoxCategories.h"
#include "OrbitCamera.h"
#include "ViewScene.h"

#include <algorithm>
#include <vector>

namespace {

constexpr double smallestFullRadius = 1.5;

} // namespace

void chooseWhatToDraw(SceneFrame& frame, const ViewScene& scene, const BoxCategories& categories,
                      const OrbitCamera& camera, QSize viewport,
                      std::optional<std::size_t> skipped) {
    frame.clear();
    const double nearDepth = camera.nearDepth();
    const double right = viewport.width();
    const double bottom = viewport.height();
    const double focal = camera.focalPixels();
    std::vector<std::size_t> candidates;
    std::vector<double> depths(scene.size());
    for (std::size_t rank = 0; rank < scene.size(); ++rank) {
        if (rank == skipped) {
            continue;
        }
        const BoxSphere& sphere = scene.spheres[rank];
        const double depth = camera.depthOf(sphere.centre);
        depths[rank] = depth;
        if (!sphere.drawable) {
            if (depth > nearDepth) {
                const QPointF at = camera.project(sphere.centre, depth);
                if (at.x() >= -crossHalf && at.y() >= -crossHalf && at.x() <= right + crossHalf &&
                    at.y() <= bottom + crossHalf) {
                    frame.crosses.push_back(at);
                    frame.crossCategories.push_back(categories.of(rank));
                }
            }
            continue;
        }
        if (depth + sphere.radius < nearDepth) {
            continue;
        }
        if (depth - sphere.radius <= nearDepth) {
            candidates.push_back(rank);
            continue;
        }
        const QPointF at = camera.project(sphere.centre, depth);
        const double reach = sphere.radius * focal / depth;
        if (at.x() + reach < 0 || at.y() + reach < 0 || at.x() - reach > right ||
            at.y() - reach > bottom) {
            continue;
        }
        if (reach >= smallestFullRadius) {
            candidates.push_back(rank);
        } else {
            frame.pointRanks.push_back(rank);
            frame.points.push_back(at);
        }
    }
    if (candidates.size() > fullBoxBudget) {
        const Vec3 focus = camera.focus();
        const auto nearerFocus = [&](std::size_t a, std::size_t b) {
            const Vec3 da = scene.spheres[a].centre - focus;
            const Vec3 db = scene.spheres[b].centre - focus;
            return dot(da, da) < dot(db, db);
        };
        std::nth_element(candidates.begin(), candidates.begin() + fullBoxBudget, candidates.end(),
                         nearerFocus);
        for (auto it = candidates.begin() + fullBoxBudget; it != candidates.end(); ++it) {
            if (depths[*it] > nearDepth) {
                frame.pointRanks.push_back(*it);
                frame.points.push_back(camera.project(scene.spheres[*it].centre, depths[*it]));
            }
        }
        candidates.resize(fullBoxBudget);
    }
    // Far boxes first, so that the near ones cover them.
    std::sort(candidates.begin(), candidates.end(),
              [&](std::size_t a, std::size_t b) { return depths[a] > depths[b]; });
    frame.full.reserve(candidates.size());
    for (const std::size_t rank : candidates) {
        frame.full.push_back({rank, depths[rank], 0, 0});
    }
}
