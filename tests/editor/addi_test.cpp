// The add-intersection dialog, run modally and driven with clicks and keys as a user does; checked
// through what its lists show, how it closes and what lands in the document's intersections.
#include "Addi.h"
#include "intersectionedits.h"
#include "orlclass.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int confirmButton = 1;
constexpr int cancelButton = 2;

using Texts = std::vector<std::string>;

// A document as a chosen file leaves it, with box IDs unlike their ranks.
std::unique_ptr<BoxDocument> documentWith(std::size_t boxCount, const std::string& countText,
                                          const Texts& intersections = {}) {
    auto document = std::make_unique<BoxDocument>();
    document->setPath("sample.box");
    for (std::size_t i = 0; i < boxCount; ++i) {
        Box& box = document->appendBox();
        box.id = std::to_string(70 + i);
        document->boxIds.append(box.id);
    }
    document->countText = countText;
    for (const std::string& text : intersections) {
        document->intersections.append(text);
    }
    return document;
}

Texts intersectionsOf(const BoxDocument& document) {
    return Texts(document.intersections.begin(), document.intersections.end());
}

// The entries as the drop-down shows them, in order.
QStringList shownEntries(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) {
        entries << list->itemText(i);
    }
    return entries;
}

// The hands on the keyboard and the mouse. The dialog reports nothing, so any window that opens
// over it during an action is noted, then closed so that the run goes on.
class User {
public:
    explicit User(AddiDialog& dialog) : dialog_(dialog) {}

    void click(int buttonId) {
        QWidget* button = dialog_.control(buttonId);
        watchForReports();
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
    }

    // A key goes where the keyboard focus is.
    void press(Qt::Key key) {
        QWidget* focused = dialog_.focusWidget();
        watchForReports();
        QTest::keyClick(focused != nullptr ? focused : &dialog_, key);
    }

    // Tabs to the list, then steps through it with the arrow keys until it shows the text.
    bool choose(int listId, const QString& text) {
        auto* list = dialog_.controlAs<QComboBox>(listId);
        for (int tabs = 0; dialog_.focusWidget() != list && tabs < 4; ++tabs) {
            press(Qt::Key_Tab);
        }
        if (dialog_.focusWidget() != list) {
            return false;
        }
        press(Qt::Key_Home);
        for (int steps = 0; list->currentText() != text && steps < list->count(); ++steps) {
            press(Qt::Key_Down);
        }
        return list->currentText() == text;
    }

    QComboBox* list(int listId) const { return dialog_.controlAs<QComboBox>(listId); }
    bool hasFocus(int id) const { return dialog_.focusWidget() == dialog_.control(id); }

    bool reported() const { return *reported_; }

private:
    // The check may run after this user is gone, so it holds only what outlives it.
    void watchForReports() {
        QTimer::singleShot(0, &dialog_, [dialog = &dialog_, reported = reported_] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr && modal != dialog) {
                *reported = true;
                modal->close();
            }
        });
    }

    AddiDialog& dialog_;
    std::shared_ptr<bool> reported_ = std::make_shared<bool>(false);
};

struct Run {
    int result = -1;
    bool shown = false;
    // Still showing, on top, once the user's actions were done; the user then cancelled it.
    bool stayedOpen = false;
    bool reported = false;
};

// Runs the dialog modally and lets the user act once it shows. A dialog still open afterwards is
// cancelled, so one that refuses to close cannot hang the test.
Run runAsUser(AddiDialog& dialog, const std::function<void(User&)>& actions) {
    Run run;
    QTimer::singleShot(0, &dialog, [&] {
        run.shown =
            QApplication::activeModalWidget() == &dialog && QTest::qWaitForWindowActive(&dialog);
        User user(dialog);
        actions(user);
        run.stayedOpen = dialog.isVisible() && QApplication::activeModalWidget() == &dialog;
        if (dialog.isVisible()) {
            user.click(cancelButton);
        }
        run.reported = user.reported();
    });
    run.result = dialog.runModal();
    return run;
}

