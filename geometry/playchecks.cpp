#include "playchecks.h"

#include "boxvalues.h"
#include "facepairs.h"
#include "frenchtext.h"
#include "nearpairs.h"
#include "orlclass.h"
#include "problemreporter.h"
#include "shapeset.h"
#include "solid.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <tuple>

namespace {

// Normals are fixed-point values: a slope is known to a few thousandths of a degree, and a
// ramp built at 45 degrees must not count as steeper than 45.
constexpr double SLOPE_MARGIN_DEGREES = 0.01;

// Degrees from +Z of a plane's normal, or nothing for a zero normal.
std::optional<double> slopeDegrees(const Vec3& normal) {
    const double size = length(normal);
    if (size == 0) {
        return std::nullopt;
    }
    return std::acos(std::clamp(normal.z / size, -1.0, 1.0)) * 180 / std::numbers::pi;
}

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

} // namespace

PlayChecks::PlayChecks(const BoxDocument& document, const PlayLimits& limits,
                       ProblemReporter& reporter)
    : document_(document), limits_(limits), reporter_(reporter) {
    outlines_.reserve(document.boxes.size());
    // Four corners to a face for most boxes: what stays untouched costs no memory.
    faceCorners_.reserve(document.boxes.size() * 24);
}

void PlayChecks::checkBox(const BoxValues& values, const Solid& solid) {
    if (solid.closed()) {
        checkThickness(values, solid);
        checkSlopes(values, solid);
    }
    keepOutlines(values, solid);
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

void PlayChecks::checkSlopes(const BoxValues& values, const Solid& solid) {
    for (std::size_t p = 0; p < solid.faces.size(); ++p) {
        const std::optional<double> slope = slopeDegrees(values.planes[p].normal);
        if (solid.faces[p].size() < 3 || !slope || *slope >= 90) {
            continue;
        }
        if (*slope > limits_.maxSlopeDegrees + SLOPE_MARGIN_DEGREES &&
            *slope < WALL_DEGREES - SLOPE_MARGIN_DEGREES) {
            const int plane = static_cast<int>(p);
            reporter_.add(ProblemKind::SteepFloor,
                          "pente de " + frenchNumber(*slope, 2) + "° sur " + faceText(plane) +
                              ", plus raide que " + frenchNumber(limits_.maxSlopeDegrees, 2) +
                              "° : un personnage y glisse",
                          plane);
        }
    }
}

void PlayChecks::keepOutlines(const BoxValues& values, const Solid& solid) {
    Outlines outlines;
    outlines.first = static_cast<std::uint32_t>(faceCorners_.size());
    // The shapes keep no solid of more corners than a byte counts.
    if (solid.closed() && solid.vertices.size() <= UINT8_MAX) {
        for (std::size_t p = 0; p < solid.faces.size(); ++p) {
            const std::vector<std::size_t>& face = solid.faces[p];
            if (face.size() > FaceOutline::MAX_CORNERS) {
                continue;
            }
            outlines.sizes[p] = static_cast<std::uint8_t>(face.size());
            for (const std::size_t corner : face) {
                faceCorners_.push_back(static_cast<std::uint8_t>(corner));
            }
            const std::optional<double> slope = slopeDegrees(values.planes[p].normal);
            if (face.size() >= 3 && slope &&
                *slope <= limits_.maxSlopeDegrees + SLOPE_MARGIN_DEGREES) {
                outlines.walkable = static_cast<std::uint8_t>(outlines.walkable | 1u << p);
            }
        }
    }
    outlines_.push_back(outlines);
}

struct PlayChecks::BoxFaces {
    std::array<std::optional<FaceOutline>, 6> faces;
    std::uint8_t walkable = 0;
};

void PlayChecks::facesOf(const ShapeSet& shapes, std::size_t rank, BoxFaces& faces) const {
    const Outlines& outlines = outlines_[rank];
    faces.walkable = outlines.walkable;
    std::size_t next = outlines.first;
    std::array<Vec3, FaceOutline::MAX_CORNERS> corners;
    for (std::size_t p = 0; p < faces.faces.size(); ++p) {
        const std::size_t count = outlines.sizes[p];
        for (std::size_t i = 0; i < count; ++i) {
            corners[i] = shapes.vertex(rank, faceCorners_[next + i]);
        }
        next += count;
        faces.faces[p] = faceOutline(corners.data(), count);
    }
}

void PlayChecks::checkBetweenBoxes(const ShapeSet& shapes) {
    // Near pairs by their first box, so that its faces are built once.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs;
    const double reach = std::max(limits_.seamWidth, limits_.minStep) + GEOMETRY_TOLERANCE;
    forEachNearPair(shapes, reach, [&](std::size_t a, std::size_t b) {
        if (a < outlines_.size() && b < outlines_.size()) {
            pairs.emplace_back(static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b));
        }
    });
    std::sort(pairs.begin(), pairs.end());
    std::vector<Finding> findings;
    BoxFaces first;
    BoxFaces second;
    std::optional<std::size_t> firstRank;
    for (const auto& [a, b] : pairs) {
        if (firstRank != a) {
            facesOf(shapes, a, first);
            firstRank = a;
        }
        facesOf(shapes, b, second);
        for (std::size_t p = 0; p < first.faces.size(); ++p) {
            if (!first.faces[p]) {
                continue;
            }
            for (std::size_t q = 0; q < second.faces.size(); ++q) {
                if (!second.faces[q]) {
                    continue;
                }
                const auto found = [&](ProblemKind kind, double value) {
                    findings.push_back(
                        {a, b, kind, static_cast<int>(p), static_cast<int>(q), value});
                };
                if (const auto gap =
                        seamGap(*first.faces[p], *second.faces[q], limits_.seamWidth)) {
                    found(ProblemKind::Seam, *gap);
                }
                if ((first.walkable >> p & 1u) != 0 && (second.walkable >> q & 1u) != 0) {
                    if (const auto height =
                            stepHeight(*first.faces[p], *second.faces[q], limits_.minStep)) {
                        found(ProblemKind::MicroStep, *height);
                    }
                }
            }
        }
    }
    std::sort(findings.begin(), findings.end(),
              [](const Finding& x, const Finding& y) { return x.order() < y.order(); });
    // The IDs are found walking the boxes once, the findings being in rank order.
    auto finding = findings.begin();
    std::size_t rank = 0;
    for (const auto& box : document_.boxes) {
        if (finding == findings.end()) {
            break;
        }
        reporter_.beginBox(rank, box->id);
        for (; finding != findings.end() && finding->rank == rank; ++finding) {
            const std::string what =
                finding->kind == ProblemKind::Seam ? "fente de " : "marche de ";
            reporter_.addOnFaces(finding->kind, finding->plane, finding->other, finding->otherPlane,
                                 what + frenchNumber(finding->value) + " entre " +
                                     faceText(finding->plane) + " et " +
                                     faceText(finding->otherPlane) + " de la box " +
                                     std::to_string(finding->other));
        }
        reporter_.endBox();
        ++rank;
    }
}
