#include "boxvalues.h"
#include "fixedpoint.h"
#include "modelimport.h"
#include "modelreader.h"
#include "orlclass.h"
#include "problems.h"

#include <assimp/Exporter.hpp>
#include <assimp/scene.h>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>

namespace {

constexpr double STEP = 1.0 / 16384;

// The cube from -1 to 1, as six quads.
aiMesh* cubeMesh(const char* name) {
    auto* mesh = new aiMesh();
    mesh->mName = name;
    mesh->mPrimitiveTypes = aiPrimitiveType_POLYGON;
    mesh->mNumVertices = 8;
    mesh->mVertices = new aiVector3D[8];
    for (unsigned i = 0; i < 8; ++i) {
        mesh->mVertices[i] = aiVector3D((i & 1) != 0 ? 1.f : -1.f, (i & 2) != 0 ? 1.f : -1.f,
                                        (i & 4) != 0 ? 1.f : -1.f);
    }
    static constexpr unsigned FACES[6][4]{{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                          {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    mesh->mNumFaces = 6;
    mesh->mFaces = new aiFace[6];
    for (unsigned f = 0; f < 6; ++f) {
        mesh->mFaces[f].mNumIndices = 4;
        mesh->mFaces[f].mIndices = new unsigned[4];
        std::copy(FACES[f], FACES[f] + 4, mesh->mFaces[f].mIndices);
    }
    return mesh;
}

aiNode* meshNode(const char* name, unsigned mesh, aiNode* parent) {
    auto* node = new aiNode(name);
    node->mParent = parent;
    node->mNumMeshes = 1;
    node->mMeshes = new unsigned[1]{mesh};
    return node;
}

void setChildren(aiNode* node, std::initializer_list<aiNode*> children) {
    node->mNumChildren = static_cast<unsigned>(children.size());
    node->mChildren = new aiNode*[children.size()];
    std::copy(children.begin(), children.end(), node->mChildren);
}

aiMatrix4x4 translation(float x, float y, float z) {
    aiMatrix4x4 m;
    return aiMatrix4x4::Translation(aiVector3D(x, y, z), m);
}

// A scene in a Y-up modeller's axes: an ordinary "floor" at the root, and under a group moved by
// (10, 0, 0) and turned by 30 degrees about the up axis, a crate "UBX_crate" moved by (0, 5, 3)
// and scaled by 2. The crate is then the cube of half size 2 around (11.5, 5, 3·cos 30°) after
// a turn of its axes by 30° about Y, which the BOX file's Z up makes a turn about Z.
std::unique_ptr<aiScene> nestedScene() {
    auto scene = std::make_unique<aiScene>();
    scene->mNumMaterials = 1;
    scene->mMaterials = new aiMaterial* [1] { new aiMaterial() };
    scene->mNumMeshes = 2;
    scene->mMeshes = new aiMesh* [2] { cubeMesh("floor"), cubeMesh("crate") };
    scene->mRootNode = new aiNode("root");
    auto* group = new aiNode("group");
    group->mParent = scene->mRootNode;
    aiMatrix4x4 turn;
    aiMatrix4x4::RotationY(static_cast<float>(std::numbers::pi / 6), turn);
    group->mTransformation = translation(10, 0, 0) * turn;
    aiNode* crate = meshNode("UBX_crate", 1, group);
    aiMatrix4x4 scale;
    aiMatrix4x4::Scaling(aiVector3D(2, 2, 2), scale);
    crate->mTransformation = translation(0, 5, 3) * scale;
    setChildren(group, {crate});
    aiNode* floor = meshNode("floor", 0, scene->mRootNode);
    floor->mTransformation = translation(0, -1, 0);
    setChildren(scene->mRootNode, {floor, group});
    return scene;
}

std::string exportedBytes(const aiScene& scene, const char* format) {
    Assimp::Exporter exporter;
    const aiExportDataBlob* blob = exporter.ExportToBlob(&scene, format);
    EXPECT_NE(blob, nullptr) << format << ": " << exporter.GetErrorString();
    return blob == nullptr ? "" : std::string(static_cast<const char*>(blob->data), blob->size);
}

std::string hex4Of(double value) {
    return fixedpoint::fourDigitsOfSteps(std::llround(value * 16384)).value();
}

struct Format {
    const char* exporter;
    const char* extension;
};

class NestedTransforms : public ::testing::TestWithParam<Format> {};

// Every node transform from the root reaches the vertices, and the scene's up axis becomes Z:
// the crate lands where it stands in the modeller, whatever the format carried it.
TEST_P(NestedTransforms, PlaceTheBoxWhereTheModellerShowsIt) {
    const std::unique_ptr<aiScene> scene = nestedScene();
    const std::string bytes = exportedBytes(*scene, GetParam().exporter);
    std::string error;
    const std::optional<ModelContent> model = readModelBytes(bytes, GetParam().extension, error);
    ASSERT_TRUE(model) << error;

    BoxDocument document;
    ImportOptions options;
    options.collisionOnly = true;
    const ImportReport report = appendModelBoxes(*model, document, options);
    ASSERT_EQ(report.meshes.size(), 1u);
    EXPECT_EQ(report.meshes[0].name, "UBX_crate");
    EXPECT_EQ(report.ignored, 1u);
    ASSERT_EQ(document.boxes.size(), 1u);

    const Box& box = document.boxes.last();
    const BoxValues values = decodeBoxValues(box);
    const double c = std::cos(std::numbers::pi / 6), s = 0.5;
    // In the modeller: (0, 5, 3) turned about Y is (3·sin 30°, 5, 3·cos 30°), then moved by
    // (10, 0, 0). Y up to Z up: (x, y, z) becomes (x, -z, y).
    EXPECT_NEAR(values.centre.x, 10 + 3 * s, 2 * STEP);
    EXPECT_NEAR(values.centre.y, -3 * c, 2 * STEP);
    EXPECT_NEAR(values.centre.z, 5, 2 * STEP);
    EXPECT_EQ(box.planes[0].a.view(), hex4Of(c));
    EXPECT_EQ(box.planes[0].b.view(), hex4Of(s));
    EXPECT_EQ(box.planes[0].c.view(), "0000");
    EXPECT_EQ(box.planes[2].a.view(), "0000");
    EXPECT_EQ(box.planes[2].b.view(), "0000");
    EXPECT_EQ(box.planes[2].c.view(), "4000");
    // Half size 2 on every side, within the rounding outward.
    for (std::size_t p = 0; p < 6; ++p) {
        const PlaneValues& plane = values.planes[p];
        const double distance = (plane.d - dot(plane.normal, values.centre)) / length(plane.normal);
        EXPECT_NEAR(distance, 2, 3 * STEP) << "plane " << p;
    }
    EXPECT_TRUE(inspectDocument(document, std::nullopt, std::nullopt).problems.empty());
}

// Assimp's own binary FBX writer makes files its reader refuses, and its 3DS writer misplaces
// node transforms: FBX goes as text, and 3DS is tried below with transforms left out.
INSTANTIATE_TEST_SUITE_P(Formats, NestedTransforms,
                         ::testing::Values(Format{"glb2", "glb"}, Format{"collada", "dae"},
                                           Format{"fbxa", "fbx"}),
                         [](const auto& info) { return std::string(info.param.extension); });

// A mesh at the root with no transform lands where its vertices say: in the BOX file's own axes
// for formats that have no up axis of their own, and for 3DS, which is Z up as a BOX file is
// (Assimp turns it Y up on reading, which is undone).
TEST(FlatFormats, ReadInTheirOwnAxes) {
    auto scene = std::make_unique<aiScene>();
    scene->mNumMaterials = 1;
    scene->mMaterials = new aiMaterial* [1] { new aiMaterial() };
    scene->mNumMeshes = 1;
    scene->mMeshes = new aiMesh* [1] { cubeMesh("cube") };
    aiMesh& mesh = *scene->mMeshes[0];
    for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
        mesh.mVertices[i] =
            aiVector3D(mesh.mVertices[i].x + 3, mesh.mVertices[i].y, mesh.mVertices[i].z * 2);
    }
    scene->mRootNode = new aiNode("root");
    setChildren(scene->mRootNode, {meshNode("cube", 0, scene->mRootNode)});
    for (const Format& format : {Format{"ply", "ply"}, Format{"plyb", "ply"}, Format{"stl", "stl"},
                                 Format{"stlb", "stl"}, Format{"objnomtl", "obj"}}) {
        std::string error;
        const std::optional<ModelContent> model =
            readModelBytes(exportedBytes(*scene, format.exporter), format.extension, error);
        ASSERT_TRUE(model) << format.exporter << ": " << error;
        BoxDocument document;
        appendModelBoxes(*model, document, {});
        ASSERT_EQ(document.boxes.size(), 1u) << format.exporter;
        const Box& box = document.boxes.last();
        EXPECT_EQ(box.centerX.view(), "0000c000") << format.exporter;
        EXPECT_EQ(box.centerY.view(), "00000000") << format.exporter;
        EXPECT_EQ(box.centerZ.view(), "00000000") << format.exporter;
        EXPECT_EQ(box.planes[2].d.view(), "00008000") << format.exporter;
        EXPECT_EQ(box.planes[0].d.view(), "00010000") << format.exporter;
    }
}

TEST(ModelReader, SaysWhyAModelCannotBeRead) {
    std::string error;
    EXPECT_FALSE(readModelFile("/nonexistent/scene.glb", error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(readModelBytes("glTF\x02\0\0\0garbage", "glb", error));
    EXPECT_FALSE(error.empty());
}

} // namespace
