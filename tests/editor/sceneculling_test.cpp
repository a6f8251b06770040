// The frames chosen through the grid of cells against a walk over every box, on random scenes
// seen by random cameras, before and after boxes are erased, inserted and moved: the same boxes
// in full and the same crosses; as points, boxes the walk draws there, standing for every box
// the walk draws as a point.
#include "BoxCategories.h"
#include "OrbitCamera.h"
#include "SceneCulling.h"
#include "ViewScene.h"

#include <QTest>
#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

namespace {

constexpr double smallestFullRadius = 1.5;

// Every box looked at in turn, the nearest candidates kept by one selection at the end. Returns
// whether the budget fell between boxes as near the focus as each other, where either may win.
bool chooseByWalkingEveryBox(SceneFrame& frame, const ViewScene& scene,
                             const BoxCategories& categories, const OrbitCamera& camera,
                             QSize viewport, std::optional<std::size_t> skipped) {
    frame.clear();
    const double nearDepth = camera.nearDepth();
    const double focal = camera.focalPixels();
    std::vector<std::size_t> candidates;
    std::vector<double> depths(scene.spheres.size());
    for (std::size_t rank = 0; rank < scene.spheres.size(); ++rank) {
        if (rank == skipped) {
            continue;
        }
        const BoxSphere& sphere = scene.spheres[rank];
        const double depth = camera.depthOf(sphere.centre());
        depths[rank] = depth;
        if (!sphere.drawable()) {
            if (depth > nearDepth) {
                const QPointF at = camera.project(sphere.centre(), depth);
                if (at.x() >= -crossHalf && at.y() >= -crossHalf &&
                    at.x() <= viewport.width() + crossHalf &&
                    at.y() <= viewport.height() + crossHalf) {
                    frame.crosses.push_back(at);
                    frame.crossCategories.push_back(categories.of(rank));
                }
            }
            continue;
        }
        if (depth + sphere.radius() < nearDepth) {
            continue;
        }
        if (depth - sphere.radius() <= nearDepth) {
            candidates.push_back(rank);
            continue;
        }
        const QPointF at = camera.project(sphere.centre(), depth);
        const double reach = sphere.radius() * focal / depth;
        if (at.x() + reach < 0 || at.y() + reach < 0 || at.x() - reach > viewport.width() ||
            at.y() - reach > viewport.height()) {
            continue;
        }
        if (reach >= smallestFullRadius) {
            candidates.push_back(rank);
        } else {
            frame.pointRanks.push_back(rank);
            frame.points.push_back(at);
        }
    }
    const auto distance = [&](std::size_t rank) {
        const Vec3 d = scene.spheres[rank].centre() - camera.focus();
        return dot(d, d);
    };
    std::sort(candidates.begin(), candidates.end(),
              [&](std::size_t a, std::size_t b) { return distance(a) < distance(b); });
    for (std::size_t i = fullBoxBudget; i < candidates.size(); ++i) {
        if (depths[candidates[i]] > nearDepth) {
            frame.pointRanks.push_back(candidates[i]);
            frame.points.push_back(
                camera.project(scene.spheres[candidates[i]].centre(), depths[candidates[i]]));
        }
    }
    const bool tie = candidates.size() > fullBoxBudget &&
                     distance(candidates[fullBoxBudget - 1]) == distance(candidates[fullBoxBudget]);
    candidates.resize(std::min(candidates.size(), fullBoxBudget));
    for (const std::size_t rank : candidates) {
        frame.full.push_back({rank, depths[rank], 0, 0});
    }
    return tie;
}

std::vector<double> focusDistancesOfFull(const SceneFrame& frame, const ViewScene& scene,
                                         const Vec3& focus) {
    std::vector<double> distances;
    for (const SceneFrame::FullBox& box : frame.full) {
        const Vec3 d = scene.spheres[box.rank].centre() - focus;
        distances.push_back(dot(d, d));
    }
    std::sort(distances.begin(), distances.end());
    return distances;
}

using PointOf = std::tuple<std::size_t, double, double>;

std::vector<PointOf> pointsOf(const SceneFrame& frame) {
    std::vector<PointOf> points;
    for (std::size_t i = 0; i < frame.points.size(); ++i) {
        points.emplace_back(frame.pointRanks[i], frame.points[i].x(), frame.points[i].y());
    }
    std::sort(points.begin(), points.end());
    return points;
}

std::vector<std::tuple<double, double, int>> crossesOf(const SceneFrame& frame) {
    std::vector<std::tuple<double, double, int>> crosses;
    for (std::size_t i = 0; i < frame.crosses.size(); ++i) {
        crosses.emplace_back(frame.crosses[i].x(), frame.crosses[i].y(), frame.crossCategories[i]);
    }
    std::sort(crosses.begin(), crosses.end());
    return crosses;
}

std::vector<std::pair<std::size_t, double>> fullOf(const SceneFrame& frame) {
    std::vector<std::pair<std::size_t, double>> full;
    for (const SceneFrame::FullBox& box : frame.full) {
        full.emplace_back(box.rank, box.depth);
    }
    std::sort(full.begin(), full.end());
    return full;
}

// Every point the walk draws shows in the frame: a box of another category than plain as
// itself, a plain box by a point within a few pixels, the sample of a far cell standing for it.
bool everyPointShows(const SceneFrame& walked, const SceneFrame& drawn,
                     const BoxCategories& categories, QSize viewport) {
    const int width = viewport.width();
    const int height = viewport.height();
    std::vector<unsigned char> lit(std::size_t(width) * std::size_t(height), 0);
    const auto pixel = [&](QPointF at) {
        return std::make_pair(std::clamp(int(std::floor(at.x())), 0, width - 1),
                              std::clamp(int(std::floor(at.y())), 0, height - 1));
    };
    for (const QPointF& at : drawn.points) {
        const auto [x, y] = pixel(at);
        lit[std::size_t(y) * std::size_t(width) + std::size_t(x)] = 1;
    }
    std::vector<std::size_t> drawnRanks(drawn.pointRanks.begin(), drawn.pointRanks.end());
    std::sort(drawnRanks.begin(), drawnRanks.end());
    constexpr int reach = 2;
    for (std::size_t i = 0; i < walked.points.size(); ++i) {
        const std::size_t rank = walked.pointRanks[i];
        if (categories.of(rank) != PlainBox) {
            if (!std::binary_search(drawnRanks.begin(), drawnRanks.end(), rank)) {
                return false;
            }
            continue;
        }
        const auto [x, y] = pixel(walked.points[i]);
        bool shown = false;
        for (int dy = -reach; dy <= reach && !shown; ++dy) {
            for (int dx = -reach; dx <= reach && !shown; ++dx) {
                const int px = x + dx;
                const int py = y + dy;
                shown = px >= 0 && py >= 0 && px < width && py < height &&
                        lit[std::size_t(py) * std::size_t(width) + std::size_t(px)];
            }
        }
        if (!shown) {
            qWarning("Box %zu at (%g, %g) shows nowhere near", rank, walked.points[i].x(),
                     walked.points[i].y());
            return false;
        }
    }
    return true;
}

enum class Layout { Streets, Scattered, Flat, Stacked, FarOutlier };

class RandomScene {
public:
    RandomScene(Layout layout, unsigned seed) : layout_(layout), random_(seed) {}

