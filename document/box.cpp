#include "box.h"

#include <cassert>
#include <utility>

std::string& Box::planeText(std::size_t k) {
    return const_cast<std::string&>(std::as_const(*this).planeText(k));
}

const std::string& Box::planeText(std::size_t k) const {
    assert(k < planeTextCount);
    const Plane& plane = planes[k / 4];
    switch (k % 4) {
    case 0:
        return plane.a;
    case 1:
        return plane.b;
    case 2:
        return plane.c;
    default:
        return plane.d;
    }
}

std::string& Box::centerText(std::size_t axis) {
    return const_cast<std::string&>(std::as_const(*this).centerText(axis));
}

const std::string& Box::centerText(std::size_t axis) const {
    assert(axis < centerTextCount);
    switch (axis) {
    case 0:
        return centerX;
    case 1:
        return centerY;
    default:
        return centerZ;
    }
}
