// The box commands of the main window: show, write back, add and delete a box. Each change goes
// to the document as one edit.
#include "BoxForm.h"
#include "CommandProcessor.h"
#include "EditField.h"
#include "ListControl.h"
#include "QuadrelDlg.h"
#include "boxedits.h"
#include "orlclass.h"

#include <optional>
#include <string>
#include <utility>

void QuadrelDlg::selectBox() {
    const std::optional<int> line = boxList_->selectedIndex();
    // Only a list out of step with the document could name no box; then nothing is shown.
    if (!line || static_cast<std::size_t>(*line) >= document_->boxes.size()) {
        return;
    }
    // The line's position is the box's rank: where a file repeats an ID, each line shows its own.
    fillFormFromBox(static_cast<std::size_t>(*line));
}

void QuadrelDlg::fillFormFromBox(std::size_t rank) {
    const Box& box = document_->boxes.at(rank);
    shownRank_ = rank;
    text(rankLabelId) = std::to_string(rank);
    text(idFieldId) = box.id;
    text(radiusFieldId) = box.maxRadius;
    for (const FieldPair& pair : fieldPairs()) {
        text(pair.hexId) = boxTextAt(box, pair.slot);
    }
    for (const FieldPair& pair : fieldPairs()) {
        text(pair.decimalId) = document_->hexToDecimal(text(pair.hexId), pair.format);
    }
    pushToControls();
    forgetFieldUndo();
}

// The box shown while the form still bears its ID; otherwise the first box bearing the ID, or
// a new box.
void QuadrelDlg::validateBox() {
    if (!hasDocument()) {
        return;
    }
    pullFromControls();
    const std::string& id = text(idFieldId);
    std::optional<std::size_t> rank;
    if (shownRank_ && *shownRank_ < document_->boxes.size() &&
        document_->boxes.at(*shownRank_).id == id) {
        rank = shownRank_;
    } else {
        rank = document_->findRankById(id);
    }
    if (!rank) {
        appendFormAsBox(true);
        return;
    }
    // A "Valider" that writes what the box holds already changes nothing: no history entry, no
    // unsaved mark.
    BoxTexts texts = formTexts();
    if (texts != textsOf(document_->boxes.at(*rank))) {
        commands_->apply(std::make_unique<ReplaceBoxTexts>(*rank, std::move(texts)));
    }
    pushToControls();
    forgetFieldUndo();
}

void QuadrelDlg::addBox() {
    if (!hasDocument()) {
        return;
    }
    pullFromControls();
    appendFormAsBox(false);
}

void QuadrelDlg::appendFormAsBox(bool validating) {
    const std::string& id = text(idFieldId);
    if (id.empty() || document_->boxIds.find(id) != document_->boxIds.end()) {
        return;
    }
    commands_->apply(std::make_unique<AppendBox>(
        formTexts(), validating ? AppendBox::Command::Validate : AppendBox::Command::Add));
    pushToControls();
    forgetFieldUndo();
}

void QuadrelDlg::deleteBox() {
    const std::optional<int> line = boxList_->selectedIndex();
    // The line's position is the box's rank, so the selected line's box leaves even where a
    // file repeats its ID. Only a list out of step with the document could name no box there.
    if (!line || static_cast<std::size_t>(*line) >= document_->boxes.size()) {
        return;
    }
    commands_->apply(std::make_unique<DeleteBox>(*document_, static_cast<std::size_t>(*line)));
}

// The stored texts only: a decimal field reaches the box through its hexadecimal partner.
BoxTexts QuadrelDlg::formTexts() const {
    BoxTexts texts;
    texts[boxslot::id] = texts_.text(idFieldId);
    texts[boxslot::radius] = texts_.text(radiusFieldId);
    for (const FieldPair& pair : fieldPairs()) {
        texts[pair.slot] = texts_.text(pair.hexId);
    }
    return texts;
}

void QuadrelDlg::forgetFieldUndo() {
    for (EditField* field : editFields_) {
        field->forgetUndo();
    }
}
