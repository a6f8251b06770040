#pragma once

#include "boxshape.h"
#include "shapetexts.h"
#include "vec3.h"

#include <string>
#include <variant>

class BoxDocument;

// Each transform takes a box's texts and gives the new texts, or why it cannot: it changes
// nothing itself. Distances are in scene units, angles in degrees. Values are worked on as the
// file's own steps of 1/16384, so that what a transform does not move stays exactly as it was.
using TransformResult = std::variant<ShapeTexts, ShapeFault>;

// Moves the box by the offset, rounded to whole steps: exact for an upright box.
TransformResult moveBox(const ShapeTexts& box, const Vec3& offset);
// Turns a block about its centre, around a direction of the scene.
TransformResult rotateBox(const ShapeTexts& box, const Vec3& axis, double degrees);
// The same around one of its own axes: 0, 1, 2 for the normals of planes 0, 1, 2.
TransformResult rotateAboutOwnAxis(const ShapeTexts& box, int ownAxis, double degrees);
// Gives a block the dimension along the normal of the plane, moving that plane only: its
// opposite stays where it is.
TransformResult resizeFromFace(const ShapeTexts& box, int plane, double dimension);
// Gives a block the dimension along its own axis, both planes moving by half the change.
TransformResult resizeFromCentre(const ShapeTexts& box, int ownAxis, double dimension);
// Mirrors a block across the plane through its centre parallel to its planes of the own axis:
// the solid stays where it is and the two planes change places, so the box turns to its mirror
// image (its planes 0, 1 and 2 then turn the other way round).
TransformResult mirrorBox(const ShapeTexts& box, int ownAxis);
// Moves a block along the normal of its plane until that plane lies exactly on the plane of the
// other box facing it: both then bound the same half-space from either side, with no gap and no
// overlap. The planes must be parallel within SHAPE_ANGLE_TOLERANCE; when their normals are not
// exactly opposite in the file, the moving pair takes the other's normal.
TransformResult stickTo(const ShapeTexts& box, int plane, const ShapeTexts& other, int otherPlane);

struct DuplicatedBox {
    std::string id;
    ShapeTexts texts;
};
// A copy of the box offset by a vector, under the ID the caller gives (nextFreeId's, usually).
std::variant<DuplicatedBox, ShapeFault> duplicateBox(const ShapeTexts& box, std::string id,
                                                     const Vec3& offset);
// One more than the largest ID made of digits alone, "1" in a document without one.
std::string nextFreeId(const BoxDocument& document);
