#include "boxvalues.h"

#include "box.h"
#include "fixedpoint.h"

#include <cstddef>

namespace {

double coefficient(std::string_view text) {
    return fixedpoint::hexValue(text, HexFormat::FourDigits);
}

double position(std::string_view text) {
    return fixedpoint::hexValue(text, HexFormat::EightDigits);
}

} // namespace

BoxValues decodeBoxValues(const Box& box) {
    std::array<std::string_view, 3> centre;
    for (std::size_t axis = 0; axis < centre.size(); ++axis) {
        centre[axis] = box.centerText(axis);
    }
    std::array<std::string_view, 24> planes;
    for (std::size_t k = 0; k < planes.size(); ++k) {
        planes[k] = box.planeText(k);
    }
    return decodeBoxValues(centre, planes);
}

BoxValues decodeBoxValues(const std::array<std::string_view, 3>& centre,
                          const std::array<std::string_view, 24>& planes) {
    BoxValues values;
    values.centre = {position(centre[0]), position(centre[1]), position(centre[2])};
    for (std::size_t p = 0; p < values.planes.size(); ++p) {
        const std::string_view* texts = &planes[p * 4];
        values.planes[p].normal = {coefficient(texts[0]), coefficient(texts[1]),
                                   coefficient(texts[2])};
        values.planes[p].d = position(texts[3]);
    }
    return values;
}
