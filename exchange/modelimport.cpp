#include "modelimport.h"

#include "collisionname.h"
#include "orientedbox.h"
#include "orlclass.h"
#include "problems.h"
#include "shapeset.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
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

MeshReport fitMeshBox(const ModelMesh& mesh, IdSequence& ids, std::size_t rank,
                      std::vector<BoxTexts>& boxes) {
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
    report.rank = rank;
    box.id = report.id;
    boxes.push_back(textsOf(box));
    return report;
}

// Counts the steps of an import for its progress: a mesh fitted, a solid built.
class ImportSteps {
public:
    ImportSteps(const WorkProgress& progress, std::uint64_t total)
        : progress_(progress), total_(total) {}

    // The solids to build turn out fewer than foreseen once the meshes with no volume are known.
    void setTotal(std::uint64_t total) { total_ = total; }
    // False once the progress asks to stop.
    bool step() { return !progress_ || progress_(++done_, total_); }

private:
    const WorkProgress& progress_;
    std::uint64_t total_;
    std::uint64_t done_ = 0;
};

std::optional<std::vector<std::string>> newIntersections(const BoxDocument& document,
                                                         const std::vector<BoxTexts>& boxes,
                                                         ImportReport& report, ImportSteps& steps) {
    const std::size_t firstNewRank = document.boxes.size();
    ShapeSet shapes;
    shapes.reserve(firstNewRank + boxes.size());
    Solid solid;
    for (const auto& box : document.boxes) {
        buildSolid(decodeBoxValues(*box), solid);
        shapes.add(solid);
        if (!steps.step()) {
            return std::nullopt;
        }
    }
    for (const BoxTexts& box : boxes) {
        buildSolid(decodeBoxValues(box), solid);
        shapes.add(solid);
        if (!steps.step()) {
            return std::nullopt;
        }
    }
    const IntersectionSearch search = findIntersections(shapes);
    report.intersectionsComplete = search.complete;
    // A file may list a pair of new ranks already, if its ranks went past its boxes.
    std::unordered_set<std::string> listed;
    for (const std::string_view text : document.intersections) {
        listed.emplace(text);
    }
    std::vector<std::string> pairs;
    for (const RankPair& pair : search.pairs) {
        if (pair.second < firstNewRank) {
            continue;
        }
        std::string text = pairText(pair);
        if (listed.insert(text).second) {
            pairs.push_back(std::move(text));
        }
    }
    report.intersectionsAdded = pairs.size();
    return pairs;
}

} // namespace

ModelBoxes fitModelBoxes(const ModelContent& model, const BoxDocument& document,
                         const ImportOptions& options) {
    return std::move(*fitModelBoxes(model, document, options, WorkProgress()));
}

std::optional<ModelBoxes> fitModelBoxes(const ModelContent& model, const BoxDocument& document,
                                        const ImportOptions& options,
                                        const WorkProgress& progress) {
    const std::size_t meshCount = model.meshes.size();
    // Foreseen: every mesh a box, and a solid for each box old and new.
    ImportSteps steps(progress, 2 * std::uint64_t{meshCount} + document.boxes.size());
    ModelBoxes result;
    IdSequence ids(document, options.firstId);
    for (const ModelMesh& mesh : model.meshes) {
        if (!wanted(mesh, options)) {
            ++result.report.ignored;
        } else {
            const std::size_t rank = document.boxes.size() + result.boxes.size();
            result.report.meshes.push_back(fitMeshBox(mesh, ids, rank, result.boxes));
        }
        if (!steps.step()) {
            return std::nullopt;
        }
    }
    if (result.boxes.empty()) {
        return result;
    }
    steps.setTotal(std::uint64_t{meshCount} + document.boxes.size() + result.boxes.size());
    std::optional<std::vector<std::string>> pairs =
        newIntersections(document, result.boxes, result.report, steps);
    if (!pairs) {
        return std::nullopt;
    }
    result.intersections = std::move(*pairs);
    return result;
}

ImportReport appendModelBoxes(const ModelContent& model, BoxDocument& document,
                              const ImportOptions& options) {
    ModelBoxes fitted = fitModelBoxes(model, document, options);
    for (const BoxTexts& texts : fitted.boxes) {
        assignTexts(document.appendBox(), texts);
        document.boxIds.append(texts[boxslot::id]);
    }
    document.setCountText(std::to_string(document.boxes.size()));
    for (std::string& pair : fitted.intersections) {
        document.intersections.append(std::move(pair));
    }
    return std::move(fitted.report);
}
