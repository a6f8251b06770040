#include "CommandProcessor.h"

#include "edit.h"

CommandProcessor::CommandProcessor(BoxDocument& document, QObject* parent)
    : QObject(parent), history_(document) {}

void CommandProcessor::apply(std::unique_ptr<Edit> edit) {
    emit aboutToEdit();
    emit documentEdited(history_.apply(std::move(edit)), false);
    emit historyChanged();
}

void CommandProcessor::undo() {
    if (history_.canUndo()) {
        goTo(history_.currentPoint() - 1);
    }
}

void CommandProcessor::redo() {
    if (history_.canRedo()) {
        goTo(history_.currentPoint() + 1);
    }
}

void CommandProcessor::goTo(std::size_t point) {
    if (point == history_.currentPoint() || point > history_.size()) {
        return;
    }
    // One entry at a time, each change reported against the document as that entry left it.
    while (history_.currentPoint() > point) {
        emit aboutToEdit();
        emit documentEdited(*history_.undo(), true);
    }
    while (history_.currentPoint() < point) {
        emit aboutToEdit();
        emit documentEdited(*history_.redo(), true);
    }
    emit historyChanged();
}

void CommandProcessor::clear() {
    history_.clear();
    emit historyChanged();
}

void CommandProcessor::markSaved() {
    history_.markSaved();
    emit historyChanged();
}
