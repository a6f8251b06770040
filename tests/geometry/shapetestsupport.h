#pragma once

#include "orlclass.h"
#include "problems.h"
#include "shapetexts.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <utility>
#include <variant>
#include <vector>

// Prints the texts when a comparison fails.
inline void PrintTo(const ShapeTexts& texts, std::ostream* out) {
    *out << "centre";
    for (const std::string& text : texts.centre) {
        *out << ' ' << text;
    }
    *out << ", planes";
    for (const std::string& text : texts.planes) {
        *out << ' ' << text;
    }
    *out << ", radius " << texts.maxRadius;
}

// Documents of boxes given as shape texts, and what the checker finds in them.

struct PlacedBox {
    std::string id;
    ShapeTexts texts;
};

inline void addPlacedBox(BoxDocument& document, const PlacedBox& placed) {
    Box& box = document.appendBox();
    box.id = placed.id;
    writeShapeTexts(placed.texts, box);
    document.boxIds.append(placed.id);
}

inline std::vector<Problem> problemsOf(const std::vector<PlacedBox>& boxes,
                                       const std::vector<std::string>& intersections = {}) {
    BoxDocument document;
    for (const PlacedBox& placed : boxes) {
        addPlacedBox(document, placed);
    }
    for (const std::string& intersection : intersections) {
        document.intersections.append(intersection);
    }
    document.countText = std::to_string(boxes.size());
    // What the box itself is worth: the play checks judge a scene, and a turned block rightly
    // has a steep face.
    return inspectDocument(document, std::nullopt, std::nullopt).problems;
}

inline std::string kindsOf(const std::vector<Problem>& problems) {
    std::string kinds;
    for (const Problem& problem : problems) {
        kinds += std::string(kindIdentifier(problem.kind)) + ": " + problem.message + "\n";
    }
    return kinds;
}

// The texts of a shape that must be writable; a failed test otherwise, and empty texts.
inline ShapeTexts textsOfShape(const BoxShape& shape) {
    const auto written = writeShape(shape);
    if (const ShapeFault* fault = std::get_if<ShapeFault>(&written)) {
        ADD_FAILURE() << "no texts: " << shapeFaultText(*fault);
        return {};
    }
    return std::get<WrittenShape>(written).texts;
}

// The texts a transform gives, which must give some; a failed test otherwise.
inline ShapeTexts done(const std::variant<ShapeTexts, ShapeFault>& result) {
    if (const ShapeFault* fault = std::get_if<ShapeFault>(&result)) {
        ADD_FAILURE() << "transform refused: " << shapeFaultText(*fault);
        return {};
    }
    return std::get<ShapeTexts>(result);
}

inline BoxShape shapeOfTexts(const ShapeTexts& texts) {
    const ShapeReading reading = shapeOf(decodeBoxValues(texts));
    if (const ShapeFault* fault = std::get_if<ShapeFault>(&reading)) {
        ADD_FAILURE() << "no shape: " << shapeFaultText(*fault);
        return {};
    }
    return std::get<BoxShape>(reading);
}
