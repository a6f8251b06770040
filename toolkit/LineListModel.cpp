#include "LineListModel.h"

#include "DisplayText.h"

#include <limits>

namespace {

// Past this many rows coming or going, the views are told to read everything again: one reset
// costs them less than thousands of separate moves, and they keep their scroll position.
constexpr std::size_t movesToldOneByOne = 64;

int rowsOf(const LineSource& source) {
    const std::size_t count = source.lineCount();
    return count > std::size_t(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                                : static_cast<int>(count);
}

} // namespace

LineListModel::LineListModel(const LineSource& source, QObject* parent)
    : QAbstractListModel(parent), source_(&source), rows_(rowsOf(source)) {}

int LineListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant LineListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= rows_ ||
        static_cast<std::size_t>(index.row()) >= source_->lineCount()) {
        return {};
    }
    return shortenedForDisplay(source_->line(static_cast<std::size_t>(index.row())));
}

QModelIndexList LineListModel::match(const QModelIndex& start, int role, const QVariant& value,
                                     int hits, Qt::MatchFlags flags) const {
    const Qt::MatchFlags kind = flags & Qt::MatchTypeMask;
    if (role != Qt::DisplayRole || kind != Qt::MatchStartsWith || start.parent().isValid() ||
        start.column() != 0 || !start.isValid()) {
        return QAbstractListModel::match(start, role, value, hits, flags);
    }
    const QString wanted = value.toString();
    const Qt::CaseSensitivity sensitivity =
        flags & Qt::MatchCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const std::size_t rows = std::min(static_cast<std::size_t>(rows_), source_->lineCount());
    QModelIndexList found;
    const auto searchFrom = [&](std::size_t first, std::size_t end) {
        std::size_t row = first;
        source_->walkLines(first, [&](std::string_view line) {
            if (row >= end) {
                return false;
            }
            if (shortenedForDisplay(line).startsWith(wanted, sensitivity)) {
                found.append(index(static_cast<int>(row)));
            }
            ++row;
            return hits == -1 || found.size() < hits;
        });
    };
    const auto first = static_cast<std::size_t>(start.row());
    searchFrom(first, rows);
    if (flags & Qt::MatchWrap && (hits == -1 || found.size() < hits)) {
        searchFrom(0, std::min(first, rows));
    }
    return found;
}

void LineListModel::show(const LineSource& source) {
    beginResetModel();
    source_ = &source;
    rows_ = rowsOf(source);
    endResetModel();
}

void LineListModel::followAppended() {
    const int rows = rowsOf(*source_);
    if (rows <= rows_) {
        return;
    }
    beginInsertRows(QModelIndex(), rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
}

void LineListModel::follow(const LineChanges& changes) {
    const auto rows = static_cast<std::size_t>(rows_);
    const bool consistent =
        changes.removed.size() <= rows &&
        (changes.removed.empty() || changes.removed.back() < rows) &&
        rows - changes.removed.size() + changes.inserted.size() == source_->lineCount() &&
        (changes.inserted.empty() || changes.inserted.back() < source_->lineCount());
    if (!consistent || changes.removed.size() + changes.inserted.size() > movesToldOneByOne) {
        show(*source_);
        return;
    }
    // From the last removed row up, so that each row told of is still where it was.
    for (auto removed = changes.removed.rbegin(); removed != changes.removed.rend(); ++removed) {
        const int row = static_cast<int>(*removed);
        beginRemoveRows(QModelIndex(), row, row);
        --rows_;
        endRemoveRows();
    }
    for (const std::size_t inserted : changes.inserted) {
        const int row = static_cast<int>(inserted);
        beginInsertRows(QModelIndex(), row, row);
        ++rows_;
        endInsertRows();
    }
    // The views paint again what they show; rows out of sight cost nothing.
    if ((changes.anyRewritten || !changes.rewritten.empty()) && rows_ > 0) {
        emit dataChanged(index(0), index(rows_ - 1), {Qt::DisplayRole});
    }
}
