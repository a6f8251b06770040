#include "geometrytestsupport.h"
#include "meshtestsupport.h"
#include "modelimport.h"
#include "modelreader.h"
#include "modelwriter.h"
#include "orlclass.h"
#include "problems.h"
#include "solid.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

constexpr double STEP = 1.0 / 16384;

std::string exported(const BoxDocument& document, ModelFormat format, ExportReport& report,
                     const ExportOptions& options = {}) {
    std::string error;
    const std::optional<std::string> bytes = modelBytes(document, format, options, report, error);
    EXPECT_TRUE(bytes) << error;
    return bytes.value_or("");
}

BoxDocument& workedExample(BoxDocument& document) {
    document.readText(workedExampleBytes);
    return document;
}

// The scene as Assimp reads it, with no conversion of ours.
struct RawScene {
    Assimp::Importer importer;
    const aiScene* scene = nullptr;
};

void readRaw(RawScene& raw, const std::string& bytes, const char* extension) {
    raw.scene = raw.importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, extension);
    ASSERT_NE(raw.scene, nullptr) << raw.importer.GetErrorString();
}

const aiNode* childNamed(const aiScene& scene, const std::string& name) {
    const aiNode* found = scene.mRootNode->FindNode(name.c_str());
    return found;
}

class ModelWriterFormats : public ::testing::TestWithParam<ModelFormat> {};

// Each box is one mesh named after its ID and rank, whose faces face outward: the normal of
// every corner is its plane's, and points away from the middle of the solid.
TEST_P(ModelWriterFormats, WritesOneMeshPerBoxWithOutwardNormals) {
    BoxDocument document;
    ExportReport report;
    const std::string bytes = exported(workedExample(document), GetParam(), report);
    EXPECT_EQ(report.boxesWritten, 2u);
    EXPECT_TRUE(report.skippedRanks.empty());
    RawScene raw;
    readRaw(raw, bytes, GetParam() == ModelFormat::Glb ? "glb" : "obj");
    for (const char* name : {"box_1_r0", "box_2_r1"}) {
        const aiNode* node = childNamed(*raw.scene, name);
        ASSERT_NE(node, nullptr) << name;
        ASSERT_EQ(node->mNumMeshes, 1u) << name;
        const aiMesh& mesh = *raw.scene->mMeshes[node->mMeshes[0]];
        ASSERT_TRUE(mesh.HasNormals()) << name;
        double area = 0;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            ASSERT_GE(face.mNumIndices, 3u);
            aiVector3D middle(0, 0, 0);
            for (unsigned i = 0; i < face.mNumIndices; ++i) {
                middle += mesh.mVertices[face.mIndices[i]];
            }
            middle /= static_cast<ai_real>(face.mNumIndices);
            const aiVector3D normal = mesh.mNormals[face.mIndices[0]];
            EXPECT_NEAR(normal.Length(), 1, 1e-6);
            // Both boxes are centred on the origin.
            EXPECT_GT(normal * middle, 0.99) << name;
            // Counter-clockwise seen from outside: the winding agrees with the normal.
            const aiVector3D& a = mesh.mVertices[face.mIndices[0]];
            const aiVector3D& b = mesh.mVertices[face.mIndices[1]];
            const aiVector3D& c = mesh.mVertices[face.mIndices[2]];
            EXPECT_GT(((b - a) ^ (c - a)) * normal, 0) << name;
            area += ((b - a) ^ (c - a)).Length() / (face.mNumIndices == 3 ? 2 : 1);
        }
        // Six faces of 2 × 2 (the cube) or two of 2 × 2 and four of 2 × 4.
        EXPECT_NEAR(area, std::string(name) == "box_1_r0" ? 24 : 40, 1e-5) << name;
    }
}

