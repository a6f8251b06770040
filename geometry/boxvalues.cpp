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

// textAt(slot): the text of the box in that slot.
template <typename TextAt> BoxValues decode(const TextAt& textAt) {
    BoxValues values;
    values.centre = {position(textAt(boxslot::centre(0))), position(textAt(boxslot::centre(1))),
                     position(textAt(boxslot::centre(2)))};
    for (std::size_t p = 0; p < values.planes.size(); ++p) {
        const std::size_t first = boxslot::plane(p * 4);
        values.planes[p].normal = {coefficient(textAt(first)), coefficient(textAt(first + 1)),
                                   coefficient(textAt(first + 2))};
        values.planes[p].d = position(textAt(first + 3));
    }
    return values;
}

} // namespace

BoxValues decodeBoxValues(const Box& box) {
    return decode([&box](std::size_t slot) { return boxTextAt(box, slot).view(); });
}

BoxValues decodeBoxValues(const BoxTexts& texts) {
    return decode([&texts](std::size_t slot) { return std::string_view(texts[slot]); });
}
