#pragma once

#include <optional>
#include <string_view>

enum class Severity { Error, Warning };

// What a check found wrong. Reports name each kind by its stable identifier (see
// kindIdentifier); the program itself only ever compares these values.
enum class ProblemKind {
    CountMismatch,
    // No token at all: nothing says how many boxes the file holds.
    EmptyFile,
    // A first token that is not an optional sign then digits.
    CountInvalid,
    // A save was cut short; the file is left unread until Quadrel restores it.
    InterruptedSave,
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
    // Two facing faces of different boxes a character snags between.
    Seam,
    ThinSolid,
    // A floor a character slides down.
    SteepFloor,
    // Two walkable faces whose heights differ by too little to be meant as a step.
    MicroStep,
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
    // Moves one of the two boxes along its face's normal onto the other's face.
    StickTogether,
};

// "count-mismatch", "text-format", ...: the name reports give the kind, never to change.
std::string_view kindIdentifier(ProblemKind kind);
// The kind a report names, if any.
std::optional<ProblemKind> kindOfIdentifier(std::string_view identifier);
Severity severityOf(ProblemKind kind);
ProblemFix fixOf(ProblemKind kind);
