#include "ListControl.h"

#include "ListAccessible.h"

#include <QAccessible>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

ListControl::ListControl(QWidget* parent) : QAbstractItemView(parent), model_(ownLines_) {
    ListAccessible::install();
    setModel(&model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The vertical scroll bar counts rows, so that a million lines stay within its range.
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // An item view lays out and paints nothing of its own when rows go: this one does it here.
    connect(&model_, &QAbstractItemModel::rowsRemoved, this, [this] { followRowMoves(); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!changingByCode_) {
            emit userSelectionChanged();
        }
    });
}

void ListControl::removeAllLines() {
    changeByCode([this] {
        ownLines_.clear();
        model_.show(ownLines_);
        leaveNothingSelected();
    });
}

void ListControl::appendLine(std::string_view line) {
    appendLines({line});
}

void ListControl::deleteLine(int index) {
    changeByCode([this, index] {
        const auto line = static_cast<std::size_t>(index);
        ownLines_.remove(line);
        model_.follow({{line}, {}, {}, false});
        leaveNothingSelected();
    });
}

void ListControl::showLines(const LineSource& source) {
    changeByCode([this, &source] {
        model_.show(source);
        leaveNothingSelected();
    });
}

void ListControl::followLines(const LineChanges& changes) {
    changeByCode([this, &changes] {
        model_.follow(changes);
        leaveNothingSelected();
    });
}

void ListControl::selectLine(int index) {
    changeByCode([this, index] {
        const QModelIndex line = model_.index(index, 0);
        selectionModel()->setCurrentIndex(line, QItemSelectionModel::ClearAndSelect);
        scrollTo(line);
    });
}

std::string ListControl::lineText(int index) const {
    return std::string(model_.source().line(static_cast<std::size_t>(index)));
}

std::optional<int> ListControl::selectedIndex() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return std::nullopt;
    }
    return rows.first().row();
}

void ListControl::leaveNothingSelected() {
    selectionModel()->clear();
}

QRect ListControl::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != &model_) {
        return {};
    }
    return {-horizontalOffset(), index.row() * rowHeight() - verticalOffset(), rowWidth(),
            rowHeight()};
}

void ListControl::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid()) {
        return;
    }
    // The scroll range follows the rows at the next turn of the event loop; a scroll asked for
    // before then must reach rows just come.
    updateGeometries();
    const int row = index.row();
    const int first = firstRowInSight();
    const int sight = rowsInSight();
    int top = first;
    switch (hint) {
    case EnsureVisible:
        if (row < first) {
            top = row;
        } else if (row >= first + sight) {
            top = row - sight + 1;
        }
        break;
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - sight + 1;
        break;
    case PositionAtCenter:
        top = row - sight / 2;
        break;
    }
    verticalScrollBar()->setValue(top);
}

QModelIndex ListControl::indexAt(const QPoint& point) const {
    const int y = point.y() + verticalOffset();
    if (y < 0 || point.x() + horizontalOffset() >= rowWidth()) {
        return {};
    }
    return model_.index(y / rowHeight(), 0);
}

QItemSelectionModel::SelectionFlags ListControl::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const {
    // A single-selection list keeps its line selected: neither Ctrl+click nor a click below the
    // last line deselects it.
    const auto command = QAbstractItemView::selectionCommand(index, event);
    if (!index.isValid() ||
        (command & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))) {
        return QItemSelectionModel::NoUpdate;
    }
    return command;
}

QModelIndex ListControl::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int last = lineCount() - 1;
    if (last < 0) {
        return {};
    }
    if (!selectedIndex()) {
        // Nothing selected: the key picks a line from the ends, not from a line that only looks
        // current, and selects it even if it is that line.
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return model_.index(action == MoveEnd ? last : 0, 0);
    }
    const int row = currentIndex().row();
    int moved = row;
    switch (action) {
    case MoveUp:
    case MovePrevious:
        moved = row - 1;
        break;
    case MoveDown:
    case MoveNext:
        moved = row + 1;
        break;
    case MovePageUp:
        moved = row - rowsInSight();
        break;
    case MovePageDown:
        moved = row + rowsInSight();
        break;
    case MoveHome:
        moved = 0;
        break;
    case MoveEnd:
        moved = last;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return model_.index(std::clamp(moved, 0, last), 0);
}

int ListControl::horizontalOffset() const {
    return horizontalScrollBar()->value();
}

int ListControl::verticalOffset() const {
    return verticalScrollBar()->value() * rowHeight();
}

bool ListControl::isIndexHidden(const QModelIndex&) const {
    return false;
}

