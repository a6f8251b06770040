#include "geometrytestsupport.h"
#include "meshtestsupport.h"
#include "modelimport.h"
#include "modelreader.h"
#include "modelwriter.h"
#include "orlclass.h"
#include "problems.h"
#include "solid.h"
#include "strictjson.h"
#include "textlinestestsupport.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

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

const char* extensionOf(ModelFormat format) {
    return std::string_view(modelExtensions()[static_cast<std::size_t>(format)]).data();
}

bool isYUp(ModelFormat format) {
    return format == ModelFormat::Glb || format == ModelFormat::Collada ||
           format == ModelFormat::Fbx;
}

// The formats that keep one named mesh per box.
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
    readRaw(raw, bytes, extensionOf(GetParam()));
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

// glTF is Y up, and so are the Collada and FBX files Assimp writes: the tall box, stretched along
// the BOX file's Z, stands along their Y. OBJ keeps the file's axes.
TEST_P(ModelWriterFormats, TurnsTheSceneUpForYUpFormatsOnly) {
    BoxDocument document;
    ExportReport report;
    const std::string bytes = exported(workedExample(document), GetParam(), report);
    RawScene raw;
    readRaw(raw, bytes, extensionOf(GetParam()));
    const aiNode* node = childNamed(*raw.scene, "box_2_r1");
    ASSERT_NE(node, nullptr);
    const aiMesh& mesh = *raw.scene->mMeshes[node->mMeshes[0]];
    aiVector3D high(-100, -100, -100);
    for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
        high.x = std::max(high.x, mesh.mVertices[i].x);
        high.y = std::max(high.y, mesh.mVertices[i].y);
        high.z = std::max(high.z, mesh.mVertices[i].z);
    }
    const bool yUp = isYUp(GetParam());
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
    readRaw(raw, bytes, extensionOf(GetParam()));
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
    readRaw(raw, bytes, extensionOf(GetParam()));
    const aiNode* node = childNamed(*raw.scene, "intersections");
    ASSERT_NE(node, nullptr);
    const aiMesh& mesh = *raw.scene->mMeshes[node->mMeshes[0]];
    ASSERT_EQ(mesh.mNumFaces, 2u);
    const bool yUp = isYUp(GetParam());
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
    const std::optional<ModelContent> model = readModelBytes(bytes, extensionOf(GetParam()), error);
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
                         ::testing::Values(ModelFormat::Obj, ModelFormat::Glb, ModelFormat::Collada,
                                           ModelFormat::Fbx),
                         [](const auto& info) { return std::string(extensionOf(info.param)); });

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
    EXPECT_EQ(report.fileError, std::errc::no_such_file_or_directory);
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);
    std::filesystem::remove_all(folder);
}

