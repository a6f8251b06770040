// The box commands of the main window: show, write back, add and delete a box.
#include "BoxForm.h"
#include "ListControl.h"
#include "QuadrelDlg.h"
#include "leadinginteger.h"
#include "orlclass.h"

#include <optional>
#include <string>

void QuadrelDlg::selectBox() {
    const std::optional<int> line = boxList_->selectedIndex();
    if (!line) {
        return;
    }
    const std::string id = boxList_->lineText(*line);
    const std::optional<std::size_t> rank = document_->findRankById(id);
    Box* box = document_->findBoxById(id);
    // Only a list out of step with the document could name no box; then nothing is shown.
    if (!rank || box == nullptr) {
        return;
    }
    text(rankLabelId) = std::to_string(*rank);
    text(idFieldId) = box->id;
    text(radiusFieldId) = box->maxRadius;
    for (const FieldPair& pair : fieldPairs()) {
        text(pair.hexId) = valueOf(*box, pair);
    }
    for (const FieldPair& pair : fieldPairs()) {
        text(pair.decimalId) = document_->hexToDecimal(text(pair.hexId), pair.format);
    }
    pushToControls();
}

void QuadrelDlg::validateBox() {
    if (document_->getPath().empty()) {
        return;
    }
    pullFromControls();
    Box* box = document_->findBoxById(text(idFieldId));
    if (box == nullptr) {
        addBox();
        return;
    }
    storeForm(*box);
    pushToControls();
}

void QuadrelDlg::addBox() {
    if (document_->getPath().empty()) {
        return;
    }
    pullFromControls();
    const std::string id = text(idFieldId);
    if (id.empty() || document_->boxIds.find(id) != document_->boxIds.end()) {
        return;
    }
    document_->boxIds.append(id);
    storeForm(document_->appendBox());
    addToCount(1);
    boxList_->appendLine(id);
    pushToControls();
}

void QuadrelDlg::deleteBox() {
    const std::optional<int> line = boxList_->selectedIndex();
    if (!line) {
        return;
    }
    // The line's position is the box's rank, so the selected line's box leaves even where a
    // file repeats its ID. Only a list out of step with the document could name no box there.
    const auto rank = static_cast<std::size_t>(*line);
    if (rank >= document_->boxes.size()) {
        return;
    }
    const long long removedRank = static_cast<long long>(rank);
    // The intersections of the box go before the ranks above it move down into its place.
    document_->removeIntersectionsOfRank(std::to_string(removedRank));
    document_->shiftRanksAbove(-1, removedRank);
    refillIntersectionList();
    document_->removeBoxAt(rank);
    boxList_->deleteLine(*line);
    addToCount(-1);
    pushToControls();
}

// The stored texts only: a decimal field reaches the box through its hexadecimal partner.
void QuadrelDlg::storeForm(Box& box) const {
    box.id = texts_.text(idFieldId);
    for (const FieldPair& pair : fieldPairs()) {
        valueOf(box, pair) = texts_.text(pair.hexId);
    }
    box.maxRadius = texts_.text(radiusFieldId);
}

void QuadrelDlg::addToCount(long long delta) {
    const std::string count =
        std::to_string(saturatingAdd(parseLeadingInteger(text(countLabelId)), delta));
    text(countLabelId) = count;
    document_->setCountText(count);
}
