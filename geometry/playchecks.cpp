#include "playchecks.h"

#include "boxvalues.h"
#include "facepairs.h"
#include "frenchtext.h"
#include "orlclass.h"
#include "parallelwork.h"
#include "problemreporter.h"
#include "shapeset.h"
#include "solid.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

namespace {

constexpr std::uint8_t ALL_PLANES = 0x3f;

std::string faceText(int plane) {
    return "la face " + std::to_string(plane);
}

// Something found between two boxes, told on the first.
struct Finding {
    std::size_t rank;
    std::size_t other;
    ProblemKind kind;
    int plane;
    int otherPlane;
    double value;

    auto order() const { return std::tie(rank, other, kind, plane, otherPlane); }
};

// In the order of the boxes, the IDs found walking the boxes once.
void reportFindings(std::vector<Finding>& findings, const BoxDocument& document,
                    ProblemReporter& reporter) {
    std::sort(findings.begin(), findings.end(),
              [](const Finding& x, const Finding& y) { return x.order() < y.order(); });
    auto finding = findings.begin();
    std::size_t rank = 0;
    for (const auto& box : document.boxes) {
        if (finding == findings.end()) {
            break;
        }
        reporter.beginBox(rank, box->id);
        for (; finding != findings.end() && finding->rank == rank; ++finding) {
            const std::string what =
                finding->kind == ProblemKind::Seam ? "fente de " : "marche de ";
            reporter.addOnFaces(finding->kind, finding->plane, finding->other, finding->otherPlane,
                                what + frenchNumber(finding->value) + " entre " +
                                    faceText(finding->plane) + " et " +
                                    faceText(finding->otherPlane) + " de la box " +
                                    std::to_string(finding->other));
        }
        reporter.endBox();
        ++rank;
    }
}

// Boxes that touch leave no seam between them: their faces are not apart. Their faces are built
// only where a micro-step may be, on their walkable planes. Pairs in increasing order, so that
// the faces of each first box are built once.
void checkPairs(const FaceStore& store, FaceReader& faces, const PlayLimits& limits,
                const std::vector<RankPair>& touching, std::vector<RankPair>::const_iterator first,
                std::vector<RankPair>::const_iterator last, std::vector<Finding>& findings) {
    if (first == last) {
        return;
    }
    auto touchingPair = std::lower_bound(touching.begin(), touching.end(), *first);
    for (; first != last; ++first) {
        const RankPair& pair = *first;
        // Plain names rather than a structured binding, which a lambda below could not capture
        // before C++23 with every compiler.
        const std::size_t a = pair.first;
        const std::size_t b = pair.second;
        while (touchingPair != touching.end() && *touchingPair < pair) {
            ++touchingPair;
        }
        const bool apart = touchingPair == touching.end() || *touchingPair != pair;
        const bool stepsPossible = store.walkable(a) != 0 && store.walkable(b) != 0;
        if (!apart && !stepsPossible) {
            continue;
        }
        const std::uint8_t planes = apart ? ALL_PLANES : store.walkable(a) | store.walkable(b);
        const auto [firstFaces, secondFaces] = faces.facesOf(a, b, planes);
        for (std::size_t p = 0; p < firstFaces->faces.size(); ++p) {
            if (!firstFaces->faces[p] || (planes >> p & 1u) == 0) {
                continue;
            }
            const FaceOutline& faceA = *firstFaces->faces[p];
            const bool walkableA = (firstFaces->walkable >> p & 1u) != 0;
            for (std::size_t q = 0; q < secondFaces->faces.size(); ++q) {
                if (!secondFaces->faces[q] || (planes >> q & 1u) == 0) {
                    continue;
                }
                const FaceOutline& faceB = *secondFaces->faces[q];
                const auto found = [&](ProblemKind kind, double value) {
                    findings.push_back(
                        {a, b, kind, static_cast<int>(p), static_cast<int>(q), value});
                };
                if (faceEachOther(faceA, faceB)) {
                    if (!apart) {
                        continue;
                    }
                    if (const auto gap = seamGap(faceA, faceB, limits.seamWidth)) {
                        found(ProblemKind::Seam, *gap);
                    }
                } else if (walkableA && (secondFaces->walkable >> q & 1u) != 0) {
                    if (const auto height = stepHeight(faceA, faceB, limits.minStep)) {
                        found(ProblemKind::MicroStep, *height);
                    }
                }
            }
        }
    }
}

} // namespace

PlayChecks::PlayChecks(const BoxDocument& document, const PlayLimits& limits,
                       ProblemReporter& reporter)
    : document_(document), limits_(limits), reporter_(reporter), surfaces_(limits.maxSlopeDegrees) {
}

FaceStore PlayChecks::releaseFaces() {
    FaceStore faces = std::move(faces_);
    faces_.clear();
    return faces;
}

void PlayChecks::appendFaces(const FaceStore& faces) {
    faces_.append(faces);
}

