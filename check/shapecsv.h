#pragma once

#include "boxshape.h"
#include "shapetexts.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class BoxDocument;

// Boxes as shapes, one a line under a header: the ID, the maximum radius (empty: computed), the
// centre of the solid, its length, width and height along the normals of its planes 0, 1 and 2,
// and its yaw, pitch and roll in degrees.
inline constexpr std::string_view SHAPE_CSV_HEADER =
    "id,radius,cx,cy,cz,length,width,height,yaw,pitch,roll";

struct ShapeRow {
    std::string id;
    BoxShape shape;
    // The texts the shape is written with, the radius given or computed.
    ShapeTexts texts;
};

// A line that does not read: its number and the column, counted in characters from 1, where
// the faulty field starts, with the name of that field when there is one.
struct CsvError {
    std::size_t line = 0;
    std::size_t column = 0;
    std::string field;
    std::string message; // French
};

struct ShapeCsv {
    std::vector<ShapeRow> rows;
    std::vector<CsvError> errors;
};

// Reads every line, collecting every error: a missing or extra field, a text where a number
// goes, an ID that is not digits or already taken, a radius that is not digits, a dimension that
// is not positive, a shape the file cannot hold. Blank lines are skipped; a UTF-8 byte order
// mark and CR LF line ends are accepted.
ShapeCsv readShapeCsv(std::string_view text);

// The document of the rows, in their order, with the intersections computed from the shapes;
// false when the boxes heap so that the search for intersections stopped.
bool documentOfRows(const std::vector<ShapeRow>& rows, BoxDocument& document);

// A box that gets no line: it has no shape, or its ID would not read back.
struct UnlistedBox {
    std::string kind; // "no-shape" or "id-invalid"
    std::size_t rank = 0;
    std::string id;
    std::string message; // French
};

struct ShapeListing {
    std::string csv;
    std::vector<UnlistedBox> unlisted;
};

// The shape of every box that has one, each number written with the fewest decimals that give
// the box's own texts back, when some do.
ShapeListing shapeCsvOf(const BoxDocument& document);