// glTF is Y up: the tall box, stretched along the BOX file's Z, stands along glTF's Y. OBJ keeps
// the file's axes.
TEST_P(ModelWriterFormats, TurnsTheSceneUpForGltfOnly) {
    BoxDocument document;
    ExportReport report;
    const std::string bytes = exported(workedExample(document), GetParam(), report);
    RawScene raw;
    readRaw(raw, bytes, GetParam() == ModelFormat::Glb ? "glb" : "obj");
    const aiNode* node = childNamed(*raw.scene, "box_2_r1");
    ASSERT_NE(node, nullptr);
    const aiMesh& mesh = *raw.scene->mMeshes[node->mMeshes[0]];
    aiVector3D high(-100, -100, -100);
    for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
        high.x = std::max(high.x, mesh.mVertices[i].x);
        high.y = std::max(high.y, mesh.mVertices[i].y);
        high.z = std::max(high.z, mesh.mVertices[i].z);
    }
    const bool yUp = GetParam() == ModelFormat::Glb;
    EXPECT_EQ(high.x, 1);
    EXPECT_EQ(high.y, yUp ? 2 : 1);
    EXPECT_EQ(high.z, yUp ? 1 : 2);
}

TEST_P(ModelWriterFormats, LeavesOutAndCountsBoxesWithoutSolid) {
    BoxDocument document;
    workedExample(document);
    // Planes 0 and 5 apart the wrong way: no point is inside both.
    addBox(document, axisBox("3", {0, 0, 0}, {1, 1, 1})).planes[0].d = "ffff0000";
    addBox(document, axisBox("4", {5, 5, 5}, {6, 6, 6}));
    document.setCountText("4");
    ExportReport report;
    const std::string bytes = exported(document, GetParam(), report);
    EXPECT_EQ(report.boxesWritten, 3u);
    EXPECT_EQ(report.skippedRanks, (std::vector<std::size_t>{2}));
    RawScene raw;
    readRaw(raw, bytes, GetParam() == ModelFormat::Glb ? "glb" : "obj");
    EXPECT_EQ(childNamed(*raw.scene, "box_3_r2"), nullptr);
    EXPECT_NE(childNamed(*raw.scene, "box_4_r3"), nullptr);
}

// The intersections become lines between the centres of the pairs, in one object of their own;
// pairs that name no exported box are left out.
TEST_P(ModelWriterFormats, WritesTheIntersectionsAsLinesBetweenCentres) {
    BoxDocument document;
    addBox(document, axisBox("1", {0, 0, 0}, {2, 2, 2}));
    addBox(document, axisBox("2", {2, 0, 0}, {4, 2, 2}));
    addBox(document, axisBox("3", {4, 0, 0}, {6, 2, 2}));
    document.setCountText("3");
    for (const char* pair : {"0 1", "1 2", "1 7", "x 1"}) {
        document.intersections.append(pair);
    }
    ExportOptions options;
    options.intersections = true;
    ExportReport report;
    const std::string bytes = exported(document, GetParam(), report, options);
    EXPECT_EQ(report.linesWritten, 2u);
    RawScene raw;
    readRaw(raw, bytes, GetParam() == ModelFormat::Glb ? "glb" : "obj");
    const aiNode* node = childNamed(*raw.scene, "intersections");
    ASSERT_NE(node, nullptr);
    const aiMesh& mesh = *raw.scene->mMeshes[node->mMeshes[0]];
    ASSERT_EQ(mesh.mNumFaces, 2u);
    const bool yUp = GetParam() == ModelFormat::Glb;
    const aiFace& second = mesh.mFaces[1];
    ASSERT_EQ(second.mNumIndices, 2u);
    const aiVector3D from = mesh.mVertices[second.mIndices[0]];
    const aiVector3D to = mesh.mVertices[second.mIndices[1]];
    EXPECT_EQ(from, aiVector3D(3, 1, yUp ? -1 : 1));
    EXPECT_EQ(to, aiVector3D(5, 1, yUp ? -1 : 1));

    ExportReport plain;
    exported(document, GetParam(), plain);
    EXPECT_EQ(plain.linesWritten, 0u);
}

