#pragma once

#include <QString>
#include <cstddef>
#include <vector>

class QWidget;

// What a button does to the work at hand, which decides where the platform places it.
enum class AnswerRole { Accept, Destructive, Reject };

struct Answer {
    QString text;
    AnswerRole role = AnswerRole::Accept;
};

// Information: a message that only tells what was done.
enum class QuestionTone { Question, Warning, Information };

// A question put to the user in a box of its own: a text and the buttons that answer it. A box
// with one button only tells something.
struct Question {
    QString title;
    QString text;
    std::vector<Answer> answers;
    // The answer Enter gives, and the one that Escape and the close box give.
    std::size_t defaultAnswer = 0;
    std::size_t cancelAnswer = 0;
    QuestionTone tone = QuestionTone::Question;
};

// Puts questions to the user. Windows ask through this interface so that tests can answer from
// a script instead of a box.
class QuestionBox {
public:
    virtual ~QuestionBox() = default;
    // The index in question.answers of the answer chosen.
    virtual std::size_t ask(QWidget* owner, const Question& question) = 0;
};

// The platform's standard message box, modal over its owner, its text shown as plain text: a
// file name with "<" in it shows as it is.
class StandardQuestionBox : public QuestionBox {
public:
    std::size_t ask(QWidget* owner, const Question& question) override;
};
