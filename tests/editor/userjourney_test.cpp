// A whole session as a user works: a new file, three boxes typed in decimal and added, two
// intersections, the first box deleted, then saved; the file is read back and compared byte
// for byte.
#include "FormTestSupport.h"
#include "orlclass.h"

#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int newButton = 1036;
constexpr int saveButton = 3;
constexpr int addBoxButton = 1032;
constexpr int deleteBoxButton = 1031;
constexpr int boxList = 1008;
constexpr int intersectionList = 1027;
constexpr int countLabel = 1004;

// A decimal value as typed and its hexadecimal text in the 4-digit format.
struct Coefficient {
    QString typed;
    std::string hex;
};
const std::array<Coefficient, 6> coefficients{{
    {"0", "0000"},
    {"0.25", "1000"},
    {"0.5", "2000"},
    {"1", "4000"},
    {"1.5", "6000"},
    {"-1", "c000"},
}};

// A whole number in the 8-digit format: 14 bits of fraction; -1 has a text of its own.
std::string eightDigits(int value) {
    if (value == -1) {
        return "ffff8000";
    }
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value) * 16384U);
    return text;
}

// Types box number n into the form in decimal, with the texts the file must then hold.
FormBox typeBox(TestWindow& test, int n) {
    FormBox box{std::to_string(n * 11), std::to_string(n + 4)};
    retype(test, 1013, QString::fromStdString(box.id));
    retype(test, 1015, QString::fromStdString(box.radius));
    for (std::size_t k = 0; k < 24; ++k) {
        const int decimalId = formPairIds[k].decimalId;
        if (k % 4 == 3) {
            const int term = n * 10 + static_cast<int>(k / 4);
            retype(test, decimalId, QString::number(term));
            box.planes[k] = eightDigits(term);
        } else {
            const Coefficient& value = coefficients[(k + static_cast<std::size_t>(n)) % 6];
            retype(test, decimalId, value.typed);
            box.planes[k] = value.hex;
        }
    }
    const std::array<int, 3> centre{n, -1, n + 20};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        retype(test, formPairIds[24 + axis].decimalId, QString::number(centre[axis]));
        box.centre[axis] = eightDigits(centre[axis]);
    }
    return box;
}

} // namespace

class UserJourneyTest : public QObject {
    Q_OBJECT

private slots:
    void typeAddLinkDeleteAndSave();
};

void UserJourneyTest::typeAddLinkDeleteAndSave() {
    QTemporaryDir dir;
    const QString path = dir.filePath("salle.box");
    TestWindow test;
    test.answerChooser(path);
    test.click(newButton);

    std::vector<FormBox> typed;
    for (int n = 1; n <= 3; ++n) {
        typed.push_back(typeBox(test, n));
        test.click(addBoxButton);
    }
    QCOMPARE(test.lines(boxList), QStringList({"11", "22", "33"}));
    QCOMPARE(test.shownText(countLabel), QString("3"));

    QVERIFY(!addIntersectionAsUser(test, "1", "2").stayedOpen);
    QVERIFY(!addIntersectionAsUser(test, "2", "0").stayedOpen);
    QCOMPARE(test.lines(intersectionList), QStringList({"1 2", "2 0"}));

    test.clickLine(boxList, 0);
    test.click(deleteBoxButton);
    QCOMPARE(test.lines(boxList), QStringList({"22", "33"}));
    QCOMPARE(test.lines(intersectionList), QStringList({"0 1"}));
    QCOMPARE(test.shownText(countLabel), QString("2"));

    test.click(saveButton);

    BoxDocument saved;
    QVERIFY(saved.loadCountText(path.toStdString()));
    QVERIFY(saved.readFile(path.toStdString()));
    QCOMPARE(saved.countText, std::string("2"));
    std::vector<FormBox> readBack;
    for (const auto& box : saved.boxes) {
        readBack.push_back(formBoxOf(*box));
    }
    QCOMPARE(readBack, std::vector<FormBox>({typed[1], typed[2]}));
    QCOMPARE(std::vector<std::string>(saved.intersections.begin(), saved.intersections.end()),
             std::vector<std::string>({"0 1"}));
    QCOMPARE(readBytes(path), boxTextBytes({typed[1], typed[2]}, {"0 1"}));
}

QTEST_MAIN(UserJourneyTest)
#include "userjourney_test.moc"
