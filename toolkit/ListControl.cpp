#include "ListControl.h"

#include "DisplayText.h"

int LineListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(ends_.size());
}

QVariant LineListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) {
        return {};
    }
    return shortenedForDisplay(line(index.row()));
}

void LineListModel::removeAll() {
    beginResetModel();
    bytes_.clear();
    ends_.clear();
    endResetModel();
}

void LineListModel::remove(int row) {
    const auto index = static_cast<std::size_t>(row);
    const std::size_t start = index == 0 ? 0 : ends_.at(index - 1);
    const std::size_t length = ends_.at(index) - start;
    beginRemoveRows(QModelIndex(), row, row);
    bytes_.erase(start, length);
    ends_.erase(ends_.begin() + row);
    for (auto end = ends_.begin() + row; end != ends_.end(); ++end) {
        *end -= length;
    }
    endRemoveRows();
}

// In place: fresh memory for a copy of a long list costs more than moving its bytes.
void LineListModel::insert(int row, std::string_view text) {
    const auto index = static_cast<std::size_t>(row);
    const std::size_t start = index == 0 ? 0 : ends_.at(index - 1);
    beginInsertRows(QModelIndex(), row, row);
    bytes_.insert(start, text);
    ends_.insert(ends_.begin() + row, start);
    for (auto end = ends_.begin() + row; end != ends_.end(); ++end) {
        *end += text.size();
    }
    endInsertRows();
}

void LineListModel::rewrite(int row, std::string_view text) {
    const auto index = static_cast<std::size_t>(row);
    const std::size_t start = index == 0 ? 0 : ends_.at(index - 1);
    const std::size_t length = ends_.at(index) - start;
    bytes_.replace(start, length, text);
    if (text.size() != length) {
        for (auto end = ends_.begin() + row; end != ends_.end(); ++end) {
            *end = *end - length + text.size();
        }
    }
}

// A lone removal or insertion, or rewrites alone, keep the view where it stands; anything else
// resets it, which costs the view less than thousands of separate moves.
void LineListModel::edit(const LineEdits& edits) {
    const bool rewritesOnly = edits.removed.empty() && edits.inserted.empty();
    if (rewritesOnly) {
        if (edits.rewritten.empty()) {
            return;
        }
        if (edits.rewritten.size() <= 4) {
            for (const auto& [row, text] : edits.rewritten) {
                rewrite(row, text);
            }
        } else {
            rebuild(edits);
        }
        emit dataChanged(index(edits.rewritten.front().first), index(edits.rewritten.back().first));
    } else if (edits.removed.size() == 1 && edits.inserted.empty() && edits.rewritten.empty()) {
        remove(edits.removed.front());
    } else if (edits.inserted.size() == 1 && edits.removed.empty() && edits.rewritten.empty()) {
        insert(edits.inserted.front().first, edits.inserted.front().second);
    } else {
        beginResetModel();
        rebuild(edits);
        endResetModel();
    }
}

void LineListModel::rebuild(const LineEdits& edits) {
    std::string bytes;
    std::vector<std::size_t> ends;
    bytes.reserve(bytes_.size());
    ends.reserve(ends_.size() + edits.inserted.size());
    const auto put = [&](std::string_view text) {
        bytes += text;
        ends.push_back(bytes.size());
    };
    auto removed = edits.removed.begin();
    auto rewritten = edits.rewritten.begin();
    auto inserted = edits.inserted.begin();
    const auto putInsertedLines = [&] {
        for (; inserted != edits.inserted.end() &&
               static_cast<std::size_t>(inserted->first) == ends.size();
             ++inserted) {
            put(inserted->second);
        }
    };
    int kept = 0;
    for (int row = 0; row < rowCount(); ++row) {
        if (removed != edits.removed.end() && *removed == row) {
            ++removed;
            continue;
        }
        putInsertedLines();
        if (rewritten != edits.rewritten.end() && rewritten->first == kept) {
            put((rewritten++)->second);
        } else {
            put(line(row));
        }
        ++kept;
    }
    putInsertedLines();
    bytes_ = std::move(bytes);
    ends_ = std::move(ends);
}

std::string_view LineListModel::line(int row) const {
    const auto index = static_cast<std::size_t>(row);
    const std::size_t end = ends_.at(index);
    const std::size_t start = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(bytes_).substr(start, end - start);
}

ListControl::ListControl(QWidget* parent) : QListView(parent) {
    setModel(&model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!changingByCode_) {
            emit userSelectionChanged();
        }
    });
}

void ListControl::removeAllLines() {
    changingByCode_ = true;
    model_.removeAll();
    leaveNothingSelected();
    changingByCode_ = false;
}

void ListControl::appendLine(std::string_view line) {
    appendLines({line});
}

void ListControl::deleteLine(int index) {
    changingByCode_ = true;
    model_.remove(index);
    // Qt moves the current row to a neighbour of the removed line; nothing may stay selected.
    leaveNothingSelected();
    changingByCode_ = false;
}

void ListControl::editLines(const LineEdits& edits) {
    changingByCode_ = true;
    model_.edit(edits);
    leaveNothingSelected();
    changingByCode_ = false;
}

void ListControl::selectLine(int index) {
    changingByCode_ = true;
    const QModelIndex line = model_.index(index, 0);
    selectionModel()->setCurrentIndex(line, QItemSelectionModel::ClearAndSelect);
    scrollTo(line);
    changingByCode_ = false;
}

void ListControl::leaveNothingSelected() {
    selectionModel()->clear();
}

std::optional<int> ListControl::selectedIndex() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return std::nullopt;
    }
    return rows.first().row();
}

QItemSelectionModel::SelectionFlags ListControl::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const {
    // A single-selection list keeps its line selected: neither Ctrl+click nor a click below the
    // last line deselects it.
    const auto command = QListView::selectionCommand(index, event);
    if (!index.isValid() ||
        (command & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))) {
        return QItemSelectionModel::NoUpdate;
    }
    return command;
}

QModelIndex ListControl::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (selectedIndex() || lineCount() == 0) {
        return QListView::moveCursor(action, modifiers);
    }
    // Nothing selected: the key picks a line from the ends, not from a line that only looks
    // current, and selects it even if it is that line.
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    return model_.index(action == MoveEnd ? lineCount() - 1 : 0, 0);
}

void ListControl::focusInEvent(QFocusEvent* event) {
    // Qt makes the first line current on focus, framed as if chosen; Home would then not select
    // it, nor Down the first line.
    QListView::focusInEvent(event);
    if (!selectedIndex() && currentIndex().isValid()) {
        changingByCode_ = true;
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        changingByCode_ = false;
    }
}
