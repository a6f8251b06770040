#include "Addi.h"

#include "DropDownList.h"
#include "leadinginteger.h"
#include "orlclass.h"

#include <QShowEvent>
#include <algorithm>
#include <optional>
#include <string>

namespace {

// The count text read as a number, never more than the boxes the document holds: a damaged count
// can neither overflow nor fill the lists with billions of entries, and every rank offered
// designates a box. The document keeps the two equal, so normally this is the count itself.
std::size_t offeredRankCount(const BoxDocument& document) {
    const long long counted = parseLeadingInteger(document.countText);
    if (counted <= 0) {
        return 0;
    }
    return std::min(static_cast<std::size_t>(counted), document.boxes.size());
}

} // namespace

AddiDialog::AddiDialog(QWidget* parent)
    : TemplateDialog(templateId, parent), box1List_(controlAs<DropDownList>(box1ListId)),
      box2List_(controlAs<DropDownList>(box2ListId)) {}

void AddiDialog::showEvent(QShowEvent* event) {
    // The system shows the window again when it is restored; only a run starts afresh.
    if (!event->spontaneous()) {
        offerRanks();
    }
    TemplateDialog::showEvent(event);
}

void AddiDialog::offerRanks() {
    box1List_->removeAllEntries();
    box2List_->removeAllEntries();
    const std::size_t count = document_ == nullptr ? 0 : offeredRankCount(*document_);
    for (std::size_t rank = 0; rank < count; ++rank) {
        const std::string text = std::to_string(rank);
        box1List_->addEntry(text);
        box2List_->addEntry(text);
    }
    if (count > 0) {
        box1List_->selectIndex(0);
        box2List_->selectIndex(0);
    }
    // "Créer" is the first tab stop.
    if (QWidget* confirm = control(acceptButtonId)) {
        confirm->setFocus();
    }
}

void AddiDialog::accept() {
    if (document_ == nullptr) {
        return;
    }
    const std::optional<std::string> first = box1List_->selectedText();
    const std::optional<std::string> second = box2List_->selectedText();
    if (!first || !second || *first == *second) {
        return;
    }
    std::string pair = *first + ' ' + *second;
    const std::string reverse = *second + ' ' + *first;
    const TextList& intersections = document_->intersections;
    if (intersections.find(pair) != intersections.end() ||
        intersections.find(reverse) != intersections.end()) {
        return;
    }
    chosenPair_ = std::move(pair);
    TemplateDialog::accept();
}
