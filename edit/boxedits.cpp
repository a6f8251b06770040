#include "boxedits.h"

#include "leadinginteger.h"

#include <numeric>
#include <optional>
#include <utility>

namespace {

// The count moved by one as the window always moved it: from the number its text reads as.
std::string countMovedBy(const std::string& countText, long long delta) {
    return std::to_string(saturatingAdd(parseLeadingInteger(countText), delta));
}

void exchange(BoxText& stored, std::string& other) {
    std::string previous(stored.view());
    stored = other;
    other = std::move(previous);
}

std::string idAt(const BoxDocument& document, std::size_t rank) {
    return std::string(document.boxes.at(rank).id.view());
}

} // namespace

ReplaceBoxTexts::ReplaceBoxTexts(std::size_t rank, BoxTexts texts)
    : rank_(rank), name_("Valider la box " + texts[boxslot::id]),
      texts_(std::move(texts)), id_{{rank, texts_[boxslot::id]}} {}

DocumentChange ReplaceBoxTexts::apply(BoxDocument& document) {
    Box& box = document.boxes.at(rank_);
    for (std::size_t slot = 0; slot < texts_.size(); ++slot) {
        exchange(boxTextAt(box, slot), texts_[slot]);
    }
    document.boxIds.exchangeAtIndexes(id_);
    DocumentChange change;
    change.changedBoxes = {rank_};
    change.shownRank = rank_;
    return change;
}

AppendBox::AppendBox(BoxTexts texts, Command command)
    : texts_(std::move(texts)), command_(command) {}

std::string AppendBox::name() const {
    return (command_ == Command::Add ? "Ajouter la box " : "Valider la box ") + texts_[boxslot::id];
}

DocumentChange AppendBox::apply(BoxDocument& document) {
    assignTexts(document.appendBox(), texts_);
    document.boxIds.append(texts_[boxslot::id]);
    otherCount_ = std::exchange(document.countText, countMovedBy(document.countText, 1));
    DocumentChange change;
    change.insertedBoxes = {document.boxes.size() - 1};
    change.countChanged = true;
    change.shownRank = document.boxes.size() - 1;
    return change;
}

DocumentChange AppendBox::revert(BoxDocument& document) {
    const std::size_t rank = document.boxes.size() - 1;
    document.removeBoxAt(rank);
    document.countText = std::move(otherCount_);
    DocumentChange change;
    change.removedBoxes = {rank};
    change.countChanged = true;
    return change;
}

AppendBoxes::AppendBoxes(std::string name, std::vector<BoxTexts> boxes,
                         std::vector<std::string> pairs)
    : name_(std::move(name)), boxes_(std::move(boxes)), pairs_(std::move(pairs)) {}

DocumentChange AppendBoxes::apply(BoxDocument& document) {
    DocumentChange change;
    change.insertedBoxes.resize(boxes_.size());
    std::iota(change.insertedBoxes.begin(), change.insertedBoxes.end(), document.boxes.size());
    change.insertedLines.resize(pairs_.size());
    std::iota(change.insertedLines.begin(), change.insertedLines.end(),
              document.intersections.size());
    for (const BoxTexts& texts : boxes_) {
        assignTexts(document.appendBox(), texts);
        document.boxIds.append(texts[boxslot::id]);
    }
    for (const std::string& pair : pairs_) {
        document.intersections.append(pair);
    }
    otherCount_ =
        std::exchange(document.countText,
                      countMovedBy(document.countText, static_cast<long long>(boxes_.size())));
    change.countChanged = true;
    if (!boxes_.empty()) {
        change.shownRank = change.insertedBoxes.front();
    }
    return change;
}

DocumentChange AppendBoxes::revert(BoxDocument& document) {
    DocumentChange change;
    change.removedBoxes.resize(boxes_.size());
    std::iota(change.removedBoxes.begin(), change.removedBoxes.end(),
              document.boxes.size() - boxes_.size());
    change.removedLines.resize(pairs_.size());
    std::iota(change.removedLines.begin(), change.removedLines.end(),
              document.intersections.size() - pairs_.size());
    // From the end: nothing before the appended boxes and lines moves.
    for (std::size_t left = boxes_.size(); left > 0; --left) {
        document.boxes.removeAt(document.boxes.size() - 1);
    }
    document.boxIds.removeAtIndexes(change.removedBoxes);
    document.intersections.removeAtIndexes(change.removedLines);
    document.countText = std::move(otherCount_);
    change.countChanged = true;
    return change;
}

DeleteBox::DeleteBox(const BoxDocument& document, std::size_t rank)
    : rank_(rank), name_("Supprimer la box " + idAt(document, rank)) {}

DocumentChange DeleteBox::apply(BoxDocument& document) {
    DocumentChange change;
    lines_ = document.removeRank(static_cast<long long>(rank_));
    for (const IndexedText& line : lines_.removedLines) {
        change.removedLines.push_back(line.index);
    }
    change.linesRenumbered = true;
    auto [box, id] = document.takeBoxAt(rank_);
    box_ = std::move(box);
    id_ = std::move(id);
    otherCount_ = std::exchange(document.countText, countMovedBy(document.countText, -1));
    change.removedBoxes = {rank_};
    change.countChanged = true;
    return change;
}

DocumentChange DeleteBox::revert(BoxDocument& document) {
    DocumentChange change;
    for (const IndexedText& line : lines_.removedLines) {
        change.insertedLines.push_back(line.index);
    }
    change.linesRenumbered = true;
    document.restoreRank(static_cast<long long>(rank_), std::move(lines_));
    lines_ = {};
    document.insertBoxAt(rank_, std::move(box_), std::move(id_));
    document.countText = std::move(otherCount_);
    change.insertedBoxes = {rank_};
    change.countChanged = true;
    change.shownRank = rank_;
    return change;
}

SetPlaneTexts::SetPlaneTexts(const BoxDocument& document, std::size_t rank, std::size_t plane,
                             std::array<std::string, 4> texts)
    : rank_(rank), plane_(plane),
      name_("Normaliser le plan " + std::to_string(plane) + " de la box " + idAt(document, rank)),
      texts_(std::move(texts)) {}

DocumentChange SetPlaneTexts::apply(BoxDocument& document) {
    Box& box = document.boxes.at(rank_);
    for (std::size_t k = 0; k < texts_.size(); ++k) {
        exchange(box.planeText(plane_ * 4 + k), texts_[k]);
    }
    DocumentChange change;
    change.changedBoxes = {rank_};
    change.shownRank = rank_;
    return change;
}
