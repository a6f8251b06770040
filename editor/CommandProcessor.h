#pragma once

#include "documentchange.h"
#include "history.h"

#include <QObject>
#include <cstddef>
#include <memory>

class BoxDocument;
class Edit;

// The one place where the windows' commands change the document: each command builds an edit and
// hands it over; the processor applies it through the document's history, which keeps undo and
// redo, and tells the windows what changed so that they follow line by line.
class CommandProcessor : public QObject {
    Q_OBJECT

public:
    explicit CommandProcessor(BoxDocument& document, QObject* parent = nullptr);

    void apply(std::unique_ptr<Edit> edit);
    void undo();
    void redo();
    // Undoes or redoes, entry by entry, until point entries are applied.
    void goTo(std::size_t point);
    // Another document, or the same read again: nothing to undo, nothing unsaved.
    void clear();
    void markSaved();

    const History& history() const { return history_; }

signals:
    // Before an entry is applied, undone or redone: whatever reads the document on another
    // thread stops now.
    void aboutToEdit();
    // Once for each entry applied, undone or redone, in order; fromHistory: by undo or redo,
    // after which the windows show the box the entry changed.
    void documentEdited(const DocumentChange& change, bool fromHistory);
    // After each command, undo or redo, once every documentEdited is out; and when the entries
    // or the saved point change.
    void historyChanged();

private:
    History history_;
};
