#include "amounttext.h"
#include "checkcommand.h"
#include "filetext.h"
#include "frenchtext.h"
#include "geometrytestsupport.h"
#include "reporttext.h"
#include "savecopy.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
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

// A file that a crash cut short often holds nothing, or NUL bytes: a text without digits must
// not pass as a count of 0.
TEST_F(CheckCommandTest, AFileWithoutACountIsAnError) {
    struct Case {
        const char* name;
        std::string bytes;
        int status;
        std::string problem;
        const char* kind;
    };
    const std::string nul(1, '\0');
    for (const Case& item : {
             Case{"empty", "", CHECK_ERRORS, "erreur: fichier vide : pas de nombre de boxes",
                  "empty-file"},
             Case{"blank", "  \r\n\n ", CHECK_ERRORS,
                  "erreur: fichier vide : pas de nombre de boxes", "empty-file"},
             Case{"words", "hello world", CHECK_ERRORS,
                  "erreur: le nombre de boxes « hello » n'est pas un nombre", "count-invalid"},
             Case{"nul", std::string(4096, '\0'), CHECK_ERRORS,
                  "erreur: le nombre de boxes « " +
                      [] {
                          std::string shown;
                          for (int i = 0; i < 40; ++i) {
                              shown += "\\x00";
                          }
                          return shown;
                      }() +
                      "… » n'est pas un nombre",
                  "count-invalid"},
             Case{"digits then letters", "0abc", CHECK_ERRORS,
                  "erreur: le nombre de boxes « 0abc » n'est pas un nombre", "count-invalid"},
             Case{"sign alone", "-\r\n-1 -1\r\n", CHECK_ERRORS,
                  "erreur: le nombre de boxes « - » n'est pas un nombre", "count-invalid"},
             Case{"tab inside", "0\t\r\n-1 -1\r\n", CHECK_ERRORS,
                  "erreur: le nombre de boxes « 0\\x09 » n'est pas un nombre", "count-invalid"},
             Case{"nothing but the count and the end", "0\r\n-1 -1\r\n", CHECK_CLEAN, "", ""},
             Case{"as saved", "0\r\n\r\n\r\n-1 -1\r\n", CHECK_CLEAN, "", ""},
             Case{"a sign", "+0\r\n-1 -1\r\n", CHECK_CLEAN, "", ""},
         }) {
        SCOPED_TRACE(item.name);
        const std::string file = write("compte.box", item.bytes);
        const Outcome result = run({file});
        EXPECT_EQ(result.status, item.status);
        const std::string summary = file + ": 0 box vérifiée, " +
                                    (item.problem.empty() ? "0" : "1") +
                                    " erreur, 0 avertissement\n";
        EXPECT_EQ(result.out,
                  (item.problem.empty() ? "" : file + ": " + item.problem + "\n") + summary);
        const Outcome json = run({"--json", file});
        EXPECT_EQ(json.status, item.status);
        if (item.problem.empty()) {
            EXPECT_EQ(json.out, "");
        } else {
            EXPECT_NE(
                json.out.find(std::string("\"kind\":\"") + item.kind + "\",\"severity\":\"error\""),
                std::string::npos)
                << json.out;
        }
    }
}

// A save cut short left a complete copy of the old content beside the file: the file is
// reported and left alone, copy included, for the editor to put back.
TEST_F(CheckCommandTest, AFileWhoseSaveWasCutShortIsAnErrorAndStaysAsItIs) {
    const std::string file = write("salle.box", workedExampleBytes.substr(0, 30));
    CopyChecksum checksum;
    checksum.add(workedExampleBytes);
    const std::string copyBytes =
        workedExampleBytes + copyTrailer(workedExampleBytes.size(), checksum.value());
    const std::string copy = write(".salle.box.quadrel-copy", copyBytes);
    const Outcome result = run({file});
    EXPECT_EQ(result.status, CHECK_ERRORS);
    EXPECT_EQ(result.out, file +
                              ": erreur: enregistrement interrompu : l'ancien contenu est resté "
                              "dans « " +
                              copy + " » ; ouvrir le fichier dans Quadrel le restaure\n" + file +
                              ": 0 box vérifiée, 1 erreur, 0 avertissement\n");
    const Outcome json = run({"--json", file});
    EXPECT_EQ(json.status, CHECK_ERRORS);
    EXPECT_EQ(json.out.rfind("{\"file\":\"" + jsonEscaped(file) +
                                 "\",\"kind\":\"interrupted-save\",\"severity\":\"error\","
                                 "\"rank\":null,\"id\":null,\"plane\":null,\"intersection\":null,",
                             0),
              0u)
        << json.out;
    EXPECT_EQ(run({"--intersections", file}).status, CHECK_ERRORS);
    std::ifstream fileStream(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(fileStream), {}),
              workedExampleBytes.substr(0, 30));
    std::ifstream copyStream(copy, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copyStream), {}), copyBytes);

    // A copy cut short is no sign of an interrupted save: the file is checked as it is.
    write(".salle.box.quadrel-copy", copyBytes.substr(0, copyBytes.size() - 1));
    write("salle.box", workedExampleBytes);
    EXPECT_EQ(run({file}).status, CHECK_CLEAN);
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
    // Not valid UTF-8: the whole ID reads as Windows-1252, as the editor's lists show it.
    EXPECT_NE(result.out.find(R"("id":"a\"b\\c\u0001ÿÃ©")"), std::string::npos) << result.out;
}