// The dialog only chooses; the pair it accepts lands in the document as the main window's edit
// puts it there, so that each case reads what the user ends up with.
Run runOn(BoxDocument& document, const std::function<void(User&)>& actions) {
    AddiDialog dialog;
    dialog.setDocument(&document);
    const Texts before = intersectionsOf(document);
    Run run = runAsUser(dialog, actions);
    if (intersectionsOf(document) != before) {
        qWarning("The dialog changed the document itself");
        run.result = -1;
    }
    if (run.result == QDialog::Accepted) {
        AppendIntersections::added(dialog.chosenPair())->apply(document);
    }
    return run;
}

// Chooses the two ranks and clicks "Créer".
std::function<void(User&)> create(const QString& box1, const QString& box2, bool& chosen) {
    return [box1, box2, &chosen](User& user) {
        chosen =
            user.choose(AddiDialog::box1ListId, box1) && user.choose(AddiDialog::box2ListId, box2);
        user.click(confirmButton);
    };
}

} // namespace

class AddiTest : public QObject {
    Q_OBJECT

private slots:
    void everyRankIsOfferedWithTheFirstChosen();
    void ranksSortInCharacterOrder();
    void createAtOnceNamesOneBoxTwice();
    void aNewPairGoesLastAndClosesTheDialog();
    void aPairAlreadyHeldInEitherOrderIsRefused();
    void pairsAreComparedExactly();
    void cancellingChangesNothing_data();
    void cancellingChangesNothing();
    void aNewFileOffersNothing();
    void enterConfirmsThroughTheDefaultButton();
    void enterOnARefusedPairKeepsTheDialogOpen();
    void theCountIsReadAsANumber_data();
    void theCountIsReadAsANumber();
    void withoutADocumentNothingIsOffered();
    void eachRunOffersTheRanksAfresh();
};

void AddiTest::everyRankIsOfferedWithTheFirstChosen() {
    auto document = documentWith(3, "3");
    QStringList box1;
    QStringList box2;
    QString chosen1;
    QString chosen2;
    bool focusOnCreate = false;
    const Run run = runOn(*document, [&](User& user) {
        box1 = shownEntries(user.list(AddiDialog::box1ListId));
        box2 = shownEntries(user.list(AddiDialog::box2ListId));
        chosen1 = user.list(AddiDialog::box1ListId)->currentText();
        chosen2 = user.list(AddiDialog::box2ListId)->currentText();
        focusOnCreate = user.hasFocus(confirmButton);
    });

    QVERIFY(run.shown);
    QCOMPARE(box1, QStringList({"0", "1", "2"}));
    QCOMPARE(box2, QStringList({"0", "1", "2"}));
    QCOMPARE(chosen1, QString("0"));
    QCOMPARE(chosen2, QString("0"));
    QVERIFY(focusOnCreate);
}

void AddiTest::ranksSortInCharacterOrder() {
    auto document = documentWith(12, "12");
    QStringList box1;
    QStringList box2;
    runOn(*document, [&](User& user) {
        box1 = shownEntries(user.list(AddiDialog::box1ListId));
        box2 = shownEntries(user.list(AddiDialog::box2ListId));
    });

    const QStringList expected{"0", "1", "10", "11", "2", "3", "4", "5", "6", "7", "8", "9"};
    QCOMPARE(box1, expected);
    QCOMPARE(box2, expected);
}

void AddiTest::createAtOnceNamesOneBoxTwice() {
    auto document = documentWith(3, "3", {"1 2"});
    const Run run = runOn(*document, [](User& user) { user.click(confirmButton); });

    QVERIFY(run.shown);
    QVERIFY(run.stayedOpen);
    QVERIFY(!run.reported);
    QCOMPARE(run.result, int(QDialog::Rejected));
    QCOMPARE(intersectionsOf(*document), Texts({"1 2"}));
}

void AddiTest::aNewPairGoesLastAndClosesTheDialog() {
    auto document = documentWith(3, "3", {"0 1", "1 2"});
    bool chosen = false;
    const Run run = runOn(*document, create("2", "0", chosen));

    QVERIFY(chosen);
    QVERIFY(!run.stayedOpen);
    QVERIFY(!run.reported);
    QCOMPARE(run.result, int(QDialog::Accepted));
    QCOMPARE(intersectionsOf(*document), Texts({"0 1", "1 2", "2 0"}));

    for (const auto& [box1, box2] : {std::pair{"0", "2"}, std::pair{"2", "0"}}) {
        const Run later = runOn(*document, create(box1, box2, chosen));
        QVERIFY(chosen);
        QVERIFY2(later.stayedOpen, box1);
        QVERIFY(!later.reported);
        QCOMPARE(later.result, int(QDialog::Rejected));
        QCOMPARE(intersectionsOf(*document), Texts({"0 1", "1 2", "2 0"}));
    }
}

