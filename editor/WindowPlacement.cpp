#include "WindowPlacement.h"

#include "EditField.h"
#include "ViewPlacement.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

namespace {

bool ownedBy(const QWidget& window, const QWidget& owner) {
    for (const QWidget* parent = window.parentWidget(); parent != nullptr;
         parent = parent->parentWidget()) {
        if (parent == &owner) {
            return true;
        }
    }
    return false;
}

} // namespace

QMargins decorationOf(const QWidget& mainWindow) {
    const QRect frame = mainWindow.frameGeometry();
    const QRect client = mainWindow.geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

QRect fieldsFrameOf(const QWidget& mainWindow) {
    QRect fields;
    for (const EditField* field : mainWindow.findChildren<EditField*>()) {
        fields |= QRect(field->mapToGlobal(QPoint(0, 0)), field->size());
    }
    return fields;
}

std::vector<QRect> otherWindowFrames(const QWidget& mainWindow, const QWidget& placed) {
    std::vector<QRect> frames;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (window != &placed && window->isVisible() && !window->isMinimized() &&
            ownedBy(*window, mainWindow)) {
            frames.push_back(window->frameGeometry());
        }
    }
    return frames;
}

void placeToolWindow(QWidget& tool, const QWidget& mainWindow, QSize preferred, QSize smallest) {
    const QMargins decoration = decorationOf(mainWindow);
    const QRect frame =
        placeToolBeside(mainWindow.screen()->availableGeometry(), mainWindow.frameGeometry(),
                        fieldsFrameOf(mainWindow), otherWindowFrames(mainWindow, tool),
                        preferred.grownBy(decoration), smallest.grownBy(decoration));
    tool.setGeometry(frame.marginsRemoved(decoration));
}
