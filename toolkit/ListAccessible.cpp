#include "ListAccessible.h"

#include "ListControl.h"

#include <QAbstractItemModel>
#include <QItemSelectionModel>
#include <QWidget>
#include <QWindow>
#include <mutex>
#include <utility>

namespace {

QAccessibleInterface* accessibleList(const QString& className, QObject* object) {
    if (className == QLatin1String("ListControl") && object->isWidgetType()) {
        return new ListAccessible(static_cast<ListControl*>(object));
    }
    return nullptr;
}

} // namespace

ListAccessible::ListAccessible(ListControl* list) : QAccessibleWidget(list, QAccessible::List) {
    const QAbstractItemModel* lines = list->model();
    QObject::connect(lines, &QAbstractItemModel::rowsInserted, &linesWatcher_,
                     [this] { refileItems(); });
    QObject::connect(lines, &QAbstractItemModel::rowsRemoved, &linesWatcher_,
                     [this] { refileItems(); });
    QObject::connect(lines, &QAbstractItemModel::modelReset, &linesWatcher_,
                     [this] { refileItems(); });
}

ListAccessible::~ListAccessible() {
    for (const QAccessible::Id id : std::as_const(items_)) {
        QAccessible::deleteAccessibleInterface(id);
    }
}

void ListAccessible::install() {
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(accessibleList); });
}

ListControl* ListAccessible::list() const {
    return static_cast<ListControl*>(widget());
}

int ListAccessible::childCount() const {
    return list()->lineCount();
}

QAccessibleInterface* ListAccessible::child(int index) const {
    if (index < 0 || index >= childCount()) {
        return nullptr;
    }
    if (const auto known = items_.constFind(index); known != items_.cend()) {
        return QAccessible::accessibleInterface(*known);
    }
    auto* item = new ListItemAccessible(list(), list()->model()->index(index, 0));
    items_.insert(index, QAccessible::registerAccessibleInterface(item));
    return item;
}

void ListAccessible::refileItems() {
    QHash<int, QAccessible::Id> refiled;
    for (const QAccessible::Id id : std::as_const(items_)) {
        const auto* item = static_cast<ListItemAccessible*>(QAccessible::accessibleInterface(id));
        if (item != nullptr && item->isValid()) {
            refiled.insert(item->row(), id);
        } else {
            QAccessible::deleteAccessibleInterface(id);
        }
    }
    items_ = std::move(refiled);
}

int ListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (child == nullptr || child->role() != QAccessible::ListItem ||
        child->parent() != static_cast<const QAccessibleInterface*>(this) || !child->isValid()) {
        return -1;
    }
    return static_cast<const ListItemAccessible*>(child)->row();
}

QAccessibleInterface* ListAccessible::childAt(int x, int y) const {
    const QPoint point = list()->viewport()->mapFromGlobal(QPoint(x, y));
    const QModelIndex line = list()->indexAt(point);
    if (!line.isValid() || !list()->viewport()->rect().contains(point)) {
        return nullptr;
    }
    return child(line.row());
}

QAccessibleInterface* ListAccessible::focusChild() const {
    const QModelIndex current = list()->currentIndex();
    if (!list()->hasFocus() || !current.isValid()) {
        return nullptr;
    }
    return child(current.row());
}

ListItemAccessible::ListItemAccessible(ListControl* list, const QModelIndex& line)
    : list_(list), line_(line) {}

bool ListItemAccessible::isValid() const {
    return !list_.isNull() && line_.isValid();
}

QObject* ListItemAccessible::object() const {
    return nullptr;
}

QWindow* ListItemAccessible::window() const {
    return list_ ? list_->window()->windowHandle() : nullptr;
}

QAccessibleInterface* ListItemAccessible::parent() const {
    return QAccessible::queryAccessibleInterface(list_);
}

QAccessibleInterface* ListItemAccessible::child(int) const {
    return nullptr;
}

int ListItemAccessible::childCount() const {
    return 0;
}

int ListItemAccessible::indexOfChild(const QAccessibleInterface*) const {
    return -1;
}

QAccessibleInterface* ListItemAccessible::childAt(int, int) const {
    return nullptr;
}

QString ListItemAccessible::text(QAccessible::Text kind) const {
    if (kind != QAccessible::Name || !isValid()) {
        return {};
    }
    return line_.data(Qt::DisplayRole).toString();
}

void ListItemAccessible::setText(QAccessible::Text, const QString&) {}

QRect ListItemAccessible::rect() const {
    if (!isValid()) {
        return {};
    }
    const QRect inView = list_->visualRect(line_);
    return inView.translated(list_->viewport()->mapToGlobal(QPoint(0, 0)));
}

QAccessible::Role ListItemAccessible::role() const {
    return QAccessible::ListItem;
}

QAccessible::State ListItemAccessible::state() const {
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    state.selectable = true;
    state.focusable = true;
    state.selected = list_->selectionModel()->isSelected(line_);
    state.focused = list_->hasFocus() && list_->currentIndex() == line_;
    if (!list_->viewport()->rect().intersects(list_->visualRect(line_))) {
        state.invisible = true;
        state.offscreen = true;
    }
    return state;
}
