#include "boxvalues.h"
#include "fixedpoint.h"
#include "frenchtext.h"
#include "geometrytestsupport.h"
#include "playchecks.h"
#include "playlimits.h"
#include "problemreporter.h"
#include "solid.h"
#include "solidchecks.h"
#include "surfacekind.h"
#include "textchecks.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

// The checks of one box take shortcuts for the common case (a centre well inside, planes plainly
// opposite, a wall's normal): each is held here against the full computation it stands for.

namespace {

std::vector<Problem> checksOf(const BoxValues& values, std::string_view radius = "1000") {
    std::vector<Problem> problems;
    const ProblemSink keep = [&](const Problem& problem) { problems.push_back(problem); };
    ProblemReporter reporter(keep);
    reporter.beginBox(0, "1");
    checkSolidOfBox(radius, values, buildSolid(values), reporter);
    reporter.endBox();
    return problems;
}

std::vector<Problem> ofKind(const std::vector<Problem>& problems, ProblemKind kind) {
    std::vector<Problem> kept;
    std::copy_if(problems.begin(), problems.end(), std::back_inserter(kept),
                 [&](const Problem& problem) { return problem.kind == kind; });
    return kept;
}

// The unit cube around the origin, its planes in the order of the file: +x, +y, +z, -y, -z, -x.
BoxValues cube() {
    BoxValues values;
    const Vec3 normals[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, -1, 0}, {0, 0, -1}, {-1, 0, 0}};
    for (std::size_t p = 0; p < 6; ++p) {
        values.planes[p] = {normals[p], 0.5};
    }
    return values;
}

double degreesFromOpposite(const Vec3& a, const Vec3& b) {
    const double cosine = std::clamp(-dot(a, b) / (length(a) * length(b)), -1.0, 1.0);
    return std::acos(cosine) * 180 / std::numbers::pi;
}

TEST(SolidChecks, PlanesAreOppositeWithinOneDegreeExactlyAsTheArcCosineSays) {
    int reported = 0;
    int passed = 0;
    for (const double scale : {1.0, 0.5, 3.0, 1e-3}) {
        for (double degrees = 0.99; degrees <= 1.01; degrees += 0.0001) {
            const double angle = degrees * std::numbers::pi / 180;
            BoxValues values = cube();
            values.planes[2].normal = Vec3{0, std::sin(angle), std::cos(angle)} * scale;
            const double expected =
                degreesFromOpposite(values.planes[2].normal, values.planes[4].normal);
            const std::vector<Problem> found =
                ofKind(checksOf(values), ProblemKind::PlanesNotOpposite);
            if (expected > 1) {
                ASSERT_EQ(found.size(), 1u) << degrees;
                EXPECT_EQ(found[0].message, "les normales des plans 2 et 4 sont à " +
                                                frenchNumber(expected, 2) +
                                                "° de directions opposées");
                ++reported;
            } else {
                EXPECT_TRUE(found.empty()) << degrees;
                ++passed;
            }
        }
    }
    // Both sides of the limit were tried.
    EXPECT_GT(reported, 100);
    EXPECT_GT(passed, 100);
    // Normals turned the same way, or one of them zero, are never opposite.
    BoxValues same = cube();
    same.planes[0].normal = {-1, 0, 0};
    EXPECT_EQ(ofKind(checksOf(same), ProblemKind::PlanesNotOpposite).size(), 1u);
    BoxValues zero = cube();
    zero.planes[1].normal = {};
    EXPECT_TRUE(ofKind(checksOf(zero), ProblemKind::PlanesNotOpposite).empty());
}

TEST(SolidChecks, TheCentreIsToldBeyondThePlaneItLiesFarthestOutside) {
    // Each plane's normal at its own length; the centre walks out through +x and +y.
    for (const double length : {1.0, 0.25, 1.75}) {
        for (double x = 0.49; x <= 0.52; x += 0.00025) {
            BoxValues values = cube();
            for (PlaneValues& plane : values.planes) {
                plane.normal = plane.normal * length;
                plane.d = 0.5 * length;
            }
            values.centre = {x, x * 0.999, 0};
            // The first plane farthest beyond, as the full computation finds it.
            std::optional<std::size_t> worst;
            double worstDistance = GEOMETRY_TOLERANCE;
            for (std::size_t p = 0; p < 6; ++p) {
                const PlaneValues& plane = values.planes[p];
                const double distance =
                    (dot(plane.normal, values.centre) - plane.d) / ::length(plane.normal);
                if (distance > worstDistance) {
                    worst = p;
                    worstDistance = distance;
                }
            }
            const std::vector<Problem> found = ofKind(checksOf(values), ProblemKind::CentreOutside);
            ASSERT_EQ(found.size(), worst ? 1u : 0u) << x;
            if (worst) {
                EXPECT_EQ(found[0].plane, static_cast<int>(*worst));
                EXPECT_NE(found[0].message.find("à " + frenchNumber(worstDistance) + " au-delà"),
                          std::string::npos)
                    << found[0].message;
            }
        }
    }
}

