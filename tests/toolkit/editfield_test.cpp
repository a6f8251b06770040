// The refusals of an edit field hold on every road text takes into it: keys, paste, drop,
// input-method composition, undo and redo, one after the other in any order.
#include "EditField.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QTest>
#include <functional>
#include <vector>

namespace {

enum class Refusal { Digits, WhiteSpace };

using Step = std::function<void(EditField&)>;

void type(EditField& field, const QString& keys) {
    QTest::keyClicks(&field, keys);
}

Step typed(const QString& keys) {
    return [keys](EditField& field) { type(field, keys); };
}

Step key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    return [k, modifiers](EditField& field) { QTest::keyClick(&field, k, modifiers); };
}

Step undo() {
    return key(Qt::Key_Z, Qt::ControlModifier);
}

Step redo() {
    return key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
}

Step pasted(const QString& text) {
    return [text](EditField& field) {
        QApplication::clipboard()->setText(text);
        QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
    };
}

Step dropped(const QString& text) {
    return [text](EditField& field) {
        QMimeData data;
        data.setText(text);
        const QPointF at(field.width() - 2, field.height() / 2.0);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&field, &enter);
        QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&field, &move);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&field, &drop);
    };
}

// A composition that shows the preedit text first, then commits the given text.
Step composed(const QString& preedit, const QString& commit) {
    return [preedit, commit](EditField& field) {
        QInputMethodEvent composing(preedit, {});
        QApplication::sendEvent(&field, &composing);
        QInputMethodEvent committing;
        committing.setCommitString(commit);
        QApplication::sendEvent(&field, &committing);
    };
}

struct Road {
    const char* name;
    Refusal refusal;
    QString programText;
    std::vector<Step> steps;
    QString expected;
};

} // namespace

class EditFieldTest : public QObject {
    Q_OBJECT

private slots:
    void refusalsHoldOnEveryRoad();
    void undoAndRedoStillWorkOnAcceptedChanges();
    void aNarrowFieldShowsItsStartAndTheEndFromItsMarker();
};

void EditFieldTest::refusalsHoldOnEveryRoad() {
    const Qt::Key end = Qt::Key_End;
    const Qt::Key back = Qt::Key_Backspace;
    const std::vector<Road> roads = {
        {"undo brings back the file's text, then a typed space",
         Refusal::Digits,
         "17.5",
         {key(end), key(back), key(back), undo(), typed(" 3")},
         "17.53"},
        {"undo brings back an ID, then a typed letter",
         Refusal::Digits,
         "A1",
         {key(Qt::Key_Home), key(Qt::Key_Delete), undo(), key(end), typed("x 2")},
         "A12"},
        {"undo, redo, undo, then a paste",
         Refusal::Digits,
         "17.5",
         {key(end), key(back), key(back), undo(), redo(), undo(), pasted(" 3"), pasted("4")},
         "17.54"},
        {"undo then a drop",
         Refusal::Digits,
         "17.5",
         {key(end), key(back), key(back), undo(), dropped("3 4"), dropped("56")},
         "17.556"},
        {"undo then a composition",
         Refusal::Digits,
         "17.5",
         {key(end), key(back), key(back), undo(), composed(" ", " 3"), composed("5", "5")},
         "17.55"},
        {"a composition of a letter",
         Refusal::Digits,
         "",
         {typed("1"), composed("a", "a"), composed("2", "2")},
         "12"},
        {"a composition over a selection",
         Refusal::Digits,
         "123",
         {key(Qt::Key_A, Qt::ControlModifier), composed("x", "x")},
         ""},
        // A refused change drops what redo would bring back, as any new change does.
        {"redo after a refused change",
         Refusal::Digits,
         "",
         {typed("12"), undo(), typed(" "), redo(), typed("a3")},
         "3"},
        {"redo of a deletion, then a space",
         Refusal::Digits,
         "1.5",
         {key(end), key(back), key(back), undo(), redo(), undo(), typed(" 2")},
         "1.52"},
        {"hexadecimal: undo then a typed space",
         Refusal::WhiteSpace,
         "00004000",
         {key(end), key(back), key(Qt::Key_Home), key(Qt::Key_Delete), undo(), undo(), key(end),
          typed(" 3")},
         "000040003"},
        {"hexadecimal: undo then a pasted tab",
         Refusal::WhiteSpace,
         "c000",
         {key(Qt::Key_Home), key(Qt::Key_Delete), undo(), undo(), pasted("\t"), pasted("x")},
         "xc000"},
        {"hexadecimal: undo then a drop and a composition",
         Refusal::WhiteSpace,
         "4000",
         {key(end), key(back), key(back), undo(), dropped("1\n"), composed("\u3000", "\u3000"),
          composed("", "-")},
         "4000-"},
        {"hexadecimal: undo brings back a tab the program set",
         Refusal::WhiteSpace,
         "4\t0",
         {key(end), key(back), key(back), undo(), pasted(" 1"), dropped("2 "), composed(" ", " "),
          typed(" 3")},
         "4\t03"},
        {"hexadecimal: a composition of a no-break space",
         Refusal::WhiteSpace,
         "",
         {composed("", "\u00a0"), typed("a\tb")},
         "ab"},
    };
    QStringList mismatches;
    for (const Road& road : roads) {
        EditField field;
        field.resize(200, 30);
        field.show();
        QVERIFY(QTest::qWaitForWindowExposed(&field));
        field.setFocus();
        field.setDigitsOnly(road.refusal == Refusal::Digits);
        field.setRefusesWhiteSpace(road.refusal == Refusal::WhiteSpace);
        field.setText(road.programText);
        for (const Step& step : road.steps) {
            step(field);
        }
        if (field.text() != road.expected) {
            mismatches << QStringLiteral("%1: \"%2\" instead of \"%3\"")
                              .arg(road.name, field.text(), road.expected);
        }
    }
    for (const QString& mismatch : mismatches) {
        qWarning("%s", qPrintable(mismatch));
    }
    QVERIFY(mismatches.isEmpty());
}

