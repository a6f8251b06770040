#pragma once

#include <QColor>

// How the 3D view tells boxes apart: plain ones, the partners of the box shown, the faulty ones.
// The order is the order of precedence when several fall on one pixel.
enum BoxCategory : unsigned char { PlainBox, PartnerBox, FaultyBox };

namespace palette {

const QColor background(250, 250, 252);
const QColor plainEdge(96, 112, 138);
const QColor plainFill(214, 223, 235);
const QColor partnerEdge(112, 44, 150);
const QColor partnerFill(228, 208, 242);
const QColor faultyEdge(196, 72, 0);
const QColor faultyFill(255, 196, 140);
const QColor cross(200, 30, 30);
const QColor highlightEdge(10, 70, 190);
const QColor highlightFill(60, 130, 246, 110);
const QColor highlightBackFill(60, 130, 246, 45);
const QColor axes[3] = {QColor(214, 40, 40), QColor(30, 150, 60), QColor(30, 80, 220)};

inline QColor edgeOf(unsigned char category) {
    return category == FaultyBox ? faultyEdge : category == PartnerBox ? partnerEdge : plainEdge;
}

inline QColor fillOf(unsigned char category) {
    return category == FaultyBox ? faultyFill : category == PartnerBox ? partnerFill : plainFill;
}

} // namespace palette
