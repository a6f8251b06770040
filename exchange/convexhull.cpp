#include "convexhull.h"

extern "C" {
#include <libqhull_r/qhull_ra.h>
}

#include <cstdio>

namespace {

// Qhull reports why a hull fails on a stream; a flat mesh is an expected outcome here, told to
// the caller as nothing, so its messages go nowhere.
std::FILE* silentStream() {
    static std::FILE* const stream = std::fopen("/dev/null", "w");
    return stream;
}

// Owns one run of Qhull and frees its memory whatever happens.
class QhullRun {
public:
    QhullRun() { qh_zero(&qh_, silentStream()); }
    ~QhullRun() {
        qh_freeqhull(&qh_, !qh_ALL);
        int longBlocks = 0;
        int longBytes = 0;
        qh_memfreeshort(&qh_, &longBlocks, &longBytes);
    }
    QhullRun(const QhullRun&) = delete;
    QhullRun& operator=(const QhullRun&) = delete;

    // "Qs" tries every point for the first simplex, which finds thin slabs that the default
    // choice may take for flat.
    bool run(std::vector<coordT>& coordinates) {
        char flags[] = "qhull Qs";
        return qh_new_qhull(&qh_, 3, static_cast<int>(coordinates.size() / 3), coordinates.data(),
                            False, flags, nullptr, silentStream()) == 0;
    }

    qhT* get() { return &qh_; }

private:
    qhT qh_{};
};

} // namespace

std::optional<ConvexHull> convexHull(const std::vector<Vec3>& points) {
    if (points.size() < 4) {
        return std::nullopt;
    }
    std::vector<coordT> coordinates;
    coordinates.reserve(points.size() * 3);
    for (const Vec3& point : points) {
        coordinates.insert(coordinates.end(), {point.x, point.y, point.z});
    }
    QhullRun run;
    if (!run.run(coordinates)) {
        return std::nullopt;
    }
    qhT* qh = run.get();
    qh_getarea(qh, qh->facet_list);
    ConvexHull hull;
    hull.volume = qh->totvol;
    facetT* facet = nullptr;
    FORALLfacets {
        if (facet->normal != nullptr) {
            hull.faces.push_back(
                {{facet->normal[0], facet->normal[1], facet->normal[2]}, facet->f.area});
        }
    }
    vertexT* vertex = nullptr;
    FORALLvertices {
        hull.vertices.push_back({vertex->point[0], vertex->point[1], vertex->point[2]});
    }
    if (!(hull.volume > 0) || hull.faces.size() < 4) {
        return std::nullopt;
    }
    return hull;
}