    BoxSphere next() {
        std::uniform_real_distribution<double> unit(0, 1);
        Vec3 centre;
        double radius = 0.2 + 2 * unit(random_);
        switch (layout_) {
        case Layout::Streets: {
            const double street = std::floor(unit(random_) * 30) * 16;
            centre = {street + 10 * unit(random_), 400 * unit(random_), 35 * unit(random_)};
            break;
        }
        case Layout::Scattered:
            centre = {200 * unit(random_) - 100, 200 * unit(random_) - 100,
                      200 * unit(random_) - 100};
            break;
        case Layout::Flat:
            centre = {300 * unit(random_), 300 * unit(random_), 5};
            break;
        case Layout::Stacked:
            centre = {1, 2, 3};
            radius = 0.5 + unit(random_);
            break;
        case Layout::FarOutlier:
            centre = {50 * unit(random_), 50 * unit(random_), 20 * unit(random_)};
            if (unit(random_) < 0.002) {
                centre = centre + Vec3{1e5, -3e4, 2e4};
                radius = 300;
            }
            break;
        }
        // A few boxes whose solid cannot be built, and a few very large ones.
        const double kind = unit(random_);
        if (kind < 0.03) {
            return BoxSphere::at(centre);
        }
        if (kind < 0.035) {
            radius *= 200;
        }
        const Vec3 half{radius / 2, radius / 2, radius / 2};
        return BoxSphere::around(centre - half, centre + half);
    }