// An upright cube of side 1: eight corners, six unit normals, six faces of four corners, each
// corner on its face's plane and the faces turning counter-clockwise seen from outside. The
// corners and normals are counted back from the last written, so that each box stands alone.
TEST(ObjWriter, WritesACubeAsItsCornersNormalsAndFaces) {
    BoxDocument document;
    addBox(document, axisBox("7", {-0.5, 1, 2}, {0.5, 2, 3}));
    document.setCountText("1");
    ExportReport report;
    const std::string text = exported(document, ModelFormat::Obj, report);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    const std::vector<std::string> lines = linesOf(text);
    ASSERT_EQ(lines.size(), 21u) << text;
    EXPECT_EQ(lines[0], "o box_7_r0");
    std::set<std::string> corners(lines.begin() + 1, lines.begin() + 9);
    std::set<std::string> expectedCorners;
    for (const char* x : {"-0.5", "0.5"}) {
        for (const char* y : {"1", "2"}) {
            for (const char* z : {"2", "3"}) {
                expectedCorners.insert(std::string("v ") + x + " " + y + " " + z);
            }
        }
    }
    EXPECT_EQ(corners, expectedCorners);
    const std::set<std::string> normals(lines.begin() + 9, lines.begin() + 15);
    EXPECT_EQ(normals, (std::set<std::string>{"vn 1 0 0", "vn -1 0 0", "vn 0 1 0", "vn 0 -1 0",
                                              "vn 0 0 1", "vn 0 0 -1"}));
    const auto vectorOf = [&](std::size_t line) {
        std::istringstream numbers(lines[line].substr(lines[line].find(' ') + 1));
        Vec3 v;
        numbers >> v.x >> v.y >> v.z;
        return v;
    };
    std::set<int> normalsUsed;
    for (std::size_t line = 15; line < 21; ++line) {
        std::istringstream face(lines[line]);
        std::string keyword;
        face >> keyword;
        EXPECT_EQ(keyword, "f");
        std::vector<Vec3> points;
        std::set<int> normalIndices;
        for (std::string corner; face >> corner;) {
            const int vertex = std::stoi(corner.substr(0, corner.find('/')));
            const int normal = std::stoi(corner.substr(corner.rfind('/') + 1));
            ASSERT_TRUE(vertex >= -8 && vertex <= -1) << lines[line];
            ASSERT_TRUE(normal >= -6 && normal <= -1) << lines[line];
            points.push_back(vectorOf(static_cast<std::size_t>(9 + vertex)));
            normalIndices.insert(normal);
        }
        ASSERT_EQ(points.size(), 4u) << lines[line];
        ASSERT_EQ(normalIndices.size(), 1u) << lines[line];
        normalsUsed.insert(*normalIndices.begin());
        const Vec3 n = vectorOf(static_cast<std::size_t>(15 + *normalIndices.begin()));
        // The face is the cube's side its normal points to.
        const double side = n.x + n.y + n.z > 0 ? 1 : 0;
        const Vec3 low{-0.5, 1, 2};
        for (const Vec3& p : points) {
            EXPECT_EQ(dot(p - low, n), side) << lines[line];
        }
        EXPECT_GT(dot(cross(points[1] - points[0], points[2] - points[0]), n), 0) << lines[line];
    }
    EXPECT_EQ(normalsUsed.size(), 6u);
}

// Upright boxes on a grid, floors at shared heights, and boxes turned about one and two axes,
// some mirrored, some with no solid, over several runs and threads: their corners share many
// coordinates, which the writers format once and copy.
void loadSharedCoordinateScene(BoxDocument& document) {
    const Frame mirrored{Vec3{0, 1, 0}, Vec3{1, 0, 0}, Vec3{0, 0, 1}};
    for (std::size_t i = 0; i < 5000; ++i) {
        // Some IDs hold what a JSON string escapes.
        const std::string id = std::to_string(i + 1) + (i % 13 == 0 ? "\"q\\" : "");
        const Vec3 low{static_cast<double>(i % 40) * 2.5, static_cast<double>(i / 40) * 0.75,
                       static_cast<double>(i % 3) * 3.2};
        const Vec3 centre = low + Vec3{0.5, 0.5, 0.5};
        switch (i % 5) {
        case 0:
        case 1:
            addBox(document, axisBox(id, low, low + Vec3{2.5, 0.25, 3.2}));
            break;
        case 2:
            addBox(document, turnedBox(id, centre, {1, 0.25, 1}, static_cast<double>(i % 7) * 15));
            break;
        case 3: {
            const Frame frame =
                i % 2 == 0 ? turnedFrame(30, static_cast<double>(i % 4) * 20) : mirrored;
            addBox(document,
                   boxTexts(id, "10", centre,
                            framePlanes(centre, {0.75, 0.5, 0.25}, frame[0], frame[1], frame[2])));
            break;
        }
        default:
            Box& box = addBox(document, axisBox(id, low, low + Vec3{1, 1, 1}));
            // Every twentieth box leans one side, or bounds nothing at all.
            if (i % 20 == 4) {
                box.planes[0].b = "1000";
            } else if (i % 40 == 9) {
                box.planes[2].d = "ffff0000";
            }
        }
    }
    document.setCountText(std::to_string(document.boxes.size()));
}