void PlayChecks::checkBox(const BoxValues& values, const Solid& solid) {
    std::uint8_t walkable = 0;
    if (solid.closed()) {
        checkThickness(values, solid);
        walkable = checkSlopes(values, solid);
    }
    faces_.add(solid, walkable);
}

// The solid's width along each face's normal; the thinnest, if below the minimum, is told
// between that face and the face turned most nearly the other way.
void PlayChecks::checkThickness(const BoxValues& values, const Solid& solid) {
    std::optional<int> thinnest;
    double thinnestWidth = limits_.minThickness;
    std::array<Vec3, 6> normals{};
    for (std::size_t p = 0; p < solid.faces.size(); ++p) {
        const Vec3& normal = values.planes[p].normal;
        if (solid.faces[p].size() < 3 || length(normal) == 0) {
            continue;
        }
        normals[p] = normal * (1.0 / length(normal));
        // Along a normal exactly opposite to one already measured the width is the same to the
        // bit, and the earlier plane keeps the report: most boxes need three planes, not six.
        if (std::any_of(normals.begin(), normals.begin() + static_cast<std::ptrdiff_t>(p),
                        [&](const Vec3& earlier) { return earlier == -normals[p]; })) {
            continue;
        }
        double low = std::numeric_limits<double>::infinity();
        double high = -low;
        for (const Vec3& vertex : solid.vertices) {
            low = std::min(low, dot(normals[p], vertex));
            high = std::max(high, dot(normals[p], vertex));
        }
        if (high - low < thinnestWidth) {
            thinnest = static_cast<int>(p);
            thinnestWidth = high - low;
        }
    }
    if (!thinnest) {
        return;
    }
    const auto plane = static_cast<std::size_t>(*thinnest);
    std::optional<int> opposite;
    double mostOpposite = 2;
    for (std::size_t q = 0; q < normals.size(); ++q) {
        const double along = dot(normals[plane], normals[q]);
        if (q != plane && normals[q] != Vec3{} && along < mostOpposite) {
            opposite = static_cast<int>(q);
            mostOpposite = along;
        }
    }
    if (!opposite) {
        return;
    }
    reporter_.addOnFaces(ProblemKind::ThinSolid, *thinnest, *reporter_.box(), *opposite,
                         "épaisseur de " + frenchNumber(thinnestWidth) + " entre " +
                             faceText(*thinnest) + " et " + faceText(*opposite) +
                             ", sous le minimum de " + frenchNumber(limits_.minThickness));
}

std::uint8_t PlayChecks::checkSlopes(const BoxValues& values, const Solid& solid) {
    std::uint8_t walkable = 0;
    for (std::size_t p = 0; p < solid.faces.size(); ++p) {
        const Vec3& normal = values.planes[p].normal;
        const std::optional<SurfaceKind> kind = surfaces_.kindOf(normal);
        if (solid.faces[p].size() < 3 || !kind) {
            continue;
        }
        if (*kind == SurfaceKind::Floor) {
            walkable = static_cast<std::uint8_t>(walkable | 1u << p);
        } else if (*kind == SurfaceKind::SteepSlope) {
            const double degrees = std::acos(normal.z / length(normal)) * 180 / std::numbers::pi;
            const int plane = static_cast<int>(p);
            reporter_.add(ProblemKind::SteepFloor,
                          "pente de " + frenchNumber(degrees, 2) + "° sur " + faceText(plane) +
                              ", plus raide que " + frenchNumber(limits_.maxSlopeDegrees, 2) +
                              "° : un personnage y glisse",
                          plane);
        }
    }
    return walkable;
}

double PlayChecks::nearMargin() const {
    return std::max(limits_.seamWidth, limits_.minStep) + GEOMETRY_TOLERANCE;
}

void PlayChecks::checkBetweenBoxes(const ShapeSet& shapes, const std::vector<RankPair>& touching,
                                   const std::vector<RankPair>& near) {
    // The near pairs in shares, one a thread: the findings are sorted before they are told, so
    // that the report does not depend on the threads.
    const unsigned threadCount = threadCountFor(faces_.size());
    std::vector<std::vector<Finding>> found(threadCount);
    runInParallel(threadCount, [&](unsigned share) {
        const auto first =
            near.begin() + static_cast<std::ptrdiff_t>(near.size() * share / threadCount);
        const auto last =
            near.begin() + static_cast<std::ptrdiff_t>(near.size() * (share + 1) / threadCount);
        FaceReader faces(faces_, shapes);
        checkPairs(faces_, faces, limits_, touching, first, last, found[share]);
    });
    std::vector<Finding> findings = std::move(found.front());
    for (std::size_t share = 1; share < found.size(); ++share) {
        findings.insert(findings.end(), found[share].begin(), found[share].end());
    }
    reportFindings(findings, document_, reporter_);
}
