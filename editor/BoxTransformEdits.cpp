#include "BoxTransformEdits.h"

#include "boxedits.h"
#include "editgroup.h"
#include "orlclass.h"
#include "shapeedits.h"
#include "transforms.h"

#include <string>
#include <utility>
#include <vector>

namespace {

ShapeTexts textsAt(const BoxDocument& document, std::size_t rank) {
    return shapeTextsOf(document.boxes.at(rank));
}

std::string idAt(const BoxDocument& document, std::size_t rank) {
    return std::string(document.boxes.at(rank).id.view());
}

TransformEdit reshape(const BoxDocument& document, std::size_t rank, ShapeChange change,
                      const TransformResult& result) {
    if (const auto* fault = std::get_if<ShapeFault>(&result)) {
        return *fault;
    }
    return std::make_unique<ReshapeBox>(
        document, rank, change, boxTextsOf(idAt(document, rank), std::get<ShapeTexts>(result)));
}

// One edit under another name than its own.
std::unique_ptr<Edit> named(std::string name, std::unique_ptr<Edit> edit) {
    std::vector<std::unique_ptr<Edit>> edits;
    edits.push_back(std::move(edit));
    return std::make_unique<EditGroup>(std::move(name), std::move(edits));
}

Vec3 directionOf(SceneAxis axis) {
    switch (axis) {
    case SceneAxis::X:
        return {1, 0, 0};
    case SceneAxis::Y:
        return {0, 1, 0};
    case SceneAxis::Z:
        break;
    }
    return {0, 0, 1};
}

} // namespace

TransformEdit moveBoxEdit(const BoxDocument& document, std::size_t rank, const Vec3& offset) {
    return reshape(document, rank, ShapeChange::Move, moveBox(textsAt(document, rank), offset));
}

TransformEdit rotateBoxEdit(const BoxDocument& document, std::size_t rank, SceneAxis axis,
                            double degrees) {
    return reshape(document, rank, ShapeChange::Turn,
                   rotateBox(textsAt(document, rank), directionOf(axis), degrees));
}

TransformEdit rotateAboutOwnAxisEdit(const BoxDocument& document, std::size_t rank, int ownAxis,
                                     double degrees) {
    return reshape(document, rank, ShapeChange::Turn,
                   rotateAboutOwnAxis(textsAt(document, rank), ownAxis, degrees));
}

TransformEdit resizeFromFaceEdit(const BoxDocument& document, std::size_t rank, int plane,
                                 double dimension) {
    return reshape(document, rank, ShapeChange::Resize,
                   resizeFromFace(textsAt(document, rank), plane, dimension));
}

TransformEdit resizeFromCentreEdit(const BoxDocument& document, std::size_t rank, int ownAxis,
                                   double dimension) {
    return reshape(document, rank, ShapeChange::Resize,
                   resizeFromCentre(textsAt(document, rank), ownAxis, dimension));
}

TransformEdit mirrorBoxEdit(const BoxDocument& document, std::size_t rank, int ownAxis) {
    return reshape(document, rank, ShapeChange::Mirror,
                   mirrorBox(textsAt(document, rank), ownAxis));
}

TransformEdit duplicateBoxEdit(const BoxDocument& document, std::size_t rank, const Vec3& offset) {
    auto copy = duplicateBox(textsAt(document, rank), nextFreeId(document), offset);
    if (const auto* fault = std::get_if<ShapeFault>(&copy)) {
        return *fault;
    }
    const DuplicatedBox& box = std::get<DuplicatedBox>(copy);
    return named(
        "Dupliquer la box " + idAt(document, rank),
        std::make_unique<AppendBox>(boxTextsOf(box.id, box.texts), AppendBox::Command::Add));
}

TransformEdit stickBoxTo(const BoxDocument& document, std::size_t rank, int plane,
                         std::size_t otherRank, int otherPlane) {
    if (otherRank >= document.boxes.size() || otherRank == rank) {
        return ShapeFault::NotFacing;
    }
    const TransformResult result =
        stickTo(textsAt(document, rank), plane, textsAt(document, otherRank), otherPlane);
    if (const auto* fault = std::get_if<ShapeFault>(&result)) {
        return *fault;
    }
    return std::make_unique<ReshapeBox>(
        document, rank, otherRank, boxTextsOf(idAt(document, rank), std::get<ShapeTexts>(result)));
}

TransformEdit addShapedBoxEdit(const BoxDocument& document, const BoxShape& shape) {
    auto written = writeShape(shape);
    if (const auto* fault = std::get_if<ShapeFault>(&written)) {
        return *fault;
    }
    return std::make_unique<AppendBox>(
        boxTextsOf(nextFreeId(document), std::get<WrittenShape>(written).texts),
        AppendBox::Command::Add);
}
