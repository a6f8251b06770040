#include "seamclosing.h"

#include "orlclass.h"
#include "transforms.h"

#include <variant>

std::optional<SeamClosing> seamClosing(const BoxDocument& document, const Problem& problem,
                                       std::optional<std::size_t> chosenRank) {
    if (problem.fix() != ProblemFix::StickTogether || !problem.rank || !problem.plane ||
        !problem.otherRank || !problem.otherPlane || *problem.rank == *problem.otherRank ||
        *problem.rank >= document.boxes.size() || *problem.otherRank >= document.boxes.size()) {
        return std::nullopt;
    }
    const bool movesOther = chosenRank == problem.otherRank;
    const std::size_t rank = movesOther ? *problem.otherRank : *problem.rank;
    const int plane = movesOther ? *problem.otherPlane : *problem.plane;
    const std::size_t stuckToRank = movesOther ? *problem.rank : *problem.otherRank;
    const int stuckToPlane = movesOther ? *problem.plane : *problem.otherPlane;
    TransformResult moved = stickTo(shapeTextsOf(document.boxes.at(rank)), plane,
                                    shapeTextsOf(document.boxes.at(stuckToRank)), stuckToPlane);
    if (!std::holds_alternative<ShapeTexts>(moved)) {
        return std::nullopt;
    }
    return SeamClosing{rank, stuckToRank, std::get<ShapeTexts>(std::move(moved))};
}