TEST(SolidChecks, TheRadiusIsMeasuredToTheFarthestCorner) {
    // A box 2 by 4 by 6 whose centre sits off its middle: the farthest corner is known.
    BoxValues values = cube();
    const double halves[] = {1, 2, 3, 2, 3, 1};
    for (std::size_t p = 0; p < 6; ++p) {
        values.planes[p].d = halves[p];
    }
    values.centre = {0.5, -0.25, 1};
    const double farthest = std::sqrt(1.5 * 1.5 + 2.25 * 2.25 + 4 * 4);
    const std::vector<Problem> found = ofKind(checksOf(values, "4"), ProblemKind::RadiusTooSmall);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].message, "rayon maximal " + quoted("4") + " inférieur à " +
                                    frenchNumber(farthest) +
                                    ", distance du centre au sommet le plus éloigné");
    EXPECT_TRUE(ofKind(checksOf(values, "5"), ProblemKind::RadiusTooSmall).empty());
}

// The kind of a face as the angle of its normal from +Z tells it, computed in full.
std::optional<SurfaceKind> kindInFull(const Vec3& normal, double maxSlopeDegrees) {
    const double size = length(normal);
    if (size == 0) {
        return std::nullopt;
    }
    const double cosine = normal.z / size;
    const double margin = 0.01;
    if (cosine >= std::cos((maxSlopeDegrees + margin) * std::numbers::pi / 180)) {
        return SurfaceKind::Floor;
    }
    const double wallCosine = std::cos((WALL_DEGREES - margin) * std::numbers::pi / 180);
    if (cosine > wallCosine) {
        return SurfaceKind::SteepSlope;
    }
    return cosine >= -wallCosine ? SurfaceKind::Wall : SurfaceKind::Ceiling;
}

TEST(SurfaceKinds, EveryNormalIsOfTheKindItsAngleGives) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double huge = std::numeric_limits<double>::max();
    std::vector<Vec3> normals = {{1, 0, 0},        {0, -2, 0},  {3, 4, 0},      {0, 0, 1},
                                 {0, 0, -0.5},     {0, 0, 0},   {1e-300, 0, 0}, {huge, huge, 0},
                                 {nan, 0, 0},      {0, nan, 0}, {0, 0, nan},    {0.7, 0, 0.7},
                                 {-0.0, 0.0, -0.0}};
    for (int degrees = 0; degrees <= 180; ++degrees) {
        const double angle = degrees * std::numbers::pi / 180;
        normals.push_back({std::sin(angle), 0, std::cos(angle)});
        normals.push_back(Vec3{0, std::sin(angle), std::cos(angle)} * 0.3);
    }
    for (const double maxSlope : {0.0, 45.0, 89.99, 90.0, 120.0}) {
        const SurfaceClassifier classifier(maxSlope);
        for (const Vec3& normal : normals) {
            EXPECT_EQ(classifier.kindOf(normal), kindInFull(normal, maxSlope))
                << normal.x << " " << normal.y << " " << normal.z << " at " << maxSlope;
        }
    }
}

// Each text is read once for its value and its form: a text spoiled in any slot is marked in
// that slot alone, and every value is the one the general reading gives.
TEST(BoxDecoding, MarksExactlyTheTextsNotWrittenAsTheFileWritesThem) {
    const BoxTexts sound = axisBox("7", {-1, -2, -3}, {4, 5, 6}, "12");
    const std::vector<std::string> spoilings = {"",         "0",        "123456789", "0000004g",
                                                "-0000400", "0x40",     "00 4000",   "ffff",
                                                "ABCD",     "00ABCDEF", "00004000"};
    for (std::size_t slot = boxslot::firstCentre; slot < boxslot::count; ++slot) {
        const bool eightDigits =
            slot < boxslot::firstPlane || (slot - boxslot::firstPlane) % 4 == 3;
        for (const std::string& spoiling : spoilings) {
            BoxTexts texts = sound;
            texts[slot] = spoiling;
            BoxDocument document;
            addBox(document, texts);
            const DecodedBox decoded = decodeBox(*document.boxes.begin()->get());
            const bool wellFormed =
                spoiling.size() == (eightDigits ? 8u : 4u) &&
                spoiling.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
            EXPECT_EQ(decoded.malformedSlots, wellFormed ? 0u : 1u << slot)
                << slot << " " << spoiling;
            const BoxValues& values = decoded.values;
            const auto eight = [&](std::size_t at) {
                return fixedpoint::hexValue(texts[at], HexFormat::EightDigits);
            };
            const auto four = [&](std::size_t at) {
                return fixedpoint::hexValue(texts[at], HexFormat::FourDigits);
            };
            EXPECT_EQ(values.centre, (Vec3{eight(boxslot::centre(0)), eight(boxslot::centre(1)),
                                           eight(boxslot::centre(2))}));
            for (std::size_t p = 0; p < 6; ++p) {
                const std::size_t first = boxslot::plane(p * 4);
                EXPECT_EQ(values.planes[p].normal,
                          (Vec3{four(first), four(first + 1), four(first + 2)}));
                EXPECT_EQ(values.planes[p].d, eight(first + 3));
            }
        }
    }
}

