// What the shape window asks of the main window: open it, and apply its tools' edits so that the
// form and the box list show the box they concern.
#include "CommandProcessor.h"
#include "ListControl.h"
#include "QuadrelDlg.h"
#include "ShapeWindow.h"
#include "edit.h"
#include "orlclass.h"

void QuadrelDlg::openShapeWindow() {
    if (shapeWindow_ == nullptr) {
        shapeWindow_ = new ShapeWindow(*this);
        connect(this, &QDialog::finished, shapeWindow_, &QWidget::close);
    }
    shapeWindow_->showAndRaise();
}

void QuadrelDlg::applyBoxEdit(std::unique_ptr<Edit> edit) {
    if (!hasDocument()) {
        return;
    }
    commands_->apply(std::move(edit));
    if (shownRank_ && *shownRank_ < document_->boxes.size()) {
        boxList_->selectLine(static_cast<int>(*shownRank_));
        fillFormFromBox(*shownRank_);
    }
}
