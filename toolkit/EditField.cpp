#include "EditField.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QValidator>

namespace {

// What QLineEdit leaves on either side of its text within its contents.
constexpr int textSideMargin = 2;

// A validator sees every change the user makes, whatever its road (keys, input method, paste,
// drop), and the field silently takes back a change it finds invalid. Text set by the program
// is not checked, and neither is what it left in the field: a file may bring an ID such as "A1",
// and only the characters a change brings in are judged, so "A1" can still be edited. Undo and
// redo bring back a text the field held before, which is let in whole: refusing it would not
// stop the field from showing it, only leave the field unguarded for the next change.
class CharacterValidator : public QValidator {
public:
    explicit CharacterValidator(const EditField* field) : QValidator(nullptr), field_(field) {}

    State validate(QString& input, int&) const override {
        if (field_->settingText() || field_->heldSinceSet(input)) {
            return Acceptable;
        }
        const QString& before = field_->acceptedText();
        qsizetype prefix = 0;
        while (prefix < before.size() && prefix < input.size() && before[prefix] == input[prefix]) {
            ++prefix;
        }
        qsizetype suffix = 0;
        while (suffix < before.size() - prefix && suffix < input.size() - prefix &&
               before[before.size() - 1 - suffix] == input[input.size() - 1 - suffix]) {
            ++suffix;
        }
        for (qsizetype i = prefix; i < input.size() - suffix; ++i) {
            if (refuses(input[i])) {
                return Invalid;
            }
        }
        return Acceptable;
    }

private:
    bool refuses(QChar c) const {
        return (field_->digitsOnly() && (c < u'0' || c > u'9')) ||
               (field_->refusesWhiteSpace() && c.isSpace());
    }

    const EditField* field_;
};

} // namespace

EditField::EditField(QWidget* parent)
    : QLineEdit(parent), validator_(std::make_unique<CharacterValidator>(this)) {
    setValidator(validator_.get());
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        acceptedText_ = text;
        heldTexts_.insert(text);
    });
    // textEdited is the user's signal: setText never emits it.
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (reaction_ && !suppressed_) {
            reaction_();
        }
    });
}

EditField::~EditField() = default;

void EditField::forgetUndo() {
    const int cursor = cursorPosition();
    setText(text());
    setCursorPosition(cursor);
}

void EditField::setText(const QString& text) {
    settingText_ = true;
    QLineEdit::setText(text);
    settingText_ = false;
    // Setting a text also empties the field's undo history.
    heldTexts_ = {QLineEdit::text()};
}

void EditField::setKeepsEndFrom(QChar marker) {
    endMarker_ = marker;
    update();
}

QString EditField::displayedText() const {
    const QString whole = text();
    if (!endMarker_ || hasFocus()) {
        return whole;
    }
    const int room = textArea().width();
    const QFontMetrics metrics = fontMetrics();
    if (metrics.horizontalAdvance(whole) <= room) {
        return whole;
    }
    const qsizetype markerAt = whole.lastIndexOf(*endMarker_);
    const QString end = markerAt > 0 ? whole.mid(markerAt) : QString();
    const QString start = whole.left(whole.size() - end.size());
    return metrics.elidedText(start, Qt::ElideRight, room - metrics.horizontalAdvance(end)) + end;
}

QRect EditField::textArea() const {
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    return style()
        ->subElementRect(QStyle::SE_LineEditContents, &panel, this)
        .marginsRemoved(textMargins())
        .adjusted(textSideMargin, 0, -textSideMargin, 0);
}

void EditField::paintEvent(QPaintEvent* event) {
    const QString shown = displayedText();
    if (shown == text()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(textArea(), Qt::AlignLeft | Qt::AlignVCenter, shown);
}