TEST_F(CheckCommandTest, AnOldWindowsIdReadsAsTheListsShowIt) {
    BoxTexts first = cubeBox();
    first[0] = "B\xe9ton\x80\xfc";
    BoxTexts second = stretchedBox();
    second[0] = first[0];
    const std::string file = write("ancien.box", {first, second}, {"0 1"});
    const Outcome json = run({"--json", file});
    EXPECT_NE(json.out.find(R"("id":"Béton€ü")"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("l'ID « Béton€ü » est déjà celui de la box 0"), std::string::npos)
        << json.out;
    EXPECT_EQ(json.out.find("\\u00"), std::string::npos) << json.out;
    const Outcome lines = run({file});
    EXPECT_NE(lines.out.find(": box 1 (Béton€ü): erreur: l'ID « Béton€ü » est déjà"),
              std::string::npos)
        << lines.out;
}

// No name nor text can end a report line: every line of the report is one problem or the
// summary, and the status stays what the files give.
TEST_F(CheckCommandTest, AFileNameCannotForgeALine) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows file names hold no control character";
#endif
    const std::string forged = "x.box\nother.box: box 0 (1): erreur: faux";
    const std::string file = write(forged, workedExampleBytes);
    const Outcome result = run({file});
    EXPECT_EQ(result.status, CHECK_CLEAN);
    const std::string escapedName =
        (folder_ / "x.box").string() + "\\nother.box: box 0 (1): erreur: faux";
    EXPECT_EQ(result.out, escapedName + ": 2 boxes vérifiées, 0 erreur, 0 avertissement\n");
}

TEST_F(CheckCommandTest, ControlCharactersAndLineSeparatorsOfTextsAreEscaped) {
    struct Case {
        std::string id;
        std::string shown;
    };
    const Case cases[] = {
        {"1\r2", "1\\r2"},
        {"1\x0b"
         "2",
         "1\\x0b2"},
        {"1\x01\x7f"
         "2",
         "1\\x01\\x7f2"},
        {"1\xc2\x85"
         "2",
         "1\\u00852"},
        {"1\xe2\x80\xa8"
         "2",
         "1\\u20282"},
        {"1\xe2\x80\xa9"
         "2",
         "1\\u20292"},
        {"1\x1b[31m2", "1\\x1b[31m2"},
    };
    for (const Case& c : cases) {
        BoxTexts first = cubeBox();
        first[0] = c.id;
        BoxTexts second = stretchedBox();
        second[0] = c.id;
        const std::string odd = write("odd.box", {first, second}, {"0 1"});
        const Outcome result = run({odd});
        EXPECT_NE(result.out.find("(" + c.shown + "): erreur: l'ID « " + c.shown + " »"),
                  std::string::npos)
            << result.out;
        std::istringstream reportLines(result.out);
        std::size_t summaries = 0;
        for (std::string line; std::getline(reportLines, line);) {
            EXPECT_EQ(line.rfind(odd + ": ", 0), std::size_t{0}) << line;
            summaries += line.find("boxes vérifiées") != std::string::npos;
        }
        EXPECT_EQ(summaries, std::size_t{1}) << result.out;
        for (const std::string separator :
             {"\r", "\x0b", "\x01", "\x7f", "\xc2\x85", "\xe2\x80\xa8", "\xe2\x80\xa9"}) {
            EXPECT_EQ(result.out.find(separator), std::string::npos) << result.out;
        }
    }
}

