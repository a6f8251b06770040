#include "EditField.h"

#include <QValidator>

namespace {

// A validator sees every change the user makes, whatever its road (keys, input method, paste,
// drop), and the field silently takes back a change it finds invalid. Text set by the program
// is not checked.
class CharacterValidator : public QValidator {
public:
    explicit CharacterValidator(const EditField* field) : QValidator(nullptr), field_(field) {}

    State validate(QString& input, int&) const override {
        for (const QChar c : input) {
            if ((field_->digitsOnly() && (c < u'0' || c > u'9')) ||
                (field_->refusesWhiteSpace() && c.isSpace())) {
                return Invalid;
            }
        }
        return Acceptable;
    }

private:
    const EditField* field_;
};

} // namespace

EditField::EditField(QWidget* parent)
    : QLineEdit(parent), validator_(std::make_unique<CharacterValidator>(this)) {
    setValidator(validator_.get());
    // textEdited is the user's signal: setText never emits it.
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (reaction_ && !suppressed_) {
            reaction_();
        }
    });
}

EditField::~EditField() = default;
