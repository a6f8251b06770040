#pragma once

#include <QListWidget>

class CommandProcessor;

// The history of the document as a list: a first line for the state read or created, then one
// line per entry; the current point is marked, the entries undone are greyed, and a click goes
// back or forth to the line's point. It follows each change in place (the new entry appended,
// the replaced ones dropped, the mark moved), so that a long history costs nothing per edit.
class HistoryList : public QListWidget {
    Q_OBJECT

public:
    explicit HistoryList(CommandProcessor& commands, QWidget* parent = nullptr);

private:
    void followHistory();
    // The look of the line of point row, with the current point as given.
    void showPoint(int row, int current);
    // Makes every line wide enough for the name.
    void widenTo(const QString& name);

    CommandProcessor& commands_;
    int markedRow_ = 0;
    // The size of the widest line shown, given to every line.
    QSize widest_;
};
