// How the main window follows the document's edits: its lists and labels change line by line as
// each edit says, and undo and redo go through the same road.
#include "BoxForm.h"
#include "CommandProcessor.h"
#include "ListControl.h"
#include "QuadrelDlg.h"
#include "documentchange.h"
#include "orlclass.h"

#include <QPushButton>
#include <algorithm>
#include <iterator>

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
        boxList_->removeAllLines();
        intersectionList_->removeAllLines();
        fillLists();
    } else {
        if (change.touchesBoxes()) {
            boxList_->editLines(lineEdits(change.removedBoxes, change.changedBoxes,
                                          change.insertedBoxes, document_->boxIds));
        }
        if (change.linesRenumbered) {
            intersectionList_->replaceAllLines(document_->intersections);
        } else if (change.touchesLines()) {
            intersectionList_->editLines(lineEdits(change.removedLines, change.rewrittenLines,
                                                   change.insertedLines, document_->intersections));
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

// The texts to show come from the document, read in one walk whatever the number of lines.
LineEdits QuadrelDlg::lineEdits(const std::vector<std::size_t>& removed,
                                const std::vector<std::size_t>& rewritten,
                                const std::vector<std::size_t>& inserted,
                                const TextList& now) const {
    // Where each rewritten line ends up once the insertions are made around it.
    std::vector<std::size_t> rewrittenFinal;
    rewrittenFinal.reserve(rewritten.size());
    std::size_t insertedBefore = 0;
    for (const std::size_t kept : rewritten) {
        while (insertedBefore < inserted.size() &&
               inserted[insertedBefore] <= kept + insertedBefore) {
            ++insertedBefore;
        }
        rewrittenFinal.push_back(kept + insertedBefore);
    }
    std::vector<std::size_t> wanted;
    wanted.reserve(rewritten.size() + inserted.size());
    std::merge(rewrittenFinal.begin(), rewrittenFinal.end(), inserted.begin(), inserted.end(),
               std::back_inserter(wanted));
    std::vector<std::string> found;
    found.reserve(wanted.size());
    auto next = wanted.begin();
    std::size_t index = 0;
    for (auto line = now.begin(); line != now.end() && next != wanted.end(); ++line, ++index) {
        for (; next != wanted.end() && *next == index; ++next) {
            found.emplace_back(*line);
        }
    }
    const auto textAt = [&](std::size_t finalIndex) {
        const auto position = std::lower_bound(wanted.begin(), wanted.end(), finalIndex);
        return found.at(static_cast<std::size_t>(position - wanted.begin()));
    };
    LineEdits edits;
    edits.removed.assign(removed.begin(), removed.end());
    for (std::size_t k = 0; k < rewritten.size(); ++k) {
        edits.rewritten.emplace_back(static_cast<int>(rewritten[k]), textAt(rewrittenFinal[k]));
    }
    for (const std::size_t line : inserted) {
        edits.inserted.emplace_back(static_cast<int>(line), textAt(line));
    }
    return edits;
}
