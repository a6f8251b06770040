#include "boxmesh.h"
#include "geometrytestsupport.h"
#include "meshtestsupport.h"
#include "textbuffer.h"

#include <cfloat>
#include <charconv>
#include <cstring>
#include <gtest/gtest.h>

namespace {

struct MeshCase {
    const char* name;
    BoxTexts texts;
    // Whether its corners come straight from its planes, as a parallelepiped's.
    bool direct;
};

BoxTexts framedBox(const Vec3& centre, const Vec3& half, const Frame& frame) {
    return boxTexts("1", "10", centre, framePlanes(centre, half, frame[0], frame[1], frame[2]));
}

BoxTexts withPlane(BoxTexts texts, std::size_t plane, std::size_t value, const std::string& text) {
    texts[boxslot::plane(plane * 4 + value)] = text;
    return texts;
}

std::vector<MeshCase> meshCases() {
    const Frame mirrored{Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, -1}};
    const BoxTexts cube = axisBox("1", {-0.5, 1, 2}, {0.5, 2, 3});
    return {
        {"upright", cube, true},
        {"upright far from the origin", axisBox("1", {-9000, 4000, -3}, {-8990.5, 4000.25, 7}),
         true},
        {"turned about Z", turnedBox("1", {3, -7, 1}, {1, 0.25, 1}, 15), true},
        {"turned about two axes", framedBox({10, 3, -2}, {1.5, 0.75, 2}, turnedFrame(30, 30)),
         true},
        {"turned the other way", framedBox({-5, 2, 9}, {0.5, 3, 1}, turnedFrame(-40, 75)), true},
        {"mirrored", framedBox({1, 2, 3}, {1, 2, 0.5}, mirrored), true},
        {"a slab 1/64 thick", axisBox("1", {0, 0, 0}, {4, 4, 1.0 / 64}), true},
        // Thinner than four parts in 1024: the geometry builds it the long way.
        {"a slab 1/512 thick", axisBox("1", {0, 0, 0}, {4, 4, 1.0 / 512}), false},
        // Its first plane leans: no longer the opposite of the last.
        {"a wedge", withPlane(cube, 0, 1, "1000"), false},
        {"a plane with no normal", withPlane(withPlane(cube, 0, 0, "0000"), 0, 1, "0000"), false},
        {"empty", withPlane(cube, 0, 3, "ffff0000"), false},
        // Its sides x <= 0.5 and -x <= -0.5 meet in a square.
        {"flat", withPlane(cube, 5, 3, hex8(-0.5)), false},
        {"unbounded", withPlane(withPlane(cube, 5, 0, "0000"), 5, 1, "4000"), false},
    };
}

// Every box gives the corners, faces and normals of its solid to the bit, whichever way it is
// built: each face once, in plane order, turning as the solid's face does.
TEST(BoxMesh, GivesTheSolidsCornersFacesAndNormalsToTheBit) {
    BoxMesh mesh;
    for (const MeshCase& example : meshCases()) {
        const BoxValues values = decodeBoxValues(example.texts);
        const Solid solid = buildSolid(values);
        ASSERT_EQ(mesh.build(values), solid.closed()) << example.name;
        if (!solid.closed()) {
            continue;
        }
        EXPECT_EQ(mesh.layout() != BoxMesh::Layout::Other, example.direct) << example.name;
        ASSERT_EQ(mesh.corners().size(), solid.vertices.size()) << example.name;
        for (std::size_t c = 0; c < solid.vertices.size(); ++c) {
            const Vec3& expected = solid.vertices[c];
            const Vec3& actual = mesh.corners()[c];
            EXPECT_EQ(std::memcmp(&expected, &actual, sizeof expected), 0)
                << example.name << " corner " << c;
        }
        const std::vector<std::size_t> planes = shownFacePlanes(solid);
        ASSERT_EQ(mesh.faceCount(), planes.size()) << example.name;
        std::size_t faceCorners = 0;
        for (std::size_t f = 0; f < planes.size(); ++f) {
            const std::vector<std::size_t>& expected = solid.faces[planes[f]];
            const std::span<const std::uint8_t> actual = mesh.face(f);
            EXPECT_TRUE(std::equal(actual.begin(), actual.end(), expected.begin(), expected.end()))
                << example.name << " face " << f;
            const PlaneValues& plane = values.planes[planes[f]];
            EXPECT_EQ(mesh.normal(f), plane.normal * (1 / length(plane.normal)))
                << example.name << " face " << f;
            faceCorners += expected.size();
        }
        EXPECT_EQ(mesh.faceCornerCount(), faceCorners) << example.name;
    }
}

// A mirrored box keeps its faces counter-clockwise seen from outside: its layout is apart from
// that of boxes turning as the axes do, since an OBJ writer shares its face lines.
TEST(BoxMesh, TellsMirroredParallelepipedsApart) {
    BoxMesh mesh;
    for (const MeshCase& example : meshCases()) {
        if (example.direct && mesh.build(decodeBoxValues(example.texts))) {
            EXPECT_EQ(mesh.layout(), std::string(example.name) == "mirrored"
                                         ? BoxMesh::Layout::Mirrored
                                         : BoxMesh::Layout::Parallelepiped)
                << example.name;
        }
    }
}

std::string textOf(NumberTexts& texts, float value) {
    std::array<char, NUMBER_ROOM> room{};
    return {room.data(), texts.put(room.data(), value)};
}

std::uint32_t bitsOf(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Each text is the shortest that reads back as the same single-precision value, whether it was
// formatted or copied, and whichever number last took its place.
TEST(NumberTexts, GiveTheShortestTextThatReadsBackToTheBit) {
    auto texts = std::make_unique<NumberTexts>();
    std::vector<float> values{
        0.0f,      -0.0f,    1.0f,       -0.5f, 0.25f,      1e-45f,           -FLT_MIN,
        FLT_MAX,   -FLT_MAX, 3.9012303f, 1e7f,  123456.79f, -1.17549435e-38f, 0.1f,
        262143.99f};
    // Values that fall on the same entry as the first, so that they take turns in it.
    const auto first = static_cast<std::uint32_t>(bitsOf(0.1f) * 2654435761u >> 22);
    for (float v = 1.0f; values.size() < 24; v = std::nextafter(v, 2.0f)) {
        if (static_cast<std::uint32_t>(bitsOf(v) * 2654435761u >> 22) == first) {
            values.push_back(v);
        }
    }
    for (int pass = 0; pass < 3; ++pass) {
        for (const float value : values) {
            const std::string text = textOf(*texts, value);
            std::array<char, 32> expected{};
            const auto end =
                std::to_chars(expected.data(), expected.data() + expected.size(), value);
            EXPECT_EQ(text, std::string(expected.data(), end.ptr)) << value;
            float back = 1;
            const auto read = std::from_chars(text.data(), text.data() + text.size(), back);
            EXPECT_EQ(read.ptr, text.data() + text.size()) << text;
            EXPECT_EQ(bitsOf(back), bitsOf(value)) << text;
        }
    }
}

} // namespace
