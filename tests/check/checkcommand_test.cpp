#include "checkcommand.h"
#include "geometrytestsupport.h"
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
    for (const char* part : {"--json", "--intersections",
                             "FICHIER: box RANG (ID): plan N:", "0  aucun fichier n'a d'erreur",
                             "1  au moins un fichier", "2  un fichier n'a pas pu être lu"}) {
        EXPECT_NE(help.out.find(part), std::string::npos) << part;
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