std::string floatText(float value) {
    std::array<char, 32> text{};
    return {text.data(), std::to_chars(text.data(), text.data() + text.size(), value).ptr};
}

// Every corner line holds the shortest texts of the solid's corner in single precision, which
// read back as the same floats to the bit, whether formatted for this corner or copied from an
// earlier one.
TEST(ObjWriter, WritesEveryCornerAsTheShortestTextOfItsFloats) {
    BoxDocument document;
    loadSharedCoordinateScene(document);
    ExportReport report;
    const std::vector<std::string> lines = linesOf(exported(document, ModelFormat::Obj, report));
    ASSERT_FALSE(report.skippedRanks.empty());
    std::size_t line = 0;
    std::size_t rank = 0;
    for (const auto& box : document.boxes) {
        const Solid solid = buildSolid(decodeBoxValues(*box));
        const std::string object =
            "o box_" + std::string(box->id.view()) + "_r" + std::to_string(rank++);
        if (!solid.closed()) {
            EXPECT_TRUE(std::find(lines.begin(), lines.end(), object) == lines.end()) << object;
            continue;
        }
        ASSERT_LT(line, lines.size());
        ASSERT_EQ(lines[line++], object);
        for (const Vec3& corner : solid.vertices) {
            const std::array<float, 3> expected{static_cast<float>(corner.x),
                                                static_cast<float>(corner.y),
                                                static_cast<float>(corner.z)};
            ASSERT_LT(line, lines.size());
            const std::string& text = lines[line++];
            EXPECT_EQ(text, "v " + floatText(expected[0]) + " " + floatText(expected[1]) + " " +
                                floatText(expected[2]))
                << object;
            const char* at = text.data() + 2;
            for (const float value : expected) {
                float back = 0;
                const auto read = std::from_chars(at, text.data() + text.size(), back);
                ASSERT_EQ(read.ec, std::errc()) << text;
                EXPECT_EQ(std::memcmp(&back, &value, sizeof back), 0) << text;
                at = read.ptr + 1;
            }
        }
        while (line < lines.size() && lines[line].rfind("o ", 0) != 0) {
            ++line;
        }
    }
    EXPECT_EQ(line, lines.size());
}

std::uint32_t wordAt(const std::string& bytes, std::size_t offset) {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        word |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes.at(offset + i)))
                << (8 * i);
    }
    return word;
}

float floatAt(const std::string& bytes, std::size_t offset) {
    const std::uint32_t word = wordAt(bytes, offset);
    float value = 0;
    std::memcpy(&value, &word, sizeof value);
    return value;
}

// The glb container: a 12-byte header with the whole length, then a JSON chunk padded with
// spaces and a binary chunk padded with zeros, each to four bytes, their lengths as stated.
TEST(GlbWriter, WritesAContainerOfAlignedChunksOfTheStatedLengths) {
    BoxDocument document;
    // Its one intersection, "0 1", is a line.
    workedExample(document);
    ExportOptions options;
    options.intersections = true;
    ExportReport report;
    const std::string bytes = exported(document, ModelFormat::Glb, report, options);
    ASSERT_GE(bytes.size(), 28u);
    EXPECT_EQ(bytes.substr(0, 4), "glTF");
    EXPECT_EQ(wordAt(bytes, 4), 2u);
    EXPECT_EQ(wordAt(bytes, 8), bytes.size());
    const std::size_t jsonLength = wordAt(bytes, 12);
    EXPECT_EQ(bytes.substr(16, 4), "JSON");
    EXPECT_EQ(jsonLength % 4, 0u);
    const std::string json = bytes.substr(20, jsonLength);
    const std::size_t end = json.find_last_not_of(' ');
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(json[end], '}');
    EXPECT_LT(json.size() - end - 1, 4u);
    const std::size_t binaryStart = 20 + jsonLength;
    const std::size_t binaryLength = wordAt(bytes, binaryStart);
    EXPECT_EQ(bytes.substr(binaryStart + 4, 4), std::string("BIN\0", 4));
    EXPECT_EQ(binaryLength % 4, 0u);
    EXPECT_EQ(binaryStart + 8 + binaryLength, bytes.size());
    // The buffer's own length lies within the padding of the chunk.
    const std::size_t stated = json.find(R"("buffers":[{"byteLength":)");
    ASSERT_NE(stated, std::string::npos);
    const std::size_t bufferLength = std::stoul(json.substr(stated + 25));
    EXPECT_LE(bufferLength, binaryLength);
    EXPECT_GT(bufferLength + 4, binaryLength);
    // The first box, the cube of side 2 around the origin, leads the binary chunk with the 24
    // corners of its six faces.
    for (std::size_t i = 0; i < 24 * 3; ++i) {
        EXPECT_EQ(std::fabs(floatAt(bytes, binaryStart + 8 + 4 * i)), 1.0f) << i;
    }
    EXPECT_EQ(report.boxesWritten, 2u);
    EXPECT_EQ(report.linesWritten, 1u);
}

