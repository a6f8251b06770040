// The toolkit layer on its own: template text, dialog units, bound texts, edit fields, lists,
// drop-down lists and the chooser's filter.
#include "BoundTexts.h"
#include "DialogTemplate.h"
#include "DialogUnits.h"
#include "DropDownList.h"
#include "EditField.h"
#include "FileChooser.h"
#include "ListControl.h"

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <string>
#include <string_view>
#include <vector>

class ToolkitTest : public QObject {
    Q_OBJECT

private slots:
    void dialogUnitsBecomePixels_data();
    void dialogUnitsBecomePixels();
    void theDialogFontFallsBackToAnEightPointSansSerif();
    void aTemplateLineReadsItsWordsAndText_data();
    void aTemplateLineReadsItsWordsAndText();
    void malformedTemplatesAreRefused_data();
    void malformedTemplatesAreRefused();
    void pushLeavesAnUnchangedFieldAlone();
    void pushStartsNoReaction();
    void bytesThatAreNotUtf8SurviveAPushAndAPull();
    void aUserChangeIsReadBackAsUtf8();
    void everyKindOfUserChangeRunsTheReaction();
    void aDigitsOnlyFieldRefusesOtherCharacters();
    void listsReportOnlyTheUsersSelections();
    void deletingTheSelectedLineLeavesNoneSelected();
    void ctrlClickDoesNotDeselect();
    void listLinesKeepTheirBytesThroughDeletesAndRefills();
    void dropDownEntriesSortInCharacterOrder();
    void theBoxFilterBecomesQtNameFilters();
};

void ToolkitTest::dialogUnitsBecomePixels_data() {
    QTest::addColumn<int>("baseX");
    QTest::addColumn<int>("baseY");
    QTest::addColumn<QRect>("units");
    QTest::addColumn<QRect>("pixels");
    // x = round(units * baseX / 4), y = round(units * baseY / 8), halves rounded up.
    QTest::newRow("6x13 Quitter") << 6 << 13 << QRect(431, 39, 56, 14) << QRect(647, 63, 84, 23);
    QTest::newRow("7x13 main window") << 7 << 13 << QRect(0, 0, 495, 297) << QRect(0, 0, 866, 483);
    QTest::newRow("7x14 list") << 7 << 14 << QRect(13, 65, 84, 108) << QRect(23, 114, 147, 189);
    QTest::newRow("8x16 exact") << 8 << 16 << QRect(4, 8, 2, 1) << QRect(8, 16, 4, 2);
}

void ToolkitTest::dialogUnitsBecomePixels() {
    QFETCH(int, baseX);
    QFETCH(int, baseY);
    QFETCH(QRect, units);
    QFETCH(QRect, pixels);
    QCOMPARE(DialogUnits(baseX, baseY).toPixels(units), pixels);
}

void ToolkitTest::theDialogFontFallsBackToAnEightPointSansSerif() {
    const QFont font = dialogFont("MS Sans Serif", 8);
    QCOMPARE(font.pointSize(), 8);
    const QFontInfo info(font);
    QVERIFY(!info.family().isEmpty());
    const DialogUnits units(font);
    QCOMPARE(units.baseY(), QFontMetrics(font).height());
    const QString letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    qreal total = 0;
    for (const QChar letter : letters) {
        total += QFontMetricsF(font).horizontalAdvance(letter);
    }
    QVERIFY(qAbs(units.baseX() - total / 52) <= 0.5 + 0.05);
}

void ToolkitTest::aTemplateLineReadsItsWordsAndText_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("text");
    QTest::newRow("control") << R"(label - 7 25 342 8 - "C'est à dire")"
                             << QStringList{"label", "-", "7", "25", "342", "8", "-"}
                             << "C'est à dire";
    QTest::newRow("escapes") << R"(x "a \"b\" \\ c")" << QStringList{"x"} << R"(a "b" \ c)";
    QTest::newRow("trailing space kept") << R"(x "fin ")" << QStringList{"x"} << "fin ";
    QTest::newRow("no text") << "list 1008 13 65 84 108 tabstop"
                             << QStringList{"list", "1008", "13", "65", "84", "108", "tabstop"}
                             << QString();
}

