#include "SceneCulling.h"

#include "BoxCategories.h"
#include "OrbitCamera.h"
#include "ViewScene.h"
#include "parallelparts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double smallestFullRadius = 1.5;

// The least and greatest of dot(axis, p - eye) over the points p of a cell's bounds.
struct Range {
    double least = 0;
    double greatest = 0;
};

Range rangeOver(const Vec3& axis, const SphereGrid::Cell& cell, const Vec3& eye) {
    Range range;
    const auto add = [&range](double a, double low, double high) {
        range.least += std::min(a * low, a * high);
        range.greatest += std::max(a * low, a * high);
    };
    add(axis.x, cell.low.x - eye.x, cell.high.x - eye.x);
    add(axis.y, cell.low.y - eye.y, cell.high.y - eye.y);
    add(axis.z, cell.low.z - eye.z, cell.high.z - eye.z);
    return range;
}

double squaredDistance(const Vec3& point, const SphereGrid::Cell& cell) {
    const auto gap = [](double p, double low, double high) {
        return p < low ? low - p : (p > high ? p - high : 0.0);
    };
    const Vec3 d{gap(point.x, cell.low.x, cell.high.x), gap(point.y, cell.low.y, cell.high.y),
                 gap(point.z, cell.low.z, cell.high.z)};
    return dot(d, d);
}

// Whether no box of the cell can show: all behind the nearest depth, or all beyond one side of
// the view. Each side is a plane through the eye once multiplied by the depth, so its test over
// the cell's bounds is exact; a pixel more than the crosses reach, and a depth slack far above
// rounding, keep it on the safe side of what the box by box test decides.
bool outOfView(const SphereGrid::Cell& cell, const OrbitCamera& camera, QSize viewport) {
    const Vec3 eye = camera.eye();
    const double nearDepth = camera.nearDepth();
    const double radius = cell.largestRadius;
    const Range depth = rangeOver(camera.forward(), cell, eye);
    const double slack =
        1e-9 * (std::abs(depth.least) + std::abs(depth.greatest) + radius + nearDepth);
    if (depth.greatest + radius < nearDepth - slack) {
        return true;
    }
    if (depth.least - radius <= nearDepth + slack) {
        return false;
    }
    const QPointF centre = camera.project(eye + camera.forward(), 1);
    const double focal = camera.focalPixels();
    const double margin = crossHalf + 1;
    const double reach = focal * radius;
    const Vec3& forward = camera.forward();
    const Vec3 across = camera.right() * focal;
    const Vec3 down = camera.up() * -focal;
    // Every box's reach ends before the first pixel, or starts after the last.
    const auto before = [&](double centrePixel, const Vec3& axis) {
        return rangeOver(forward * (centrePixel + margin) + axis, cell, eye).greatest + reach < 0;
    };
    const auto after = [&](double centrePixel, int last, const Vec3& axis) {
        return rangeOver(forward * (centrePixel - last - margin) + axis, cell, eye).least - reach >
               0;
    };
    return before(centre.x(), across) || after(centre.x(), viewport.width(), across) ||
           before(centre.y(), down) || after(centre.y(), viewport.height(), down);
}

