// What the 3D view asks of the main window: open it, show a box, read the form as it stands and
// make the fixes it offers through the same steps as the user's own edits.
#include "BoxForm.h"
#include "CommandProcessor.h"
#include "EditField.h"
#include "ListControl.h"
#include "QuadrelDlg.h"
#include "ViewWindow.h"
#include "boxedits.h"
#include "intersectionedits.h"
#include "orlclass.h"

void QuadrelDlg::openView() {
    if (view_ == nullptr) {
        view_ = new ViewWindow(*this);
        // A window of its own, yet owned: it closes with the main window and never outlives it.
        connect(this, &QDialog::finished, view_, &QWidget::close);
    }
    view_->showAndRaise();
}

void QuadrelDlg::showBoxOfRank(std::size_t rank) {
    if (rank >= static_cast<std::size_t>(boxList_->lineCount())) {
        return;
    }
    const int line = static_cast<int>(rank);
    // A click on the line already selected changes nothing, and must not drop the form's edits.
    if (boxList_->selectedIndex() == line) {
        return;
    }
    boxList_->selectLine(line);
    selectBox();
}

void QuadrelDlg::showStoredBox(std::size_t rank) {
    if (rank >= document_->boxes.size() ||
        rank >= static_cast<std::size_t>(boxList_->lineCount())) {
        return;
    }
    const int line = static_cast<int>(rank);
    if (boxList_->selectedIndex() != line) {
        boxList_->selectLine(line);
    }
    fillFormFromBox(rank);
}

std::string QuadrelDlg::shownId() const {
    return controlAs<EditField>(idFieldId)->text().toStdString();
}

BoxTexts QuadrelDlg::shownBoxTexts() const {
    BoxTexts texts;
    texts[boxslot::id] = shownId();
    texts[boxslot::radius] = controlAs<EditField>(radiusFieldId)->text().toStdString();
    for (const FieldPair& pair : fieldPairs()) {
        texts[pair.slot] = controlAs<EditField>(pair.hexId)->text().toStdString();
    }
    return texts;
}

// The document takes the four texts as one edit; the form shows them as if typed into the
// hexadecimal fields, each decimal partner showing what its text reads as.
void QuadrelDlg::normalisePlane(std::size_t rank, int plane,
                                const std::array<std::string, 4>& hexTexts) {
    if (document_->getPath().empty() || rank >= document_->boxes.size() || plane < 0 ||
        plane >= static_cast<int>(Box::planeCount)) {
        return;
    }
    showBoxOfRank(rank);
    commands_->apply(std::make_unique<SetPlaneTexts>(*document_, rank,
                                                     static_cast<std::size_t>(plane), hexTexts));
    pullFromControls();
    for (const FieldPair& pair : fieldPairs()) {
        const std::size_t first = boxslot::plane(static_cast<std::size_t>(plane) * 4);
        if (pair.slot >= first && pair.slot < first + 4) {
            text(pair.hexId) = hexTexts[pair.slot - first];
            text(pair.decimalId) = document_->hexToDecimal(text(pair.hexId), pair.format);
        }
    }
    pushToControls();
    forgetFieldUndo();
}

void QuadrelDlg::appendIntersections(const std::vector<std::string>& pairs) {
    if (document_->getPath().empty() || pairs.empty()) {
        return;
    }
    commands_->apply(AppendIntersections::missing(pairs));
}

void QuadrelDlg::removeIntersections(const std::vector<std::string>& pairs) {
    if (document_->getPath().empty() || pairs.empty()) {
        return;
    }
    std::vector<std::size_t> positions =
        positionsOfFirstEqualLines(document_->intersections, pairs);
    if (!positions.empty()) {
        commands_->apply(RemoveIntersections::invalid(std::move(positions)));
    }
}