// The binary chunk leads with the corners of each face of each box written, in order and in
// glTF's axes, each the solid's corner in single precision to the bit.
TEST(GlbWriter, LaysOutTheCornersOfEveryFaceInOrder) {
    BoxDocument document;
    loadSharedCoordinateScene(document);
    ExportReport report;
    const std::string bytes = exported(document, ModelFormat::Glb, report);
    ASSERT_FALSE(report.skippedRanks.empty());
    // The lengths stated before the JSON, measured before it was written, are those written.
    ASSERT_EQ(wordAt(bytes, 8), bytes.size());
    const std::size_t jsonEnd = 20 + wordAt(bytes, 12);
    ASSERT_EQ(bytes.substr(jsonEnd + 4, 4), std::string("BIN\0", 4));
    EXPECT_EQ(bytes.substr(0, jsonEnd).find_last_not_of(' '), bytes.find_last_of('}', jsonEnd));
    std::size_t offset = jsonEnd + 8;
    for (const auto& box : document.boxes) {
        const Solid solid = buildSolid(decodeBoxValues(*box));
        if (!solid.closed()) {
            continue;
        }
        for (const std::size_t plane : shownFacePlanes(solid)) {
            for (const std::size_t corner : solid.faces[plane]) {
                const Vec3& v = solid.vertices[corner];
                const std::array<float, 3> expected{
                    static_cast<float>(v.x), static_cast<float>(v.z), static_cast<float>(-v.y)};
                for (const float value : expected) {
                    ASSERT_LE(offset + 4, bytes.size());
                    EXPECT_EQ(wordAt(bytes, offset), std::bit_cast<std::uint32_t>(value))
                        << box->id.view();
                    offset += 4;
                }
            }
        }
    }
    // The normals of the sets the boxes share follow, then the indices.
    EXPECT_LT(offset, bytes.size());
}

// No box, no binary chunk: glTF gives no buffer of no bytes.
TEST(GlbWriter, WritesAnEmptyDocumentAsJsonAlone) {
    BoxDocument document;
    document.setCountText("0");
    ExportReport report;
    const std::string bytes = exported(document, ModelFormat::Glb, report);
    ASSERT_GE(bytes.size(), 20u);
    EXPECT_EQ(wordAt(bytes, 8), bytes.size());
    EXPECT_EQ(20 + wordAt(bytes, 12), bytes.size());
    EXPECT_EQ(bytes.find("buffers"), std::string::npos);
    EXPECT_EQ(report.boxesWritten, 0u);
}

// Enough boxes for the writers to share them among threads in many runs, with two that have no
// solid in runs of their own: every box comes back in order, named after its ID and rank, with
// the same planes within one step, and the two are left out and counted in order.
class ManyBoxes : public ::testing::TestWithParam<ModelFormat> {};

