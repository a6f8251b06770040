#include "EditorTestSupport.h"

#include "ListControl.h"
#include "QuadrelDlg.h"
#include "orlclass.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <utility>

std::optional<QString> ScriptedChooser::choose(QWidget*) {
    if (answers_->empty()) {
        qWarning("The file chooser was asked once more than the test expected");
        return std::nullopt;
    }
    const QString answer = answers_->front();
    answers_->pop_front();
    if (answer.isNull()) {
        return std::nullopt;
    }
    return answer;
}

std::size_t ScriptedQuestionBox::ask(QWidget*, const Question& question) {
    QStringList buttons;
    for (const Answer& answer : question.answers) {
        buttons << answer.text;
    }
    asked_->push_back(QStringLiteral("%1 [%2]").arg(question.text, buttons.join(" / ")));
    if (question.answers.size() == 1) {
        return 0;
    }
    if (answers_->empty()) {
        qWarning("A question was asked once more than the test expected: %s",
                 qPrintable(question.text));
        return question.cancelAnswer;
    }
    const QString answer = answers_->front();
    answers_->pop_front();
    if (answer == QStringLiteral("Escape")) {
        return question.cancelAnswer;
    }
    const qsizetype index = buttons.indexOf(answer);
    if (index < 0) {
        qWarning("The question has no button %s: %s", qPrintable(answer),
                 qPrintable(question.text));
        return question.cancelAnswer;
    }
    return static_cast<std::size_t>(index);
}

TestWindow::TestWindow()
    : document_(std::make_unique<BoxDocument>()), window_(std::make_unique<QuadrelDlg>()),
      answers_(std::make_shared<std::deque<QString>>()),
      questionAnswers_(std::make_shared<std::deque<QString>>()),
      questionsAsked_(std::make_shared<QStringList>()) {
    window_->setDocument(document_.get());
    window_->setFileChooser(std::make_unique<ScriptedChooser>(answers_));
    window_->setNewFileChooser(std::make_unique<ScriptedChooser>(answers_));
    window_->setQuestionBox(
        std::make_unique<ScriptedQuestionBox>(questionAnswers_, questionsAsked_));
    window_->show();
    window_->activateWindow();
    if (!QTest::qWaitForWindowActive(window_.get())) {
        qWarning("The main window did not become active");
    }
}

TestWindow::~TestWindow() = default;

QStringList TestWindow::takeQuestionsAsked() {
    return std::exchange(*questionsAsked_, {});
}

QWidget* TestWindow::control(int id) const {
    return window_->control(id);
}

void TestWindow::click(int buttonId) {
    QWidget* button = control(buttonId);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
}

QString TestWindow::shownText(int id) const {
    QWidget* widget = control(id);
    if (auto* field = qobject_cast<QLineEdit*>(widget)) {
        return field->text();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    return {};
}

ListControl* TestWindow::list(int listId) const {
    return window_->controlAs<ListControl>(listId);
}

QStringList TestWindow::lines(int listId) const {
    QStringList result;
    const auto* view = list(listId);
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        result << view->model()->index(row, 0).data().toString();
    }
    return result;
}

void TestWindow::clickLine(int listId, int line) {
    ListControl* view = list(listId);
    const QModelIndex index = view->model()->index(line, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      view->visualRect(index).center());
}

void whenModalShows(std::function<void(QWidget* dialog)> action) {
    auto* poll = new QTimer;
    auto remaining = std::make_shared<int>(500);
    QObject::connect(poll, &QTimer::timeout, [poll, remaining, action] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog != nullptr && dialog->isVisible()) {
            poll->stop();
            poll->deleteLater();
            action(dialog);
        } else if (--*remaining == 0) {
            poll->stop();
            poll->deleteLater();
            qWarning("No modal dialog showed");
        }
    });
    poll->start(10);
}

std::string tailBytes(const std::vector<std::string>& intersections) {
    std::string bytes = "\r\n\r\n";
    for (std::size_t i = 0; i < intersections.size(); ++i) {
        if (i != 0) {
            bytes += i % 9 == 0 ? "\r\n" : "  ";
        }
        bytes += intersections[i];
    }
    return bytes + "\r\n-1 -1\r\n";
}

QStringList texts(const TextList& list) {
    QStringList result;
    for (const std::string_view text : list) {
        result << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    return result;
}

std::string boxFileBytes(const std::string& countText, const std::vector<SampleBox>& boxes,
                         const std::vector<std::string>& intersections) {
    std::string bytes = countText;
    int serial = 0;
    for (const SampleBox& box : boxes) {
        ++serial;
        const std::string s = std::to_string(serial % 10);
        bytes += "\r\n " + box.id + "  " + box.radius;
        bytes += "\r\n  0000" + s + "000 00000000 ffff" + s + "000";
        for (int plane = 0; plane < 6; ++plane) {
            bytes += "\r\n  4000 0000 c000 0000" + std::to_string(plane) + "000";
        }
    }
    return bytes + tailBytes(intersections);
}

void writeBytes(const QString& path, const std::string& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qFatal("Cannot write the sample file");
    }
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return "<missing>";
    }
    return file.readAll().toStdString();
}

bool fileExists(const QString& path) {
    return QFileInfo::exists(path);
}

void typeOver(QWidget* field, const QString& text) {
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}

QString accessibleName(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}
