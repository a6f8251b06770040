#include "checkcommand.h"
#include "commandtestsupport.h"
#include "convertcommand.h"
#include "geometrytestsupport.h"
#include "shapecsv.h"

#include <gtest/gtest.h>
#include <random>

namespace {

const std::string HEADER = "id,radius,cx,cy,cz,length,width,height,yaw,pitch,roll\n";

// A floor, two walls standing on it, a pillar turned by 30 degrees beside one wall, and a
// lamp hanging far above: which pairs touch is known by construction.
const std::string ROOM = HEADER + "10,15,0,0,-0.25,20,20,0.5,0,0,0\n"
                                  "11,11,0,-4.125,1.5,16,0.25,3,0,0,0\n"
                                  "12,11,-8.125,0,1.5,0.25,8,3,0,0,0\n"
                                  "13,3,3,2,1.5,1,1,3,30,0,0\n"
                                  "14,1,2.5,3.75,40.0625,0.5,0.25,0.125,15,45,-60\n";

class ShapeConvertTest : public ::testing::Test {
protected:
    CommandOutcome run(const std::vector<std::string>& arguments) {
        return runCommand(runConvertCommand, arguments);
    }

    TempFolder folder_{"quadrel-convert-test-"};
};

TEST_F(ShapeConvertTest, ShapesBecomeBoxesThatTheCheckerPasses) {
    const std::string input = folder_.write("room.csv", ROOM);
    const std::string output = folder_.file("room.box");
    const CommandOutcome result = run({input, "-o", output});
    EXPECT_EQ(result.status, CONVERT_DONE) << result.out << result.err;
    EXPECT_EQ(result.out, "");
    // The turned pillar's steep faces are the scene's affair: slopes up to walls are let through.
    const CommandOutcome check = runCommand(runCheckCommand, {"--slope", "69.99", output});
    EXPECT_EQ(check.out, output + ": 5 boxes vérifiées, 0 erreur, 0 avertissement\n");
    BoxDocument document;
    ASSERT_TRUE(document.loadFile(output));
    // The floor touches the walls and the pillar; the walls touch at the corner; the lamp
    // touches nothing.
    EXPECT_EQ(textsIn(document.intersections),
              (std::vector<std::string>{"0 1", "0 2", "0 3", "1 2"}));
    EXPECT_EQ(textsIn(document.boxIds), (std::vector<std::string>{"10", "11", "12", "13", "14"}));
    // The upright floor is written exactly: from -10 to 10, from -0.5 to 0.
    const Box& floor = **document.boxes.begin();
    EXPECT_EQ(std::string_view(floor.planeText(3)), "00028000");
    EXPECT_EQ(std::string_view(floor.planeText(11)), "00000000");
    EXPECT_EQ(std::string_view(floor.planeText(19)), "00002000");
    EXPECT_EQ(std::string_view(floor.centerZ), "ffffb000");
}

TEST_F(ShapeConvertTest, ShapesComeBackAsTheyWereWritten) {
    const std::string csv = HEADER + "1,2,0.1,0.2,0.3,1,1,1,0,0,0\n"
                                     "2,1,10000,-10000,9999.25,0.015625,2,1.5,15,0,0\n"
                                     "3,3,-7321.125,4242.5,-10000,3,0.5,2,0,30,0\n"
                                     "4,3,1,2,3,2,2,2,0,0,45\n"
                                     "5,5,-1.5,2.75,100,4,3,1,60,60,60\n"
                                     "6,3,0,0,0,4,0.25,3,-90,0,0\n"
                                     "7,3,12.3456,-0.0625,7,1.25,2.5,0.75,12.5,-33.3,170\n";
    const std::string input = folder_.write("shapes.csv", csv);
    ASSERT_EQ(run({input, "-o", folder_.file("shapes.box")}).status, CONVERT_DONE);
    const CommandOutcome back = run({folder_.file("shapes.box"), "-o", folder_.file("back.csv")});
    EXPECT_EQ(back.status, CONVERT_DONE) << back.out;
    // Each number comes back with the fewest decimals that give the same box: the slab 1/64
    // thick reads 0.0156, which is written with the same texts.
    std::string expected = csv;
    expected.replace(expected.find("0.015625"), 8, "0.0156");
    EXPECT_EQ(folder_.read("back.csv"), expected);
    // And the boxes again, byte for byte.
    ASSERT_EQ(run({folder_.file("back.csv"), "-o", folder_.file("again.box")}).status,
              CONVERT_DONE);
    EXPECT_EQ(folder_.read("again.box"), folder_.read("shapes.box"));
}

TEST_F(ShapeConvertTest, AnEmptyRadiusIsComputed) {
    const std::string input = folder_.write("r.csv", HEADER + "1,,0,0,0,2,4,4,0,0,0\n");
    ASSERT_EQ(run({input, "-o", folder_.file("r.box")}).status, CONVERT_DONE);
    BoxDocument document;
    ASSERT_TRUE(document.loadFile(folder_.file("r.box")));
    EXPECT_EQ(std::string_view((*document.boxes.begin())->maxRadius), "3"); // sqrt(1+4+4)
}

struct BadLine {
    std::string line;
    std::size_t column;
    std::string field;
    std::string message;
};

TEST_F(ShapeConvertTest, ALineThatDoesNotReadNamesItsLineAndColumnAndNothingIsWritten) {
    const std::vector<BadLine> cases = {
        {"1,,0,0,0,1,1,1,0,0", 19, "roll", "il manque la colonne roll"},
        {"1,,0,0", 7, "cz", "il manque la colonne cz"},
        {"1,,0,abc,0,1,1,1,0,0,0", 6, "cy", "« abc » n'est pas un nombre"},
        {"1,,0,0,0,1,0,1,0,0,0", 12, "width", "la dimension « 0 » n'est pas positive"},
        {"1,,0,0,0,-2,1,1,0,0,0", 10, "length", "la dimension « -2 » n'est pas positive"},
        {"1,,0,0,0,1,1,0.001,0,0,0", 14, "height", "inférieure à 1/512"},
        {"1,,0,0,0,1,1,1,0,0,0,7", 22, "", "colonne en trop"},
        {"a1,,0,0,0,1,1,1,0,0,0", 1, "id", "l'ID « a1 » n'est pas fait que de chiffres"},
        {",,0,0,0,1,1,1,0,0,0", 1, "id", "ID vide"},
        {"1,1.5,0,0,0,1,1,1,0,0,0", 3, "radius", "« 1.5 » n'est pas fait que de chiffres"},
        {"1,,,0,0,1,1,1,0,0,0", 4, "cx", "valeur manquante"},
        {"1,,0,0,0,1,1,1,nan,0,0", 16, "yaw", "« nan » n'est pas un nombre"},
        {"1,,0,0,0,1,1,1,0,inf,0", 18, "pitch", "« inf » n'est pas un nombre"},
        {"1,,0,0,0,1,1,1,0,0,1e999", 20, "roll", "« 1e999 » n'est pas un nombre"},
        {"1,,0,0,0,1,1,1,0,0,0x10", 20, "roll", "« 0x10 » n'est pas un nombre"},
        {"1,,0,0,0,1,1,1,0,0,1,5", 22, "", "colonne en trop"},
        {"1,,200000,0,0,1,1,1,0,0,0", 4, "cx", "sort de ce que le fichier peut écrire"},
        {"1,,0,0,0,1,500000,1,0,0,0", 4, "cx", "sort de ce que le fichier peut écrire"},
    };
    for (const BadLine& test : cases) {
        SCOPED_TRACE(test.line);
        const std::string input =
            folder_.write("bad.csv", HEADER + "5,,0,0,0,1,1,1,0,0,0\n" + test.line + "\n");
        const CommandOutcome result = run({input, "-o", folder_.file("bad.box")});
        EXPECT_EQ(result.status, CONVERT_PARTLY);
        const std::string place = input + ":3:" + std::to_string(test.column) + ": erreur: ";
        EXPECT_EQ(result.out.rfind(place, 0), 0u) << result.out;
        EXPECT_NE(result.out.find(test.message), std::string::npos) << result.out;
        EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1) << result.out;
        EXPECT_FALSE(folder_.read("bad.box").has_value());
        const ShapeCsv csv = readShapeCsv(HEADER + test.line);
        ASSERT_EQ(csv.errors.size(), 1u);
        EXPECT_EQ(csv.errors[0].field, test.field);
    }
}

