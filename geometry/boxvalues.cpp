#include "boxvalues.h"

#include "box.h"
#include "fixedpoint.h"

#include <array>
#include <cstddef>

namespace {

constexpr std::size_t NUMBER_TEXTS = boxslot::count - boxslot::firstCentre;

// How each number text of a box is written, from the first centre slot on: the positions (the
// centre and each plane's d) in eight digits, the normals' coefficients in four.
constexpr std::array<HexFormat, NUMBER_TEXTS> FORMATS = [] {
    std::array<HexFormat, NUMBER_TEXTS> formats{};
    for (std::size_t i = 0; i < NUMBER_TEXTS; ++i) {
        const std::size_t slot = boxslot::firstCentre + i;
        formats[i] = slot < boxslot::firstPlane || (slot - boxslot::firstPlane) % 4 == 3
                         ? HexFormat::EightDigits
                         : HexFormat::FourDigits;
    }
    return formats;
}();

using NumberTexts = std::array<std::string_view, NUMBER_TEXTS>;

// texts: those of the centre and plane slots, in slot order.
DecodedBox decode(const NumberTexts& texts) {
    std::array<double, NUMBER_TEXTS> numbers;
    DecodedBox decoded;
    decoded.malformedSlots = fixedpoint::readHexValues(texts, FORMATS, numbers)
                             << boxslot::firstCentre;
    BoxValues& values = decoded.values;
    values.centre = {numbers[0], numbers[1], numbers[2]};
    for (std::size_t p = 0; p < values.planes.size(); ++p) {
        const double* plane = &numbers[Box::centerTextCount + p * 4];
        values.planes[p].normal = {plane[0], plane[1], plane[2]};
        values.planes[p].d = plane[3];
    }
    return decoded;
}

} // namespace

DecodedBox decodeBox(const Box& box) {
    NumberTexts texts{box.centerX, box.centerY, box.centerZ};
    for (std::size_t p = 0; p < Box::planeCount; ++p) {
        const Plane& plane = box.planes[p];
        std::string_view* planeTexts = &texts[Box::centerTextCount + p * 4];
        planeTexts[0] = plane.a;
        planeTexts[1] = plane.b;
        planeTexts[2] = plane.c;
        planeTexts[3] = plane.d;
    }
    return decode(texts);
}

BoxValues decodeBoxValues(const Box& box) {
    return decodeBox(box).values;
}

BoxValues decodeBoxValues(const BoxTexts& texts) {
    NumberTexts numberTexts;
    for (std::size_t i = 0; i < NUMBER_TEXTS; ++i) {
        numberTexts[i] = texts[boxslot::firstCentre + i];
    }
    return decode(numberTexts).values;
}
