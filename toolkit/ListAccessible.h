#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>

class ListControl;

// What a screen reader is told of a ListControl: a list of list items, as of Qt's own list views,
// not the table Qt makes of any other item view. The items are made when asked for, and only
// those: a list of a million lines costs the reader what it reads.
class ListAccessible : public QAccessibleWidget {
public:
    explicit ListAccessible(ListControl* list);
    ~ListAccessible() override;
    ListAccessible(const ListAccessible&) = delete;
    ListAccessible& operator=(const ListAccessible&) = delete;

    // Makes Qt describe every ListControl with this; once is enough.
    static void install();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

private:
    ListControl* list() const;
    // After lines came or went: each item is filed under its line's row again, and those of the
    // lines gone are deleted.
    void refileItems();

    // The item made for each line asked for, by its line's row.
    mutable QHash<int, QAccessible::Id> items_;
    // Receives the list's changes of lines for as long as this lives.
    QObject linesWatcher_;
};

// One line of a ListControl. It follows its line as lines come and go above it, and is no longer
// valid once its line is gone.
class ListItemAccessible : public QAccessibleInterface {
public:
    ListItemAccessible(ListControl* list, const QModelIndex& line);

    int row() const { return line_.row(); }

    bool isValid() const override;
    QObject* object() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QString text(QAccessible::Text kind) const override;
    void setText(QAccessible::Text kind, const QString& text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;

private:
    QPointer<ListControl> list_;
    QPersistentModelIndex line_;
};