TEST_F(ShapeConvertTest, EveryBadLineIsReportedAndAnExistingOutputIsLeftAlone) {
    const std::string existing = folder_.write("kept.box", "keep me");
    const std::string input = folder_.write(
        "bad.csv", HEADER + "1,,0,0,0,1,1,1,0,0,0\n1,,0,0,0,1,1,1,0,0,0\n\n2,,0,0,0,1,1,x,0,0,0\n");
    const CommandOutcome result = run({input, "-o", existing});
    EXPECT_EQ(result.status, CONVERT_PARTLY);
    EXPECT_EQ(result.out, input + ":3:1: erreur: l'ID « 1 » est déjà pris\n" + input +
                              ":5:14: erreur: « x » n'est pas un nombre\n");
    EXPECT_EQ(folder_.read("kept.box"), "keep me");
}

TEST_F(ShapeConvertTest, AWrongHeaderIsAnErrorOfTheFirstLine) {
    for (const std::string& text :
         {std::string("id,cx,cy\n1,0,0\n"), std::string(""), std::string("\n")}) {
        const std::string input = folder_.write("h.csv", text);
        const CommandOutcome result = run({input, "-o", folder_.file("h.box")});
        EXPECT_EQ(result.status, CONVERT_PARTLY);
        EXPECT_EQ(result.out.rfind(input + ":1:1: erreur: ", 0), 0u) << result.out;
        EXPECT_FALSE(folder_.read("h.box").has_value());
    }
}

