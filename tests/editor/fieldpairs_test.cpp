// The paired decimal and hexadecimal fields of the form: typing in one field rewrites its partner,
// checked through what every field of the window shows.
#include "FormTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QTemporaryDir>

namespace {

constexpr int chooseButton = 1000;
constexpr int boxList = 1008;

struct PairRow {
    int decimalId;
    int hexId;
    bool eightDigits;
};

// Written out here, apart from the program's own table, so that a wrong id or format shows.
const std::vector<PairRow> allPairs{
    {1021, 1018, true},  {1022, 1019, true},  {1025, 1020, true}, {1037, 1023, false},
    {1038, 1024, false}, {1039, 1026, false}, {1040, 1028, true}, {1045, 1041, false},
    {1046, 1042, false}, {1047, 1043, false}, {1048, 1044, true}, {1069, 1065, false},
    {1070, 1066, false}, {1071, 1067, false}, {1072, 1068, true}, {1061, 1057, false},
    {1062, 1058, false}, {1063, 1059, false}, {1064, 1060, true}, {1077, 1073, false},
    {1078, 1074, false}, {1079, 1075, false}, {1080, 1076, true}, {1053, 1049, false},
    {1054, 1050, false}, {1055, 1051, false}, {1056, 1052, true},
};

} // namespace

class FieldPairsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void eachCharacterConvertsTheWholeField_data();
    void eachCharacterConvertsTheWholeField();
    void everyPairConvertsInItsFormat_data();
    void everyPairConvertsInItsFormat();
    void theTypedFieldKeepsItsTextAndCaret();
    void emptyingAFieldGivesZero_data();
    void emptyingAFieldGivesZero();
    void theIdAndRadiusFieldsHaveNoPartner();
    void fillingTheFormStartsNoReaction();
    void hexadecimalFieldsRefuseWhiteSpace();
    void aRewrittenFieldShowsItsStart();
    void aSmallValueKeepsItsExponentInSight();

private:
    // A window with a file of two boxes open and the second box shown.
    std::unique_ptr<TestWindow> openWindow(const std::string& bytes);

    std::unique_ptr<QTemporaryDir> dir_;
};

void FieldPairsTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

std::unique_ptr<TestWindow> FieldPairsTest::openWindow(const std::string& bytes) {
    const QString path = dir_->filePath("paires.box");
    writeBytes(path, bytes);
    auto test = std::make_unique<TestWindow>();
    test->answerChooser(path);
    test->click(chooseButton);
    test->clickLine(boxList, 1);
    return test;
}

void FieldPairsTest::eachCharacterConvertsTheWholeField_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("partner");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("partnerAfterEachCharacter");
    QTest::newRow("coefficient, decimal")
        << 1037 << 1023 << "0.5" << QStringList{"0000", "0000", "2000"};
    QTest::newRow("coefficient, hexadecimal")
        << 1023 << 1037 << "2d41"
        << QStringList{"1.220703125e-004", "2.74658203125e-003", "4.4189453125e-002",
                       "0.70709228515625"};
    QTest::newRow("plane term, hexadecimal")
        << 1028 << 1040 << "ffff8000" << QStringList{"9.1552734375e-004", "1.556396484375e-002",
                                                     "0.24993896484375",  "3.9999389648438",
                                                     "63.99951171875",    "1023.9921875",
                                                     "16383.875",         "-1"};
    QTest::newRow("five digits in a coefficient")
        << 1041 << 1045 << "12345"
        << QStringList{"6.103515625e-005", "1.0986328125e-003", "1.776123046875e-002",
                       "0.284423828125", "4.5510864257813"};
    QTest::newRow("centre Y, hexadecimal")
        << 1019 << 1022 << "c000" << QStringList{"7.32421875e-004", "1.171875e-002", "0.1875", "3"};
    QTest::newRow("centre Z, decimal")
        << 1025 << 1020 << "13" << QStringList{"00004000", "00034000"};
}

void FieldPairsTest::eachCharacterConvertsTheWholeField() {
    QFETCH(int, field);
    QFETCH(int, partner);
    QFETCH(QString, typed);
    QFETCH(QStringList, partnerAfterEachCharacter);
    auto test = openWindow(boxTextBytes({{"1"}, {"2"}}, {}));
    emptyField(*test, field);
    const QMap<int, QString> before = shownFields(*test);

    QStringList partnerShown;
    for (const QChar c : typed) {
        QTest::keyClicks(test->control(field), QString(c));
        partnerShown << test->shownText(partner);
    }

    QCOMPARE(partnerShown, partnerAfterEachCharacter);
    QCOMPARE(test->shownText(field), typed);
    QCOMPARE(changedFields(before, shownFields(*test)), ids({field, partner}));
}

