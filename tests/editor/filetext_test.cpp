// A file's texts read alike everywhere: the lists and labels of the windows, and the checker's
// reports, which have no Qt, decode the same bytes to the same characters.
#include "DisplayText.h"
#include "filetext.h"

#include <QTest>

class FileTextTest : public QObject {
    Q_OBJECT

private slots:
    void everyByteAloneReadsAsTheListsShowIt();
    void sequencesReadAsTheListsShowThem_data();
    void sequencesReadAsTheListsShowThem();
};

namespace {

QByteArray shownAsUtf8(const std::string& bytes) {
    return decodeForDisplay(bytes).toUtf8();
}

QByteArray readAsUtf8(const std::string& bytes) {
    return QByteArray::fromStdString(fileTextAsUtf8(bytes));
}

} // namespace

void FileTextTest::everyByteAloneReadsAsTheListsShowIt() {
    for (int value = 0; value < 256; ++value) {
        const std::string bytes = "A" + std::string(1, static_cast<char>(value)) + "z";
        QCOMPARE(readAsUtf8(bytes), shownAsUtf8(bytes));
    }
    QCOMPARE(readAsUtf8("\x80"), QByteArray("€"));
    QCOMPARE(readAsUtf8("\x81"), QByteArray("\xc2\x81"));
}

void FileTextTest::sequencesReadAsTheListsShowThem_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QByteArray("12 ab");
    QTest::newRow("utf-8 accents") << QByteArray("Béton€ü");
    QTest::newRow("windows-1252 accents") << QByteArray("B\xe9ton\x80\xfc");
    QTest::newRow("utf-8 then a stray byte") << QByteArray("é\xe9");
    QTest::newRow("cut sequence at the end") << QByteArray("ab\xe2\x82");
    QTest::newRow("overlong slash") << QByteArray("\xc0\xaf");
    QTest::newRow("overlong three bytes") << QByteArray("\xe0\x80\xaf");
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80");
    QTest::newRow("last code point") << QByteArray("\xf4\x8f\xbf\xbf");
    QTest::newRow("past the last code point") << QByteArray("\xf4\x90\x80\x80");
    QTest::newRow("four bytes, emoji") << QByteArray("\xf0\x9f\x99\x82");
    QTest::newRow("line separator") << QByteArray("1\xe2\x80\xa8"
                                                  "2");
    QTest::newRow("lone continuation") << QByteArray("\xa9");
    QTest::newRow("empty") << QByteArray("");
}

void FileTextTest::sequencesReadAsTheListsShowThem() {
    QFETCH(QByteArray, bytes);
    const std::string text = bytes.toStdString();
    QCOMPARE(readAsUtf8(text), shownAsUtf8(text));
    QCOMPARE(isValidUtf8(text), readAsUtf8(text) == bytes);
}

QTEST_MAIN(FileTextTest)
#include "filetext_test.moc"