TEST_F(ShapeConvertTest, AByteOrderMarkCrLfAndBlankLinesAreAccepted) {
    const std::string input =
        folder_.write("w.csv", "\xEF\xBB\xBF"
                               "id,radius,cx,cy,cz,length,width,height,yaw,pitch,roll\r\n"
                               "\r\n1, 2 ,0,0,0,1,1,1,0,0,0\r\n2,,+3,0,0,1e0,1,1,0,0,0\r\n");
    EXPECT_EQ(run({input, "-o", folder_.file("w.box")}).status, CONVERT_DONE);
    BoxDocument document;
    ASSERT_TRUE(document.loadFile(folder_.file("w.box")));
    EXPECT_EQ(document.boxes.size(), 2u);
    EXPECT_EQ(std::string_view((*document.boxes.begin())->maxRadius), "2");
}

TEST_F(ShapeConvertTest, BoxesWithoutAShapeAreReportedAsTheCheckerDoes) {
    BoxDocument document;
    addBox(document, cubeBox());
    // Plane 5 tilted: a wedge.
    const Vec3 o{0, 0, 0};
    auto wedge = framePlanes(o, {1, 1, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    wedge[5] = {{-0.9848, 0.1736, 0}, 1};
    addBox(document, boxTexts("2", "9", o, wedge));
    BoxTexts named = cubeBox();
    named[0] = "x,y";
    addBox(document, named);
    document.countText = "3";
    const std::string input = folder_.write("mixed.box", document.writeText());
    const std::string output = folder_.file("mixed.csv");
    const CommandOutcome result = run({input, "-o", output});
    EXPECT_EQ(result.status, CONVERT_PARTLY);
    EXPECT_EQ(result.out, input +
                              ": box 1 (2): erreur: pas de forme : les plans 0 et 5, 1 et 3 ou "
                              "2 et 4 ne sont pas opposés : ce n'est pas un pavé\n" +
                              input +
                              ": box 2 (x,y): erreur: l'ID « x,y » n'est pas fait que de "
                              "chiffres : pas de ligne\n");
    EXPECT_EQ(folder_.read("mixed.csv"), HEADER + "1,2,0,0,0,2,2,2,0,0,0\n");
    const CommandOutcome json = run({"--json", input, "-o", output});
    EXPECT_EQ(json.status, CONVERT_PARTLY);
    const std::string first = json.out.substr(0, json.out.find('\n') + 1);
    EXPECT_EQ(first.substr(first.find(",\"kind\"")),
              ",\"kind\":\"no-shape\",\"severity\":\"error\",\"line\":null,\"column\":null,"
              "\"field\":null,\"rank\":1,\"id\":\"2\",\"message\":\"pas de forme : les plans 0 "
              "et 5, 1 et 3 ou 2 et 4 ne sont pas opposés : ce n'est pas un pavé\"}\n");
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 2);
}

TEST_F(ShapeConvertTest, JsonNamesTheLineColumnAndField) {
    const std::string input = folder_.write("j.csv", HEADER + "1,,0,0,0,1,1,1,0,zz,0\n");
    const CommandOutcome result = run({"--json", input, "-o", folder_.file("j.box")});
    EXPECT_EQ(result.status, CONVERT_PARTLY);
    EXPECT_NE(result.out.find("\"kind\":\"csv-line\",\"severity\":\"error\",\"line\":2,"
                              "\"column\":18,\"field\":\"pitch\",\"rank\":null,\"id\":null,"
                              "\"message\":\"« zz » n'est pas un nombre\"}\n"),
              std::string::npos)
        << result.out;
}

TEST_F(ShapeConvertTest, WrongArgumentsGiveStatusTwo) {
    const std::string csv = folder_.write("a.csv", HEADER);
    const std::vector<std::vector<std::string>> cases = {
        {},
        {csv},
        {csv, "-o"},
        {csv, "-o", folder_.file("a.txt")},
        {csv, "-o", folder_.file("a.csv")},
        {csv, csv, "-o", folder_.file("a.box")},
        {"--frobnicate", csv, "-o", folder_.file("a.box")},
        {folder_.file("missing.csv"), "-o", folder_.file("a.box")},
        {folder_.file("missing.box"), "-o", folder_.file("a.csv")},
        {csv, "-o", folder_.file("no/such/folder/a.box")},
    };
    for (const auto& arguments : cases) {
        const CommandOutcome result = run(arguments);
        EXPECT_EQ(result.status, CONVERT_NOTHING) << result.err;
        EXPECT_EQ(result.err.rfind("quadrel-convert: ", 0), 0u) << result.err;
    }
    const CommandOutcome help = run({"--help"});
    EXPECT_EQ(help.status, CONVERT_DONE);
    EXPECT_NE(help.out.find("Code de sortie"), std::string::npos);
    // Extensions in capitals name the same formats.
    EXPECT_EQ(run({csv, "-o", folder_.file("A.BOX")}).status, CONVERT_DONE);
}

TEST(ShapeCsvTest, RandomLinesNeverCrashAndEachErrorHasAPlace) {
    std::mt19937 random(20);
    const std::string alphabet = "0123456789.,-+eE ,,,\tx\r\xc3\xa9";
    for (int round = 0; round < 2000; ++round) {
        std::string text = HEADER;
        const int length = static_cast<int>(random() % 80);
        for (int i = 0; i < length; ++i) {
            text += alphabet[random() % alphabet.size()];
        }
        const ShapeCsv csv = readShapeCsv(text);
        for (const CsvError& error : csv.errors) {
            EXPECT_EQ(error.line, 2u);
            EXPECT_GE(error.column, 1u);
            EXPECT_LE(error.column, static_cast<std::size_t>(length) + 1);
            EXPECT_FALSE(error.message.empty());
        }
        for (const ShapeRow& row : csv.rows) {
            EXPECT_FALSE(row.texts.maxRadius.empty());
        }
    }
}

} // namespace