void ToolkitTest::aTemplateLineReadsItsWordsAndText() {
    QFETCH(QString, line);
    QFETCH(QStringList, words);
    QFETCH(QString, text);
    const auto parsed = splitTemplateLine(line);
    QVERIFY(parsed);
    QCOMPARE(parsed->words, words);
    QCOMPARE(parsed->text.value_or(QString()), text);
}

void ToolkitTest::malformedTemplatesAreRefused_data() {
    QTest::addColumn<QString>("source");
    const QString head = "dialog 10 10 - \"T\"\nfont 8 \"F\"\n";
    QTest::newRow("valid") << head + "button 1 0 0 5 5 tabstop,default \"OK\"";
    QTest::newRow("no dialog line") << "button 1 0 0 5 5 tabstop \"OK\"";
    QTest::newRow("unterminated text") << head + "label - 0 0 5 5 - \"open";
    QTest::newRow("word after text") << head + "label - 0 0 5 5 - \"a\" b";
    QTest::newRow("unknown kind") << head + "slider 3 0 0 5 5 -";
    QTest::newRow("unknown style") << head + "edit 3 0 0 5 5 tabstop,wide";
    QTest::newRow("missing height") << head + "edit 3 0 0 5 tabstop";
    QTest::newRow("letters for a number") << head + "edit 3 0 zero 5 5 tabstop";
}

void ToolkitTest::malformedTemplatesAreRefused() {
    QFETCH(QString, source);
    const bool valid = QString(QTest::currentDataTag()) == "valid";
    const auto parsed = parseDialogTemplate(7, source);
    QCOMPARE(parsed.has_value(), valid);
    if (valid) {
        QCOMPARE(parsed->controls.size(), std::size_t{1});
        QCOMPARE(parsed->controls[0].styles, unsigned(TabStop | DefaultButton));
        QCOMPARE(parsed->dialogUnits, QSize(10, 10));
    }
}

void ToolkitTest::pushLeavesAnUnchangedFieldAlone() {
    EditField field;
    EditField other;
    BoundTexts texts;
    texts.bind(1, &field);
    texts.bind(2, &other);
    field.show();
    QTest::keyClicks(&field, "12345");
    field.setSelection(1, 2);
    texts.pull();
    texts.text(2) = "changed";
    texts.push();
    QCOMPARE(field.text(), QString("12345"));
    QCOMPARE(field.selectionStart(), 1);
    QCOMPARE(field.selectedText(), QString("23"));
    QCOMPARE(other.text(), QString("changed"));
}

void ToolkitTest::pushStartsNoReaction() {
    EditField field;
    int reactions = 0;
    field.setChangeReaction([&] { ++reactions; });
    QSignalSpy changes(&field, &QLineEdit::textChanged);
    BoundTexts texts;
    texts.bind(1, &field);
    texts.text(1) = "4000";
    texts.push();
    texts.text(1) = "";
    texts.push();
    QCOMPARE(changes.count(), 2);
    QCOMPARE(reactions, 0);
}

void ToolkitTest::bytesThatAreNotUtf8SurviveAPushAndAPull() {
    EditField field;
    QLabel label;
    BoundTexts texts;
    texts.bind(1, &field);
    texts.bind(2, &label);
    const std::string latin1 = "caf\xe9 \xff";
    texts.text(1) = latin1;
    texts.text(2) = latin1;
    texts.push();
    QCOMPARE(field.text(), QString::fromUtf8("café ÿ"));
    texts.text(1).clear();
    texts.text(2).clear();
    texts.pull();
    QCOMPARE(texts.text(1), latin1);
    QCOMPARE(texts.text(2), latin1);
}