// The level of the cell's samples that stands for all its boxes in this frame: every box of
// the cell a point before the eye, and each part of the sample within a pixel; none when the
// boxes must be looked at one by one.
std::optional<int> sampleLevel(const SphereGrid::Cell& cell, const OrbitCamera& camera) {
    const double nearest = rangeOver(camera.forward(), cell, camera.eye()).least;
    const double radius = cell.largestRadius;
    const double focal = camera.focalPixels();
    // Kept below the smallest box drawn in full by more than any rounding.
    constexpr double largestPointReach = 1.4;
    if (cell.crossCount > 0 || nearest - radius <= camera.nearDepth() * 2 ||
        radius * focal >= largestPointReach * nearest) {
        return std::nullopt;
    }
    const Vec3 extent = cell.high - cell.low;
    const double widest = std::max({extent.x, extent.y, extent.z}) * std::sqrt(3.0);
    for (int level = 0; level < SphereGrid::sampleLevels; ++level) {
        const double part = widest / double(1 << level);
        if (part * focal <= nearest) {
            if (cell.sampleCounts[static_cast<std::size_t>(level)] < cell.entries.size()) {
                return level;
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// Sorts the boxes of a frame one by one: out of view, a cross, a point, or a candidate to be
// drawn in full. Only the fullBoxBudget candidates nearest the focus stay; once twice that many
// wait, the farthest become points, and later boxes farther than every one kept do at once.
class FrameChooser {
public:
    FrameChooser(SceneFrame& frame, const BoxCategories& categories, const OrbitCamera& camera,
                 QSize viewport)
        : frame_(frame), categories_(categories), camera_(camera), nearDepth_(camera.nearDepth()),
          right_(viewport.width()), bottom_(viewport.height()), focal_(camera.focalPixels()),
          focus_(camera.focus()) {}

    void take(const SphereGrid::Entry& box) {
        const double depth = camera_.depthOf(box.centre);
        if (!box.drawable) {
            takeCross(box.rank, box.centre, depth);
            return;
        }
        if (depth + box.radius < nearDepth_) {
            return;
        }
        if (depth - box.radius <= nearDepth_) {
            consider(box, depth);
            return;
        }
        const QPointF at = camera_.project(box.centre, depth);
        const double reach = box.radius * focal_ / depth;
        if (at.x() + reach < 0 || at.y() + reach < 0 || at.x() - reach > right_ ||
            at.y() - reach > bottom_) {
            return;
        }
        if (reach >= smallestFullRadius) {
            consider(box, depth);
        } else {
            frame_.pointRanks.push_back(box.rank);
            frame_.points.push_back(at);
        }
    }

    // What another chooser took, after what this one took, as if this one had gone on: its
    // frame's points and crosses, and its candidates considered here.
    void takeOver(const SceneFrame& frame, const FrameChooser& other) {
        frame_.pointRanks.insert(frame_.pointRanks.end(), frame.pointRanks.begin(),
                                 frame.pointRanks.end());
        frame_.points.insert(frame_.points.end(), frame.points.begin(), frame.points.end());
        frame_.crosses.insert(frame_.crosses.end(), frame.crosses.begin(), frame.crosses.end());
        frame_.crossCategories.insert(frame_.crossCategories.end(), frame.crossCategories.begin(),
                                      frame.crossCategories.end());
        for (const Candidate& candidate : other.candidates_) {
            consider(candidate.rank, candidate.centre, candidate.depth);
        }
    }

    // Far boxes first, so that the near ones cover them.
    void finish() {
        if (candidates_.size() > fullBoxBudget) {
            keepNearest();
        }
        std::sort(candidates_.begin(), candidates_.end(),
                  [](const Candidate& a, const Candidate& b) { return a.depth > b.depth; });
        frame_.full.reserve(candidates_.size());
        for (const Candidate& candidate : candidates_) {
            frame_.full.push_back({candidate.rank, candidate.depth, 0, 0});
        }
    }

private:
    struct Candidate {
        std::size_t rank;
        Vec3 centre;
        double depth;
        double distance;
    };

    void takeCross(std::size_t rank, const Vec3& centre, double depth) {
        if (depth <= nearDepth_) {
            return;
        }
        const QPointF at = camera_.project(centre, depth);
        if (at.x() >= -crossHalf && at.y() >= -crossHalf && at.x() <= right_ + crossHalf &&
            at.y() <= bottom_ + crossHalf) {
            frame_.crosses.push_back(at);
            frame_.crossCategories.push_back(categories_.of(rank));
        }
    }

    void consider(const SphereGrid::Entry& box, double depth) {
        consider(box.rank, box.centre, depth);
    }

    void consider(std::size_t rank, const Vec3& centre, double depth) {
        const Vec3 away = centre - focus_;
        const double distance = dot(away, away);
        if (distance > cutoff_) {
            drop(rank, centre, depth);
            return;
        }
        candidates_.push_back({rank, centre, depth, distance});
        if (candidates_.size() >= 2 * fullBoxBudget) {
            keepNearest();
        }
    }

    void keepNearest() {
        const auto kept = candidates_.begin() + fullBoxBudget;
        std::nth_element(
            candidates_.begin(), kept, candidates_.end(),
            [](const Candidate& a, const Candidate& b) { return a.distance < b.distance; });
        for (auto it = kept; it != candidates_.end(); ++it) {
            drop(it->rank, it->centre, it->depth);
        }
        candidates_.erase(kept, candidates_.end());
        cutoff_ = 0;
        for (const Candidate& candidate : candidates_) {
            cutoff_ = std::max(cutoff_, candidate.distance);
        }
    }

    // A candidate beyond the budget: a point when it lies before the eye.
    void drop(std::size_t rank, const Vec3& centre, double depth) {
        if (depth > nearDepth_) {
            frame_.pointRanks.push_back(static_cast<std::uint32_t>(rank));
            frame_.points.push_back(camera_.project(centre, depth));
        }
    }

    SceneFrame& frame_;
    const BoxCategories& categories_;
    const OrbitCamera& camera_;
    const double nearDepth_;
    const double right_;
    const double bottom_;
    const double focal_;
    const Vec3 focus_;
    std::vector<Candidate> candidates_;
    double cutoff_ = std::numeric_limits<double>::infinity();
};

// A cell whose boxes are looked at one by one.
struct NearCell {
    double distance;
    const SphereGrid::Entry* first;
    const SphereGrid::Entry* last;
};

// Scenes of fewer boxes than this many bytes of cells are chosen on one core: their frames
// take a few milliseconds, less than a thread may wait for a core on a busy machine.
constexpr std::size_t partedFromBytes = std::size_t{4} << 20;

} // namespace

void chooseWhatToDraw(SceneFrame& frame, const ViewScene& scene, const BoxCategories& categories,
                      const OrbitCamera& camera, QSize viewport,
                      std::optional<std::size_t> skipped) {
    frame.clear();
    FrameChooser chooser(frame, categories, camera, viewport);
    const std::vector<SphereGrid::Cell>& cells = scene.grid.cells();
    std::vector<unsigned char> sampled(cells.size(), 0);
    // Far cells drawn by their samples at once, in the order they lie in memory; the others,
    // which hold every box that may be drawn in full, nearest the focus first, so that the
    // nearest boxes come early. The far cells of a large scene are shared between the cores,
    // each share taken into a frame of its own, then all in order into the frame.
    const std::size_t cellBytes = scene.size() * sizeof(SphereGrid::Entry);
    const std::size_t parts = cellBytes < partedFromBytes ? 1 : partsForBlocks(cellBytes / 4096);
    std::vector<SceneFrame> shareFrames(parts);
    std::vector<std::optional<FrameChooser>> shareChoosers(parts);
    std::vector<std::vector<NearCell>> nearShares(parts);
    runParts(parts, [&](std::size_t part) {
        FrameChooser* mine = &chooser;
        if (part > 0) {
            mine = &shareChoosers[part].emplace(shareFrames[part], categories, camera, viewport);
        }
        const std::size_t end = cells.size() * (part + 1) / parts;
        for (std::size_t index = cells.size() * part / parts; index < end; ++index) {
            if (index + 1 < cells.size()) {
                __builtin_prefetch(cells[index + 1].entries.data());
            }
            const SphereGrid::Cell& cell = cells[index];
            if (cell.entries.empty() || outOfView(cell, camera, viewport)) {
                continue;
            }
            const std::optional<int> level = sampleLevel(cell, camera);
            if (!level) {
                nearShares[part].push_back({squaredDistance(camera.focus(), cell),
                                            cell.entries.data(),
                                            cell.entries.data() + cell.entries.size()});
                continue;
            }
            sampled[index] = 1;
            // Plain boxes only: the others are each drawn below, over them.
            const std::uint32_t sampleCount = cell.sampleCounts[static_cast<std::size_t>(*level)];
            for (std::uint32_t entry = 0; entry < sampleCount; ++entry) {
                const SphereGrid::Entry& box = cell.entries[entry];
                if (box.rank != skipped && categories.of(box.rank) == PlainBox) {
                    mine->take(box);
                }
            }
        }
    });
    for (std::size_t part = 1; part < parts; ++part) {
        chooser.takeOver(shareFrames[part], *shareChoosers[part]);
    }
    std::vector<NearCell> near = std::move(nearShares.front());
    for (std::size_t part = 1; part < parts; ++part) {
        near.insert(near.end(), nearShares[part].begin(), nearShares[part].end());
    }
    std::sort(near.begin(), near.end(),
              [](const NearCell& a, const NearCell& b) { return a.distance < b.distance; });
    for (std::size_t index = 0; index < near.size(); ++index) {
        // The cells lie apart in memory: the next one's boxes are asked for while these are taken.
        if (index + 1 < near.size()) {
            const char* next = reinterpret_cast<const char*>(near[index + 1].first);
            for (int line = 0; line < 4; ++line) {
                __builtin_prefetch(next + 64 * line);
            }
        }
        for (const SphereGrid::Entry* box = near[index].first; box != near[index].last; ++box) {
            if (box->rank != skipped) {
                chooser.take(*box);
            }
        }
    }
    for (const std::size_t rank : categories.marked()) {
        if (rank != skipped && sampled[scene.grid.cellOf(rank)]) {
            chooser.take(SphereGrid::entryOf(rank, scene.spheres[rank]));
        }
    }
    chooser.finish();
}
