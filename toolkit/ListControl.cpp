#include "ListControl.h"

int LineListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

QVariant LineListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) {
        return {};
    }
    return QString::fromUtf8(line(index.row()));
}

void LineListModel::removeAll() {
    beginResetModel();
    lines_.clear();
    endResetModel();
}

void LineListModel::append(std::vector<std::string> lines) {
    if (lines.empty()) {
        return;
    }
    const int first = static_cast<int>(lines_.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(lines.size()) - 1);
    lines_.insert(lines_.end(), std::make_move_iterator(lines.begin()),
                  std::make_move_iterator(lines.end()));
    endInsertRows();
}

void LineListModel::remove(int row) {
    beginRemoveRows(QModelIndex(), row, row);
    lines_.erase(lines_.begin() + row);
    endRemoveRows();
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

void ListControl::appendLine(std::string line) {
    std::vector<std::string> lines;
    lines.push_back(std::move(line));
    appendLines(std::move(lines));
}

void ListControl::appendLines(std::vector<std::string> lines) {
    changingByCode_ = true;
    model_.append(std::move(lines));
    changingByCode_ = false;
}

void ListControl::deleteLine(int index) {
    changingByCode_ = true;
    model_.remove(index);
    // Qt moves the current row to a neighbour of the removed line; nothing may stay selected.
    leaveNothingSelected();
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
