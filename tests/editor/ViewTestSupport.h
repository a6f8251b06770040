// Scenes for the tests of the 3D view: boxes whose solids are known by construction.
#pragma once

#include "FormTestSupport.h"
#include "decimaltext.h"
#include "fixedpoint.h"

#include <QPushButton>
#include <string>

// An upright box around (x, y, z) reaching half units each way; planes 0 to 5 face +x, +y, +z,
// -y, -z, -x, each with a unit normal and d its distance from the origin along that normal.
inline FormBox cube(const std::string& id, double x, double y, double z, double half) {
    const double normals[6][3] = {{1, 0, 0},  {0, 1, 0},  {0, 0, 1},
                                  {0, -1, 0}, {0, 0, -1}, {-1, 0, 0}};
    const double centre[3] = {x, y, z};
    const auto text = [](double value) { return fixedpoint::formatDecimal(value); };
    FormBox box{id, "9"};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        box.centre[axis] = fixedpoint::decimalToHex8(text(centre[axis]));
    }
    for (std::size_t plane = 0; plane < 6; ++plane) {
        double d = half;
        for (std::size_t axis = 0; axis < 3; ++axis) {
            box.planes[plane * 4 + axis] = fixedpoint::decimalToHex4(text(normals[plane][axis]));
            d += normals[plane][axis] * centre[axis];
        }
        box.planes[plane * 4 + 3] = fixedpoint::decimalToHex8(text(d));
    }
    return box;
}

inline QPushButton* buttonNamed(QWidget* window, const QString& text) {
    for (auto* button : window->findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}
