#include "modelwriter.h"

#include "boxvalues.h"
#include "orlclass.h"
#include "safefile.h"
#include "solid.h"

#include <algorithm>
#include <assimp/Exporter.hpp>
#include <assimp/scene.h>
#include <charconv>
#include <memory>
#include <string_view>

namespace {

// glTF is Y up: the BOX file's Z becomes Y, and its Y becomes -Z.
aiVector3D placed(const Vec3& v, ModelFormat format) {
    if (format == ModelFormat::Glb) {
        return {static_cast<ai_real>(v.x), static_cast<ai_real>(v.z), static_cast<ai_real>(-v.y)};
    }
    return {static_cast<ai_real>(v.x), static_cast<ai_real>(v.y), static_cast<ai_real>(v.z)};
}

// The faces of a solid, each once: two planes that coincide both list the same face.
std::vector<std::size_t> distinctFaces(const Solid& solid) {
    std::vector<std::size_t> planes;
    std::vector<std::vector<std::size_t>> seen;
    for (std::size_t p = 0; p < solid.faces.size(); ++p) {
        if (solid.faces[p].size() < 3) {
            continue;
        }
        std::vector<std::size_t> corners = solid.faces[p];
        std::sort(corners.begin(), corners.end());
        if (std::find(seen.begin(), seen.end(), corners) == seen.end()) {
            seen.push_back(std::move(corners));
            planes.push_back(p);
        }
    }
    return planes;
}

// One mesh with flat faces: each face has corners of its own, carrying its normal. glTF takes
// triangles only, so its faces are cut into fans; OBJ keeps the solid's polygons.
aiMesh* solidMesh(const Solid& solid, const BoxValues& values, const std::string& name,
                  ModelFormat format) {
    const std::vector<std::size_t> planes = distinctFaces(solid);
    std::size_t cornerCount = 0;
    std::size_t faceCount = 0;
    for (std::size_t p : planes) {
        cornerCount += solid.faces[p].size();
        faceCount += format == ModelFormat::Glb ? solid.faces[p].size() - 2 : 1;
    }
    auto* mesh = new aiMesh();
    mesh->mName = name;
    mesh->mPrimitiveTypes = format == ModelFormat::Glb
                                ? aiPrimitiveType_TRIANGLE
                                : aiPrimitiveType_TRIANGLE | aiPrimitiveType_POLYGON;
    mesh->mNumVertices = static_cast<unsigned>(cornerCount);
    mesh->mVertices = new aiVector3D[cornerCount];
    mesh->mNormals = new aiVector3D[cornerCount];
    mesh->mNumFaces = static_cast<unsigned>(faceCount);
    mesh->mFaces = new aiFace[faceCount];
    unsigned corner = 0;
    std::size_t face = 0;
    for (std::size_t p : planes) {
        const Vec3& n = values.planes[p].normal;
        const Vec3 normal = n * (1 / length(n));
        const unsigned first = corner;
        for (std::size_t index : solid.faces[p]) {
            mesh->mVertices[corner] = placed(solid.vertices[index], format);
            mesh->mNormals[corner] = placed(normal, format);
            ++corner;
        }
        const auto size = static_cast<unsigned>(solid.faces[p].size());
        if (format == ModelFormat::Glb) {
            for (unsigned i = 1; i + 1 < size; ++i) {
                aiFace& triangle = mesh->mFaces[face++];
                triangle.mNumIndices = 3;
                triangle.mIndices = new unsigned[3]{first, first + i, first + i + 1};
            }
        } else {
            aiFace& polygon = mesh->mFaces[face++];
            polygon.mNumIndices = size;
            polygon.mIndices = new unsigned[size];
            for (unsigned i = 0; i < size; ++i) {
                polygon.mIndices[i] = first + i;
            }
        }
    }
    return mesh;
}

std::optional<std::size_t> rankOf(std::string_view text) {
    std::size_t rank = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rank);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return rank;
}

