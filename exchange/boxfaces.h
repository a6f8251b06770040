#pragma once

#include "textbuffer.h"
#include "vec3.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class BoxDocument;

// What the model writers share: the axes of the model, the names of the meshes, and the runs of
// boxes the threads share out.

// The axis a model stands up along. The BOX file's Z is up.
enum class UpAxis { Z, Y };

// A point or a direction of the BOX file in the model's axes: for Y up, the file's Z becomes Y
// and its Y becomes -Z, so that the scene stays right-handed.
inline Vec3 placed(const Vec3& v, UpAxis up) {
    return up == UpAxis::Y ? Vec3{v.x, v.z, -v.y} : v;
}

// "box_<ID>_r<rank>" written at the place, which has room for meshNameRoom(id) bytes. Bytes of
// the ID that would end a name or a line in some format (controls) become "_".
char* putMeshName(char* at, std::string_view id, std::size_t rank);
inline std::size_t meshNameRoom(std::string_view id) {
    return id.size() + 6 + NUMBER_ROOM;
}
// The same appended to the text.
void appendMeshName(std::string& text, std::string_view id, std::size_t rank);

// Consecutive ranks [first, last) of a document, a share of the work one thread takes at a time.
struct RankRun {
    std::size_t first = 0;
    std::size_t last = 0;
};
std::vector<RankRun> rankRuns(std::size_t boxCount);

// The pairs of the document's intersection list whose two boxes are written (written[rank] not
// 0), as ranks; pairs that do not read as two ranks, or that name another box, are left out.
std::vector<std::pair<std::size_t, std::size_t>>
writtenIntersections(const BoxDocument& document, const std::vector<char>& written);

// Where a writer puts the model's bytes, in order. False when they could not be taken: the
// writer then puts nothing more.
using ModelOutput = std::function<bool(std::string_view)>;
