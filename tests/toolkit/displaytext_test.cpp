// How texts from files look in the controls: Windows-1252 when not UTF-8, cut short when very
// long, cut in the middle for a path; and that the bytes themselves always come back whole.
#include "BoundTexts.h"
#include "DisplayText.h"
#include "DropDownList.h"
#include "EditField.h"
#include "ListControl.h"

#include <QLabel>
#include <QTest>

namespace {

const std::string megabyteId(1 << 20, '7');

QString shownLine(const ListControl& list, int row) {
    return list.model()->index(row, 0).data().toString();
}

} // namespace

class DisplayTextTest : public QObject {
    Q_OBJECT

private slots:
    void bytesDecodeAsUtf8OrWindows1252_data();
    void bytesDecodeAsUtf8OrWindows1252();
    void everyByteOutsideUtf8HasItsOwnCharacter();
    void longTextsAreCutWithAnEllipsis_data();
    void longTextsAreCutWithAnEllipsis();
    void aShortenedTextComesBackWhole();
    void aLatin1TextShowsItsAccentsAndComesBackAsItsBytes();
    void listsShowLinesShortenedAndKeepThemWhole();
    void aLongPathKeepsItsFileNameInView();
    void aShortPathShowsWholeWithoutTooltip();
};

void DisplayTextTest::bytesDecodeAsUtf8OrWindows1252_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ASCII") << QByteArray("A12 b") << QString("A12 b");
    QTest::newRow("UTF-8 accents") << QByteArray("\xc3\xa9t\xc3\xa9") << QString("été");
    QTest::newRow("Latin-1 accents") << QByteArray("\xe9t\xe9") << QString("été");
    QTest::newRow("euro and quotes")
        << QByteArray("\x80 \x93x\x94 \x85") << QString::fromUtf16(u"\u20AC \u201Cx\u201D \u2026");
    QTest::newRow("last of the table")
        << QByteArray("\x9f\x8c\x9c") << QString::fromUtf16(u"\u0178\u0152\u0153");
    QTest::newRow("undefined in 1252") << QByteArray("\x81\x8d\x8f\x90\x9d")
                                       << QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D");
    QTest::newRow("valid UTF-8 then a stray byte")
        << QByteArray("\xc3\xa9\xff") << QString::fromUtf16(u"\u00C3\u00A9\u00FF");
    QTest::newRow("truncated UTF-8") << QByteArray("a\xc3") << QString::fromUtf16(u"a\u00C3");
}

void DisplayTextTest::bytesDecodeAsUtf8OrWindows1252() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QCOMPARE(decodeForDisplay(bytes.toStdString()), shown);
}

// Two different bytes never look alike: a user can tell texts apart that compare different.
void DisplayTextTest::everyByteOutsideUtf8HasItsOwnCharacter() {
    QSet<QChar> seen;
    for (int value = 0x80; value <= 0xFF; ++value) {
        const QString shown = decodeForDisplay(std::string(1, static_cast<char>(value)));
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0] != QChar::ReplacementCharacter);
        seen.insert(shown[0]);
    }
    QCOMPARE(seen.size(), 128);
}

void DisplayTextTest::longTextsAreCutWithAnEllipsis_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("shownLength");
    QTest::newRow("at the limit") << 300 << 300;
    QTest::newRow("one past") << 301 << 301;
    QTest::newRow("a megabyte") << (1 << 20) << 301;
}

void DisplayTextTest::longTextsAreCutWithAnEllipsis() {
    QFETCH(int, length);
    QFETCH(int, shownLength);
    const std::string text(static_cast<std::size_t>(length), 'x');
    const QString shown = shortenedForDisplay(text);
    QCOMPARE(shown.size(), shownLength);
    QCOMPARE(shown.endsWith(QChar(u'\u2026')), length > 300);
    QVERIFY(shown.startsWith(QString(300, u'x')));
}

void DisplayTextTest::aShortenedTextComesBackWhole() {
    QWidget window;
    auto* field = new EditField(&window);
    auto* label = new QLabel(&window);
    BoundTexts texts;
    texts.bind(1, field);
    texts.bind(2, label);
    texts.text(1) = megabyteId;
    texts.text(2) = megabyteId;
    texts.push();
    QCOMPARE(field->text().size(), 301);
    QCOMPARE(label->text().size(), 301);

    texts.text(1).clear();
    texts.text(2).clear();
    texts.pull();
    QVERIFY(texts.text(1) == megabyteId);
    QVERIFY(texts.text(2) == megabyteId);
}

void DisplayTextTest::aLatin1TextShowsItsAccentsAndComesBackAsItsBytes() {
    QWidget window;
    auto* field = new EditField(&window);
    BoundTexts texts;
    texts.bind(1, field);
    texts.text(1) = "caf\xe9";
    texts.push();
    QCOMPARE(field->text(), QString("café"));
    texts.pull();
    QCOMPARE(texts.text(1), std::string("caf\xe9"));

    field->setFocus();
    field->end(false);
    QTest::keyClick(field, Qt::Key_Backspace);
    texts.pull();
    QCOMPARE(texts.text(1), std::string("caf"));
}

void DisplayTextTest::listsShowLinesShortenedAndKeepThemWhole() {
    ListControl list;
    list.appendLines({"\xe9t\xe9", megabyteId, "8"});
    QCOMPARE(shownLine(list, 0), QString("été"));
    QCOMPARE(shownLine(list, 1).size(), 301);
    QCOMPARE(shownLine(list, 2), QString("8"));
    QCOMPARE(list.lineText(0), std::string("\xe9t\xe9"));
    QVERIFY(list.lineText(1) == megabyteId);

    DropDownList dropDown;
    dropDown.addEntry("\xe9t\xe9");
    dropDown.addEntry(megabyteId);
    QCOMPARE(dropDown.itemText(0).size(), 301);
    QCOMPARE(dropDown.itemText(1), QString("été"));
    QVERIFY(dropDown.entryText(0) == megabyteId);
}

void DisplayTextTest::aLongPathKeepsItsFileNameInView() {
    QWidget window;
    auto* label = new QLabel(&window);
    label->resize(200, 20);
    BoundTexts texts;
    texts.bindCutInTheMiddle(1006, label);
    const std::string path =
        "/home/utilisateur/projets/" + std::string(200, 'd') + "/sc\xe8nes/niveau-final.box";
    texts.text(1006) = path;
    texts.push();

    const QString shown = label->text();
    QVERIFY(shown.startsWith(QString("/home")));
    QVERIFY(shown.endsWith(QString("niveau-final.box")));
    QVERIFY(shown.contains(QChar(u'\u2026')));
    QVERIFY(label->fontMetrics().horizontalAdvance(shown) <= label->width());
    QCOMPARE(label->toolTip(), decodeForDisplay(path));
    QVERIFY(label->toolTip().contains(QString("scènes")));

    texts.text(1006).clear();
    texts.pull();
    QCOMPARE(texts.text(1006), path);
}

void DisplayTextTest::aShortPathShowsWholeWithoutTooltip() {
    QWidget window;
    auto* label = new QLabel(&window);
    label->resize(400, 20);
    BoundTexts texts;
    texts.bindCutInTheMiddle(1006, label);
    texts.text(1006) = "/tmp/a.box";
    texts.push();
    QCOMPARE(label->text(), QString("/tmp/a.box"));
    QCOMPARE(label->toolTip(), QString());
}

QTEST_MAIN(DisplayTextTest)
#include "displaytext_test.moc"
