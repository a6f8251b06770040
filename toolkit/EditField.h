#pragma once

#include <QLineEdit>
#include <QSet>
#include <functional>
#include <memory>
#include <optional>

class QValidator;

// A single-line edit field. Its change reaction runs for the user's own changes only (typing,
// deleting, paste, cut, undo), never for text set by the program.
class EditField : public QLineEdit {
    Q_OBJECT

public:
    explicit EditField(QWidget* parent = nullptr);
    ~EditField() override;

    // Both refusals hold for whatever the user types, pastes or drops: the change is not made.
    // A pasted "1 2" in an ID would otherwise be saved as two tokens and shift the whole file.
    void setDigitsOnly(bool digitsOnly) { digitsOnly_ = digitsOnly; }
    bool digitsOnly() const { return digitsOnly_; }
    void setRefusesWhiteSpace(bool refuses) { refusesWhiteSpace_ = refuses; }
    bool refusesWhiteSpace() const { return refusesWhiteSpace_; }
    // Text set by the program is never refused: a file may bring any ID. This hides
    // QLineEdit::setText so that the refusals know the change is not the user's.
    void setText(const QString& text);
    bool settingText() const { return settingText_; }
    // Keeps the text and the cursor, and leaves undo and redo nothing to take back or bring again.
    void forgetUndo();
    // The content before the change being judged.
    const QString& acceptedText() const { return acceptedText_; }
    // True for a text the field has held since the program last set its text: undo and redo
    // move only among these, and what they bring back was let in once already.
    bool heldSinceSet(const QString& text) const { return heldTexts_.contains(text); }
    void setChangeReaction(std::function<void()> reaction) { reaction_ = std::move(reaction); }
    // While suppressed, not even a user change runs the reaction.
    void setReactionSuppressed(bool suppressed) { suppressed_ = suppressed; }
    // A field too narrow for its text shows, while it is not being edited, the start of the text
    // and, whole, its end from the last marker on, around "…": "6.1035…e-005" rather than
    // "6.103515625e" for "6.103515625e-005". A text without the marker shows its start and "…".
    // The text itself is unchanged.
    void setKeepsEndFrom(QChar marker);
    // What the field shows of its text.
    QString displayedText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Where the text is drawn, within the frame and the field's margins.
    QRect textArea() const;

    std::unique_ptr<QValidator> validator_;
    QString acceptedText_;
    QSet<QString> heldTexts_;
    bool settingText_ = false;
    bool digitsOnly_ = false;
    bool refusesWhiteSpace_ = false;
    bool suppressed_ = false;
    std::optional<QChar> endMarker_;
    std::function<void()> reaction_;
};
