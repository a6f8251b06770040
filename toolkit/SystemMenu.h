#pragma once

#include <QMenu>

// Command ids of the usual window commands, as the platform numbers them.
inline constexpr int minimizeCommand = 0xF020;
inline constexpr int closeCommand = 0xF060;

// The window's own system menu, for window managers whose menu a program cannot extend. It
// starts with the usual window commands; the program may append its own.
class SystemMenu : public QMenu {
    Q_OBJECT

public:
    SystemMenu(QWidget* window, bool canMinimize);

    void appendSeparator();
    void appendItem(const QString& text, int commandId);

signals:
    void commandChosen(int commandId);
};
