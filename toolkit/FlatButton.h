#pragma once

#include <QPushButton>

// A flat push button that shows its frame while the pointer is over it or it has the keyboard
// focus: at rest it keeps the layout's flat look, yet the user can see it is a button.
class FlatButton : public QPushButton {
    Q_OBJECT

public:
    explicit FlatButton(const QString& text, QWidget* parent = nullptr);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showFrameWhileUsed();

    bool pointerOver_ = false;
};
