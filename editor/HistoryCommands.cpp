// How the main window follows the document's edits: its lists and labels change line by line as
// each edit says, and undo and redo go through the same road. The lists read the document's
// lines where they lie, so that an edit costs them only the rows it moves and the rows in sight.
#include "BoxForm.h"
#include "CommandProcessor.h"
#include "ListControl.h"
#include "QuadrelDlg.h"
#include "documentchange.h"
#include "orlclass.h"

#include <QPushButton>

namespace {

// A rank the form shows, moved as the boxes before it leave or come; none once its box leaves.
std::optional<std::size_t> followedRank(std::optional<std::size_t> rank,
                                        const DocumentChange& change) {
    if (!rank) {
        return rank;
    }
    std::size_t shown = *rank;
    for (const std::size_t removed : change.removedBoxes) {
        if (removed == *rank) {
            return std::nullopt;
        }
        if (removed < *rank) {
            --shown;
        }
    }
    for (const std::size_t inserted : change.insertedBoxes) {
        if (inserted <= shown) {
            ++shown;
        }
    }
    return shown;
}

} // namespace

void QuadrelDlg::connectHistory() {
    connect(commands_.get(), &CommandProcessor::aboutToEdit, this,
            &QuadrelDlg::documentAboutToChange);
    connect(commands_.get(), &CommandProcessor::documentEdited, this, &QuadrelDlg::followEdit);
    connect(commands_.get(), &CommandProcessor::historyChanged, this, &QuadrelDlg::followHistory);
}

void QuadrelDlg::undo() {
    commands_->undo();
}

void QuadrelDlg::redo() {
    commands_->redo();
}

void QuadrelDlg::followEdit(const DocumentChange& change, bool fromHistory) {
    editedSinceNotice_ = true;
    if (change.everything) {
        showDocumentLines();
    } else {
        if (change.touchesBoxes()) {
            boxList_->followLines(
                {change.removedBoxes, change.changedBoxes, change.insertedBoxes, false});
        }
        if (change.touchesLines()) {
            // A renumbering rewrites lines it does not name: the list paints again what shows.
            intersectionList_->followLines({change.removedLines, change.rewrittenLines,
                                            change.insertedLines, change.linesRenumbered});
        }
    }
    if (change.countChanged) {
        text(countLabelId) = document_->countText;
    }
    shownRank_ = change.everything ? std::nullopt : followedRank(shownRank_, change);
    if (change.shownRank && *change.shownRank < document_->boxes.size()) {
        shownRank_ = change.shownRank;
        if (fromHistory) {
            fillFormFromBox(*shownRank_);
            emit boxShownByHistory(*shownRank_);
        }
    }
    showShownRank();
}

// The box list keeps the shown box's line selected; the rank label says "-" for none.
void QuadrelDlg::showShownRank() {
    text(rankLabelId) = shownRank_ ? std::to_string(*shownRank_) : "-";
    if (shownRank_ && *shownRank_ < static_cast<std::size_t>(boxList_->lineCount())) {
        if (boxList_->selectedIndex() != static_cast<int>(*shownRank_)) {
            boxList_->selectLine(static_cast<int>(*shownRank_));
        }
    }
    pushToControls();
}

void QuadrelDlg::followHistory() {
    const History& history = commands_->history();
    auto* undoButton = controlAs<QPushButton>(undoButtonId);
    auto* redoButton = controlAs<QPushButton>(redoButtonId);
    const std::optional<std::string> undoName = history.undoName();
    const std::optional<std::string> redoName = history.redoName();
    undoButton->setEnabled(undoName.has_value());
    undoButton->setToolTip(
        undoName ? QStringLiteral("Annuler : %1 (Ctrl+Z)").arg(QString::fromStdString(*undoName))
                 : QStringLiteral("Rien à annuler"));
    redoButton->setEnabled(redoName.has_value());
    redoButton->setToolTip(
        redoName ? QStringLiteral("Rétablir : %1 (Ctrl+Y)").arg(QString::fromStdString(*redoName))
                 : QStringLiteral("Rien à rétablir"));
    if (!hasDocument()) {
        return;
    }
    setModified(history.isModified());
    if (editedSinceNotice_) {
        editedSinceNotice_ = false;
        emit documentChanged();
    }
}
