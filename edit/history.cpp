#include "history.h"

#include <cassert>
#include <utility>

DocumentChange History::apply(std::unique_ptr<Edit> edit) {
    assert(edit != nullptr);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(current_), entries_.end());
    if (savedPoint_ && *savedPoint_ > current_) {
        savedPoint_.reset();
    }
    DocumentChange change = edit->apply(document_);
    entries_.push_back(std::move(edit));
    ++current_;
    return change;
}

std::optional<DocumentChange> History::undo() {
    if (!canUndo()) {
        return std::nullopt;
    }
    --current_;
    return entries_[current_]->revert(document_);
}

std::optional<DocumentChange> History::redo() {
    if (!canRedo()) {
        return std::nullopt;
    }
    return entries_[current_++]->apply(document_);
}

std::vector<DocumentChange> History::undoTo(std::size_t point) {
    std::vector<DocumentChange> changes;
    while (current_ > point) {
        changes.push_back(*undo());
    }
    return changes;
}

std::vector<DocumentChange> History::redoTo(std::size_t point) {
    std::vector<DocumentChange> changes;
    while (current_ < point && canRedo()) {
        changes.push_back(*redo());
    }
    return changes;
}

std::string History::nameAt(std::size_t index) const {
    assert(index < entries_.size());
    return entries_[index]->name();
}

std::optional<std::string> History::undoName() const {
    if (!canUndo()) {
        return std::nullopt;
    }
    return nameAt(current_ - 1);
}

std::optional<std::string> History::redoName() const {
    if (!canRedo()) {
        return std::nullopt;
    }
    return nameAt(current_);
}

void History::clear() {
    entries_.clear();
    current_ = 0;
    savedPoint_ = 0;
}
