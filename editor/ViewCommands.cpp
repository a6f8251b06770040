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
    if (!hasDocument() || rank >= document_->boxes.size() || plane < 0 ||
        plane >= static_cast<int>(Box::planeCount)) {
        return;
    }
    showBoxOfRank(rank);
    commands_->apply(std::make_unique<SetPlaneTexts>(*document_, rank,
                                                     static_cast<std::size_t>(plane), hexTexts));
    const std::size_t first = boxslot::plane(static_cast<std::size_t>(plane) * 4);
    typeIntoForm({{first, hexTexts[0]},
                  {first + 1, hexTexts[1]},
                  {first + 2, hexTexts[2]},
                  {first + 3, hexTexts[3]}});
}

void QuadrelDlg::typeIntoForm(const std::vector<std::pair<std::size_t, std::string>>& slotTexts) {
    pullFromControls();
    for (const auto& [slot, value] : slotTexts) {
        if (slot == boxslot::radius) {
            text(radiusFieldId) = value;
        }
        for (const FieldPair& pair : fieldPairs()) {
            if (pair.slot == slot) {
                text(pair.hexId) = value;
                text(pair.decimalId) = document_->hexToDecimal(value, pair.format);
            }
        }
    }
    pushToControls();
    forgetFieldUndo();
}

void QuadrelDlg::appendIntersections(const std::vector<std::string>& pairs) {
    if (!hasDocument() || pairs.empty()) {
        return;
    }
    commands_->apply(AppendIntersections::missing(pairs));
}

void QuadrelDlg::removeIntersections(const std::vector<std::string>& pairs) {
    if (!hasDocument() || pairs.empty()) {
        return;
    }
    std::vector<std::size_t> positions =
        positionsOfFirstEqualLines(document_->intersections, pairs);
    if (!positions.empty()) {
        commands_->apply(RemoveIntersections::invalid(std::move(positions)));
    }
}