    ViewScene scene(std::size_t count) {
        ViewScene scene;
        for (std::size_t rank = 0; rank < count; ++rank) {
            scene.spheres.push_back(next());
        }
        resize(scene);
        scene.grid.build(scene.spheres);
        return scene;
    }

    // The lists a frame and the categories read, at the size of the spheres.
    void resize(ViewScene& scene) {
        scene.hasError.assign(scene.spheres.size(), 0);
        for (unsigned char& error : scene.hasError) {
            error = std::uniform_int_distribution<int>(0, 19)(random_) == 0;
        }
    }

    OrbitCamera camera(const ViewScene& scene) {
        std::uniform_real_distribution<double> unit(0, 1);
        OrbitCamera camera;
        camera.setViewport(QSize(200 + int(600 * unit(random_)), 150 + int(500 * unit(random_))));
        camera.orbit(6.3 * unit(random_), 3 * unit(random_) - 1.5);
        const BoxSphere all = enclosingSphere(scene.spheres);
        camera.frame(all.centre(), std::max(all.radius(), 1.0));
        // From the whole scene down to a few boxes, and from inside it.
        camera.zoom(std::pow(10, -3 * unit(random_)));
        camera.pan(800 * unit(random_) - 400, 600 * unit(random_) - 300);
        return camera;
    }

    std::mt19937& random() { return random_; }

private:
    Layout layout_;
    std::mt19937 random_;
};

// Each cell with a box the walk draws as a point well inside the view draws one of its boxes:
// a cell stands for its boxes by samples within a pixel of them, never by nothing.
bool everyCellShows(const ViewScene& scene, const SceneFrame& walked, const SceneFrame& drawn,
                    QSize viewport) {
    std::vector<unsigned char> shown(scene.size(), 0);
    for (const std::uint32_t rank : drawn.pointRanks) {
        shown[rank] = 1;
    }
    for (const SceneFrame::FullBox& box : drawn.full) {
        shown[box.rank] = 1;
    }
    constexpr double inside = 3;
    for (std::size_t i = 0; i < walked.points.size(); ++i) {
        const QPointF at = walked.points[i];
        if (at.x() < inside || at.y() < inside || at.x() > viewport.width() - inside ||
            at.y() > viewport.height() - inside) {
            continue;
        }
        const SphereGrid::Cell& cell = scene.grid.cells()[scene.grid.cellOf(walked.pointRanks[i])];
        if (std::none_of(cell.entries.begin(), cell.entries.end(),
                         [&](const SphereGrid::Entry& entry) { return shown[entry.rank] != 0; })) {
            return false;
        }
    }
    return true;
}

// Each rank in exactly one cell, with its sphere as it stands, within the cell's bounds.
bool gridHoldsEveryBox(const ViewScene& scene) {
    std::vector<int> seen(scene.spheres.size(), 0);
    for (const SphereGrid::Cell& cell : scene.grid.cells()) {
        for (const SphereGrid::Entry& entry : cell.entries) {
            if (entry.rank >= seen.size()) {
                return false;
            }
            ++seen[entry.rank];
            const BoxSphere& sphere = scene.spheres[entry.rank];
            const Vec3 c = sphere.centre();
            if (!(entry.centre == c) || entry.radius != sphere.radius() ||
                entry.drawable != sphere.drawable() || c.x < cell.low.x || c.y < cell.low.y ||
                c.z < cell.low.z || c.x > cell.high.x || c.y > cell.high.y || c.z > cell.high.z ||
                sphere.radius() > cell.largestRadius) {
                return false;
            }
        }
    }
    return scene.grid.size() == scene.spheres.size() &&
           std::all_of(seen.begin(), seen.end(), [](int count) { return count == 1; });
}

} // namespace

class SceneCullingTest : public QObject {
    Q_OBJECT