void EditFieldTest::undoAndRedoStillWorkOnAcceptedChanges() {
    EditField field;
    field.setDigitsOnly(true);
    QStringList seen;
    field.setChangeReaction([&] { seen << field.text(); });
    type(field, "12");
    undo()(field);
    QCOMPARE(field.text(), QString());
    redo()(field);
    QCOMPARE(field.text(), QString("12"));
    type(field, "a");
    undo()(field);
    QCOMPARE(field.text(), QString());
    QCOMPARE(seen, QStringList({"1", "12", "", "12", ""}));
}

void EditFieldTest::aNarrowFieldShowsItsStartAndTheEndFromItsMarker() {
    QWidget window;
    auto* field = new EditField(&window);
    auto* other = new EditField(&window);
    field->setGeometry(0, 0, 80, 24);
    other->setGeometry(0, 30, 80, 24);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    other->setFocus();
    const QString text = "abcdfghijklmnopqrstuvwxyz0123456789";
    field->setText(text);
    // Left alone, the field shows its text as it is, the start alone in sight.
    QCOMPARE(field->displayedText(), text);
    const QImage startOnly = field->grab().toImage();

    field->setKeepsEndFrom(QLatin1Char('e'));
    const QString shown = field->displayedText();
    QVERIFY2(shown.startsWith("ab") && shown.endsWith(QChar(0x2026)), qPrintable(shown));
    QVERIFY(field->fontMetrics().horizontalAdvance(shown) <= field->width());
    QCOMPARE(field->text(), text);
    // What is drawn changes with it.
    QVERIFY(field->grab().toImage() != startOnly);

    // With the marker, the end from it stays whole in sight after the start.
    const QString number = "1.23456789012345678901234e-005";
    field->setText(number);
    const QString shownNumber = field->displayedText();
    QVERIFY2(shownNumber.startsWith("1.2") &&
                 shownNumber.endsWith(QString(QChar(0x2026)) + "e-005"),
             qPrintable(shownNumber));
    QVERIFY(field->fontMetrics().horizontalAdvance(shownNumber) <= field->width());
    field->setText(text);

    // Being edited, it shows the text itself; a text that fits shows whole.
    field->setFocus();
    QCOMPARE(field->displayedText(), text);
    other->setFocus();
    field->setText("0.5");
    QCOMPARE(field->displayedText(), QString("0.5"));
}

QTEST_MAIN(EditFieldTest)
#include "editfield_test.moc"
