// What a list paints, as a user sees it: the rows drawn, in order, with their text, place and
// whether they show as selected.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QStyledItemDelegate>
#include <vector>

struct PaintedRow {
    int row;
    QString text;
    QRect rect;
    bool selected;
};

// Draws as the list's own delegate does, and keeps what it drew.
class PaintRecorder : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painted.push_back({index.row(), index.data().toString(), option.rect,
                           (option.state & QStyle::State_Selected) != 0});
        QStyledItemDelegate::paint(painter, option, index);
    }

    mutable std::vector<PaintedRow> painted;
};

// Paints the whole list now and returns the rows it drew, top to bottom.
inline std::vector<PaintedRow> paintedRows(QAbstractItemView* list) {
    auto* recorder = new PaintRecorder(list);
    QAbstractItemDelegate* own = list->itemDelegate();
    list->setItemDelegate(recorder);
    list->viewport()->repaint();
    list->setItemDelegate(own);
    // Changing delegates asks for a paint of the list: done now, it hides no later change.
    QApplication::processEvents(QEventLoop::AllEvents, 100);
    std::vector<PaintedRow> painted = std::move(recorder->painted);
    delete recorder;
    return painted;
}

// The rows a user sees whole or in part, as painted: each a row below the one before, one row
// height apart, from the top of the viewport, until it is full or the lines end.
inline bool paintedRowsFollowOneAnother(const std::vector<PaintedRow>& rows,
                                        const QAbstractItemView* list) {
    for (std::size_t k = 1; k < rows.size(); ++k) {
        if (rows[k].row != rows[k - 1].row + 1 ||
            rows[k].rect.top() != rows[k - 1].rect.bottom() + 1) {
            return false;
        }
    }
    return rows.empty() || (rows.front().rect.top() <= 0 && rows.front().rect.bottom() >= 0 &&
                            (rows.back().rect.bottom() >= list->viewport()->height() - 1 ||
                             rows.back().row == list->model()->rowCount() - 1));
}

// Whether the screen shows the list as painting it afresh would: no change left unpainted.
inline bool screenShowsAFreshPaint(QWidget* list) {
    // A layout put off to the next turn of the event loop asks for its paint in the one after.
    QApplication::processEvents(QEventLoop::AllEvents, 100);
    QWidget* window = list->window();
    const QPoint at = list->mapTo(window, QPoint(0, 0));
    const QImage shown =
        window->screen()
            ->grabWindow(window->winId(), at.x(), at.y(), list->width(), list->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    const QImage fresh = list->grab().toImage().convertToFormat(QImage::Format_RGB32);
    return !shown.isNull() && shown == fresh;
}
