#pragma once

#include "FileChooser.h"
#include "QuestionBox.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class BoxDocument;
class QWidget;
class QuadrelDlg;
class ListControl;
class TextList;

// Answers the window's file questions from a script instead of a dialog; a null answer
// cancels.
class ScriptedChooser : public FileChooser {
public:
    explicit ScriptedChooser(std::shared_ptr<std::deque<QString>> answers)
        : answers_(std::move(answers)) {}
    std::optional<QString> choose(QWidget* owner) override;

private:
    std::shared_ptr<std::deque<QString>> answers_;
};

// Answers the window's questions from a script of button texts, and keeps every question asked
// as the user sees it: "text [button / button]". "Escape" answers as the Escape key does. A box
// with one button, a message, needs no answer in the script; a question beyond the script is
// cancelled, with a warning.
class ScriptedQuestionBox : public QuestionBox {
public:
    ScriptedQuestionBox(std::shared_ptr<std::deque<QString>> answers,
                        std::shared_ptr<QStringList> asked)
        : answers_(std::move(answers)), asked_(std::move(asked)) {}
    std::size_t ask(QWidget* owner, const Question& question) override;

private:
    std::shared_ptr<std::deque<QString>> answers_;
    std::shared_ptr<QStringList> asked_;
};

// The main window with a document, a scripted chooser and scripted questions, shown and ready
// for input.
class TestWindow {
public:
    TestWindow();
    ~TestWindow();

    QuadrelDlg& window() { return *window_; }
    BoxDocument& document() { return *document_; }
    // The next answers of the file chooser, in order.
    void answerChooser(const QString& path) { answers_->push_back(path); }
    void cancelChooser() { answers_->push_back(QString()); }
    std::size_t unansweredQuestions() const { return answers_->size(); }
    // The next answers to the window's question boxes, by button text, in order.
    void answerQuestion(const QString& buttonText) { questionAnswers_->push_back(buttonText); }
    // The questions asked since the last call, and the scripted answers left.
    QStringList takeQuestionsAsked();
    std::size_t unusedAnswers() const { return questionAnswers_->size(); }

    QWidget* control(int id) const;
    void click(int buttonId);
    QString shownText(int id) const;
    QStringList lines(int listId) const;
    ListControl* list(int listId) const;
    // Clicks a line as the user does.
    void clickLine(int listId, int line);

private:
    std::unique_ptr<BoxDocument> document_;
    std::unique_ptr<QuadrelDlg> window_;
    std::shared_ptr<std::deque<QString>> answers_;
    std::shared_ptr<std::deque<QString>> questionAnswers_;
    std::shared_ptr<QStringList> questionsAsked_;
};

// Gives the field the focus, selects all of its text with Ctrl+A and types the text over it.
void typeOver(QWidget* field, const QString& text);
// The name a screen reader gives the widget.
QString accessibleName(QWidget* widget);

// Runs action on the next modal dialog once it is shown; the dialog is expected to close.
void whenModalShows(std::function<void(QWidget* dialog)> action);

struct SampleBox {
    std::string id;
    std::string radius = "10";
};

// What the program writes after the boxes: the intersections, nine to a line, and the terminator.
std::string tailBytes(const std::vector<std::string>& intersections);
// The texts of a document list, in order, as the window would show them.
QStringList texts(const TextList& list);

// The bytes of a BOX file laid out exactly as the program writes it, so that a load and a save
// give the same bytes back.
std::string boxFileBytes(const std::string& countText, const std::vector<SampleBox>& boxes,
                         const std::vector<std::string>& intersections);
void writeBytes(const QString& path, const std::string& bytes);
std::string readBytes(const QString& path);
bool fileExists(const QString& path);