// Lines between the centres of the listed pairs of exported boxes; pairs that name another box
// or do not read as two ranks are left out.
aiMesh* intersectionMesh(const BoxDocument& document, const std::vector<Vec3>& centres,
                         const std::vector<bool>& exported, ModelFormat format) {
    std::vector<std::pair<std::size_t, std::size_t>> lines;
    for (const std::string_view text : document.intersections) {
        const std::size_t space = text.find(' ');
        if (space == std::string::npos) {
            continue;
        }
        const std::optional<std::size_t> a = rankOf(text.substr(0, space));
        const std::optional<std::size_t> b = rankOf(text.substr(space + 1));
        const auto inside = [&](const std::optional<std::size_t>& rank) {
            return rank && *rank < exported.size() && exported[*rank];
        };
        if (inside(a) && inside(b) && *a != *b) {
            lines.emplace_back(*a, *b);
        }
    }
    if (lines.empty()) {
        return nullptr;
    }
    auto* mesh = new aiMesh();
    mesh->mName = "intersections";
    mesh->mPrimitiveTypes = aiPrimitiveType_LINE;
    mesh->mNumVertices = static_cast<unsigned>(lines.size() * 2);
    mesh->mVertices = new aiVector3D[lines.size() * 2];
    mesh->mNumFaces = static_cast<unsigned>(lines.size());
    mesh->mFaces = new aiFace[lines.size()];
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto first = static_cast<unsigned>(2 * i);
        mesh->mVertices[first] = placed(centres[lines[i].first], format);
        mesh->mVertices[first + 1] = placed(centres[lines[i].second], format);
        mesh->mFaces[i].mNumIndices = 2;
        mesh->mFaces[i].mIndices = new unsigned[2]{first, first + 1};
    }
    return mesh;
}

std::unique_ptr<aiScene> boxScene(const BoxDocument& document, ModelFormat format,
                                  const ExportOptions& options, ExportReport& report) {
    std::vector<aiMesh*> meshes;
    std::vector<Vec3> centres;
    std::vector<bool> exported;
    Solid solid;
    std::size_t rank = 0;
    for (const auto& box : document.boxes) {
        const BoxValues values = decodeBoxValues(*box);
        buildSolid(values, solid);
        centres.push_back(values.centre);
        exported.push_back(solid.closed());
        if (solid.closed()) {
            const std::string name =
                "box_" + std::string(box->id.view()) + "_r" + std::to_string(rank);
            meshes.push_back(solidMesh(solid, values, name, format));
        } else {
            report.skippedRanks.push_back(rank);
        }
        ++rank;
    }
    report.boxesWritten = meshes.size();
    if (options.intersections) {
        if (aiMesh* lines = intersectionMesh(document, centres, exported, format)) {
            report.linesWritten = lines->mNumFaces;
            meshes.push_back(lines);
        }
    }

    auto scene = std::make_unique<aiScene>();
    scene->mNumMaterials = 1;
    scene->mMaterials = new aiMaterial* [1] { new aiMaterial() };
    scene->mNumMeshes = static_cast<unsigned>(meshes.size());
    scene->mMeshes = new aiMesh*[meshes.size()];
    std::copy(meshes.begin(), meshes.end(), scene->mMeshes);
    scene->mRootNode = new aiNode("boxes");
    scene->mRootNode->mNumChildren = scene->mNumMeshes;
    scene->mRootNode->mChildren = new aiNode*[meshes.size()];
    for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
        auto* node = new aiNode(meshes[i]->mName.C_Str());
        node->mParent = scene->mRootNode;
        node->mNumMeshes = 1;
        node->mMeshes = new unsigned[1]{i};
        scene->mRootNode->mChildren[i] = node;
    }
    return scene;
}

} // namespace

std::optional<std::string> modelBytes(const BoxDocument& document, ModelFormat format,
                                      const ExportOptions& options, ExportReport& report,
                                      std::string& error) {
    report = ExportReport{};
    const std::unique_ptr<aiScene> scene = boxScene(document, format, options, report);
    Assimp::Exporter exporter;
    const aiExportDataBlob* blob =
        exporter.ExportToBlob(scene.get(), format == ModelFormat::Glb ? "glb2" : "objnomtl");
    if (blob == nullptr) {
        error = exporter.GetErrorString();
        return std::nullopt;
    }
    return std::string(static_cast<const char*>(blob->data), blob->size);
}

bool writeModelFile(const BoxDocument& document, const std::string& path, ModelFormat format,
                    const ExportOptions& options, ExportReport& report, std::string& error) {
    const std::optional<std::string> bytes = modelBytes(document, format, options, report, error);
    if (!bytes) {
        return false;
    }
    SafeFileWriter writer(path);
    if (!writer.isOpen() || !writer.write(*bytes) || !writer.commit()) {
        error = "écriture impossible";
        return false;
    }
    return true;
}
