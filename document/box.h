#pragma once

#include "boxtext.h"

#include <array>
#include <cstddef>

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

    Box() = default;
    virtual ~Box() = default;
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
