// What the drags of the 3D view ask of the main window: the form following a drag as it goes,
// and the one edit a drag ends with.
#include "QuadrelDlg.h"
#include "orlclass.h"
#include "shapeedits.h"
#include "shapetexts.h"

#include <string>
#include <utility>
#include <vector>

void QuadrelDlg::showShapeInForm(const ShapeTexts& texts) {
    const BoxTexts boxTexts = boxTextsOf(std::string(), texts);
    std::vector<std::pair<std::size_t, std::string>> slotTexts;
    for (std::size_t slot = boxslot::radius; slot < boxTexts.size(); ++slot) {
        slotTexts.emplace_back(slot, boxTexts[slot]);
    }
    typeIntoForm(slotTexts);
}

void QuadrelDlg::reshapeShownBox(ShapeChange change, const ShapeTexts& texts) {
    if (!shownRank_ || *shownRank_ >= document_->boxes.size()) {
        return;
    }
    const std::string id(document_->boxes.at(*shownRank_).id.view());
    applyBoxEdit(
        std::make_unique<ReshapeBox>(*document_, *shownRank_, change, boxTextsOf(id, texts)));
}