    // Frames compared box for box, not only by their distances.
    int untied_ = 0;
    // Frames where far cells stood for their boxes by samples.
    int sampled_ = 0;

private:
    void compareFrames(const ViewScene& scene, RandomScene& random, int cameras) {
        BoxCategories categories;
        categories.setScene(&scene);
        for (int view = 0; view < cameras; ++view) {
            const OrbitCamera camera = random.camera(scene);
            std::optional<std::size_t> skipped;
            if (!scene.spheres.empty() && view % 3 == 0) {
                skipped = random.random()() % scene.spheres.size();
            }
            SceneFrame byGrid;
            SceneFrame byWalk;
            chooseWhatToDraw(byGrid, scene, categories, camera, camera.viewport(), skipped);
            const bool tie = chooseByWalkingEveryBox(byWalk, scene, categories, camera,
                                                     camera.viewport(), skipped);
            QCOMPARE(focusDistancesOfFull(byGrid, scene, camera.focus()),
                     focusDistancesOfFull(byWalk, scene, camera.focus()));
            QCOMPARE(crossesOf(byGrid), crossesOf(byWalk));
            if (tie) {
                continue;
            }
            QCOMPARE(fullOf(byGrid), fullOf(byWalk));
            QVERIFY(std::is_sorted(byGrid.full.begin(), byGrid.full.end(),
                                   [](const auto& a, const auto& b) { return a.depth > b.depth; }));
            const std::vector<PointOf> walked = pointsOf(byWalk);
            const std::vector<PointOf> drawn = pointsOf(byGrid);
            // Each point drawn is a box the walk draws as a point, where it draws it.
            QVERIFY(std::includes(walked.begin(), walked.end(), drawn.begin(), drawn.end()));
            QVERIFY(everyPointShows(byWalk, byGrid, categories, camera.viewport()));
            QVERIFY(everyCellShows(scene, byWalk, byGrid, camera.viewport()));
            sampled_ += drawn.size() < walked.size() ? 1 : 0;
            ++untied_;
        }
    }

private slots:
    // Bounds and spheres kept in single precision still hold the solid, far from the origin and
    // for tiny boxes alike, and the grid reads them as they are.
    void sphereInSinglePrecisionHoldsTheSolid() {
        std::mt19937 random(17);
        std::uniform_real_distribution<double> unit(0, 1);
        for (int box = 0; box < 20000; ++box) {
            const double far = std::pow(10, 6 * unit(random));
            const Vec3 low{far * (2 * unit(random) - 1), far * (2 * unit(random) - 1),
                           far * (2 * unit(random) - 1)};
            const double size = std::pow(10, 6 * unit(random) - 3);
            const Vec3 high = low + Vec3{size * unit(random), size * unit(random), size};
            Solid solid;
            solid.vertices = {low, high};
            solid.boundsMin = low;
            solid.boundsMax = high;
            const BoxSphere sphere = sphereOf(solid, low);
            QVERIFY(sphere.drawable());
            const Vec3 l = sphere.low();
            const Vec3 h = sphere.high();
            QVERIFY(l.x <= low.x && l.y <= low.y && l.z <= low.z);
            QVERIFY(h.x >= high.x && h.y >= high.y && h.z >= high.z);
            const Vec3 c = sphere.centre();
            for (int corner = 0; corner < 8; ++corner) {
                const Vec3 at{corner & 1 ? high.x : low.x, corner & 2 ? high.y : low.y,
                              corner & 4 ? high.z : low.z};
                QVERIFY(length(at - c) <= sphere.radius());
            }
            // No looser than the rounding of a float far from the origin.
            const double ulp = std::max({std::abs(low.x), std::abs(low.y), std::abs(low.z),
                                         std::abs(high.x), std::abs(high.y), std::abs(high.z)}) *
                               1e-6;
            QVERIFY(sphere.radius() <= length(high - low) / 2 + 4 * ulp);
            const SphereGrid::Entry entry = SphereGrid::entryOf(3, sphere);
            QVERIFY(Vec3(entry.centre) == c);
            QCOMPARE(double(entry.radius), sphere.radius());
        }
        const BoxSphere none = sphereOf(Solid{}, {0.1, -2e5, 3});
        QVERIFY(!none.drawable());
        QCOMPARE(none.radius(), 0.0);
        const Vec3 nearest{0.1f, -2e5f, 3.0f};
        QVERIFY(none.centre() == nearest);
    }

    void sameBoxesAsEveryBoxWalked_data() {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("count");
        QTest::addColumn<unsigned>("seed");
        QTest::newRow("streets, many in full") << int(Layout::Streets) << 12000 << 1u;
        // Enough boxes that the far cells are shared between the cores.
        QTest::newRow("streets, the cells shared") << int(Layout::Streets) << 220000 << 9u;
        QTest::newRow("streets, few") << int(Layout::Streets) << 300 << 2u;
        QTest::newRow("scattered") << int(Layout::Scattered) << 8000 << 3u;
        QTest::newRow("flat") << int(Layout::Flat) << 5000 << 4u;
        QTest::newRow("all at one centre") << int(Layout::Stacked) << 2000 << 5u;
        QTest::newRow("one far away") << int(Layout::FarOutlier) << 6000 << 6u;
        QTest::newRow("one box") << int(Layout::Scattered) << 1 << 7u;
        QTest::newRow("none") << int(Layout::Scattered) << 0 << 8u;
    }

