#include "EditField.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QValidator>

namespace {

// A validator sees every change the user makes, whatever its road (keys, input method, paste,
// drop), and the field takes back a change it finds invalid. Text set by the program is not
// checked.
class NoWhiteSpaceValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override {
        for (const QChar c : input) {
            if (c.isSpace()) {
                return Invalid;
            }
        }
        return Acceptable;
    }
};

} // namespace

EditField::EditField(QWidget* parent) : QLineEdit(parent) {
    // textEdited is the user's signal: setText never emits it.
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (reaction_ && !suppressed_) {
            reaction_();
        }
    });
}

void EditField::setRefusesWhiteSpace(bool refuses) {
    if (refuses == refusesWhiteSpace_) {
        return;
    }
    refusesWhiteSpace_ = refuses;
    if (refuses) {
        setValidator(new NoWhiteSpaceValidator(this));
    } else {
        const QValidator* previous = validator();
        setValidator(nullptr);
        delete previous;
    }
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
