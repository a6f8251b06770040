#include "HistoryList.h"

#include "CommandProcessor.h"

#include <algorithm>

HistoryList::HistoryList(CommandProcessor& commands, QWidget* parent)
    : QListWidget(parent), commands_(commands) {
    setSelectionMode(QAbstractItemView::NoSelection);
    // Lines of one size are laid out without measuring each: a line added to a long history
    // costs what it costs to a short one.
    setUniformItemSizes(true);
    addItem(tr("État lu ou créé"));
    connect(&commands_, &CommandProcessor::historyChanged, this, &HistoryList::followHistory);
    connect(this, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { commands_.goTo(static_cast<std::size_t>(row(item))); });
    followHistory();
}

void HistoryList::followHistory() {
    const History& history = commands_.history();
    const auto entries = static_cast<int>(history.size());
    // Line 0 is the state read or created; line k + 1 is entry k. An edit applied drops the
    // entries undone and becomes the last: its line is the new current one, read again below
    // with every line between the old mark and the new one.
    const int kept = std::min(count() - 1, entries);
    const int previous = markedRow_;
    for (int row = count() - 1; row > kept; --row) {
        delete takeItem(row);
    }
    if (kept == 0) {
        widest_ = QSize();
        widenTo(tr("État lu ou créé"));
    }
    for (int entry = kept; entry < entries; ++entry) {
        const QString name =
            QString::fromStdString(history.nameAt(static_cast<std::size_t>(entry)));
        addItem(name);
        widenTo(name);
    }
    const int current = static_cast<int>(history.currentPoint());
    // Only the lines between the old mark and the new one, and those just added, change look.
    const int low = std::min(previous, current);
    const int high = std::max(previous, current);
    for (int row = low; row <= high && row < count(); ++row) {
        showPoint(row, current);
    }
    for (int row = std::max(kept + 1, high + 1); row < count(); ++row) {
        showPoint(row, current);
    }
    // Qt takes the size of every line from one of them, the first or the last.
    item(0)->setData(Qt::SizeHintRole, widest_);
    item(count() - 1)->setData(Qt::SizeHintRole, widest_);
    markedRow_ = current;
    scrollToItem(item(current));
}

void HistoryList::widenTo(const QString& name) {
    // As wide as the line would be marked current, the widest it shows.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("▶ ") + name;
    option.font.setBold(true);
    option.fontMetrics = QFontMetrics(option.font);
    const QSize size = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this);
    widest_ = widest_.expandedTo(size);
}

void HistoryList::showPoint(int row, int current) {
    QListWidgetItem* line = item(row);
    const QString name =
        row == 0
            ? tr("État lu ou créé")
            : QString::fromStdString(commands_.history().nameAt(static_cast<std::size_t>(row - 1)));
    if (row == current) {
        line->setText(QStringLiteral("▶ ") + name);
        QFont font = line->font();
        font.setBold(true);
        line->setFont(font);
    } else {
        line->setText(name);
        line->setData(Qt::FontRole, QVariant());
    }
    // Undone: a click brings it back.
    line->setData(Qt::ForegroundRole, row > current
                                          ? QVariant(palette().brush(QPalette::PlaceholderText))
                                          : QVariant());
    line->setToolTip(row <= current ? tr("Revenir à cet état (annuler ce qui suit)")
                                    : tr("Rétablir jusqu'ici"));
}
