#pragma once

#include "boxshape.h"
#include "edit.h"
#include "shapetexts.h"
#include "vec3.h"

#include <cstddef>
#include <memory>
#include <variant>

class BoxDocument;

// The transforms of geometry as edits of one box of a document, named as the history lists
// them; or why the transform cannot apply, in which case nothing is to change. Each reads the
// box's texts as the document holds them. Precondition everywhere: rank below the number of
// boxes.
using TransformEdit = std::variant<std::unique_ptr<Edit>, ShapeFault>;

enum class SceneAxis { X, Y, Z };

TransformEdit moveBoxEdit(const BoxDocument& document, std::size_t rank, const Vec3& offset);
TransformEdit rotateBoxEdit(const BoxDocument& document, std::size_t rank, SceneAxis axis,
                            double degrees);
TransformEdit rotateAboutOwnAxisEdit(const BoxDocument& document, std::size_t rank, int ownAxis,
                                     double degrees);
TransformEdit resizeFromFaceEdit(const BoxDocument& document, std::size_t rank, int plane,
                                 double dimension);
TransformEdit resizeFromCentreEdit(const BoxDocument& document, std::size_t rank, int ownAxis,
                                   double dimension);
TransformEdit mirrorBoxEdit(const BoxDocument& document, std::size_t rank, int ownAxis);
// "Dupliquer la box 12": the copy is appended under nextFreeId's ID.
TransformEdit duplicateBoxEdit(const BoxDocument& document, std::size_t rank, const Vec3& offset);
// "Coller la box 12 contre la box 40": the box moves along the normal of its plane until that
// plane lies on the other box's plane. The other box must be another one of the document.
TransformEdit stickBoxTo(const BoxDocument& document, std::size_t rank, int plane,
                         std::size_t otherRank, int otherPlane);
// "Ajouter la box 13": a block of that shape appended under nextFreeId's ID.
TransformEdit addShapedBoxEdit(const BoxDocument& document, const BoxShape& shape);