void AddiTest::aPairAlreadyHeldInEitherOrderIsRefused() {
    const Texts held{"3 1", "0 4"};
    auto document = documentWith(5, "5", held);
    bool chosen = false;
    for (const auto& [box1, box2] :
         {std::pair{"3", "1"}, std::pair{"1", "3"}, std::pair{"4", "0"}, std::pair{"4", "4"}}) {
        const Run run = runOn(*document, create(box1, box2, chosen));
        QVERIFY(chosen);
        QVERIFY2(run.stayedOpen, box1);
        QVERIFY(!run.reported);
        QCOMPARE(intersectionsOf(*document), held);
    }

    const Run run = runOn(*document, create("4", "1", chosen));
    QVERIFY(chosen);
    QCOMPARE(run.result, int(QDialog::Accepted));
    QCOMPARE(intersectionsOf(*document), Texts({"3 1", "0 4", "4 1"}));
}

void AddiTest::pairsAreComparedExactly() {
    const Texts held{"2  0", "0 2 ", "02", "2 00"};
    auto document = documentWith(3, "3", held);
    bool chosen = false;
    const Run run = runOn(*document, create("2", "0", chosen));

    QVERIFY(chosen);
    QCOMPARE(run.result, int(QDialog::Accepted));
    QCOMPARE(intersectionsOf(*document), Texts({"2  0", "0 2 ", "02", "2 00", "2 0"}));
}

void AddiTest::cancellingChangesNothing_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("Annuler") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("close box") << 2;
}

void AddiTest::cancellingChangesNothing() {
    QFETCH(int, way);
    auto document = documentWith(4, "4", {"0 3"});
    bool chosen = false;
    bool closed = false;
    const Run run = runOn(*document, [&](User& user) {
        chosen =
            user.choose(AddiDialog::box1ListId, "1") && user.choose(AddiDialog::box2ListId, "2");
        switch (way) {
        case 0:
            user.click(cancelButton);
            break;
        case 1:
            user.press(Qt::Key_Escape);
            break;
        default:
            user.list(AddiDialog::box1ListId)->window()->close();
            break;
        }
        closed = !user.list(AddiDialog::box1ListId)->window()->isVisible();
    });

    QVERIFY(chosen);
    QVERIFY(closed);
    QVERIFY(!run.stayedOpen);
    QCOMPARE(run.result, int(QDialog::Rejected));
    QCOMPARE(intersectionsOf(*document), Texts({"0 3"}));
}

void AddiTest::aNewFileOffersNothing() {
    auto document = documentWith(0, "0");
    int box1Count = -1;
    int box2Count = -1;
    QString chosen1 = "?";
    QString chosen2 = "?";
    const Run run = runOn(*document, [&](User& user) {
        box1Count = user.list(AddiDialog::box1ListId)->count();
        box2Count = user.list(AddiDialog::box2ListId)->count();
        chosen1 = user.list(AddiDialog::box1ListId)->currentText();
        chosen2 = user.list(AddiDialog::box2ListId)->currentText();
        user.click(confirmButton);
        user.press(Qt::Key_Return);
    });

    QCOMPARE(box1Count, 0);
    QCOMPARE(box2Count, 0);
    QCOMPARE(chosen1, QString());
    QCOMPARE(chosen2, QString());
    QVERIFY(run.stayedOpen);
    QVERIFY(!run.reported);
    QCOMPARE(run.result, int(QDialog::Rejected));
    QVERIFY(document->intersections.empty());
}

void AddiTest::enterConfirmsThroughTheDefaultButton() {
    auto document = documentWith(3, "3", {"0 1"});
    bool chosen = false;
    bool focusOnAList = false;
    const Run run = runOn(*document, [&](User& user) {
        chosen =
            user.choose(AddiDialog::box2ListId, "2") && user.choose(AddiDialog::box1ListId, "1");
        focusOnAList = user.hasFocus(AddiDialog::box1ListId);
        user.press(Qt::Key_Return);
    });

    QVERIFY(chosen);
    QVERIFY(focusOnAList);
    QVERIFY(!run.stayedOpen);
    QCOMPARE(run.result, int(QDialog::Accepted));
    QCOMPARE(intersectionsOf(*document), Texts({"0 1", "1 2"}));
}

