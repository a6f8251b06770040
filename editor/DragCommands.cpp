// What the drags of the 3D view ask of the main window: the form following a drag as it goes,
// and the one edit a drag ends with.
#include "BoxForm.h"
#include "CommandProcessor.h"
#include "QuadrelDlg.h"
#include "orlclass.h"
#include "shapeedits.h"
#include "shapetexts.h"

void QuadrelDlg::showShapeInForm(const ShapeTexts& texts) {
    pullFromControls();
    const BoxTexts boxTexts = boxTextsOf(text(idFieldId), texts);
    text(radiusFieldId) = boxTexts[boxslot::radius];
    for (const FieldPair& pair : fieldPairs()) {
        text(pair.hexId) = boxTexts[pair.slot];
        text(pair.decimalId) = document_->hexToDecimal(text(pair.hexId), pair.format);
    }
    pushToControls();
}

void QuadrelDlg::reshapeShownBox(ShapeChange change, const ShapeTexts& texts) {
    if (document_->getPath().empty() || !shownRank_ || *shownRank_ >= document_->boxes.size()) {
        return;
    }
    pullFromControls();
    commands_->apply(std::make_unique<ReshapeBox>(*document_, *shownRank_, change,
                                                  boxTextsOf(text(idFieldId), texts)));
    showShapeInForm(texts);
    forgetFieldUndo();
}
