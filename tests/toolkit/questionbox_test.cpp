// The standard question box as the user meets it: its text and buttons, and the answer each
// button, Enter, Escape and the close box give.
#include "QuestionBox.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <utility>

namespace {

const Question threeWay{QStringLiteral("Programme"),
                        QStringLiteral("Garder « <b>plan</b> & co » ?"),
                        {{QStringLiteral("Garder"), AnswerRole::Accept},
                         {QStringLiteral("Ne pas garder du tout"), AnswerRole::Destructive},
                         {QStringLiteral("Annuler"), AnswerRole::Reject}},
                        0,
                        2,
                        QuestionTone::Question};

// Runs action on the message box once it shows; the action must close it.
void whenBoxShows(std::function<void(QMessageBox*)> action) {
    auto* poll = new QTimer;
    auto remaining = std::make_shared<int>(500);
    QObject::connect(poll, &QTimer::timeout, [poll, remaining, action] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if ((box != nullptr && box->isVisible()) || --*remaining == 0) {
            poll->stop();
            poll->deleteLater();
            if (box != nullptr) {
                action(box);
            }
        }
    });
    poll->start(10);
}

QPushButton* buttonNamed(QMessageBox* box, const QString& text) {
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == text) {
            return qobject_cast<QPushButton*>(button);
        }
    }
    return nullptr;
}

} // namespace

class QuestionBoxTest : public QObject {
    Q_OBJECT

private slots:
    void theBoxShowsItsTextAndWholeButtons();
    void eachButtonGivesItsAnswer_data();
    void eachButtonGivesItsAnswer();
    void keysAndTheCloseBoxGiveTheirAnswers_data();
    void keysAndTheCloseBoxGiveTheirAnswers();
    void aMessageWithOneButtonIsClosedByEscape();
};

void QuestionBoxTest::theBoxShowsItsTextAndWholeButtons() {
    QWidget owner;
    owner.show();
    QString title;
    QString text;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool buttonsWhole = false;
    QWidget* parent = nullptr;
    whenBoxShows([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->text();
        icon = box->icon();
        buttonsWhole = true;
        for (QAbstractButton* button : box->buttons()) {
            buttons << button->text();
            buttonsWhole = buttonsWhole && button->fontMetrics().horizontalAdvance(button->text()) <
                                               button->width();
        }
        parent = box->parentWidget();
        box->reject();
    });
    StandardQuestionBox().ask(&owner, threeWay);

    QCOMPARE(title, QStringLiteral("Programme"));
    QCOMPARE(text, QStringLiteral("Garder « <b>plan</b> & co » ?"));
    QCOMPARE(icon, QMessageBox::Question);
    QCOMPARE(parent, &owner);
    buttons.sort();
    QCOMPARE(buttons, QStringList({"Annuler", "Garder", "Ne pas garder du tout"}));
    QVERIFY(buttonsWhole);
}

void QuestionBoxTest::eachButtonGivesItsAnswer_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("Garder") << 0;
    QTest::newRow("Ne pas garder du tout") << 1;
    QTest::newRow("Annuler") << 2;
}

void QuestionBoxTest::eachButtonGivesItsAnswer() {
    QFETCH(int, answer);
    const QString wanted = threeWay.answers.at(static_cast<std::size_t>(answer)).text;
    whenBoxShows([&](QMessageBox* box) {
        QPushButton* button = buttonNamed(box, wanted);
        if (button == nullptr) {
            box->done(-1);
            return;
        }
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
    });
    QCOMPARE(StandardQuestionBox().ask(nullptr, threeWay), std::size_t(answer));
}

void QuestionBoxTest::keysAndTheCloseBoxGiveTheirAnswers_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("defaultAnswer");
    QTest::addColumn<int>("cancelAnswer");
    QTest::addColumn<int>("expected");
    QTest::newRow("Enter, first the default") << "enter" << 0 << 2 << 0;
    QTest::newRow("Enter, last the default") << "enter" << 2 << 1 << 2;
    QTest::newRow("Escape, last the cancel") << "escape" << 0 << 2 << 2;
    QTest::newRow("Escape, second the cancel") << "escape" << 0 << 1 << 1;
    QTest::newRow("close box") << "close" << 0 << 2 << 2;
}

void QuestionBoxTest::keysAndTheCloseBoxGiveTheirAnswers() {
    QFETCH(QString, how);
    QFETCH(int, defaultAnswer);
    QFETCH(int, cancelAnswer);
    QFETCH(int, expected);
    Question question = threeWay;
    question.defaultAnswer = static_cast<std::size_t>(defaultAnswer);
    question.cancelAnswer = static_cast<std::size_t>(cancelAnswer);
    whenBoxShows([&](QMessageBox* box) {
        if (how == "close") {
            box->close();
        } else {
            QTest::keyClick(box, how == "enter" ? Qt::Key_Return : Qt::Key_Escape);
        }
    });
    QCOMPARE(StandardQuestionBox().ask(nullptr, question), std::size_t(expected));
}

// A warning, or a message that only informs, each with its own icon.
void QuestionBoxTest::aMessageWithOneButtonIsClosedByEscape() {
    const std::pair<QuestionTone, QMessageBox::Icon> tones[] = {
        {QuestionTone::Warning, QMessageBox::Warning},
        {QuestionTone::Information, QMessageBox::Information}};
    for (const auto& [tone, expectedIcon] : tones) {
        const Question message{QStringLiteral("Programme"),
                               QStringLiteral("Rien n'a été fait."),
                               {{QStringLiteral("OK"), AnswerRole::Accept}},
                               0,
                               0,
                               tone};
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttons = 0;
        whenBoxShows([&](QMessageBox* box) {
            icon = box->icon();
            buttons = static_cast<int>(box->buttons().size());
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QCOMPARE(StandardQuestionBox().ask(nullptr, message), std::size_t{0});
        QCOMPARE(icon, expectedIcon);
        QCOMPARE(buttons, 1);
    }
}

QTEST_MAIN(QuestionBoxTest)
#include "questionbox_test.moc"