    void sameBoxesAsEveryBoxWalked() {
        QFETCH(int, layout);
        QFETCH(int, count);
        QFETCH(unsigned, seed);
        RandomScene random(Layout(layout), seed);
        const ViewScene scene = random.scene(std::size_t(count));
        QVERIFY(gridHoldsEveryBox(scene));
        untied_ = 0;
        sampled_ = 0;
        compareFrames(scene, random, 40);
        QVERIFY(layout == int(Layout::Stacked) || untied_ == 40);
        QVERIFY(layout != int(Layout::Streets) || count < 10000 || sampled_ > 0);
    }

    // Ranks erased, inserted and moved as an edit does, the grid told of each.
    void sameBoxesAfterRanksChange_data() {
        QTest::addColumn<int>("layout");
        QTest::addColumn<unsigned>("seed");
        QTest::addColumn<int>("count");
        QTest::newRow("streets") << int(Layout::Streets) << 11u << 4000;
        QTest::newRow("scattered") << int(Layout::Scattered) << 12u << 4000;
        QTest::newRow("one far away") << int(Layout::FarOutlier) << 13u << 4000;
        QTest::newRow("streets, many") << int(Layout::Streets) << 14u << 60000;
    }

    void sameBoxesAfterRanksChange() {
        QFETCH(int, layout);
        QFETCH(unsigned, seed);
        QFETCH(int, count);
        RandomScene random(Layout(layout), seed);
        ViewScene scene = random.scene(std::size_t(count));
        std::mt19937& draw = random.random();
        for (int edit = 0; edit < 30; ++edit) {
            const auto pick = [&](std::size_t size, std::size_t count) {
                std::vector<std::size_t> ranks;
                for (std::size_t i = 0; i < count && size > 0; ++i) {
                    ranks.push_back(draw() % size);
                }
                std::sort(ranks.begin(), ranks.end());
                ranks.erase(std::unique(ranks.begin(), ranks.end()), ranks.end());
                return ranks;
            };
            // One edit in three removes one box and inserts one, as most edits do.
            const bool single = edit % 3 == 0;
            const std::vector<std::size_t> erased =
                pick(scene.spheres.size(), single ? 1 : draw() % 40);
            for (auto rank = erased.rbegin(); rank != erased.rend(); ++rank) {
                scene.spheres.erase(scene.spheres.begin() + std::ptrdiff_t(*rank));
            }
            scene.grid.erase(erased);
            // Numbered before the insertion, several at one place, some at the end as an import
            // adds them; then numbered after it.
            std::vector<std::size_t> inserted;
            for (std::size_t i = single ? 1 : draw() % 40; i > 0; --i) {
                inserted.push_back(draw() % (scene.spheres.size() + 1));
            }
            if (!single) {
                inserted.insert(inserted.end(), draw() % 3, scene.spheres.size());
            }
            std::sort(inserted.begin(), inserted.end());
            for (std::size_t i = 0; i < inserted.size(); ++i) {
                inserted[i] += i;
            }
            for (const std::size_t rank : inserted) {
                scene.spheres.insert(scene.spheres.begin() + std::ptrdiff_t(rank), BoxSphere{});
            }
            scene.grid.insert(inserted);
            std::vector<std::size_t> placed = pick(scene.spheres.size(), draw() % 20);
            placed.insert(placed.end(), inserted.begin(), inserted.end());
            for (const std::size_t rank : placed) {
                scene.spheres[rank] = random.next();
                // Now and then far outside the extent the grid was built for.
                if (draw() % 10 == 0) {
                    const BoxSphere& near = scene.spheres[rank];
                    const Vec3 away = near.centre() * 6.5;
                    scene.spheres[rank] =
                        near.drawable() ? BoxSphere::around(near.low() + away, near.high() + away)
                                        : BoxSphere::at(near.centre() + away);
                }
                scene.grid.place(rank, scene.spheres[rank]);
            }
            random.resize(scene);
            QVERIFY2(gridHoldsEveryBox(scene), qPrintable(QString("after edit %1").arg(edit)));
            compareFrames(scene, random, 4);
            if (QTest::currentTestFailed()) {
                return;
            }
        }
    }
};

QTEST_MAIN(SceneCullingTest)
#include "sceneculling_test.moc"