void AddiTest::enterOnARefusedPairKeepsTheDialogOpen() {
    auto document = documentWith(3, "3", {"0 1"});
    bool chosen = false;
    const Run run = runOn(*document, [&](User& user) {
        chosen = user.choose(AddiDialog::box1ListId, "1");
        user.press(Qt::Key_Enter);
    });

    QVERIFY(chosen);
    QVERIFY(run.stayedOpen);
    QVERIFY(!run.reported);
    QCOMPARE(intersectionsOf(*document), Texts({"0 1"}));
}

void AddiTest::theCountIsReadAsANumber_data() {
    QTest::addColumn<QString>("countText");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<QStringList>("offered");
    QTest::newRow("huge") << "99999999999" << 3 << QStringList({"0", "1", "2"});
    QTest::newRow("beyond 64 bits") << "99999999999999999999999" << 2 << QStringList({"0", "1"});
    QTest::newRow("negative") << "-3" << 3 << QStringList();
    QTest::newRow("most negative") << "-9999999999999999999999" << 3 << QStringList();
    QTest::newRow("no digits") << "abc" << 3 << QStringList();
    QTest::newRow("space, sign, trailing text") << " \t+2x5" << 3 << QStringList({"0", "1"});
    QTest::newRow("leading zero") << "03" << 3 << QStringList({"0", "1", "2"});
    QTest::newRow("fewer than the boxes") << "2" << 4 << QStringList({"0", "1"});
}

void AddiTest::theCountIsReadAsANumber() {
    QFETCH(QString, countText);
    QFETCH(int, boxes);
    QFETCH(QStringList, offered);
    auto document = documentWith(static_cast<std::size_t>(boxes), countText.toStdString());
    QStringList box1;
    QStringList box2;
    const Run run = runOn(*document, [&](User& user) {
        box1 = shownEntries(user.list(AddiDialog::box1ListId));
        box2 = shownEntries(user.list(AddiDialog::box2ListId));
        user.click(confirmButton);
    });

    QCOMPARE(box1, offered);
    QCOMPARE(box2, offered);
    QVERIFY(run.stayedOpen);
    QVERIFY(document->intersections.empty());
}

void AddiTest::withoutADocumentNothingIsOffered() {
    AddiDialog dialog;
    int offered = -1;
    const Run run = runAsUser(dialog, [&](User& user) {
        offered =
            user.list(AddiDialog::box1ListId)->count() + user.list(AddiDialog::box2ListId)->count();
        user.click(confirmButton);
    });

    QCOMPARE(offered, 0);
    QVERIFY(run.stayedOpen);
    QCOMPARE(run.result, int(QDialog::Rejected));
}

void AddiTest::eachRunOffersTheRanksAfresh() {
    auto document = documentWith(3, "3");
    AddiDialog dialog;
    dialog.setDocument(document.get());
    bool chosen = false;
    runAsUser(dialog, [&](User& user) {
        chosen = user.choose(AddiDialog::box1ListId, "2");
        user.click(cancelButton);
    });
    document->boxes.remove(std::prev(document->boxes.end()));
    document->boxIds.removeAt(document->boxIds.size() - 1);
    document->setCountText("2");
    QStringList box1;
    QStringList box2;
    QString chosen1;
    const Run run = runAsUser(dialog, [&](User& user) {
        box1 = shownEntries(user.list(AddiDialog::box1ListId));
        box2 = shownEntries(user.list(AddiDialog::box2ListId));
        chosen1 = user.list(AddiDialog::box1ListId)->currentText();
    });

    QVERIFY(chosen);
    QVERIFY(run.shown);
    QCOMPARE(box1, QStringList({"0", "1"}));
    QCOMPARE(box2, QStringList({"0", "1"}));
    QCOMPARE(chosen1, QString("0"));
}

QTEST_MAIN(AddiTest)
#include "addi_test.moc"
