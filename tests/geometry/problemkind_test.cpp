#include "problemkind.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace {

struct KindCase {
    ProblemKind kind;
    std::string identifier;
    Severity severity;
    ProblemFix fix;
};

// The identifiers are what JSON reports and the scripts that read them rely on: each must stay as
// it is, with its severity and its fix.
const std::vector<KindCase> KINDS = {
    {ProblemKind::CountMismatch, "count-mismatch", Severity::Error, ProblemFix::None},
    {ProblemKind::TextFormat, "text-format", Severity::Error, ProblemFix::None},
    {ProblemKind::IdInvalid, "id-invalid", Severity::Error, ProblemFix::None},
    {ProblemKind::IdDuplicate, "id-duplicate", Severity::Error, ProblemFix::None},
    {ProblemKind::NormalNotUnit, "normal-not-unit", Severity::Error, ProblemFix::NormalisePlane},
    {ProblemKind::SolidEmpty, "solid-empty", Severity::Error, ProblemFix::None},
    {ProblemKind::SolidUnbounded, "solid-unbounded", Severity::Error, ProblemFix::None},
    {ProblemKind::SolidFlat, "solid-flat", Severity::Error, ProblemFix::None},
    {ProblemKind::PlanesNotOpposite, "planes-not-opposite", Severity::Warning, ProblemFix::None},
    {ProblemKind::CentreOutside, "centre-outside", Severity::Warning, ProblemFix::None},
    {ProblemKind::RadiusTooSmall, "radius-too-small", Severity::Warning, ProblemFix::None},
    {ProblemKind::IntersectionMalformed, "intersection-malformed", Severity::Error,
     ProblemFix::RemoveIntersection},
    {ProblemKind::IntersectionOutOfRange, "intersection-out-of-range", Severity::Error,
     ProblemFix::RemoveIntersection},
    {ProblemKind::IntersectionSelf, "intersection-self", Severity::Error,
     ProblemFix::RemoveIntersection},
    {ProblemKind::IntersectionDuplicate, "intersection-duplicate", Severity::Warning,
     ProblemFix::RemoveIntersection},
    {ProblemKind::IntersectionApart, "intersection-apart", Severity::Warning,
     ProblemFix::RemoveIntersection},
    {ProblemKind::IntersectionMissing, "intersection-missing", Severity::Warning,
     ProblemFix::AddIntersection},
    {ProblemKind::IntersectionsIncomplete, "intersections-incomplete", Severity::Error,
     ProblemFix::None},
    {ProblemKind::Seam, "seam", Severity::Warning, ProblemFix::StickTogether},
    {ProblemKind::ThinSolid, "thin-solid", Severity::Warning, ProblemFix::None},
    {ProblemKind::SteepFloor, "steep-floor", Severity::Warning, ProblemFix::None},
    {ProblemKind::MicroStep, "micro-step", Severity::Warning, ProblemFix::None},
};

TEST(ProblemKinds, EachKindKeepsItsIdentifierSeverityAndFix) {
    for (const KindCase& c : KINDS) {
        EXPECT_EQ(kindIdentifier(c.kind), c.identifier);
        EXPECT_EQ(severityOf(c.kind), c.severity) << c.identifier;
        EXPECT_EQ(fixOf(c.kind), c.fix) << c.identifier;
        EXPECT_EQ(kindOfIdentifier(c.identifier), c.kind) << c.identifier;
    }
}

TEST(ProblemKinds, IdentifiersAreDistinctAndUnknownOnesNameNoKind) {
    std::set<std::string> seen;
    for (const KindCase& c : KINDS) {
        EXPECT_TRUE(seen.insert(c.identifier).second) << c.identifier;
    }
    for (const char* unknown : {"", "seam ", "Count-mismatch", "intersection", "kind"}) {
        EXPECT_EQ(kindOfIdentifier(unknown), std::nullopt) << unknown;
    }
}

} // namespace