// Exported, then imported again, a scene of turned boxes gives back the same planes: the same
// normals, and distances within one step of 1/16384, in the same order.
//
// A side only 1/64 wide cannot tell its direction to a step from single-precision vertices: the
// slab here is turned about Z alone, so that its wide faces fix every normal.
TEST_P(ModelWriterFormats, ExportThenImportGivesBackTheSamePlanes) {
    Frame slabFrame{Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}};
    for (Vec3& axis : slabFrame) {
        axis = turnedAbout(axis, 2, 30);
    }
    BoxDocument document;
    const std::vector<std::pair<Vec3, Frame>> placements{
        {{0, 0, 0}, turnedFrame(0, 0)},     {{10, 3, -2}, turnedFrame(30, 30)},
        {{-50, 20, 7}, turnedFrame(15, 0)}, {{300, -400, 12}, turnedFrame(0, 40)},
        {{-900, 800, 0.5}, slabFrame},      {{3, 3, 3}, turnedFrame(-30, 20)},
    };
    for (std::size_t i = 0; i < placements.size(); ++i) {
        const auto& [centre, frame] = placements[i];
        const Vec3 half{1.5, 0.75, i == 4 ? 1.0 / 128 : 2};
        addBox(document, boxTexts(std::to_string(i + 1), "10", centre,
                                  framePlanes(centre, half, frame[0], frame[1], frame[2])));
    }
    document.setCountText(std::to_string(placements.size()));
    ExportReport report;
    const std::string bytes = exported(document, GetParam(), report);
    std::string error;
    const std::optional<ModelContent> model =
        readModelBytes(bytes, GetParam() == ModelFormat::Glb ? "glb" : "obj", error);
    ASSERT_TRUE(model) << error;
    BoxDocument back;
    const ImportReport imported = appendModelBoxes(*model, back, {});
    ASSERT_EQ(back.boxes.size(), document.boxes.size());
    auto original = document.boxes.begin();
    for (const auto& box : back.boxes) {
        const BoxValues expected = decodeBoxValues(**original);
        const BoxValues actual = decodeBoxValues(*box);
        for (std::size_t p = 0; p < 6; ++p) {
            EXPECT_EQ(box->planes[p].a.view(), (*original)->planes[p].a.view()) << box->id.view();
            EXPECT_EQ(box->planes[p].b.view(), (*original)->planes[p].b.view()) << box->id.view();
            EXPECT_EQ(box->planes[p].c.view(), (*original)->planes[p].c.view()) << box->id.view();
            EXPECT_LE(std::fabs(actual.planes[p].d - expected.planes[p].d), STEP)
                << box->id.view() << " plane " << p;
        }
        ++original;
    }
    EXPECT_TRUE(inspectDocument(back, std::nullopt, std::nullopt).problems.empty());
    for (const MeshReport& mesh : imported.meshes) {
        EXPECT_FALSE(mesh.notABox()) << mesh.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ModelWriterFormats,
                         ::testing::Values(ModelFormat::Obj, ModelFormat::Glb),
                         [](const auto& info) {
                             return info.param == ModelFormat::Glb ? "Glb" : "Obj";
                         });

// A file is replaced only by a complete model: a path that cannot be written changes nothing.
TEST(ModelWriter, WritesTheFileWholeOrNotAtAll) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("modelwriter_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    BoxDocument document;
    workedExample(document);
    ExportReport report;
    std::string error;
    const std::string path = (folder / "scene.glb").string();
    { std::ofstream(path) << "old"; }
    ASSERT_TRUE(writeModelFile(document, path, ModelFormat::Glb, {}, report, error)) << error;
    std::ifstream written(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(written)), {});
    EXPECT_EQ(bytes, exported(document, ModelFormat::Glb, report));
    EXPECT_EQ(bytes.substr(0, 4), "glTF");
    EXPECT_FALSE(writeModelFile(document, (folder / "missing" / "scene.obj").string(),
                                ModelFormat::Obj, {}, report, error));
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);
    std::filesystem::remove_all(folder);
}

} // namespace
