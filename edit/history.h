#pragma once

#include "documentchange.h"
#include "edit.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class BoxDocument;

// Every edit of one document, in order, with the point up to which they are applied: unlimited
// undo and redo. It also knows which point matches the file as last read or saved, so that
// "unsaved" follows undo and redo.
class History {
public:
    explicit History(BoxDocument& document) : document_(document) {}

    // Applies the edit and makes it the last entry: the entries that were undone are dropped.
    DocumentChange apply(std::unique_ptr<Edit> edit);
    bool canUndo() const { return current_ > 0; }
    bool canRedo() const { return current_ < entries_.size(); }
    // Nothing, and no change, when there is nothing to undo or redo.
    std::optional<DocumentChange> undo();
    std::optional<DocumentChange> redo();
    // Undoes or redoes, one entry at a time, until point entries are applied; the changes in the
    // order they were made. A point on the other side of the current one changes nothing.
    std::vector<DocumentChange> undoTo(std::size_t point);
    std::vector<DocumentChange> redoTo(std::size_t point);

    std::size_t size() const { return entries_.size(); }
    // The number of entries applied: 0 before the first, size() after the last.
    std::size_t currentPoint() const { return current_; }
    std::string nameAt(std::size_t index) const;
    std::optional<std::string> undoName() const;
    std::optional<std::string> redoName() const;

    // Forgets every entry; the document as it is counts as saved.
    void clear();
    void markSaved() { savedPoint_ = current_; }
    // Whether the document differs from the state last read or saved.
    bool isModified() const { return savedPoint_ != current_; }

private:
    BoxDocument& document_;
    std::vector<std::unique_ptr<Edit>> entries_;
    std::size_t current_ = 0;
    // None once an edit replaced the entries that led to the saved state.
    std::optional<std::size_t> savedPoint_ = 0;
};
