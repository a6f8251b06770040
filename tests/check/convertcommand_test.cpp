#include "checkcommand.h"
#include "convertcommand.h"
#include "filetestsupport.h"
#include "meshtestsupport.h"
#include "textlinestestsupport.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

struct Outcome {
    int status = 0;
    std::string out;
    std::string err;
};

Outcome convert(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = runConvertCommand(arguments, out, err);
    return {status, out.str(), err.str()};
}

const Frame AXES = turnedFrame(0, 0);

class ConvertCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device seed;
        folder_ = fs::temp_directory_path() / ("quadrel-convert-test-" + std::to_string(seed()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }
    std::string write(const std::string& name, const std::string& bytes) const {
        writeContent(folder_ / name, bytes);
        return path(name);
    }

    fs::path folder_;
};

TEST_F(ConvertCommandTest, TurnsAModelIntoACheckedBoxFile) {
    const std::string model =
        write("scene.obj",
              objOf({{"UBX_wall", boxCorners({0, 0, 1}, {4, 0.25, 1}, turnedFrame(0, 0))},
                     {"crate", boxCorners({1, 0.5, 1}, {0.5, 0.5, 0.5}, turnedFrame(30, 30))},
                     {"pillar", cylinderPoints({-2, -0.5, 1}, 0.5, 2, 24)},
                     {"decal", {{0, 0, 3}, {1, 0, 3}, {1, 1, 3}, {0, 1, 3}}}}));
    const Outcome outcome = convert({model, "-o", path("scene.box")});
    EXPECT_EQ(outcome.status, CONVERT_DONE) << outcome.err;
    const std::vector<std::string> lines = linesOf(outcome.out);
    ASSERT_EQ(lines.size(), 5u) << outcome.out;
    EXPECT_EQ(lines[0].rfind(model + ": box 0 (1): note: maillage « UBX_wall » : enveloppe "
                                     "convexe / box 1, sommet le plus loin hors de la box 0,",
                             0),
              0u)
        << lines[0];
    EXPECT_EQ(lines[2].rfind(model + ": box 2 (3): avertissement: maillage « pillar » : ce "
                                     "maillage n'est pas une box : enveloppe convexe / box 0,",
                             0),
              0u)
        << lines[2];
    EXPECT_EQ(lines[3], model + ": avertissement: maillage « decal » : sans volume (plat, une "
                                "ligne ou un point), laissé de côté");
    EXPECT_EQ(lines[4], model + ": 3 boxes écrites dans " + path("scene.box") +
                            ", 2 intersections, 0 maillage ignoré, 2 avertissements, 0 erreur");

    // The file written passes the checker with no error and no warning.
    std::ostringstream out, err;
    // The pillar is turned: its steep faces are the scene's affair, not the fit's, so slopes up to
    // walls are let through (a face of 69.99 degrees or more is a wall).
    EXPECT_EQ(runCheckCommand({"--slope", "69.99", path("scene.box")}, out, err), CHECK_CLEAN);
    EXPECT_EQ(out.str(), path("scene.box") + ": 3 boxes vérifiées, 0 erreur, 0 avertissement\n");
}

TEST_F(ConvertCommandTest, TakesOnlyCollisionMeshesFromTheFirstIdAsked) {
    const std::string model =
        write("scene.obj", objOf({{"floor", boxCorners({0, 0, 0}, {5, 5, 0.5}, AXES)},
                                  {"UCX_rock", boxCorners({0, 0, 2}, {1, 1, 1}, AXES)}}));
    const Outcome outcome =
        convert({"--collision-only", model, "--first-id", "40", "-o", path("rocks.box")});
    EXPECT_EQ(outcome.status, CONVERT_DONE) << outcome.err;
    EXPECT_NE(outcome.out.find(": box 0 (40): note: maillage « UCX_rock »"), std::string::npos)
        << outcome.out;
    EXPECT_NE(outcome.out.find("1 box écrite dans " + path("rocks.box") +
                               ", 0 intersection, 1 maillage ignoré"),
              std::string::npos)
        << outcome.out;
    BoxDocument document;
    ASSERT_TRUE(document.loadFile(path("rocks.box")));
    EXPECT_EQ(textsIn(document.boxIds), std::vector<std::string>{"40"});
}

// An input it cannot read writes nothing, and leaves an existing output as it was.
TEST_F(ConvertCommandTest, AnUnreadableInputWritesNothing) {
    const std::string old = write("scene.box", workedExampleBytes);
    const std::string broken = write("broken.glb", "glTF not really");
    const std::vector<std::vector<std::string>> attempts{
        {broken, "-o", old},
        {path("missing.obj"), "-o", old},
        {path("missing.box"), "-o", path("out.obj")},
    };
    for (const auto& arguments : attempts) {
        const Outcome outcome = convert(arguments);
        EXPECT_EQ(outcome.status, CONVERT_NOTHING) << arguments[0];
        EXPECT_EQ(outcome.out, "") << arguments[0];
        EXPECT_NE(outcome.err.find("quadrel-convert: " + arguments[0] + " : lecture impossible"),
                  std::string::npos)
            << outcome.err;
    }
    EXPECT_EQ(contentOf(old), workedExampleBytes);
    EXPECT_EQ(namesIn(folder_), (std::set<std::string>{"scene.box", "broken.glb"}));
}

