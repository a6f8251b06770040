#pragma once

#include "boxtext.h"

#include <array>
#include <cstddef>
#include <string>

// One plane a·x + b·y + c·z = d of a box, each coefficient as the file's hexadecimal text.
struct Plane {
    BoxText a;
    BoxText b;
    BoxText c;
    BoxText d;
};

// One collision box, every value kept as the text the file carries: nothing is parsed or
// checked here, so a file's bytes survive a load and save unchanged.
class Box {
public:
    static constexpr std::size_t planeCount = 6;
    static constexpr std::size_t planeTextCount = planeCount * 4;
    static constexpr std::size_t centerTextCount = 3;

    // No virtual member: a box is never derived from, and a pointer to a table would cost every
    // box of a large file 16 more bytes once the allocator rounds it.
    Box() = default;
    ~Box() = default;
    // Boxes are filled field by field and never copied as a whole.
    Box(const Box&) = delete;
    Box& operator=(const Box&) = delete;

    // k from 0 to 23: plane k / 4, coefficient k % 4 (a, b, c, d).
    BoxText& planeText(std::size_t k);
    const BoxText& planeText(std::size_t k) const;
    // axis from 0 to 2: X, Y, Z.
    BoxText& centerText(std::size_t axis);
    const BoxText& centerText(std::size_t axis) const;

    BoxText id;
    BoxText maxRadius;
    BoxText centerX;
    BoxText centerY;
    BoxText centerZ;
    std::array<Plane, planeCount> planes;
};

// The 29 texts of a box in the one order that the form, the views, the geometry and the edits
// share: the ID, the maximum radius, the centre X, Y and Z, then the 24 plane texts (plane k / 4,
// coefficient k % 4: a, b, c, d), as the file writes them.
namespace boxslot {
inline constexpr std::size_t id = 0;
inline constexpr std::size_t radius = 1;
inline constexpr std::size_t firstCentre = 2;
inline constexpr std::size_t firstPlane = firstCentre + Box::centerTextCount;
inline constexpr std::size_t count = firstPlane + Box::planeTextCount;
// axis from 0 to 2: X, Y, Z.
constexpr std::size_t centre(std::size_t axis) {
    return firstCentre + axis;
}
// k from 0 to 23, as Box::planeText counts.
constexpr std::size_t plane(std::size_t k) {
    return firstPlane + k;
}
} // namespace boxslot

BoxText& boxTextAt(Box& box, std::size_t slot);
const BoxText& boxTextAt(const Box& box, std::size_t slot);

// A box's texts as plain values, in slot order.
using BoxTexts = std::array<std::string, boxslot::count>;
BoxTexts textsOf(const Box& box);
void assignTexts(Box& box, const BoxTexts& texts);