void FieldPairsTest::everyPairConvertsInItsFormat_data() {
    QTest::addColumn<int>("decimalId");
    QTest::addColumn<int>("hexId");
    QTest::addColumn<bool>("eightDigits");
    for (const PairRow& row : allPairs) {
        QTest::addRow("%d / %d", row.decimalId, row.hexId)
            << row.decimalId << row.hexId << row.eightDigits;
    }
}

void FieldPairsTest::everyPairConvertsInItsFormat() {
    QFETCH(int, decimalId);
    QFETCH(int, hexId);
    QFETCH(bool, eightDigits);
    FormBox halves{"2"};
    halves.centre.fill("00002000");
    halves.planes.fill("2000");
    auto test = openWindow(boxTextBytes({{"1"}, halves}, {}));
    const QMap<int, QString> before = shownFields(*test);

    retype(*test, decimalId, "-1");
    QCOMPARE(test->shownText(hexId), eightDigits ? QString("ffff8000") : QString("c000"));
    QCOMPARE(changedFields(before, shownFields(*test)), ids({decimalId, hexId}));

    // c000 holds -1 in a coefficient and 3 in a plane term or a centre value.
    retype(*test, hexId, "c000");
    QCOMPARE(test->shownText(decimalId), eightDigits ? QString("3") : QString("-1"));
    QCOMPARE(changedFields(before, shownFields(*test)), ids({decimalId, hexId}));
    QVERIFY(test->window().controlAs<EditField>(hexId)->refusesWhiteSpace());
    QVERIFY(!test->window().controlAs<EditField>(decimalId)->refusesWhiteSpace());
}