TEST_P(ManyBoxes, ComeBackInOrderWithTheSamePlanes) {
    constexpr std::size_t count = 5000;
    const std::vector<std::size_t> broken{10, 4321};
    BoxDocument document;
    for (std::size_t i = 0; i < count; ++i) {
        const Vec3 centre{static_cast<double>(i % 70) * 3 - 100,
                          static_cast<double>(i / 70) * 3 - 100, static_cast<double>(i % 5)};
        Box& box = addBox(document, turnedBox(std::to_string(i + 1), centre, {1, 0.25, 1},
                                              static_cast<double>(i % 7) * 15));
        if (std::find(broken.begin(), broken.end(), i) != broken.end()) {
            // A plane with no normal bounds nothing.
            box.planes[0].a = "0000";
            box.planes[0].b = "0000";
        }
    }
    document.setCountText(std::to_string(count));
    ExportReport report;
    const std::string bytes = exported(document, GetParam(), report);
    EXPECT_EQ(report.boxesWritten, count - broken.size());
    EXPECT_EQ(report.skippedRanks, broken);
    std::string error;
    const std::optional<ModelContent> model = readModelBytes(bytes, extensionOf(GetParam()), error);
    ASSERT_TRUE(model) << error;
    ASSERT_EQ(model->meshes.size(), count - broken.size());
    BoxDocument back;
    appendModelBoxes(*model, back, {});
    ASSERT_EQ(back.boxes.size(), count - broken.size());
    std::size_t rank = 0;
    for (std::size_t i = 0; i < model->meshes.size(); ++i, ++rank) {
        if (std::find(broken.begin(), broken.end(), rank) != broken.end()) {
            ++rank;
        }
        EXPECT_EQ(model->meshes[i].name,
                  "box_" + std::to_string(rank + 1) + "_r" + std::to_string(rank));
        const BoxValues expected = decodeBoxValues(document.boxes.at(rank));
        const BoxValues actual = decodeBoxValues(back.boxes.at(i));
        // The box fitted may list the same planes in another order.
        for (const PlaneValues& plane : expected.planes) {
            EXPECT_TRUE(std::any_of(actual.planes.begin(), actual.planes.end(),
                                    [&](const PlaneValues& other) {
                                        return other.normal == plane.normal &&
                                               std::fabs(other.d - plane.d) <= STEP;
                                    }))
                << "box " << rank;
        }
    }
}

