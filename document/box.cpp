#include "box.h"

#include <cassert>
#include <utility>

BoxText& Box::planeText(std::size_t k) {
    return const_cast<BoxText&>(std::as_const(*this).planeText(k));
}

const BoxText& Box::planeText(std::size_t k) const {
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

BoxText& Box::centerText(std::size_t axis) {
    return const_cast<BoxText&>(std::as_const(*this).centerText(axis));
}

const BoxText& Box::centerText(std::size_t axis) const {
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

BoxText& boxTextAt(Box& box, std::size_t slot) {
    return const_cast<BoxText&>(boxTextAt(std::as_const(box), slot));
}

const BoxText& boxTextAt(const Box& box, std::size_t slot) {
    assert(slot < boxslot::count);
    if (slot >= boxslot::firstPlane) {
        return box.planeText(slot - boxslot::firstPlane);
    }
    if (slot >= boxslot::firstCentre) {
        return box.centerText(slot - boxslot::firstCentre);
    }
    return slot == boxslot::id ? box.id : box.maxRadius;
}

BoxTexts textsOf(const Box& box) {
    BoxTexts texts;
    for (std::size_t slot = 0; slot < texts.size(); ++slot) {
        texts[slot] = boxTextAt(box, slot);
    }
    return texts;
}

void assignTexts(Box& box, const BoxTexts& texts) {
    for (std::size_t slot = 0; slot < texts.size(); ++slot) {
        boxTextAt(box, slot) = texts[slot];
    }
}