void ToolkitTest::aUserChangeIsReadBackAsUtf8() {
    EditField field;
    BoundTexts texts;
    texts.bind(1, &field);
    texts.text(1) = "caf\xe9";
    texts.push();
    field.show();
    field.setFocus();
    QTest::keyClick(&field, Qt::Key_End);
    QTest::sendKeyEvent(QTest::Click, &field, Qt::Key_Eacute, QString("é"), Qt::NoModifier);
    texts.pull();
    // What the user saw, "café", then the typed "é", all in UTF-8.
    QCOMPARE(texts.text(1), std::string("caf\xc3\xa9\xc3\xa9"));
}

void ToolkitTest::everyKindOfUserChangeRunsTheReaction() {
    EditField field;
    field.show();
    QVERIFY(QTest::qWaitForWindowExposed(&field));
    QStringList seen;
    field.setChangeReaction([&] { seen << field.text(); });

    QTest::keyClicks(&field, "12");
    QTest::keyClick(&field, Qt::Key_Backspace);
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_X, Qt::ControlModifier);
    QApplication::clipboard()->setText("7a");
    QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&field, Qt::Key_Z, Qt::ControlModifier);
    field.setText("set by the program");

    QCOMPARE(seen, QStringList({"1", "12", "1", "", "7a", ""}));
}

void ToolkitTest::aDigitsOnlyFieldRefusesOtherCharacters() {
    EditField field;
    field.setDigitsOnly(true);
    int reactions = 0;
    field.setChangeReaction([&] { ++reactions; });
    QTest::keyClicks(&field, "x1 -2");
    QTest::sendKeyEvent(QTest::Click, &field, Qt::Key_Eacute, QString("é"), Qt::NoModifier);
    QTest::keyClicks(&field, "3.");
    QCOMPARE(field.text(), QString("123"));
    QCOMPARE(reactions, 3);
    QTest::keyClick(&field, Qt::Key_Backspace);
    QCOMPARE(field.text(), QString("12"));

    // Pasting is typing too: a pasted space or letter would reach the file.
    for (const char* refused : {"4 5", "4a", "\t", "-4"}) {
        QApplication::clipboard()->setText(refused);
        QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field.text(), QString("12"));
    }
    QApplication::clipboard()->setText("45");
    QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(field.text(), QString("1245"));
    QCOMPARE(reactions, 5);
    // The program may still set any text, as a file may bring any ID; the user can still edit
    // it, but brings in nothing but digits.
    field.setText("A1");
    QCOMPARE(field.text(), QString("A1"));
    QTest::keyClick(&field, Qt::Key_End);
    QTest::keyClicks(&field, " x2");
    QCOMPARE(field.text(), QString("A12"));
    QApplication::clipboard()->setText("3 4");
    QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(field.text(), QString("A12"));
    QTest::keyClick(&field, Qt::Key_Backspace);
    QTest::keyClick(&field, Qt::Key_Home);
    QTest::keyClick(&field, Qt::Key_Delete);
    QCOMPARE(field.text(), QString("1"));
}

void ToolkitTest::listsReportOnlyTheUsersSelections() {
    ListControl list;
    list.resize(200, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy userChanges(&list, &ListControl::userSelectionChanged);
    list.appendLines({"b", "a", "10", "2"});
    list.appendLine("z");
    QCOMPARE(list.lineCount(), 5);
    QCOMPARE(list.lineText(2), std::string("10"));
    QCOMPARE(list.selectedIndex(), std::nullopt);
    QCOMPARE(userChanges.count(), 0);

    const QModelIndex third = list.model()->index(2, 0);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list.visualRect(third).center());
    QCOMPARE(userChanges.count(), 1);

    // A click below the last line leaves the selected line selected.
    const QModelIndex last = list.model()->index(4, 0);
    const QPoint belowTheLines = list.visualRect(last).bottomLeft() + QPoint(5, 20);
    QVERIFY(list.viewport()->rect().contains(belowTheLines));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, belowTheLines);
    QCOMPARE(list.selectedIndex(), std::optional<int>(2));
    QCOMPARE(list.selectedIndex(), std::optional<int>(2));

    QTest::keyClick(&list, Qt::Key_Down);
    QCOMPARE(userChanges.count(), 2);
    QCOMPARE(list.selectedIndex(), std::optional<int>(3));

    list.deleteLine(0);
    list.removeAllLines();
    list.appendLines({"x"});
    QCOMPARE(userChanges.count(), 2);
    QCOMPARE(list.selectedIndex(), std::nullopt);
}

