#include "modelreader.h"

#include <algorithm>
#include <array>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <cstddef>
#include <filesystem>
#include <utility>

namespace {

// A node's transform in double precision, rows of a 4x4 matrix applied to column vectors.
using Transform = std::array<std::array<double, 4>, 4>;

Transform toTransform(const aiMatrix4x4& m) {
    return {{{m.a1, m.a2, m.a3, m.a4},
             {m.b1, m.b2, m.b3, m.b4},
             {m.c1, m.c2, m.c3, m.c4},
             {m.d1, m.d2, m.d3, m.d4}}};
}

Transform product(const Transform& a, const Transform& b) {
    Transform result{};
    for (std::size_t i = 0; i < 4; ++i) {
        for (std::size_t j = 0; j < 4; ++j) {
            for (std::size_t k = 0; k < 4; ++k) {
                result[i][j] += a[i][k] * b[k][j];
            }
        }
    }
    return result;
}

Vec3 transformed(const Transform& t, const aiVector3D& v) {
    const double x = v.x, y = v.y, z = v.z;
    return {t[0][0] * x + t[0][1] * y + t[0][2] * z + t[0][3],
            t[1][0] * x + t[1][1] * y + t[1][2] * z + t[1][3],
            t[2][0] * x + t[2][1] * y + t[2][2] * z + t[2][3]};
}

// Turns a Y-up scene to Z up: Y becomes Z, and Z becomes -Y, so that a right-handed scene stays
// right-handed.
constexpr Transform Y_UP_TO_Z_UP{{{1, 0, 0, 0}, {0, 0, -1, 0}, {0, 1, 0, 0}, {0, 0, 0, 1}}};
constexpr Transform IDENTITY{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

std::string lowerExtension(std::string extension) {
    if (!extension.empty() && extension.front() == '.') {
        extension.erase(0, 1);
    }
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return extension;
}

bool isYUp(const aiScene& scene, const std::string& extension) {
    if (extension == "gltf" || extension == "glb" || extension == "dae" || extension == "3ds") {
        return true;
    }
    if (extension == "fbx" && scene.mMetaData != nullptr) {
        int axis = 1;
        return !scene.mMetaData->Get("UpAxis", axis) || axis == 1;
    }
    return false;
}

ModelContent meshNodes(const aiScene& scene, const std::string& extension) {
    ModelContent content;
    if (scene.mRootNode == nullptr) {
        return content;
    }
    // Walked with a stack of its own: a malformed file may nest nodes deeply.
    std::vector<std::pair<const aiNode*, Transform>> pending{
        {scene.mRootNode, isYUp(scene, extension) ? Y_UP_TO_Z_UP : IDENTITY}};
    while (!pending.empty()) {
        const auto [node, parent] = pending.back();
        pending.pop_back();
        const Transform placed = product(parent, toTransform(node->mTransformation));
        if (node->mNumMeshes > 0) {
            ModelMesh mesh;
            mesh.name = node->mName.C_Str();
            for (unsigned i = 0; i < node->mNumMeshes; ++i) {
                if (node->mMeshes[i] >= scene.mNumMeshes) {
                    continue;
                }
                const aiMesh& source = *scene.mMeshes[node->mMeshes[i]];
                mesh.meshNames.emplace_back(source.mName.C_Str());
                for (unsigned v = 0; v < source.mNumVertices; ++v) {
                    mesh.points.push_back(transformed(placed, source.mVertices[v]));
                }
            }
            if (mesh.name.empty() && !mesh.meshNames.empty()) {
                mesh.name = mesh.meshNames.front();
            }
            content.meshes.push_back(std::move(mesh));
        }
        // Children go on the stack last first, so that meshes come out in the file's order.
        for (unsigned i = node->mNumChildren; i-- > 0;) {
            pending.emplace_back(node->mChildren[i], placed);
        }
    }
    return content;
}

// Checked by Assimp, so that what a malformed file brings holds together.
constexpr unsigned READ_STEPS = aiProcess_ValidateDataStructure;

} // namespace

std::optional<ModelContent> readModelFile(const std::string& path, std::string& error) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, READ_STEPS);
    if (scene == nullptr) {
        error = importer.GetErrorString();
        return std::nullopt;
    }
    return meshNodes(*scene, lowerExtension(std::filesystem::path(path).extension().string()));
}

std::optional<ModelContent> readModelBytes(std::string_view bytes, const std::string& extension,
                                           std::string& error) {
    Assimp::Importer importer;
    const std::string hint = lowerExtension(extension);
    const aiScene* scene =
        importer.ReadFileFromMemory(bytes.data(), bytes.size(), READ_STEPS, hint.c_str());
    if (scene == nullptr) {
        error = importer.GetErrorString();
        return std::nullopt;
    }
    return meshNodes(*scene, hint);
}
