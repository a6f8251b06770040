#pragma once

#include "boxvalues.h"
#include "solid.h"
#include "vec3.h"

#include <array>
#include <charconv>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class BoxDocument;

// What the model writers share: the faces of each box's solid as a mesh shows them, the axes of
// the model, the names of the meshes, and the runs of boxes the threads share out.

// The axis a model stands up along. The BOX file's Z is up.
enum class UpAxis { Z, Y };

// A point or a direction of the BOX file in the model's axes: for Y up, the file's Z becomes Y
// and its Y becomes -Z, so that the scene stays right-handed.
inline Vec3 placed(const Vec3& v, UpAxis up) {
    return up == UpAxis::Y ? Vec3{v.x, v.z, -v.y} : v;
}

// The planes whose faces a mesh shows, in plane order: each face of the solid once, since two
// planes that coincide both list the same face.
struct FacePlanes {
    std::array<std::size_t, 6> planes{};
    std::size_t count = 0;
};
FacePlanes distinctFaces(const Solid& solid);

// The outward normal of a plane, of unit length.
Vec3 unitNormal(const PlaneValues& plane);

template <typename Number> void appendNumber(std::string& text, Number value) {
    std::array<char, 32> digits{};
    const auto written = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    text.append(digits.data(), written.ptr);
}

// The most characters a number takes: "-1.17549435e-38" for a float, 20 digits and a sign for
// an integer.
inline constexpr std::size_t NUMBER_ROOM = 24;

// Bytes written at the end of a buffer that grows ahead of need: a writer asks once for room
// enough for a whole box, then writes its numbers with no check each, which the formatting of
// large models spends most of its time on otherwise.
class TextBuffer {
public:
    void clear() { used_ = 0; }
    // Where to write at most `most` more bytes; end() then keeps those written up to the end.
    char* room(std::size_t most);
    void end(const char* written) { used_ = static_cast<std::size_t>(written - data_.get()); }
    std::string_view view() const { return {data_.get(), used_}; }
    void append(std::string_view bytes) { end(put(room(bytes.size()), bytes)); }

    static char* put(char* at, std::string_view bytes) {
        bytes.copy(at, bytes.size());
        return at + bytes.size();
    }
    static char* put(char* at, char c) {
        *at = c;
        return at + 1;
    }
    template <typename Number> static char* putNumber(char* at, Number value) {
        return std::to_chars(at, at + NUMBER_ROOM, value).ptr;
    }

private:
    // Not a vector: growing one writes zeros over all the new room first.
    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
};

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