void ToolkitTest::deletingTheSelectedLineLeavesNoneSelected() {
    ListControl list;
    list.resize(200, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.appendLines({"0 1", "1 4", "2 3"});
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list.visualRect(list.model()->index(1, 0)).center());
    QCOMPARE(list.selectedIndex(), std::optional<int>(1));
    list.deleteLine(1);
    QCOMPARE(list.selectedIndex(), std::nullopt);
    QVERIFY(!list.currentIndex().isValid());
    QCOMPARE(list.lineText(0), std::string("0 1"));
    QCOMPARE(list.lineText(1), std::string("2 3"));
}

void ToolkitTest::ctrlClickDoesNotDeselect() {
    ListControl list;
    list.resize(200, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.appendLines({"1", "2"});
    const QPoint first = list.visualRect(list.model()->index(0, 0)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, first);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, first);
    QCOMPARE(list.selectedIndex(), std::optional<int>(0));
}

// The lines share one buffer: a delete must shift the lines after it and only them.
void ToolkitTest::listLinesKeepTheirBytesThroughDeletesAndRefills() {
    ListControl list;
    const std::vector<std::string> lines{"", std::string("a\0b", 3), "\xff\xfe",         "0 1",
                                         "", std::string(300, 'x'),  "\xc3\xa9t\xc3\xa9"};
    list.appendLines(lines);
    list.appendLine("last");
    std::vector<std::string> expected = lines;
    expected.push_back("last");
    const auto shown = [&list] {
        std::vector<std::string> texts;
        for (int line = 0; line < list.lineCount(); ++line) {
            texts.push_back(list.lineText(line));
        }
        return texts;
    };
    QCOMPARE(shown(), expected);
    QCOMPARE(list.model()->data(list.model()->index(6, 0)).toString(), QString("été"));
    QCOMPARE(list.model()->data(list.model()->index(4, 0)).toString(), QString());

    for (const int line : {2, 0, 5, 3, 0}) {
        list.deleteLine(line);
        expected.erase(expected.begin() + line);
        QCOMPARE(shown(), expected);
    }
    QCOMPARE(list.model()->data(list.model()->index(1, 0)).toString(), QString());

    list.removeAllLines();
    QCOMPARE(list.lineCount(), 0);
    list.appendLines(std::vector<std::string_view>{"2 3", "4"});
    list.appendLines(std::vector<std::string>{});
    list.appendLine("");
    QCOMPARE(shown(), (std::vector<std::string>{"2 3", "4", ""}));
}

void ToolkitTest::dropDownEntriesSortInCharacterOrder() {
    DropDownList list;
    for (int i = 0; i < 12; ++i) {
        list.addEntry(std::to_string(i));
    }
    QStringList shown;
    for (int i = 0; i < list.entryCount(); ++i) {
        shown << list.itemText(i);
    }
    QCOMPARE(shown, QStringList({"0", "1", "10", "11", "2", "3", "4", "5", "6", "7", "8", "9"}));
    QVERIFY(!list.isEditable());
    list.selectIndex(4);
    QCOMPARE(list.selectedText(), std::optional<std::string>("2"));
    list.removeAllEntries();
    QCOMPARE(list.selectedText(), std::nullopt);
}

void ToolkitTest::theBoxFilterBecomesQtNameFilters() {
    QCOMPARE(nameFiltersFromBarFilter("Fichier BOX (*.box)|*.box|Tous les fichiers(*.*)|*.*"),
             QStringList({"Fichier BOX (*.box)", "Tous les fichiers (*)"}));
    QCOMPARE(nameFiltersFromBarFilter("Textes|*.txt"), QStringList({"Textes (*.txt)"}));
}

QTEST_MAIN(ToolkitTest)
#include "toolkit_test.moc"