void ListControl::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    const QRect rows = rect.normalized();
    const int first = std::max(0, (rows.top() + verticalOffset()) / rowHeight());
    const int last = std::min(lineCount() - 1, (rows.bottom() + verticalOffset()) / rowHeight());
    QItemSelection selection;
    if (rows.bottom() + verticalOffset() >= 0 && first <= last) {
        selection.select(model_.index(first, 0), model_.index(last, 0));
    }
    selectionModel()->select(selection, command);
}

QRegion ListControl::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int first = firstRowInSight();
    const int last = first + rowsInSight();
    for (const QItemSelectionRange& range : selection) {
        const int top = std::max(range.top(), first);
        const int bottom = std::min(range.bottom(), last);
        if (top <= bottom) {
            region += visualRect(model_.index(top, 0)).united(visualRect(model_.index(bottom, 0)));
        }
    }
    return region;
}

void ListControl::updateGeometries() {
    const int sight = rowsInSight();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setSingleStep(1);
    vertical->setPageStep(sight);
    vertical->setRange(0, std::max(0, lineCount() - sight));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setSingleStep(rowHeight());
    horizontal->setPageStep(viewport()->width());
    horizontal->setRange(0, std::max(0, rowWidth() - viewport()->width()));
    QAbstractItemView::updateGeometries();
}

void ListControl::scrollContentsBy(int dx, int dy) {
    viewport()->scroll(dx, dy * rowHeight());
}

void ListControl::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State state = option.state;
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QRect dirty = event->rect();
    const int first = std::max(0, (dirty.top() + verticalOffset()) / rowHeight());
    const int last = std::min(lineCount() - 1, (dirty.bottom() + verticalOffset()) / rowHeight());
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model_.index(row, 0);
        option.rect = visualRect(index);
        option.state = state;
        if (selectionModel()->isSelected(index)) {
            option.state |= QStyle::State_Selected;
        }
        if (focus && index == current) {
            option.state |= QStyle::State_HasFocus;
        }
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

void ListControl::focusInEvent(QFocusEvent* event) {
    // Qt makes the first line current on focus, framed as if chosen; Home would then not select
    // it, nor Down the first line.
    QAbstractItemView::focusInEvent(event);
    if (!selectedIndex() && currentIndex().isValid()) {
        changeByCode([this] {
            selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        });
    }
}

void ListControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        rowHeight_ = 0;
        firstLineWidth_ = 0;
    }
    QAbstractItemView::changeEvent(event);
}

void ListControl::reset() {
    firstLineWidth_ = 0;
    QAbstractItemView::reset();
}

void ListControl::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                              const QList<int>& roles) {
    firstLineWidth_ = 0;
    // Qt measures every changed row to find what to repaint: millions after a renumbering. Only
    // the rows in sight can need it.
    const int first = std::max(topLeft.row(), firstRowInSight());
    const int last = std::min(bottomRight.row(), firstRowInSight() + rowsInSight());
    if (topLeft.isValid() && bottomRight.isValid() && first <= last) {
        QAbstractItemView::dataChanged(model_.index(first, 0), model_.index(last, 0), roles);
    }
    updateGeometries();
}

void ListControl::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    followRowMoves();
}

// A screen reader follows the current line as the focus, and hears which line is selected, as
// Qt's own list views tell it.
void ListControl::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QAbstractItemView::currentChanged(current, previous);
    if (QAccessible::isActive() && current.isValid() && hasFocus()) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(current.row());
        QAccessible::updateAccessibility(&event);
    }
}

void ListControl::selectionChanged(const QItemSelection& selected,
                                   const QItemSelection& deselected) {
    QAbstractItemView::selectionChanged(selected, deselected);
    if (QAccessible::isActive() && !selected.isEmpty()) {
        QAccessibleEvent event(this, QAccessible::Selection);
        event.setChild(selected.first().top());
        QAccessible::updateAccessibility(&event);
    }
}

void ListControl::followRowMoves() {
    firstLineWidth_ = 0;
    updateGeometries();
    viewport()->update();
}

int ListControl::rowHeight() const {
    if (rowHeight_ == 0) {
        // What the delegate asks of the style for any line of text: every line is one.
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.features |= QStyleOptionViewItem::HasDisplay;
        option.text = QStringLiteral("Ég");
        rowHeight_ = std::max(
            1, style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height());
    }
    return rowHeight_;
}

int ListControl::rowWidth() const {
    if (firstLineWidth_ == 0 && lineCount() > 0) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        const QModelIndex first = model_.index(0, 0);
        firstLineWidth_ = itemDelegateForIndex(first)->sizeHint(option, first).width();
    }
    return std::max(viewport()->width(), lineCount() > 0 ? firstLineWidth_ : 0);
}

int ListControl::rowsInSight() const {
    return std::max(1, viewport()->height() / rowHeight());
}

int ListControl::firstRowInSight() const {
    return verticalScrollBar()->value();
}
