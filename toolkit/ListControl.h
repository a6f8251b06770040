#pragma once

#include "LineListModel.h"
#include "LineSource.h"
#include "PackedLines.h"

#include <QAbstractItemView>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

// An unsorted, single-selection list of lines, one row each, all of one height. It paints and
// lays out only the rows in sight, so that a list of millions of lines costs no more to change
// than one of ten. The lines are its own, or read from a source that its owner keeps.
//
// It reports a selection change only when the user makes one, and its own changes leave no line
// selected. Tabbing into it selects nothing; with no line selected, the first key that moves
// selects one: End the last line, every other the first.
class ListControl : public QAbstractItemView {
    Q_OBJECT

public:
    explicit ListControl(QWidget* parent = nullptr);

    // Empties the list and shows its own lines again.
    void removeAllLines();
    // The calls below change the list's own lines. Precondition: it shows them.
    void appendLine(std::string_view line);
    // Appends in one batch: much faster than line by line for long lists. Lines is any range of
    // texts that convert to std::string_view.
    template <class Lines> void appendLines(const Lines& lines);
    void appendLines(std::initializer_list<std::string_view> lines) {
        appendLines<std::initializer_list<std::string_view>>(lines);
    }
    void deleteLine(int index);

    // Shows the source's lines from now on; the source must outlive the list or its next show.
    void showLines(const LineSource& source);
    // After the lines shown changed as said; leaves no line selected, as every change made by
    // code. The rows out of sight cost nothing.
    void followLines(const LineChanges& changes);

    // Selects the line and scrolls it into view; as every change made by code, it is not
    // reported as the user's. Precondition: 0 <= index < lineCount().
    void selectLine(int index);
    int lineCount() const { return model_.rowCount(); }
    // Precondition: 0 <= index < lineCount().
    std::string lineText(int index) const;
    std::optional<int> selectedIndex() const;

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void reset() override;

signals:
    void userSelectionChanged();

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;

private:
    // Every row's height, that of a line of text.
    int rowHeight() const;
    // The width of every row: the first line's, or the viewport's if wider.
    int rowWidth() const;
    // The rows wholly in sight, at least one.
    int rowsInSight() const;
    int firstRowInSight() const;
    // After rows came or went: the scroll range and the rows in sight follow.
    void followRowMoves();
    void leaveNothingSelected();
    template <class Change> void changeByCode(const Change& change);

    PackedLines ownLines_;
    LineListModel model_;
    bool changingByCode_ = false;
    // Measured when first needed after a change, 0 until then.
    mutable int rowHeight_ = 0;
    mutable int firstLineWidth_ = 0;
};

template <class Change> void ListControl::changeByCode(const Change& change) {
    changingByCode_ = true;
    change();
    changingByCode_ = false;
}

template <class Lines> void ListControl::appendLines(const Lines& lines) {
    if (ownLines_.lineCount() == 0) {
        std::size_t count = 0;
        std::size_t bytes = 0;
        for (const std::string_view line : lines) {
            ++count;
            bytes += line.size();
        }
        ownLines_.reserve(count, bytes);
    }
    for (const std::string_view line : lines) {
        ownLines_.append(line);
    }
    changeByCode([this] { model_.followAppended(); });
}
