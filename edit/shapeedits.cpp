#include "shapeedits.h"

#include "orlclass.h"

#include <utility>

namespace {

std::string verbOf(ShapeChange change) {
    switch (change) {
    case ShapeChange::Move:
        return "Déplacer";
    case ShapeChange::Turn:
        return "Tourner";
    case ShapeChange::Resize:
        return "Redimensionner";
    case ShapeChange::Mirror:
        return "Retourner";
    case ShapeChange::Stick:
        return "Coller";
    }
    return {};
}

} // namespace

ReshapeBox::ReshapeBox(const BoxDocument& document, std::size_t rank, ShapeChange change,
                       BoxTexts texts)
    : rank_(rank),
      name_(verbOf(change) + " la box " + std::string(document.boxes.at(rank).id.view())),
      texts_(std::move(texts)) {}

ReshapeBox::ReshapeBox(const BoxDocument& document, std::size_t rank, std::size_t stuckToRank,
                       BoxTexts texts)
    : ReshapeBox(document, rank, ShapeChange::Stick, std::move(texts)) {
    name_ += " contre la box " + std::string(document.boxes.at(stuckToRank).id.view());
}

DocumentChange ReshapeBox::apply(BoxDocument& document) {
    Box& box = document.boxes.at(rank_);
    for (std::size_t slot = boxslot::radius; slot < texts_.size(); ++slot) {
        BoxText& stored = boxTextAt(box, slot);
        std::string previous(stored.view());
        stored = texts_[slot];
        texts_[slot] = std::move(previous);
    }
    DocumentChange change;
    change.changedBoxes = {rank_};
    change.shownRank = rank_;
    return change;
}
