#include "QuestionBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::ButtonRole buttonRole(AnswerRole role) {
    switch (role) {
    case AnswerRole::Accept:
        return QMessageBox::AcceptRole;
    case AnswerRole::Destructive:
        return QMessageBox::DestructiveRole;
    case AnswerRole::Reject:
        return QMessageBox::RejectRole;
    }
    return QMessageBox::AcceptRole;
}

} // namespace

std::size_t StandardQuestionBox::ask(QWidget* owner, const Question& question) {
    QMessageBox box(owner);
    box.setWindowTitle(question.title);
    box.setTextFormat(Qt::PlainText);
    box.setText(question.text);
    box.setIcon(question.tone == QuestionTone::Warning       ? QMessageBox::Warning
                : question.tone == QuestionTone::Information ? QMessageBox::Information
                                                             : QMessageBox::Question);
    std::vector<QPushButton*> buttons;
    for (const Answer& answer : question.answers) {
        buttons.push_back(box.addButton(answer.text, buttonRole(answer.role)));
    }
    if (question.defaultAnswer < buttons.size()) {
        box.setDefaultButton(buttons[question.defaultAnswer]);
    }
    if (question.cancelAnswer < buttons.size()) {
        box.setEscapeButton(buttons[question.cancelAnswer]);
    }
    box.exec();
    for (std::size_t index = 0; index < buttons.size(); ++index) {
        if (box.clickedButton() == buttons[index]) {
            return index;
        }
    }
    return question.cancelAnswer;
}