void FieldPairsTest::theTypedFieldKeepsItsTextAndCaret() {
    FormBox second{"2"};
    second.centre[0] = "00004000";
    auto test = openWindow(boxTextBytes({{"1"}, second}, {}));
    const QMap<int, QString> before = shownFields(*test);
    auto* centreX = test->window().controlAs<EditField>(1021);

    QTest::mouseClick(centreX, Qt::LeftButton);
    QTest::keyClick(centreX, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(centreX, "3");
    QCOMPARE(test->shownText(1018), QString("0000c000"));
    QCOMPARE(centreX->text(), QString("3"));
    QCOMPARE(centreX->cursorPosition(), 1);
    QCOMPARE(changedFields(before, shownFields(*test)), ids({1018, 1021}));

    // Typing in the middle of the text: the caret stays where the user put it.
    QTest::keyClicks(centreX, "5");
    QTest::keyClick(centreX, Qt::Key_Left);
    QTest::keyClicks(centreX, ".");
    QCOMPARE(centreX->text(), QString("3.5"));
    QCOMPARE(centreX->cursorPosition(), 2);
    QCOMPARE(test->shownText(1018), QString("0000e000"));

    // An undo is a change too: the partner follows it back.
    QTest::keyClick(centreX, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(centreX->text(), QString("35"));
    QCOMPARE(test->shownText(1018), QString("0008c000"));
}

void FieldPairsTest::emptyingAFieldGivesZero_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("partner");
    QTest::newRow("decimal") << 1040 << 1028;
    QTest::newRow("hexadecimal") << 1049 << 1053;
}

void FieldPairsTest::emptyingAFieldGivesZero() {
    QFETCH(int, field);
    QFETCH(int, partner);
    auto test = openWindow(boxTextBytes({{"1"}, {"2"}}, {}));
    QVERIFY(test->shownText(partner) != "0");
    emptyField(*test, field);
    QCOMPARE(test->shownText(field), QString());
    QCOMPARE(test->shownText(partner), QString("0"));
}

void FieldPairsTest::theIdAndRadiusFieldsHaveNoPartner() {
    auto test = openWindow(boxTextBytes({{"1"}, {"2"}}, {}));
    const QMap<int, QString> before = shownFields(*test);
    retype(*test, 1013, "345");
    retype(*test, 1015, "67");
    QCOMPARE(changedFields(before, shownFields(*test)), QList<int>({1013, 1015}));
    QCOMPARE(test->shownText(1013), QString("345"));
    QCOMPARE(test->shownText(1015), QString("67"));
}

// Stored texts that are not in the converter's own form ("4000" in an 8-digit field, "0" in a
// 4-digit one): a reaction started while the form is filled would rewrite them.
void FieldPairsTest::fillingTheFormStartsNoReaction() {
    FormBox odd{"2"};
    odd.centre = {"4000", "c000", "0"};
    odd.planes[0] = "0";
    odd.planes[3] = "4000";
    auto test = openWindow(boxTextBytes({{"1"}, odd}, {}));
    QCOMPARE(test->shownText(1018), QString("4000"));
    QCOMPARE(test->shownText(1021), QString("1"));
    QCOMPARE(test->shownText(1019), QString("c000"));
    QCOMPARE(test->shownText(1022), QString("3"));
    QCOMPARE(test->shownText(1020), QString("0"));
    QCOMPARE(test->shownText(1023), QString("0"));
    QCOMPARE(test->shownText(1037), QString("0"));
    QCOMPARE(test->shownText(1028), QString("4000"));
    QCOMPARE(test->shownText(1040), QString("1"));

    // Opening a file empties every field; an emptied field's reaction would show "0".
    test->answerChooser(dir_->filePath("paires.box"));
    test->click(chooseButton);
    for (const QString& shown : shownFields(*test)) {
        QCOMPARE(shown, QString());
    }
}

void FieldPairsTest::hexadecimalFieldsRefuseWhiteSpace() {
    auto test = openWindow(boxTextBytes({{"1"}, {"2"}}, {}));
    emptyField(*test, 1024);
    const QMap<int, QString> before = shownFields(*test);
    QTest::keyClicks(test->control(1024), "4 0\t0");
    QCOMPARE(test->shownText(1024), QString("400"));
    QCOMPARE(test->shownText(1038), QString("6.25e-002"));

    QApplication::clipboard()->setText(QStringLiteral("0 0"));
    QTest::keyClick(test->control(1024), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(test->shownText(1024), QString("400"));
    QApplication::clipboard()->setText(QStringLiteral("0"));
    QTest::keyClick(test->control(1024), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(test->shownText(1024), QString("4000"));
    QCOMPARE(test->shownText(1038), QString("1"));
    QCOMPARE(changedFields(before, shownFields(*test)), ids({1024, 1038}));
}

// A narrow field scrolls: the sign and the leading digits of what the program wrote stay in view.
void FieldPairsTest::aRewrittenFieldShowsItsStart() {
    FormBox second{"2"};
    second.centre[1] = "ffff8000";
    auto test = openWindow(boxTextBytes({{"1"}, second}, {}));
    auto* centreY = test->window().controlAs<EditField>(1022);
    QCOMPARE(centreY->text(), QString("-1"));
    QCOMPARE(centreY->cursorPosition(), 0);

    retype(*test, 1041, "4001");
    auto* partner = test->window().controlAs<EditField>(1045);
    QCOMPARE(partner->text(), QString("1.0000610351563"));
    QCOMPARE(partner->cursorPosition(), 0);
}

void FieldPairsTest::aSmallValueKeepsItsExponentInSight() {
    auto test = openWindow(boxTextBytes({{"1"}, {"2"}}, {}));
    struct Case {
        int hexId;
        QString hex;
        int decimalId;
        QString decimal;
    };
    const std::vector<Case> cases{
        {1023, "0001", 1037, "6.103515625e-005"},
        {1024, "0201", 1038, "3.131103515625e-002"},
        {1028, "00000200", 1040, "3.125e-002"},
    };
    for (const Case& c : cases) {
        retype(*test, c.hexId, c.hex);
        auto* field = test->window().controlAs<EditField>(c.decimalId);
        // The text is the conversion, unchanged; what shows of it keeps both ends in the field.
        QCOMPARE(field->text(), c.decimal);
        const QString shown = field->displayedText();
        QVERIFY2(shown.endsWith(c.decimal.right(5)), qPrintable(shown));
        QVERIFY2(shown.startsWith(c.decimal.left(3)), qPrintable(shown));
        QVERIFY2(field->fontMetrics().horizontalAdvance(shown) < field->width(), qPrintable(shown));
    }
    // A text that fits shows whole, and a field being edited shows its text as it is.
    retype(*test, 1023, "2000");
    QCOMPARE(test->window().controlAs<EditField>(1037)->displayedText(), QString("0.5"));
    auto* small = test->window().controlAs<EditField>(1038);
    small->setFocus();
    QCOMPARE(small->displayedText(), QString("3.131103515625e-002"));
}

QTEST_MAIN(FieldPairsTest)
#include "fieldpairs_test.moc"
