#include "assimpwriter.h"

#include "boxmesh.h"
#include "modelwriter.h"
#include "orlclass.h"

#include <algorithm>
#include <assimp/Exporter.hpp>
#include <assimp/scene.h>
#include <memory>

namespace {

aiVector3D aiPoint(const Vec3& v, UpAxis up) {
    const Vec3 p = placed(v, up);
    return {static_cast<ai_real>(p.x), static_cast<ai_real>(p.y), static_cast<ai_real>(p.z)};
}

aiMesh* boxMesh(const BoxMesh& box, const std::string& name, UpAxis up) {
    const std::size_t cornerCount = box.faceCornerCount();
    const std::size_t triangleCount = cornerCount - 2 * box.faceCount();
    auto* mesh = new aiMesh();
    mesh->mName = name;
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mNumVertices = static_cast<unsigned>(cornerCount);
    mesh->mVertices = new aiVector3D[cornerCount];
    mesh->mNormals = new aiVector3D[cornerCount];
    mesh->mNumFaces = static_cast<unsigned>(triangleCount);
    mesh->mFaces = new aiFace[triangleCount];
    unsigned corner = 0;
    std::size_t triangle = 0;
    for (std::size_t f = 0; f < box.faceCount(); ++f) {
        const std::span<const std::uint8_t> corners = box.face(f);
        const aiVector3D normal = aiPoint(box.normal(f), up);
        const unsigned first = corner;
        for (const std::uint8_t index : corners) {
            mesh->mVertices[corner] = aiPoint(box.corners()[index], up);
            mesh->mNormals[corner] = normal;
            ++corner;
        }
        // A fan from the first corner keeps the face's counter-clockwise turn.
        for (unsigned i = 1; i + 1 < corners.size(); ++i) {
            aiFace& face = mesh->mFaces[triangle++];
            face.mNumIndices = 3;
            face.mIndices = new unsigned[3]{first, first + i, first + i + 1};
        }
    }
    return mesh;
}

aiMesh* linesMesh(const std::vector<std::pair<std::size_t, std::size_t>>& lines,
                  const std::vector<Vec3>& centres, UpAxis up) {
    auto* mesh = new aiMesh();
    mesh->mName = "intersections";
    mesh->mPrimitiveTypes = aiPrimitiveType_LINE;
    mesh->mNumVertices = static_cast<unsigned>(lines.size() * 2);
    mesh->mVertices = new aiVector3D[lines.size() * 2];
    mesh->mNumFaces = static_cast<unsigned>(lines.size());
    mesh->mFaces = new aiFace[lines.size()];
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto first = static_cast<unsigned>(2 * i);
        mesh->mVertices[first] = aiPoint(centres[lines[i].first], up);
        mesh->mVertices[first + 1] = aiPoint(centres[lines[i].second], up);
        mesh->mFaces[i].mNumIndices = 2;
        mesh->mFaces[i].mIndices = new unsigned[2]{first, first + 1};
    }
    return mesh;
}

std::unique_ptr<aiScene> boxScene(const BoxDocument& document, UpAxis up,
                                  const ExportOptions& options, ExportReport& report) {
    std::vector<aiMesh*> meshes;
    std::vector<Vec3> centres;
    std::vector<char> written;
    BoxMesh mesh;
    std::size_t rank = 0;
    for (const auto& box : document.boxes) {
        const BoxValues values = decodeBoxValues(*box);
        const bool built = mesh.build(values);
        centres.push_back(values.centre);
        written.push_back(built ? 1 : 0);
        if (built) {
            std::string name;
            appendMeshName(name, box->id.view(), rank);
            meshes.push_back(boxMesh(mesh, name, up));
        } else {
            report.skippedRanks.push_back(rank);
        }
        ++rank;
    }
    report.boxesWritten = meshes.size();
    if (options.intersections) {
        const auto lines = writtenIntersections(document, written);
        if (!lines.empty()) {
            report.linesWritten = lines.size();
            meshes.push_back(linesMesh(lines, centres, up));
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

std::optional<std::string> assimpModelBytes(const BoxDocument& document, const char* assimpFormat,
                                            UpAxis up, const ExportOptions& options,
                                            ExportReport& report, std::string& error) {
    report = ExportReport{};
    const std::unique_ptr<aiScene> scene = boxScene(document, up, options, report);
    Assimp::Exporter exporter;
    const aiExportDataBlob* blob = exporter.ExportToBlob(scene.get(), assimpFormat);
    if (blob == nullptr) {
        error = exporter.GetErrorString();
        return std::nullopt;
    }
    return std::string(static_cast<const char*>(blob->data), blob->size);
}