// Any bytes at all: what a line shows is valid UTF-8 with no control character nor line
// separator left, and a text cut short stays valid UTF-8, within its length.
TEST(ReportTextTest, AnyBytesGiveAValidLineOfOneLine) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 120);
    const std::string controls[] = {"\xe2\x80\xa8", "\xe2\x80\xa9"};
    for (int round = 0; round < 20000; ++round) {
        std::string bytes(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : bytes) {
            // Mostly high bytes, where the sequences and the code pages differ.
            c = static_cast<char>(round % 3 == 0 ? byte(random) : 0x80 | byte(random));
        }
        const std::string line = escapedForLine(bytes);
        ASSERT_TRUE(isValidUtf8(line));
        for (const char c : line) {
            ASSERT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7f);
        }
        for (const std::string& control : controls) {
            ASSERT_EQ(line.find(control), std::string::npos);
        }
        for (std::size_t at = line.find('\xc2'); at != std::string::npos;
             at = line.find('\xc2', at + 1)) {
            ASSERT_GE(static_cast<unsigned char>(line[at + 1]), 0xa0) << "a C1 control";
        }
        const std::string cut = shortened(bytes);
        ASSERT_TRUE(isValidUtf8(cut));
        ASSERT_LE(cut.size(), 40 * 3 + std::string("…").size());
        ASSERT_TRUE(isValidUtf8(fileTextAsUtf8(bytes)));
    }
}

TEST_F(CheckCommandTest, LongTextsAreCutAtACharacterAndOnceWholeInJson) {
    std::string id;
    for (int i = 0; i < 30000; ++i) {
        id += "é€";
    }
    BoxTexts first = cubeBox();
    first[0] = id;
    first[1] = "x";
    BoxTexts second = stretchedBox();
    second[0] = id;
    const std::string file = write("long.box", {first, second}, {});
    const Outcome lines = run({file});
    std::string cut;
    for (int i = 0; i < 20; ++i) {
        cut += "é€";
    }
    cut += "…";
    EXPECT_NE(lines.out.find(": box 0 (" + cut + "): erreur: rayon maximal : « x »"),
              std::string::npos)
        << lines.out.substr(0, 400);
    EXPECT_NE(lines.out.find("l'ID « " + cut + " » est déjà"), std::string::npos);
    // Every line far shorter than the ID: a long text never repeats whole.
    std::size_t start = 0;
    for (std::size_t end = lines.out.find('\n'); end != std::string::npos;
         start = end + 1, end = lines.out.find('\n', start)) {
        EXPECT_LT(end - start, std::size_t{1000}) << lines.out.substr(start, 200);
    }
    const Outcome json = run({"--json", file});
    std::istringstream jsonLines(json.out);
    std::size_t objects = 0;
    for (std::string line; std::getline(jsonLines, line);) {
        if (line.find("\"id\":null") != std::string::npos) {
            continue;
        }
        const std::size_t at = line.find("\"id\":\"" + id + "\"");
        EXPECT_NE(at, std::string::npos) << line.substr(0, 200);
        EXPECT_EQ(line.find(id, at + id.size()), std::string::npos) << "the ID whole again";
        ++objects;
    }
    EXPECT_GE(objects, std::size_t{3});
}

TEST_F(CheckCommandTest, TouchingMeansNoAxisSeparatesByMoreThanTheTolerance) {
    const double gap = 1.0 / 1024;
    const auto pair = [&](const Vec3& offset) {
        return write("pair.box",
                     {axisBox("1", {0, 0, 0}, {1, 1, 1}),
                      axisBox("2", Vec3{1, 1, 1} + offset, Vec3{2, 2, 2} + offset)},
                     {});
    };
    // Corners 1.73/1024 apart along the diagonal, 1/1024 along each face axis: touching.
    EXPECT_EQ(run({"--intersections", pair({gap, gap, gap})}).out, "0 1\n");
    // 1.5/1024 along one face axis: apart.
    EXPECT_EQ(run({"--intersections", pair({1.5 * gap, 0, 0})}).out, "");
    const Outcome help = run({"--help"});
    EXPECT_NE(help.out.find("aucun axe séparateur ne les écarte de plus de\n1/1024"),
              std::string::npos)
        << help.out;
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
