#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Changes to the lines of a list made in one pass, however many: rows removed (ascending, as
// they were), then lines rewritten (ascending rows once the removals are done), then lines
// inserted (ascending rows in the end).
struct LineEdits {
    std::vector<int> removed;
    std::vector<std::pair<int, std::string>> rewritten;
    std::vector<std::pair<int, std::string>> inserted;
};

// The lines of a ListControl: byte strings, shown as DisplayText.h says. They lie end to end in
// one buffer, so that a list of many short lines costs little more memory than their bytes.
class LineListModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void removeAll();
    // Lines is any range of texts that convert to std::string_view.
    template <class Lines> void append(const Lines& lines);
    void remove(int row);
    // Precondition: 0 <= row <= rowCount().
    void insert(int row, std::string_view text);
    void edit(const LineEdits& edits);
    // Every line replaced by the range's, as after a change that may have rewritten any of them.
    // Lines has size() as well.
    template <class Lines> void replaceAll(const Lines& lines);
    std::string_view line(int row) const;

private:
    void rebuild(const LineEdits& edits);
    // Without telling the views. Precondition: 0 <= row < rowCount().
    void rewrite(int row, std::string_view text);

    std::string bytes_;
    // Where each line ends in bytes_.
    std::vector<std::size_t> ends_;
};

template <class Lines> void LineListModel::append(const Lines& lines) {
    std::size_t count = 0;
    std::size_t size = 0;
    for (const std::string_view line : lines) {
        ++count;
        size += line.size();
    }
    if (count == 0) {
        return;
    }
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(count) - 1);
    // Only a first filling reserves: a list grown a line at a time grows geometrically.
    if (ends_.empty()) {
        bytes_.reserve(size);
        ends_.reserve(count);
    }
    for (const std::string_view line : lines) {
        bytes_ += line;
        ends_.push_back(bytes_.size());
    }
    endInsertRows();
}

template <class Lines> void LineListModel::replaceAll(const Lines& lines) {
    // The rows stay when their number does: a list of a million lines redraws what it shows.
    const bool reset = static_cast<std::size_t>(lines.size()) != ends_.size();
    if (reset) {
        beginResetModel();
    }
    bytes_.clear();
    ends_.clear();
    for (const std::string_view line : lines) {
        bytes_ += line;
        ends_.push_back(bytes_.size());
    }
    if (reset) {
        endResetModel();
    } else if (!ends_.empty()) {
        emit dataChanged(index(0), index(rowCount() - 1));
    }
}

// An unsorted, single-selection list of lines that keeps the lines' bytes. It reports a
// selection change only when the user makes one, and its own changes leave no line selected.
// Tabbing into it selects nothing; with no line selected, the first key that moves selects one:
// End the last line, every other the first.
class ListControl : public QListView {
    Q_OBJECT

public:
    explicit ListControl(QWidget* parent = nullptr);

    void removeAllLines();
    void appendLine(std::string_view line);
    // Appends in one batch: much faster than line by line for long lists. Lines is any range of
    // texts that convert to std::string_view.
    template <class Lines> void appendLines(const Lines& lines) {
        changingByCode_ = true;
        model_.append(lines);
        changingByCode_ = false;
    }
    void appendLines(std::initializer_list<std::string_view> lines) {
        appendLines<std::initializer_list<std::string_view>>(lines);
    }
    void deleteLine(int index);
    // Leaves no line selected, as every change made by code.
    void editLines(const LineEdits& edits);
    // The same, for a change that may have rewritten every line. Lines is any range of texts
    // that convert to std::string_view, with size().
    template <class Lines> void replaceAllLines(const Lines& lines) {
        changingByCode_ = true;
        model_.replaceAll(lines);
        leaveNothingSelected();
        changingByCode_ = false;
    }
    // Selects the line and scrolls it into view; as every change made by code, it is not
    // reported as the user's. Precondition: 0 <= index < lineCount().
    void selectLine(int index);
    int lineCount() const { return model_.rowCount(); }
    // Precondition: 0 <= index < lineCount().
    std::string lineText(int index) const { return std::string(model_.line(index)); }
    std::optional<int> selectedIndex() const;

signals:
    void userSelectionChanged();

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void leaveNothingSelected();

    LineListModel model_;
    bool changingByCode_ = false;
};
