#include "solidchecks.h"

#include "boxvalues.h"
#include "digits.h"
#include "frenchtext.h"
#include "problemreporter.h"
#include "solid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <string>

namespace {

// Planes 0 and 5, 1 and 3, 2 and 4 face each other.
constexpr std::array<std::pair<int, int>, 3> OPPOSITE_PLANES = {{{0, 5}, {1, 3}, {2, 4}}};
constexpr double OPPOSITE_DEGREES = 1;
// The squared cosine of an angle a little under OPPOSITE_DEGREES: normals whose angle to opposite
// directions is within it pass whatever the roundings, without an arc cosine.
const double SURELY_OPPOSITE_SQUARED_COSINE =
    std::pow(std::cos((OPPOSITE_DEGREES - 0.001) * std::numbers::pi / 180), 2);

// Whole digits; long digit strings saturate at the largest double.
double digitsValue(std::string_view digits) {
    double value = 0;
    for (const char c : digits) {
        value = std::min(value * 10 + (c - '0'), std::numeric_limits<double>::max());
    }
    return value;
}

void checkNormals(const BoxValues& values, ProblemReporter& reporter) {
    for (std::size_t p = 0; p < values.planes.size(); ++p) {
        const Vec3& n = values.planes[p].normal;
        const double squares = dot(n, n);
        if (std::fabs(squares - 1) > GEOMETRY_TOLERANCE) {
            reporter.addOnPlane(ProblemKind::NormalNotUnit, static_cast<int>(p),
                                "a² + b² + c² = " + frenchNumber(squares) + " au lieu de 1");
        }
    }
}

void checkStatus(const Solid& solid, ProblemReporter& reporter) {
    switch (solid.status) {
    case SolidStatus::Empty:
        reporter.add(ProblemKind::SolidEmpty,
                     "les six demi-espaces n'ont aucun point commun : le solide est vide");
        break;
    case SolidStatus::Unbounded:
        reporter.add(ProblemKind::SolidUnbounded,
                     "les six demi-espaces ne se referment pas : le solide est infini");
        break;
    case SolidStatus::Flat:
        reporter.add(ProblemKind::SolidFlat,
                     "les six demi-espaces se referment sur un volume nul : le solide est plat");
        break;
    case SolidStatus::ZeroNormal: // reported by the normal check, plane by plane
    case SolidStatus::Closed:
        break;
    }
}

void checkOpposites(const BoxValues& values, ProblemReporter& reporter) {
    for (const auto& [p, q] : OPPOSITE_PLANES) {
        const Vec3& a = values.planes[static_cast<std::size_t>(p)].normal;
        const Vec3& b = values.planes[static_cast<std::size_t>(q)].normal;
        const double along = -dot(a, b);
        if (along > 0 && along * along >= SURELY_OPPOSITE_SQUARED_COSINE * dot(a, a) * dot(b, b)) {
            continue;
        }
        const double lengths = length(a) * length(b);
        if (lengths == 0) {
            continue;
        }
        const double cosine = std::clamp(-dot(a, b) / lengths, -1.0, 1.0);
        const double degrees = std::acos(cosine) * 180 / std::numbers::pi;
        if (degrees > OPPOSITE_DEGREES) {
            reporter.add(ProblemKind::PlanesNotOpposite,
                         "les normales des plans " + std::to_string(p) + " et " +
                             std::to_string(q) + " sont à " + frenchNumber(degrees, 2) +
                             "° de directions opposées");
        }
    }
}

void checkCentre(const BoxValues& values, ProblemReporter& reporter) {
    std::optional<std::size_t> worst;
    double worstDistance = GEOMETRY_TOLERANCE;
    for (std::size_t p = 0; p < values.planes.size(); ++p) {
        const PlaneValues& plane = values.planes[p];
        // A centre on the inner side of the plane is no farther out than 0, whatever the length.
        const double beyond = dot(plane.normal, values.centre) - plane.d;
        if (!(beyond > 0)) {
            continue;
        }
        const double distance = beyond / length(plane.normal);
        if (distance > worstDistance) {
            worst = p;
            worstDistance = distance;
        }
    }
    if (worst) {
        const Vec3& c = values.centre;
        reporter.addOnPlane(ProblemKind::CentreOutside, static_cast<int>(*worst),
                            "le centre (" + frenchNumber(c.x) + " ; " + frenchNumber(c.y) + " ; " +
                                frenchNumber(c.z) + ") est hors du solide, à " +
                                frenchNumber(worstDistance) + " au-delà de ce plan");
    }
}

void checkRadius(std::string_view radiusText, const BoxValues& values, const Solid& solid,
                 ProblemReporter& reporter) {
    if (radiusText.empty() || !allDigits(radiusText)) {
        return;
    }
    // A square root rounds monotonically: the root of the largest square is the largest root.
    double farthestSquared = 0;
    for (const Vec3& v : solid.vertices) {
        const Vec3 offset = v - values.centre;
        farthestSquared = std::max(farthestSquared, dot(offset, offset));
    }
    const double farthest = std::sqrt(farthestSquared);
    if (digitsValue(radiusText) + GEOMETRY_TOLERANCE < farthest) {
        reporter.add(ProblemKind::RadiusTooSmall,
                     "rayon maximal " + quoted(radiusText) + " inférieur à " +
                         frenchNumber(farthest) + ", distance du centre au sommet le plus éloigné");
    }
}

} // namespace

void checkSolidOfBox(std::string_view radiusText, const BoxValues& values, const Solid& solid,
                     ProblemReporter& reporter) {
    checkNormals(values, reporter);
    checkStatus(solid, reporter);
    checkOpposites(values, reporter);
    if (solid.closed()) {
        checkCentre(values, reporter);
        checkRadius(radiusText, values, solid, reporter);
    }
}
