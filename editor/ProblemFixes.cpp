#include "ProblemFixes.h"

#include "decimaltext.h"
#include "fixedpoint.h"

#include <cmath>

namespace {

// Half a step of the fixed-point values: a written value reads back within it.
constexpr double halfStep = 0.5 / 16384;

std::vector<std::string> intersectionsWhere(const std::vector<Problem>& problems,
                                            bool (*wanted)(const Problem&)) {
    std::vector<std::string> texts;
    for (const Problem& problem : problems) {
        if (wanted(problem) && problem.intersection) {
            texts.push_back(*problem.intersection);
        }
    }
    return texts;
}

} // namespace

bool isInvalidIntersection(const Problem& problem) {
    return problem.fix() == ProblemFix::RemoveIntersection;
}

bool isMissingIntersection(const Problem& problem) {
    return problem.fix() == ProblemFix::AddIntersection;
}

std::optional<std::array<std::string, 4>>
normalisedPlaneTexts(const std::array<std::string_view, 4>& texts) {
    std::array<double, 4> values{};
    for (std::size_t k = 0; k < 4; ++k) {
        values[k] =
            fixedpoint::hexValue(texts[k], k == 3 ? HexFormat::EightDigits : HexFormat::FourDigits);
    }
    const double norm =
        std::sqrt(values[0] * values[0] + values[1] * values[1] + values[2] * values[2]);
    if (!(norm > 0)) {
        return std::nullopt;
    }
    std::array<std::string, 4> scaled;
    for (std::size_t k = 0; k < 4; ++k) {
        const double value = values[k] / norm;
        const std::string decimal = fixedpoint::formatDecimal(value);
        const HexFormat format = k == 3 ? HexFormat::EightDigits : HexFormat::FourDigits;
        scaled[k] =
            k == 3 ? fixedpoint::decimalToHex8(decimal) : fixedpoint::decimalToHex4(decimal);
        // A field writes "0" for a value beyond its range: better no fix than a wrong one.
        if (std::fabs(fixedpoint::hexValue(scaled[k], format) - value) > 2 * halfStep) {
            return std::nullopt;
        }
    }
    return scaled;
}

std::vector<std::string> invalidIntersections(const std::vector<Problem>& problems) {
    return intersectionsWhere(problems, isInvalidIntersection);
}

std::vector<std::string> missingIntersections(const std::vector<Problem>& problems) {
    return intersectionsWhere(problems, isMissingIntersection);
}
