#include "FlatButton.h"

FlatButton::FlatButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setFlat(true);
}

void FlatButton::enterEvent(QEnterEvent* event) {
    pointerOver_ = true;
    showFrameWhileUsed();
    QPushButton::enterEvent(event);
}

void FlatButton::leaveEvent(QEvent* event) {
    pointerOver_ = false;
    showFrameWhileUsed();
    QPushButton::leaveEvent(event);
}

void FlatButton::focusInEvent(QFocusEvent* event) {
    QPushButton::focusInEvent(event);
    showFrameWhileUsed();
}

void FlatButton::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    showFrameWhileUsed();
}

void FlatButton::showFrameWhileUsed() {
    setFlat(!pointerOver_ && !hasFocus());
}
