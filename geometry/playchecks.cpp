#include "playchecks.h"

#include "boxvalues.h"
#include "facepairs.h"
#include "frenchtext.h"
#include "parallelepiped.h"
#include "parallelwork.h"
#include "problemreporter.h"
#include "shapeset.h"
#include "solid.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

namespace {

constexpr std::uint8_t ALL_PLANES = 0x3f;
// Near pairs a thread takes at a time: neighbours lie close together in the list, so that the
// thread's cache of faces serves most of a piece.
constexpr std::size_t NEAR_PAIRS_PER_PIECE = 4096;

std::string faceText(int plane) {
    return "la face " + std::to_string(plane);
}

// Sorted findings in the order of the boxes, each box's ID asked for once.
void reportFindings(const std::vector<PlayFinding>& findings, const IdOfRank& idOf,
                    ProblemReporter& reporter) {
    for (auto finding = findings.begin(); finding != findings.end();) {
        const std::size_t rank = finding->rank;
        reporter.beginBox(rank, idOf(rank));
        for (; finding != findings.end() && finding->rank == rank; ++finding) {
            reportPlayFinding(*finding, reporter);
        }
        reporter.endBox();
    }
}

// The near pairs from first to last, in increasing order so that the faces of each first box are
// built once; touching: every pair that touches, increasing.
void checkPairs(const FaceStore& store, FaceReader& faces, const PlayLimits& limits,
                const std::vector<RankPair>& touching, std::vector<RankPair>::const_iterator first,
                std::vector<RankPair>::const_iterator last, std::vector<PlayFinding>& findings) {
    if (first == last) {
        return;
    }
    auto touchingPair = std::lower_bound(touching.begin(), touching.end(), *first);
    for (; first != last; ++first) {
        while (touchingPair != touching.end() && *touchingPair < *first) {
            ++touchingPair;
        }
        const bool apart = touchingPair == touching.end() || *touchingPair != *first;
        findBetweenBoxes(store, faces, limits, *first, apart, findings);
    }
}

} // namespace

PlayChecks::PlayChecks(const PlayLimits& limits, ProblemReporter& reporter)
    : limits_(limits), reporter_(reporter), surfaces_(limits.maxSlopeDegrees) {}

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

namespace {

// Whether the solid is surely no thinner than the minimum along any face's normal, told from its
// planes alone: each plane faces an exactly opposite one, both bounding faces, so that the solid
// reaches within the tolerance of both and is at least their distance apart less twice the
// tolerance along their normal. Most boxes are, far beyond the roundings of their corners.
bool surelyThick(const BoxValues& values, const Solid& solid, double minThickness) {
    // Far above what the corners' roundings shift a width by, far below any meaningful width.
    constexpr double ROUNDING_MARGIN = 1e-6;
    for (const auto& [p, q] : OPPOSITE_PLANES) {
        const PlaneValues& first = values.planes[p];
        const PlaneValues& second = values.planes[q];
        if (solid.faces[p].size() < 3 || solid.faces[q].size() < 3 ||
            !(second.normal == -first.normal)) {
            return false;
        }
        const double gap = (first.d + second.d) / length(first.normal);
        if (!(gap - 2 * GEOMETRY_TOLERANCE - ROUNDING_MARGIN >= minThickness)) {
            return false;
        }
    }
    return true;
}

} // namespace

