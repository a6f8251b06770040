#include "problemkind.h"

#include <algorithm>
#include <array>

namespace {

struct KindTraits {
    ProblemKind kind;
    std::string_view identifier;
    Severity severity;
    ProblemFix fix;
};

// In the order of the enumeration, so that a kind is its own index.
constexpr std::array KIND_TRAITS = {
    KindTraits{ProblemKind::CountMismatch, "count-mismatch", Severity::Error, ProblemFix::None},
    KindTraits{ProblemKind::EmptyFile, "empty-file", Severity::Error, ProblemFix::None},
    KindTraits{ProblemKind::CountInvalid, "count-invalid", Severity::Error, ProblemFix::None},
    KindTraits{ProblemKind::InterruptedSave, "interrupted-save", Severity::Error, ProblemFix::None},
    KindTraits{ProblemKind::TextFormat, "text-format", Severity::Error, ProblemFix::None},
    KindTraits{ProblemKind::IdInvalid, "id-invalid", Severity::Error, ProblemFix::None},
    KindTraits{ProblemKind::IdDuplicate, "id-duplicate", Severity::Error, ProblemFix::None},
    KindTraits{ProblemKind::NormalNotUnit, "normal-not-unit", Severity::Error,
               ProblemFix::NormalisePlane},
    KindTraits{ProblemKind::SolidEmpty, "solid-empty", Severity::Error, ProblemFix::None},
    KindTraits{ProblemKind::SolidUnbounded, "solid-unbounded", Severity::Error, ProblemFix::None},
    KindTraits{ProblemKind::SolidFlat, "solid-flat", Severity::Error, ProblemFix::None},
    KindTraits{ProblemKind::PlanesNotOpposite, "planes-not-opposite", Severity::Warning,
               ProblemFix::None},
    KindTraits{ProblemKind::CentreOutside, "centre-outside", Severity::Warning, ProblemFix::None},
    KindTraits{ProblemKind::RadiusTooSmall, "radius-too-small", Severity::Warning,
               ProblemFix::None},
    KindTraits{ProblemKind::IntersectionMalformed, "intersection-malformed", Severity::Error,
               ProblemFix::RemoveIntersection},
    KindTraits{ProblemKind::IntersectionOutOfRange, "intersection-out-of-range", Severity::Error,
               ProblemFix::RemoveIntersection},
    KindTraits{ProblemKind::IntersectionSelf, "intersection-self", Severity::Error,
               ProblemFix::RemoveIntersection},
    KindTraits{ProblemKind::IntersectionDuplicate, "intersection-duplicate", Severity::Warning,
               ProblemFix::RemoveIntersection},
    KindTraits{ProblemKind::IntersectionApart, "intersection-apart", Severity::Warning,
               ProblemFix::RemoveIntersection},
    KindTraits{ProblemKind::IntersectionMissing, "intersection-missing", Severity::Warning,
               ProblemFix::AddIntersection},
    KindTraits{ProblemKind::IntersectionsIncomplete, "intersections-incomplete", Severity::Error,
               ProblemFix::None},
    KindTraits{ProblemKind::Seam, "seam", Severity::Warning, ProblemFix::StickTogether},
    KindTraits{ProblemKind::ThinSolid, "thin-solid", Severity::Warning, ProblemFix::None},
    KindTraits{ProblemKind::SteepFloor, "steep-floor", Severity::Warning, ProblemFix::None},
    KindTraits{ProblemKind::MicroStep, "micro-step", Severity::Warning, ProblemFix::None},
};

constexpr bool inEnumerationOrder() {
    for (std::size_t i = 0; i < KIND_TRAITS.size(); ++i) {
        if (static_cast<std::size_t>(KIND_TRAITS[i].kind) != i) {
            return false;
        }
    }
    return true;
}
static_assert(inEnumerationOrder(), "a kind's traits must stand at the kind's index");

const KindTraits& traitsOf(ProblemKind kind) {
    return KIND_TRAITS[static_cast<std::size_t>(kind)];
}

} // namespace

std::string_view kindIdentifier(ProblemKind kind) {
    return traitsOf(kind).identifier;
}

std::optional<ProblemKind> kindOfIdentifier(std::string_view identifier) {
    const auto found =
        std::find_if(KIND_TRAITS.begin(), KIND_TRAITS.end(),
                     [&](const KindTraits& traits) { return traits.identifier == identifier; });
    if (found == KIND_TRAITS.end()) {
        return std::nullopt;
    }
    return found->kind;
}

Severity severityOf(ProblemKind kind) {
    return traitsOf(kind).severity;
}

ProblemFix fixOf(ProblemKind kind) {
    return traitsOf(kind).fix;
}
