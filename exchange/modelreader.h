#pragma once

#include "vec3.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One mesh node of a model: its name and every vertex of its meshes, placed in the scene by the
// transforms of all the nodes from the root, in the BOX file's axes (Z up).
struct ModelMesh {
    std::string name;
    // The names of the node's meshes, which some tools mark instead of the node.
    std::vector<std::string> meshNames;
    std::vector<Vec3> points;
};

struct ModelContent {
    std::vector<ModelMesh> meshes;
};

// Reads a model in any of the formats Assimp knows from its file's extension and content: OBJ,
// glTF (.gltf, .glb), FBX, Collada (.dae), 3DS, PLY, STL among them. glTF, Collada and 3DS
// scenes come Y up from Assimp and are turned to Z up; an FBX file says its up axis; the others
// are taken as Z up, as a BOX file is. Nothing, with Assimp's reason in error, when it cannot.
std::optional<ModelContent> readModelFile(const std::string& path, std::string& error);
// The same from bytes in memory, the format told by an extension such as "obj".
std::optional<ModelContent> readModelBytes(std::string_view bytes, const std::string& extension,
                                           std::string& error);
