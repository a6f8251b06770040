#include "modelimport.h"

#include "collisionname.h"
#include "orientedbox.h"
#include "orlclass.h"
#include "problems.h"
#include "shapeset.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <unordered_set>

namespace {

bool wanted(const ModelMesh& mesh, const ImportOptions& options) {
    return !options.collisionOnly || isCollisionName(mesh.name) ||
           std::any_of(mesh.meshNames.begin(), mesh.meshNames.end(),
                       [](const std::string& name) { return isCollisionName(name); });
}

std::optional<unsigned long long> digitsValue(std::string_view text) {
    unsigned long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// Hands out the IDs of new boxes in turn, passing over those the document holds.
class IdSequence {
public:
    IdSequence(const BoxDocument& document, const std::optional<unsigned long long>& first) {
        unsigned long long highest = 0;
        for (const std::string_view id : document.boxIds) {
            taken_.emplace(id);
            highest = std::max(highest, digitsValue(id).value_or(0));
        }
        next_ = first.value_or(highest + 1);
    }

    std::string take() {
        std::string id = std::to_string(next_++);
        while (taken_.count(id) != 0) {
            id = std::to_string(next_++);
        }
        taken_.insert(id);
        return id;
    }

private:
    std::unordered_set<std::string> taken_;
    unsigned long long next_ = 1;
};

// The smallest extent a box may have and still bound a volume once written in steps of 1/16384.
constexpr double SMALLEST_EXTENT = 1.0 / 16384;

// Far beyond what the format holds, yet far from where double precision would overflow in the
// hull: a malformed model's huge or infinite coordinates stop here.
constexpr double FARTHEST_COORDINATE = 1e9;

bool withinReach(const std::vector<Vec3>& points) {
    return std::all_of(points.begin(), points.end(), [](const Vec3& p) {
        return std::fabs(p.x) < FARTHEST_COORDINATE && std::fabs(p.y) < FARTHEST_COORDINATE &&
               std::fabs(p.z) < FARTHEST_COORDINATE;
    });
}

MeshReport addMeshBox(const ModelMesh& mesh, BoxDocument& document, IdSequence& ids) {
    MeshReport report;
    report.name = mesh.name;
    if (!withinReach(mesh.points)) {
        report.outcome = MeshReport::Outcome::OutOfRange;
        return report;
    }
    const std::optional<BoxFit> fit = fitOrientedBox(mesh.points);
    if (!fit || std::min({fit->box.halfSizes.x, fit->box.halfSizes.y, fit->box.halfSizes.z}) * 2 <
                    SMALLEST_EXTENT) {
        report.outcome = MeshReport::Outcome::NoVolume;
        return report;
    }
    report.filled = fit->hullVolume / fit->box.volume();
    Box box;
    const std::optional<WrittenFit> written = writeFittedBox(*fit, mesh.points, box);
    if (!written) {
        report.outcome = MeshReport::Outcome::OutOfRange;
        return report;
    }
    report.fit = *written;
    report.id = ids.take();
    report.rank = document.boxes.size();
    Box& added = document.appendBox();
    added.id = report.id;
    added.maxRadius = box.maxRadius;
    for (std::size_t axis = 0; axis < Box::centerTextCount; ++axis) {
        added.centerText(axis) = box.centerText(axis);
    }
    for (std::size_t k = 0; k < Box::planeTextCount; ++k) {
        added.planeText(k) = box.planeText(k);
    }
    document.boxIds.append(report.id);
    return report;
}

void appendNewIntersections(BoxDocument& document, std::size_t firstNewRank, ImportReport& report) {
    ShapeSet shapes;
    shapes.reserve(document.boxes.size());
    Solid solid;
    for (const auto& box : document.boxes) {
        buildSolid(decodeBoxValues(*box), solid);
        shapes.add(solid);
    }
    const IntersectionSearch search = findIntersections(shapes);
    report.intersectionsComplete = search.complete;
    // A file may list a pair of new ranks already, if its ranks went past its boxes.
    std::unordered_set<std::string> listed;
    for (const std::string_view text : document.intersections) {
        listed.emplace(text);
    }
    for (const RankPair& pair : search.pairs) {
        if (pair.second < firstNewRank) {
            continue;
        }
        std::string text = pairText(pair);
        if (listed.insert(text).second) {
            document.intersections.append(std::move(text));
            ++report.intersectionsAdded;
        }
    }
}

} // namespace

ImportReport appendModelBoxes(const ModelContent& model, BoxDocument& document,
                              const ImportOptions& options) {
    ImportReport report;
    IdSequence ids(document, options.firstId);
    const std::size_t firstNewRank = document.boxes.size();
    for (const ModelMesh& mesh : model.meshes) {
        if (!wanted(mesh, options)) {
            ++report.ignored;
            continue;
        }
        report.meshes.push_back(addMeshBox(mesh, document, ids));
    }
    document.setCountText(std::to_string(document.boxes.size()));
    if (document.boxes.size() > firstNewRank) {
        appendNewIntersections(document, firstNewRank, report);
    }
    return report;
}
