#pragma once

#include <QLineEdit>
#include <functional>

// A single-line edit field. Its change reaction runs for the user's own changes only (typing,
// deleting, paste, cut, undo), never for text set by the program.
class EditField : public QLineEdit {
    Q_OBJECT

public:
    explicit EditField(QWidget* parent = nullptr);

    void setDigitsOnly(bool digitsOnly) { digitsOnly_ = digitsOnly; }
    bool digitsOnly() const { return digitsOnly_; }
    // Refuses any white space character, typed, pasted or dropped: the change is not made.
    void setRefusesWhiteSpace(bool refuses);
    bool refusesWhiteSpace() const { return refusesWhiteSpace_; }
    void setChangeReaction(std::function<void()> reaction) { reaction_ = std::move(reaction); }
    // While suppressed, not even a user change runs the reaction.
    void setReactionSuppressed(bool suppressed) { suppressed_ = suppressed; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    bool refuses(const QString& typed) const;

    bool digitsOnly_ = false;
    bool refusesWhiteSpace_ = false;
    bool suppressed_ = false;
    std::function<void()> reaction_;
};
