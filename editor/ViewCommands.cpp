// What the 3D view asks of the main window: open it, show a box, read the form as it stands and
// make the fixes it offers through the same steps as the user's own edits.
#include "BoxForm.h"
#include "EditField.h"
#include "ListControl.h"
#include "QuadrelDlg.h"
#include "ViewWindow.h"
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

std::array<std::string, 27> QuadrelDlg::shownBoxTexts() const {
    std::array<std::string, 27> texts;
    for (const FieldPair& pair : fieldPairs()) {
        // Centre first, then the planes, as the geometry reads a form.
        const std::size_t slot = pair.boxValue < Box::planeTextCount
                                     ? pair.boxValue + Box::centerTextCount
                                     : pair.boxValue - Box::planeTextCount;
        texts[slot] = controlAs<EditField>(pair.hexId)->text().toStdString();
    }
    return texts;
}

// As if typed into the hexadecimal fields: each decimal partner shows what the text reads as.
void QuadrelDlg::writePlaneTexts(int plane, const std::array<std::string, 4>& hexTexts) {
    pullFromControls();
    for (const FieldPair& pair : fieldPairs()) {
        if (pair.boxValue / 4 == static_cast<std::size_t>(plane) &&
            pair.boxValue < Box::planeTextCount) {
            text(pair.hexId) = hexTexts[pair.boxValue % 4];
            text(pair.decimalId) = document_->hexToDecimal(text(pair.hexId), pair.format);
        }
    }
    pushToControls();
}

void QuadrelDlg::appendIntersections(const std::vector<std::string>& pairs) {
    if (document_->getPath().empty() || pairs.empty()) {
        return;
    }
    for (const std::string& pair : pairs) {
        document_->intersections.append(pair);
    }
    refillIntersectionList();
    markEdited();
}

void QuadrelDlg::removeIntersections(const std::vector<std::string>& pairs) {
    if (document_->getPath().empty() || pairs.empty()) {
        return;
    }
    for (const std::string& pair : pairs) {
        document_->removeIntersection(pair);
    }
    refillIntersectionList();
    markEdited();
}