// The faults of a box's texts are told in the order of the file, the radius last.
TEST(BoxDecoding, TheTextsMarkedAreToldInTheFilesOrder) {
    BoxTexts texts = axisBox("7", {-1, -2, -3}, {4, 5, 6}, "x");
    texts[boxslot::plane(23)] = "";
    texts[boxslot::plane(14)] = "04000";
    texts[boxslot::centre(2)] = "0000004g";
    BoxDocument document;
    addBox(document, texts);
    std::vector<std::string> messages;
    const ProblemSink keep = [&](const Problem& problem) { messages.push_back(problem.message); };
    ProblemReporter reporter(keep);
    TextChecks checks(reporter);
    checks.checkTexts(*document.boxes.begin()->get());
    EXPECT_EQ(
        messages,
        (std::vector<std::string>{
            "centre Z : " + quoted("0000004g") + " n'est pas un texte hexadécimal de 8 chiffres",
            "plan 3 : c = " + quoted("04000") + " n'est pas un texte hexadécimal de 4 chiffres",
            "plan 5 : d = texte vide",
            "rayon maximal : " + quoted("x") + " n'est pas fait que de chiffres"}));
}

// The width of a solid along each face's normal, measured over every corner, as a fast object
// meets it: the thinnest, and along which plane, if any is below the minimum.
std::optional<std::pair<int, double>> thinnestInFull(const BoxValues& values, const Solid& solid,
                                                     double minimum) {
    std::optional<std::pair<int, double>> thinnest;
    for (std::size_t p = 0; p < 6; ++p) {
        const Vec3& normal = values.planes[p].normal;
        if (solid.faces[p].size() < 3 || length(normal) == 0) {
            continue;
        }
        const Vec3 unit = normal * (1.0 / length(normal));
        double low = std::numeric_limits<double>::infinity();
        double high = -low;
        for (const Vec3& vertex : solid.vertices) {
            low = std::min(low, dot(unit, vertex));
            high = std::max(high, dot(unit, vertex));
        }
        if (high - low < (thinnest ? thinnest->second : minimum)) {
            thinnest = {static_cast<int>(p), high - low};
        }
    }
    return thinnest;
}

TEST(PlayChecksOfOneBox, ASolidIsThinExactlyWhenItsCornersSaySo) {
    const PlayLimits limits;
    int thin = 0;
    int thick = 0;
    for (const double degrees : {0.0, 30.0, 45.0}) {
        for (const double skew : {0.0, 1e-4}) {
            for (double width = 0.001; width < 0.045; width += 0.00025) {
                const double angle = degrees * std::numbers::pi / 180;
                const Vec3 along{std::cos(angle), std::sin(angle), 0};
                BoxValues values = cube();
                values.centre = {100.25, -3, 7};
                const auto place = [&](std::size_t p, const Vec3& normal, double half) {
                    values.planes[p] = {normal, dot(normal, values.centre) + half};
                };
                place(0, along, width / 2);
                place(5, -along + Vec3{0, skew, 0}, width / 2);
                place(1, {-along.y, along.x, 0}, 2);
                place(3, {along.y, -along.x, 0}, 2);
                place(2, {0, 0, 1}, 1);
                place(4, {0, 0, -1}, 1);
                const Solid solid = buildSolid(values);
                // A solid thinner than the tolerance is flat, and told so instead.
                if (!solid.closed()) {
                    continue;
                }
                std::vector<Problem> problems;
                const ProblemSink keep = [&](const Problem& problem) {
                    problems.push_back(problem);
                };
                ProblemReporter reporter(keep);
                PlayChecks checks(limits, reporter);
                reporter.beginBox(0, "1");
                checks.checkBox(values, solid);
                reporter.endBox();
                const std::vector<Problem> found = ofKind(problems, ProblemKind::ThinSolid);
                const auto expected = thinnestInFull(values, solid, limits.minThickness);
                ASSERT_EQ(found.size(), expected ? 1u : 0u) << width << " " << degrees;
                if (expected) {
                    EXPECT_EQ(found[0].plane, expected->first);
                    EXPECT_EQ(found[0].message.rfind(
                                  "épaisseur de " + frenchNumber(expected->second) + " ", 0),
                              0u)
                        << found[0].message;
                    ++thin;
                } else {
                    ++thick;
                }
            }
        }
    }
    EXPECT_GT(thin, 50);
    EXPECT_GT(thick, 50);
}

} // namespace