// Boxes turned many ways, shared among threads: every corner of a face carries the normal its
// winding gives, whichever boxes share normals in the file.
TEST_P(ManyBoxes, CarryEachFaceItsOwnNormal) {
    constexpr std::size_t count = 4500;
    BoxDocument document;
    for (std::size_t i = 0; i < count; ++i) {
        const Vec3 centre{static_cast<double>(i % 70) * 3, static_cast<double>(i / 70) * 3, 0};
        const Frame frame =
            turnedFrame(static_cast<double>(i % 5) * 20, static_cast<double>(i % 3) * 35);
        addBox(document,
               boxTexts(std::to_string(i + 1), "10", centre,
                        framePlanes(centre, {1, 0.5, 0.25}, frame[0], frame[1], frame[2])));
    }
    document.setCountText(std::to_string(count));
    ExportReport report;
    const std::string bytes = exported(document, GetParam(), report);
    RawScene raw;
    readRaw(raw, bytes, extensionOf(GetParam()));
    ASSERT_EQ(raw.scene->mNumMeshes, count);
    for (unsigned m = 0; m < raw.scene->mNumMeshes; ++m) {
        const aiMesh& mesh = *raw.scene->mMeshes[m];
        ASSERT_TRUE(mesh.HasNormals());
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            const aiVector3D& a = mesh.mVertices[face.mIndices[0]];
            const aiVector3D& b = mesh.mVertices[face.mIndices[1]];
            const aiVector3D& c = mesh.mVertices[face.mIndices[2]];
            const aiVector3D winding = ((b - a) ^ (c - a)).Normalize();
            for (unsigned i = 0; i < face.mNumIndices; ++i) {
                ASSERT_GT(winding * mesh.mNormals[face.mIndices[i]], 0.9999)
                    << "mesh " << m << " face " << f;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(OurWriters, ManyBoxes,
                         ::testing::Values(ModelFormat::Obj, ModelFormat::Glb),
                         [](const auto& info) { return std::string(extensionOf(info.param)); });

// An ID is the file's text: quotes and backslashes are escaped in glb's JSON, and a control that
// would end OBJ's line becomes "_"; the name read back is the one written.
TEST(ModelWriter, NamesMeshesWhateverTheIdHolds) {
    BoxDocument document;
    addBox(document, axisBox("a\"b\\c\nd", {0, 0, 0}, {1, 1, 1}));
    document.setCountText("1");
    for (const ModelFormat format : {ModelFormat::Obj, ModelFormat::Glb}) {
        ExportReport report;
        const std::string bytes = exported(document, format, report);
        std::string error;
        const std::optional<ModelContent> model = readModelBytes(bytes, extensionOf(format), error);
        ASSERT_TRUE(model) << error;
        ASSERT_EQ(model->meshes.size(), 1u);
        EXPECT_EQ(model->meshes[0].name, "box_a\"b\\c_d_r0") << extensionOf(format);
    }
}

// The reader the glb tests below rely on turns down what the standard forbids.
TEST(StrictJson, TurnsDownWhatTheStandardForbids) {
    EXPECT_TRUE(StrictJson::stringsOf(R"({"a":[1,-2.5e3,true,null,"\u00e9\ud83d\ude00"]})"));
    for (const std::string_view bad :
         {std::string_view("{\"a\":\"\x80\"}"), std::string_view("[\"\xc0\xaf\"]"),
          std::string_view("[\"\xed\xa0\x80\"]"), std::string_view("[\"\xf4\x90\x80\x80\"]"),
          std::string_view("[\"\xc3\"]"), std::string_view("[\"a\x01\"]"),
          std::string_view(R"(["\x41"])"), std::string_view(R"(["\ud800"])"),
          std::string_view(R"(["\udc00x"])"), std::string_view("[1,]"),
          std::string_view("{\"a\" 1}"), std::string_view("[01]"), std::string_view("[\"a\"] x")}) {
        EXPECT_FALSE(StrictJson::stringsOf(bad)) << bad;
    }
}

// glb's JSON is UTF-8, an ID is bytes. A valid UTF-8 ID names its mesh byte for byte; any other
// reads as the lists show it (Windows-1252); whatever the bytes, a strict reader takes the JSON,
// the lengths stated are those written, and Assimp reads back the name written.
TEST(GlbWriter, WritesStrictJsonWhateverBytesAnIdHolds) {
    struct Case {
        std::string id;
        std::string name;
    };
    std::string everyByte;
    for (int c = 1; c < 256; ++c) {
        everyByte += static_cast<char>(c);
    }
    const std::vector<Case> cases{
        {"Béton€ü", "Béton€ü"},
        {"日本\xf0\x9f\x98\x80", "日本\xf0\x9f\x98\x80"},
        {"\xf4\x8f\xbf\xbf\xef\xbf\xbf", "\xf4\x8f\xbf\xbf\xef\xbf\xbf"},
        {"a\"b\\c", "a\"b\\c"},
        {"tab\there\x1f\x7f", "tab_here__"},
        {"caf\xe9", "café"},
        {"\x80\x9f\xff", "€Ÿÿ"},
        {"\xa9 seul", "© seul"},
        {"tronqu\xc3", "tronquÃ"},
        {"long\xc0\xaf", "longÀ¯"},
        {"\xe0\x80\xaf", "à€¯"},
        {"\xed\xa0\x80", "í\xc2\xa0€"},
        {"\xf4\x90\x80\x80", "ô\xc2\x90€€"},
        {"\x81\x8d\"\\\xe9", "\xc2\x81\xc2\x8d\"\\é"},
        {everyByte, ""},
    };
    BoxDocument document;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        addBox(document, axisBox(cases[i].id, {double(i), 0, 0}, {i + 0.5, 1, 1}));
    }
    document.setCountText(std::to_string(cases.size()));
    ExportReport report;
    const std::string bytes = exported(document, ModelFormat::Glb, report);
    ASSERT_EQ(report.boxesWritten, cases.size());
    ASSERT_EQ(wordAt(bytes, 8), bytes.size());
    const std::string json = bytes.substr(20, wordAt(bytes, 12));
    ASSERT_EQ(bytes.substr(20 + json.size() + 4, 4), std::string("BIN\0", 4));
    const std::optional<std::vector<std::string>> strings = StrictJson::stringsOf(json);
    ASSERT_TRUE(strings) << json;
    std::string error;
    const std::optional<ModelContent> model = readModelBytes(bytes, "glb", error);
    ASSERT_TRUE(model) << error;
    ASSERT_EQ(model->meshes.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string& name = model->meshes[i].name;
        // A node and a mesh carry each name.
        EXPECT_EQ(std::count(strings->begin(), strings->end(), name), 2) << name;
        if (!cases[i].name.empty()) {
            EXPECT_EQ(name, "box_" + cases[i].name + "_r" + std::to_string(i)) << i;
        }
    }
    EXPECT_TRUE(model->meshes.back().name.starts_with("box______")) << model->meshes.back().name;
}

// STL and PLY hold one mesh: every face of every box is there, each corner on its box in the
// BOX file's axes, and names are lost.
class SingleMeshFormats : public ::testing::TestWithParam<ModelFormat> {};

TEST_P(SingleMeshFormats, HoldEveryFaceOfEveryBox) {
    BoxDocument document;
    addBox(document, axisBox("1", {0, 0, 0}, {1, 2, 3}));
    addBox(document, axisBox("2", {10, 10, 10}, {11, 11, 11}));
    document.setCountText("2");
    ExportReport report;
    const std::string bytes = exported(document, GetParam(), report);
    EXPECT_EQ(report.boxesWritten, 2u);
    RawScene raw;
    readRaw(raw, bytes, extensionOf(GetParam()));
    std::size_t triangles = 0;
    for (unsigned m = 0; m < raw.scene->mNumMeshes; ++m) {
        const aiMesh& mesh = *raw.scene->mMeshes[m];
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            triangles += mesh.mFaces[f].mNumIndices == 3 ? 1 : 0;
        }
        for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
            const aiVector3D& p = mesh.mVertices[v];
            const bool onFirst =
                (p.x == 0 || p.x == 1) && (p.y == 0 || p.y == 2) && (p.z == 0 || p.z == 3);
            const bool onSecond =
                (p.x == 10 || p.x == 11) && (p.y == 10 || p.y == 11) && (p.z == 10 || p.z == 11);
            EXPECT_TRUE(onFirst || onSecond) << p.x << " " << p.y << " " << p.z;
        }
    }
    EXPECT_EQ(triangles, 24u);
}

INSTANTIATE_TEST_SUITE_P(AssimpWriters, SingleMeshFormats,
                         ::testing::Values(ModelFormat::Stl, ModelFormat::Ply),
                         [](const auto& info) { return std::string(extensionOf(info.param)); });

// The extension names the format, in any case; another is none.
TEST(ModelFormats, AreNamedByTheExtension) {
    EXPECT_EQ(modelFormatOf("a/scene.OBJ"), ModelFormat::Obj);
    EXPECT_EQ(modelFormatOf("scene.glb"), ModelFormat::Glb);
    EXPECT_EQ(modelFormatOf("scene.Dae"), ModelFormat::Collada);
    EXPECT_EQ(modelFormatOf("scene.stl"), ModelFormat::Stl);
    EXPECT_EQ(modelFormatOf("scene.ply"), ModelFormat::Ply);
    EXPECT_EQ(modelFormatOf("scene.fbx"), ModelFormat::Fbx);
    EXPECT_EQ(modelFormatOf("scene.gltf"), std::nullopt);
    EXPECT_EQ(modelFormatOf("scene.obj/box"), std::nullopt);
    EXPECT_EQ(modelFormatOf("obj"), std::nullopt);
}

} // namespace
