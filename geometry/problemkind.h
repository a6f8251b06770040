#pragma once

#include <optional>
#include <string_view>

enum class Severity { Error, Warning };

// What a check found wrong. Reports name each kind by its stable identifier (see
// kindIdentifier); the program itself only ever compares these values.
enum class ProblemKind {
    CountMismatch,
    TextFormat,
    IdInvalid,
    IdDuplicate,
    NormalNotUnit,
    SolidEmpty,
    SolidUnbounded,
    SolidFlat,
    PlanesNotOpposite,
    CentreOutside,
    RadiusTooSmall,
    IntersectionMalformed,
    IntersectionOutOfRange,
    IntersectionSelf,
    IntersectionDuplicate,
    IntersectionApart,
    IntersectionMissing,
    // A heap of boxes stopped the search for intersections: the missing ones are not reported.
    IntersectionsIncomplete,
};

// The change that repairs a problem of the kind when its answer is certain.
enum class ProblemFix {
    None,
    // Scales the plane's four values so that its normal has unit length.
    NormalisePlane,
    // Takes the listed intersection out of the list.
    RemoveIntersection,
    // Lists the pair that the solids say touch.
    AddIntersection,
};

// "count-mismatch", "text-format", ...: the name reports give the kind, never to change.
std::string_view kindIdentifier(ProblemKind kind);
// The kind a report names, if any.
std::optional<ProblemKind> kindOfIdentifier(std::string_view identifier);
Severity severityOf(ProblemKind kind);
ProblemFix fixOf(ProblemKind kind);