TEST_F(ConvertCommandTest, WritesBoxesAsModelsAndSaysWhichItLeftOut) {
    BoxDocument document;
    document.readText(workedExampleBytes);
    BoxTexts texts = cubeBox();
    texts[0] = "7";
    // x <= -3 and x >= -1: nothing is inside.
    addBox(document, texts).planes[0].d = "ffff0000";
    document.setCountText("3");
    const std::string input = write("scene.box", document.writeText());
    for (const char* name :
         {"scene.obj", "scene.glb", "scene.dae", "scene.fbx", "scene.stl", "scene.ply"}) {
        const Outcome outcome = convert({input, "-o", path(name), "--intersections"});
        const bool isFacesOnly =
            std::string(name).ends_with("stl") || std::string(name).ends_with("ply");
        EXPECT_EQ(outcome.status, CONVERT_PARTLY) << name << outcome.err;
        EXPECT_EQ(outcome.out, input +
                                   ": box 2 (7): erreur: les six plans de cette box ne bornent "
                                   "pas un solide : box laissée de côté\n" +
                                   input + ": 2 boxes écrites dans " + path(name) +
                                   ", 1 laissée de côté, " +
                                   // STL and PLY hold faces only.
                                   (isFacesOnly ? "0" : "1") + " segment d'intersection\n");
        EXPECT_TRUE(fs::exists(path(name))) << name;
    }
    EXPECT_EQ(contentOf(path("scene.glb")).substr(0, 4), "glTF");
    EXPECT_NE(contentOf(path("scene.obj")).find("box_1_r0"), std::string::npos);
    EXPECT_NE(contentOf(path("scene.dae")).find("<COLLADA"), std::string::npos);
    EXPECT_NE(contentOf(path("scene.fbx")).find("FBXHeaderExtension"), std::string::npos);
    EXPECT_EQ(contentOf(path("scene.ply")).substr(0, 4), "ply\n");
    // A binary STL: 80 bytes of header, the number of triangles, 50 bytes for each: the 12 of
    // each of the two boxes written.
    EXPECT_EQ(contentOf(path("scene.stl")).size(), 84u + 50 * 24);
}

TEST_F(ConvertCommandTest, ReportsInJsonOneLinePerMeshThenTheSummary) {
    const std::string model =
        write("scene.obj", objOf({{"wall", boxCorners({0, 0, 0}, {1, 1, 1}, AXES)},
                                  {"flat", {{0, 0, 3}, {1, 0, 3}, {1, 1, 3}, {0, 1, 3}}}}));
    const Outcome outcome = convert({model, "-o", path("scene.box"), "--json"});
    EXPECT_EQ(outcome.status, CONVERT_DONE);
    const std::vector<std::string> lines = linesOf(outcome.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("{\"file\":\"" + model +
                                 "\",\"kind\":\"box-added\",\"severity\":\"note\",\"rank\":0,"
                                 "\"id\":\"1\",\"mesh\":\"wall\",\"filled\":1,\"outside\":0,"
                                 "\"planeGap\":0,\"normalDegrees\":0,\"message\":",
                             0),
              0u)
        << lines[0];
    EXPECT_EQ(lines[1].rfind("{\"file\":\"" + model +
                                 "\",\"kind\":\"mesh-no-volume\",\"severity\":\"warning\","
                                 "\"rank\":null,\"id\":null,\"mesh\":\"flat\",\"message\":",
                             0),
              0u)
        << lines[1];
    EXPECT_EQ(lines[2], "{\"file\":\"" + model + "\",\"output\":\"" + path("scene.box") +
                            "\",\"boxes\":1,\"ignored\":0,\"intersections\":0,\"warnings\":1,"
                            "\"errors\":0}");
}

TEST_F(ConvertCommandTest, AMeshBeyondTheFormatIsAnError) {
    const std::string model =
        write("far.obj", objOf({{"near", boxCorners({0, 0, 0}, {1, 1, 1}, AXES)},
                                {"far", boxCorners({0, 200000, 0}, {1, 1, 1}, AXES)}}));
    const Outcome outcome = convert({model, "-o", path("far.box")});
    EXPECT_EQ(outcome.status, CONVERT_PARTLY);
    EXPECT_NE(outcome.out.find(model + ": erreur: maillage « far » : sa box dépasse"),
              std::string::npos)
        << outcome.out;
    BoxDocument document;
    ASSERT_TRUE(document.loadFile(path("far.box")));
    EXPECT_EQ(document.boxes.size(), 1u);
}

TEST_F(ConvertCommandTest, RefusesWrongArgumentsWithAHint) {
    const std::string model =
        write("scene.obj", objOf({{"a", boxCorners({0, 0, 0}, {1, 1, 1}, AXES)}}));
    const std::vector<std::vector<std::string>> wrong{
        {},
        {model},
        {model, "-o"},
        {model, "-o", path("x.box"), "--frobnicate"},
        {model, "-o", path("x.box"), "--first-id", "-3"},
        {model, "-o", path("x.box"), "--first-id", "12a"},
        {model, "-o", path("x.stl")},
        {model, model, "-o", path("x.box")},
        {path("a.txt"), "-o", path("x.box")},
    };
    for (const auto& arguments : wrong) {
        const Outcome outcome = convert(arguments);
        EXPECT_EQ(outcome.status, CONVERT_NOTHING);
        EXPECT_NE(outcome.err.find("Essayez « quadrel-convert --help »."), std::string::npos)
            << outcome.err;
    }
    EXPECT_FALSE(fs::exists(path("x.box")));
    const Outcome help = convert({"--help"});
    EXPECT_EQ(help.status, CONVERT_DONE);
    EXPECT_NE(help.out.find("Code de sortie"), std::string::npos);
    EXPECT_NE(help.out.find("--collision-only"), std::string::npos);
}

} // namespace
