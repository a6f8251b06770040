#include "EditField.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>

EditField::EditField(QWidget* parent) : QLineEdit(parent) {
    // textEdited is the user's signal: setText never emits it.
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (reaction_ && !suppressed_) {
            reaction_();
        }
    });
}

bool EditField::refuses(const QString& typed) const {
    if (!digitsOnly_) {
        return false;
    }
    for (const QChar c : typed) {
        if (c.isPrint() && (c < u'0' || c > u'9')) {
            return true;
        }
    }
    return false;
}

void EditField::keyPressEvent(QKeyEvent* event) {
    const bool typing = !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    if (typing && refuses(event->text())) {
        QApplication::beep();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void EditField::inputMethodEvent(QInputMethodEvent* event) {
    if (refuses(event->commitString())) {
        event->accept();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}
