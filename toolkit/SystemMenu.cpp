#include "SystemMenu.h"

SystemMenu::SystemMenu(QWidget* window, bool canMinimize) : QMenu(window) {
    if (canMinimize) {
        appendItem(QStringLiteral("Réduire"), minimizeCommand);
    }
    appendItem(QStringLiteral("Fermer"), closeCommand);
}

void SystemMenu::appendSeparator() {
    addSeparator();
}

void SystemMenu::appendItem(const QString& text, int commandId) {
    QAction* action = addAction(text);
    action->setData(commandId);
    connect(action, &QAction::triggered, this,
            [this, commandId] { emit commandChosen(commandId); });
}
