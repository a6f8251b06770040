#include "amounttext.h"
#include "checkcommand.h"
#include "geometrytestsupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// A temporary path as a JSON string holds it: it has no quote, but Windows separates with
// backslashes.
std::string jsonEscaped(const std::string& path) {
    std::string escaped;
    for (const char c : path) {
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return escaped;
}

struct Outcome {
    int status = 0;
    std::string out;
    std::string err;
};

class CheckCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device seed;
        folder_ = fs::temp_directory_path() / ("quadrel-check-test-" + std::to_string(seed()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string write(const std::string& name, const std::string& bytes) {
        const fs::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    std::string write(const std::string& name, const std::vector<BoxTexts>& boxes,
                      const std::vector<std::string>& intersections) {
        BoxDocument document;
        for (const BoxTexts& texts : boxes) {
            addBox(document, texts);
        }
        for (const std::string& intersection : intersections) {
            document.intersections.append(intersection);
        }
        document.countText = std::to_string(boxes.size());
        return write(name, document.writeText());
    }

    static Outcome run(const std::vector<std::string>& arguments) {
        std::ostringstream out;
        std::ostringstream err;
        Outcome result;
        result.status = runCheckCommand(arguments, out, err);
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    // The worked example with one error (box 0's plane 2 too short a normal) and one warning
    // (box 1's radius).
    std::string faultyFile() {
        BoxTexts first = cubeBox();
        first[5 + 10] = "3eb5";
        BoxTexts second = stretchedBox();
        second[1] = "2";
        return write("faulty.box", {first, second}, {"0 1"});
    }

    fs::path folder_;
};

TEST_F(CheckCommandTest, ACleanFileGivesStatusZeroAndASummary) {
    const std::string file = write("clean.box", workedExampleBytes);
    const Outcome result = run({file});
    EXPECT_EQ(result.status, CHECK_CLEAN);
    EXPECT_EQ(result.out, file + ": 2 boxes vérifiées, 0 erreur, 0 avertissement\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(CheckCommandTest, WarningsAloneStillGiveStatusZero) {
    const std::string file = write("warning.box", {cubeBox(), stretchedBox()}, {});
    const Outcome result = run({file});
    EXPECT_EQ(result.status, CHECK_CLEAN);
    EXPECT_EQ(result.out, file +
                              ": intersection 0 1: avertissement: intersection « 0 1 » : les "
                              "solides des boxes 0 et 1 se touchent mais la paire n'est pas "
                              "listée\n" +
                              file + ": 2 boxes vérifiées, 0 erreur, 1 avertissement\n");
}

TEST_F(CheckCommandTest, ErrorsGiveStatusOneInTheFormCompilersUse) {
    const std::string file = faultyFile();
    const Outcome result = run({file});
    EXPECT_EQ(result.status, CHECK_ERRORS);
    EXPECT_EQ(result.out,
              file + ": box 0 (1): plan 2: erreur: plan 2 : a² + b² + c² = 0,96 au lieu de 1\n" +
                  file +
                  ": box 1 (2): avertissement: rayon maximal « 2 » inférieur à 2,4495, distance "
                  "du centre au sommet le plus éloigné\n" +
                  file + ": 2 boxes vérifiées, 1 erreur, 1 avertissement\n");
}

TEST_F(CheckCommandTest, TheCountAsTheFileWroteItIsChecked) {
    std::string bytes = workedExampleBytes;
    bytes[0] = '3';
    const std::string file = write("count.box", bytes);
    const Outcome result = run({file});
    EXPECT_EQ(result.status, CHECK_ERRORS);
    EXPECT_NE(result.out.find(file + ": erreur: le nombre de boxes « 3 » ne donne pas les 2"),
              std::string::npos)
        << result.out;
}

TEST_F(CheckCommandTest, JsonGivesOneObjectPerProblem) {
    const std::string file = faultyFile();
    const Outcome result = run({"--json", file});
    EXPECT_EQ(result.status, CHECK_ERRORS);
    const std::string escaped = jsonEscaped(file);
    EXPECT_EQ(result.out,
              "{\"file\":\"" + escaped +
                  "\",\"kind\":\"normal-not-unit\",\"severity\":\"error\",\"rank\":0,\"id\":\"1\","
                  "\"plane\":2,\"intersection\":null,\"message\":\"plan 2 : a² + b² + c² = 0,96 "
                  "au lieu de 1\"}\n"
                  "{\"file\":\"" +
                  escaped +
                  "\",\"kind\":\"radius-too-small\",\"severity\":\"warning\",\"rank\":1,\"id\":"
                  "\"2\",\"plane\":null,\"intersection\":null,\"message\":\"rayon maximal « 2 » "
                  "inférieur à 2,4495, distance du centre au sommet le plus éloigné\"}\n");
}

TEST_F(CheckCommandTest, JsonEscapesWhatAFileMayHold) {
    BoxTexts box = cubeBox();
    box[0] = "a\"b\\c\x01\xff\xc3\xa9";
    const std::string file = write("strange.box", {box}, {});
    const Outcome result = run({"--json", file});
    EXPECT_NE(result.out.find(R"("id":"a\"b\\c\u0001\u00ffé")"), std::string::npos) << result.out;
}

TEST_F(CheckCommandTest, IntersectionsAreWrittenNinePerLine) {
    std::vector<BoxTexts> row;
    for (int i = 0; i < 12; ++i) {
        row.push_back(axisBox(std::to_string(i + 1), {1.0 * i, 0, 0}, {i + 1.0, 1, 1}));
    }
    const std::string file = write("row.box", row, {});
    const Outcome result = run({"--intersections", file});
    EXPECT_EQ(result.status, CHECK_CLEAN);
    EXPECT_EQ(result.out, "0 1  1 2  2 3  3 4  4 5  5 6  6 7  7 8  8 9\n9 10  10 11\n");
    const std::string example = write("example.box", workedExampleBytes);
    EXPECT_EQ(run({"--intersections", example, file}).out,
              example + ":\n0 1\n" + file +
                  ":\n0 1  1 2  2 3  3 4  4 5  5 6  6 7  7 8  8 9\n9 10  10 11\n");
    const Outcome json = run({"--json", "--intersections", file});
    EXPECT_EQ(json.out, "{\"file\":\"" + jsonEscaped(file) +
                            "\",\"intersections\":[\"0 1\",\"1 2\",\"2 3\",\"3 4\",\"4 5\",\"5 "
                            "6\",\"6 7\",\"7 8\",\"8 9\",\"9 10\",\"10 11\"],\"complete\":true}\n");
}

TEST_F(CheckCommandTest, AnUnreadableFileGivesStatusTwoAndTheOthersAreStillChecked) {
    const std::string clean = write("clean.box", workedExampleBytes);
    const std::string faulty = faultyFile();
    const std::string missing = (folder_ / "missing.box").string();
    const Outcome result = run({clean, missing, faulty, folder_.string()});
    EXPECT_EQ(result.status, CHECK_UNREADABLE);
    EXPECT_NE(result.out.find(clean + ": 2 boxes vérifiées, 0 erreur"), std::string::npos);
    EXPECT_NE(result.out.find(faulty + ": 2 boxes vérifiées, 1 erreur"), std::string::npos);
    EXPECT_EQ(result.err, "quadrel-check: " + missing + " : lecture impossible\n" +
                              "quadrel-check: " + folder_.string() + " : lecture impossible\n");
}

TEST_F(CheckCommandTest, WrongArgumentsGiveStatusTwo) {
    EXPECT_EQ(run({}).status, CHECK_UNREADABLE);
    const Outcome unknown = run({"--jsn", write("clean.box", workedExampleBytes)});
    EXPECT_EQ(unknown.status, CHECK_UNREADABLE);
    EXPECT_EQ(unknown.out, "");
    EXPECT_NE(unknown.err.find("option inconnue : --jsn"), std::string::npos);
}

TEST_F(CheckCommandTest, HelpExplainsTheFormsAndTheStatusesInFrench) {
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, CHECK_CLEAN);
    for (const char* part :
         {"--json", "--intersections", "--seam L", "--thin L", "--slope D", "--step L",
          "FICHIER: box RANG (ID): plan N:", "0  aucun fichier n'a d'erreur",
          "1  au moins un fichier", "2  un fichier n'a pas pu être lu"}) {
        EXPECT_NE(help.out.find(part), std::string::npos) << part;
    }
}

// Two unit cubes a thirty-second apart along X: a seam between box 0's face 0 and box 1's face 5.
std::vector<BoxTexts> seamBoxes(double gap = 1.0 / 32) {
    return {axisBox("1", {0, 0, 0}, {1, 1, 1}), axisBox("2", {1 + gap, 0, 0}, {2 + gap, 1, 1})};
}

TEST_F(CheckCommandTest, ASeamIsAWarningNamingBothFaces) {
    const std::string file = write("seam.box", seamBoxes(), {});
    const Outcome text = run({file});
    EXPECT_EQ(text.status, CHECK_CLEAN);
    EXPECT_EQ(text.out, file +
                            ": box 0 (1): plan 0: avertissement: fente de 0,0312 entre la face 0 "
                            "et la face 5 de la box 1\n" +
                            file + ": 2 boxes vérifiées, 0 erreur, 1 avertissement\n");
    EXPECT_EQ(run({"--json", file}).out,
              "{\"file\":\"" + jsonEscaped(file) +
                  "\",\"kind\":\"seam\",\"severity\":\"warning\",\"rank\":0,\"id\":\"1\","
                  "\"plane\":0,\"intersection\":null,\"message\":\"fente de 0,0312 entre la "
                  "face 0 et la face 5 de la box 1\"}\n");
}

// Each limit as an option, written the ways a level designer writes it.
TEST_F(CheckCommandTest, TheLimitsOfThePlayChecksAreOptions) {
    const std::string seam = write("seam.box", seamBoxes(), {});
    const std::string wide = write("wide.box", seamBoxes(1.0 / 8), {});
    const std::string slab = write("slab.box", {axisBox("1", {0, 0, 0}, {4, 4, 1.0 / 64})}, {});
    const std::string step =
        write("step.box",
              {axisBox("1", {0, 0, 0}, {2, 2, 1}), axisBox("2", {2, 0, 0}, {4, 2, 1.25})}, {"0 1"});
    const auto warnings = [&](const std::vector<std::string>& arguments) {
        const Outcome result = run(arguments);
        EXPECT_EQ(result.status, CHECK_CLEAN) << result.err;
        const std::size_t at = result.out.rfind("0 erreur, ");
        return at == std::string::npos ? std::string("?") : result.out.substr(at + 10);
    };
    EXPECT_EQ(warnings({seam}), "1 avertissement\n");
    EXPECT_EQ(warnings({"--seam", "1/64", seam}), "0 avertissement\n");
    EXPECT_EQ(warnings({wide}), "0 avertissement\n");
    EXPECT_EQ(warnings({"--seam=0,2", wide}), "1 avertissement\n");
    EXPECT_EQ(warnings({slab}), "1 avertissement\n");
    EXPECT_EQ(warnings({"--thin", "0.01", slab}), "0 avertissement\n");
    EXPECT_EQ(warnings({step}), "0 avertissement\n");
    EXPECT_EQ(warnings({"--step=1/2", step}), "1 avertissement\n");
    EXPECT_EQ(warnings({"--slope", "60", "--step", "0.5", "--seam", "1/64", "--thin", "1/128", seam,
                        wide, slab, step}),
              "1 avertissement\n");
}

TEST_F(CheckCommandTest, AWrongLimitGivesStatusTwoAndSaysWhatWasExpected) {
    const std::string file = write("clean.box", workedExampleBytes);
    const Outcome wrong = run({"--seam", "large", file});
    EXPECT_EQ(wrong.status, CHECK_UNREADABLE);
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err, "quadrel-check: --seam : « large » n'est pas une longueur positive\n"
                         "Essayez « quadrel-check --help ».\n");
    EXPECT_EQ(run({"--slope=70", file}).err,
              "quadrel-check: --slope : « 70 » n'est pas un angle de plus de 0 et de moins de 70 "
              "degrés\nEssayez « quadrel-check --help ».\n");
    EXPECT_EQ(run({file, "--step"}).err,
              "quadrel-check: --step attend une valeur\nEssayez « quadrel-check --help ».\n");
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--thin", "0", file},
                                               {"--thin=-1", file},
                                               {"--step", "1/0", file},
                                               {"--slope", "", file},
                                               {"--seams", "1", file}}) {
        EXPECT_EQ(run(arguments).status, CHECK_UNREADABLE) << arguments[0];
    }
}

TEST(AmountText, DecimalsWithAPointOrACommaAndFractionsArePositiveAmounts) {
    const std::vector<std::pair<std::string, std::optional<double>>> cases = {
        {"0.05", 0.05},
        {"0,05", 0.05},
        {"1/16", 0.0625},
        {"45", 45.0},
        {"2.5/10", 0.25},
        {".5", 0.5},
        {"3.", 3.0},
        {"", std::nullopt},
        {"0", std::nullopt},
        {"0/3", std::nullopt},
        {"-1", std::nullopt},
        {"+1", std::nullopt},
        {"1e3", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"1/0", std::nullopt},
        {"1//2", std::nullopt},
        {"1.2.3", std::nullopt},
        {"1,5.2", std::nullopt},
        {"0x10", std::nullopt},
        {" 1", std::nullopt},
        {".", std::nullopt},
        {"/", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parseAmount(text), expected) << text;
    }
}

TEST_F(CheckCommandTest, AFileNamedLikeAnOptionIsReadAfterADoubleDash) {
    write("-odd.box", workedExampleBytes);
    const fs::path previous = fs::current_path();
    fs::current_path(folder_);
    const int afterDashes = run({"--", "-odd.box"}).status;
    const int alone = run({"-odd.box"}).status;
    fs::current_path(previous);
    EXPECT_EQ(afterDashes, CHECK_CLEAN);
    EXPECT_EQ(alone, CHECK_UNREADABLE);
}

} // namespace