// The solid's width along each face's normal; the thinnest, if below the minimum, is told
// between that face and the face turned most nearly the other way.
void PlayChecks::checkThickness(const BoxValues& values, const Solid& solid) {
    if (surelyThick(values, solid, limits_.minThickness)) {
        return;
    }
    std::optional<int> thinnest;
    double thinnestWidth = limits_.minThickness;
    std::array<Vec3, 6> normals{};
    for (std::size_t p = 0; p < solid.faces.size(); ++p) {
        const Vec3& normal = values.planes[p].normal;
        if (solid.faces[p].size() < 3) {
            continue;
        }
        const double size = length(normal);
        if (size == 0) {
            continue;
        }
        normals[p] = normal * (1.0 / size);
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
        if (solid.faces[p].size() < 3) {
            continue;
        }
        const Vec3& normal = values.planes[p].normal;
        const std::optional<SurfaceKind> kind = surfaces_.kindOf(normal);
        if (!kind) {
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

double nearReach(const PlayLimits& limits) {
    return std::max(limits.seamWidth, limits.minStep) + GEOMETRY_TOLERANCE;
}

// Boxes that touch leave no seam between them: their faces are not apart. Their faces are built
// only where a micro-step may be, on their walkable planes.
void findBetweenBoxes(const FaceStore& store, FaceReader& faces, const PlayLimits& limits,
                      const RankPair& pair, bool apart, std::vector<PlayFinding>& findings) {
    // Plain names rather than a structured binding, which a lambda below could not capture
    // before C++23 with every compiler.
    const std::size_t a = pair.first;
    const std::size_t b = pair.second;
    const bool stepsPossible = store.walkable(a) != 0 && store.walkable(b) != 0;
    if (!apart && !stepsPossible) {
        return;
    }
    const std::uint8_t planes = apart ? ALL_PLANES : store.walkable(a) | store.walkable(b);
    const auto [first, second] = faces.facesOf(a, b, planes);
    for (std::size_t p = 0; p < first->faces.size(); ++p) {
        if (!first->faces[p] || (planes >> p & 1u) == 0) {
            continue;
        }
        const FaceOutline& faceA = *first->faces[p];
        const bool walkableA = (first->walkable >> p & 1u) != 0;
        for (std::size_t q = 0; q < second->faces.size(); ++q) {
            if (!second->faces[q] || (planes >> q & 1u) == 0) {
                continue;
            }
            const FaceOutline& faceB = *second->faces[q];
            const auto found = [&](ProblemKind kind, double value) {
                findings.push_back({a, b, kind, static_cast<int>(p), static_cast<int>(q), value});
            };
            if (faceEachOther(faceA, faceB)) {
                if (!apart) {
                    continue;
                }
                if (const auto gap = seamGap(faceA, faceB, limits.seamWidth)) {
                    found(ProblemKind::Seam, *gap);
                }
            } else if (walkableA && (second->walkable >> q & 1u) != 0) {
                if (const auto height = stepHeight(faceA, faceB, limits.minStep)) {
                    found(ProblemKind::MicroStep, *height);
                }
            }
        }
    }
}

std::vector<PlayFinding> findBetweenNearBoxes(const FaceStore& store, const ShapeSet& shapes,
                                              const PlayLimits& limits,
                                              const std::vector<RankPair>& touching,
                                              const std::vector<RankPair>& near,
                                              const std::function<void()>& alongside) {
    // The near pairs go to the threads a piece at a time, so that a thread that starts late takes
    // fewer: the findings are sorted, so that they do not depend on the threads.
    const unsigned threadCount = threadCountFor(store.size());
    const std::size_t pieceCount = (near.size() + NEAR_PAIRS_PER_PIECE - 1) / NEAR_PAIRS_PER_PIECE;
    std::atomic<std::size_t> nextPiece{0};
    std::vector<std::vector<PlayFinding>> found(threadCount);
    runInParallel(threadCount, [&](unsigned share) {
        if (share == 0 && alongside) {
            alongside();
        }
        FaceReader faces(store, shapes);
        for (std::size_t piece = nextPiece++; piece < pieceCount; piece = nextPiece++) {
            const std::size_t first = piece * NEAR_PAIRS_PER_PIECE;
            const std::size_t last = std::min(first + NEAR_PAIRS_PER_PIECE, near.size());
            checkPairs(store, faces, limits, touching,
                       near.begin() + static_cast<std::ptrdiff_t>(first),
                       near.begin() + static_cast<std::ptrdiff_t>(last), found[share]);
        }
    });
    std::vector<PlayFinding> findings = std::move(found.front());
    for (std::size_t share = 1; share < found.size(); ++share) {
        findings.insert(findings.end(), found[share].begin(), found[share].end());
    }
    std::sort(findings.begin(), findings.end());
    return findings;
}

void reportPlayFinding(const PlayFinding& finding, ProblemReporter& reporter) {
    const std::string what = finding.kind == ProblemKind::Seam ? "fente de " : "marche de ";
    reporter.addOnFaces(finding.kind, finding.plane, finding.other, finding.otherPlane,
                        what + frenchNumber(finding.value) + " entre " + faceText(finding.plane) +
                            " et " + faceText(finding.otherPlane) + " de la box " +
                            std::to_string(finding.other));
}

double PlayChecks::nearMargin() const {
    return nearReach(limits_);
}

void PlayChecks::checkBetweenBoxes(const ShapeSet& shapes, const std::vector<RankPair>& touching,
                                   const std::vector<RankPair>& near, const IdOfRank& idOf,
                                   const std::function<void()>& alongside) {
    reportFindings(findBetweenNearBoxes(faces_, shapes, limits_, touching, near, alongside), idOf,
                   reporter_);
}
