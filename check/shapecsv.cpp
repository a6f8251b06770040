#include "shapecsv.h"

#include "orlclass.h"
#include "problems.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <set>
#include <variant>

namespace {

constexpr std::size_t FIELD_COUNT = 11;
constexpr std::array<std::string_view, FIELD_COUNT> FIELD_NAMES = {
    "id", "radius", "cx", "cy", "cz", "length", "width", "height", "yaw", "pitch", "roll"};
constexpr std::size_t FIRST_DIMENSION = 5;
// The most decimals tried for a number before it is written in full.
constexpr int MOST_POSITION_DECIMALS = 8;
constexpr int MOST_ANGLE_DECIMALS = 6;
constexpr int FULL_DECIMALS = 14;

struct Field {
    std::string_view text;
    std::size_t column = 0;
};

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A decimal number with a point, an optional sign and exponent, whatever the locale.
std::optional<double> parseNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string quotedText(std::string_view text) {
    constexpr std::size_t longest = 40;
    return "« " + std::string(text.substr(0, longest)) + (text.size() > longest ? "… »" : " »");
}

class RowReader {
public:
    RowReader(std::size_t line, std::vector<CsvError>& errors) : line_(line), errors_(errors) {}

    std::optional<ShapeRow> read(std::string_view text, std::set<std::string>& ids) {
        std::vector<Field> fields;
        std::size_t start = 0;
        while (true) {
            const std::size_t comma = text.find(',', start);
            fields.push_back({text.substr(start, comma - start), start + 1});
            if (comma == std::string_view::npos) {
                break;
            }
            start = comma + 1;
        }
        if (fields.size() < FIELD_COUNT) {
            add(text.size() + 1, FIELD_NAMES[fields.size()],
                "il manque la colonne " + std::string(FIELD_NAMES[fields.size()]) + " : " +
                    std::to_string(FIELD_COUNT) + " colonnes attendues, " +
                    std::to_string(fields.size()) + " trouvées");
            return std::nullopt;
        }
        if (fields.size() > FIELD_COUNT) {
            add(fields[FIELD_COUNT].column, "",
                "colonne en trop : " + std::to_string(FIELD_COUNT) + " colonnes attendues, " +
                    std::to_string(fields.size()) + " trouvées");
            return std::nullopt;
        }
        const std::size_t errorsBefore = errors_.size();
        ShapeRow row;
        const Field id{trimmed(fields[0].text), fields[0].column};
        if (!allDigits(id.text)) {
            add(id.column, FIELD_NAMES[0],
                id.text.empty()
                    ? "ID vide"
                    : "l'ID " + quotedText(id.text) + " n'est pas fait que de chiffres");
        } else if (!ids.insert(std::string(id.text)).second) {
            add(id.column, FIELD_NAMES[0], "l'ID " + quotedText(id.text) + " est déjà pris");
        }
        row.id = std::string(id.text);
        const std::string_view radius = trimmed(fields[1].text);
        if (!radius.empty() && !allDigits(radius)) {
            add(fields[1].column, FIELD_NAMES[1],
                "le rayon maximal " + quotedText(radius) + " n'est pas fait que de chiffres");
        }
        std::array<double, FIELD_COUNT> numbers{};
        for (std::size_t i = 2; i < FIELD_COUNT; ++i) {
            const std::string_view field = trimmed(fields[i].text);
            const std::optional<double> value = parseNumber(field);
            if (!value) {
                add(fields[i].column, FIELD_NAMES[i],
                    field.empty() ? "valeur manquante"
                                  : quotedText(field) + " n'est pas un nombre");
                continue;
            }
            numbers[i] = *value;
            if (i >= FIRST_DIMENSION && i < FIRST_DIMENSION + 3 && !(*value > 0)) {
                add(fields[i].column, FIELD_NAMES[i],
                    "la dimension " + quotedText(field) + " n'est pas positive");
            } else if (i >= FIRST_DIMENSION && i < FIRST_DIMENSION + 3 && *value < MIN_DIMENSION) {
                add(fields[i].column, FIELD_NAMES[i], shapeFaultText(ShapeFault::TooThin));
            }
        }
        if (errors_.size() != errorsBefore) {
            return std::nullopt;
        }
        row.shape.centre = {numbers[2], numbers[3], numbers[4]};
        row.shape.dimensions = {numbers[5], numbers[6], numbers[7]};
        row.shape.angles = {numbers[8], numbers[9], numbers[10]};
        auto written = writeShape(row.shape);
        if (const ShapeFault* fault = std::get_if<ShapeFault>(&written)) {
            add(fields[2].column, FIELD_NAMES[2], shapeFaultText(*fault));
            return std::nullopt;
        }
        row.texts = std::move(std::get<WrittenShape>(written).texts);
        if (!radius.empty()) {
            row.texts.maxRadius = std::string(radius);
        }
        return row;
    }

private:
    void add(std::size_t column, std::string_view field, std::string message) {
        errors_.push_back({line_, column, std::string(field), std::move(message)});
    }

    std::size_t line_;
    std::vector<CsvError>& errors_;
};

// The value with the given decimals, trailing zeros and a lone point dropped, never "-0".
std::string decimalText(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text == "-0" ? "0" : text;
}

// The value as written with the decimals, read back: what a reader of the CSV line gets.
double asWritten(double value, int decimals) {
    return parseNumber(decimalText(value, decimals)).value_or(value);
}

struct Precision {
    int position = FULL_DECIMALS;
    int angle = FULL_DECIMALS;
};

BoxShape rounded(const BoxShape& shape, const Precision& precision) {
    BoxShape result = shape;
    result.centre = {asWritten(shape.centre.x, precision.position),
                     asWritten(shape.centre.y, precision.position),
                     asWritten(shape.centre.z, precision.position)};
    for (double& dimension : result.dimensions) {
        dimension = asWritten(dimension, precision.position);
    }
    result.angles = {asWritten(shape.angles.yaw, precision.angle),
                     asWritten(shape.angles.pitch, precision.angle),
                     asWritten(shape.angles.roll, precision.angle)};
    return result;
}

std::optional<ShapeTexts> textsOfShape(const BoxShape& shape) {
    auto written = writeShape(shape);
    if (std::holds_alternative<ShapeFault>(written)) {
        return std::nullopt;
    }
    return std::move(std::get<WrittenShape>(written).texts);
}

bool sameNormals(const ShapeTexts& a, const ShapeTexts& b) {
    for (std::size_t k = 0; k < a.planes.size(); ++k) {
        if (k % 4 != 3 && a.planes[k] != b.planes[k]) {
            return false;
        }
    }
    return true;
}

bool samePlaces(const ShapeTexts& a, const ShapeTexts& b) {
    return a.centre == b.centre && a.planes == b.planes;
}

// The fewest decimals that write the box's own texts again: the normals hang on the angles
// alone, the rest then on the positions. Full precision when no rounding gives them back.
Precision shortestPrecision(const BoxShape& shape, const ShapeTexts& own) {
    const std::optional<ShapeTexts> full = textsOfShape(shape);
    if (!full || !sameNormals(*full, own)) {
        return {};
    }
    Precision precision;
    for (int decimals = 0; decimals <= MOST_ANGLE_DECIMALS; ++decimals) {
        const std::optional<ShapeTexts> texts =
            textsOfShape(rounded(shape, {FULL_DECIMALS, decimals}));
        if (texts && sameNormals(*texts, own)) {
            precision.angle = decimals;
            break;
        }
    }
    for (int decimals = 0; decimals <= MOST_POSITION_DECIMALS; ++decimals) {
        const std::optional<ShapeTexts> texts =
            textsOfShape(rounded(shape, {decimals, precision.angle}));
        if (texts && samePlaces(*texts, own)) {
            precision.position = decimals;
            break;
        }
    }
    return precision;
}

} // namespace

ShapeCsv readShapeCsv(std::string_view text) {
    ShapeCsv csv;
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, byteOrderMark.size()) == byteOrderMark) {
        text.remove_prefix(byteOrderMark.size());
    }
    std::set<std::string> ids;
    std::size_t lineNumber = 0;
    bool headerSeen = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!headerSeen) {
            headerSeen = true;
            if (trimmed(line) != SHAPE_CSV_HEADER) {
                csv.errors.push_back({lineNumber, 1, "",
                                      "la première ligne doit être l'en-tête « " +
                                          std::string(SHAPE_CSV_HEADER) + " »"});
                return csv;
            }
            continue;
        }
        if (trimmed(line).empty()) {
            continue;
        }
        RowReader reader(lineNumber, csv.errors);
        if (std::optional<ShapeRow> row = reader.read(line, ids)) {
            csv.rows.push_back(std::move(*row));
        }
    }
    if (!headerSeen) {
        csv.errors.push_back({1, 1, "",
                              "fichier vide : la première ligne doit être l'en-tête « " +
                                  std::string(SHAPE_CSV_HEADER) + " »"});
    }
    return csv;
}

bool documentOfRows(const std::vector<ShapeRow>& rows, BoxDocument& document) {
    for (const ShapeRow& row : rows) {
        Box& box = document.appendBox();
        box.id = row.id;
        writeShapeTexts(row.texts, box);
        document.boxIds.append(row.id);
    }
    document.countText = std::to_string(rows.size());
    // The shapes' checks are the writer's guarantee: only the intersections are wanted here.
    const IntersectionSearch search =
        inspectDocument(document, std::nullopt, [](const Problem&) {});
    for (const RankPair& pair : search.pairs) {
        document.intersections.append(pairText(pair));
    }
    return search.complete;
}

ShapeListing shapeCsvOf(const BoxDocument& document) {
    ShapeListing listing;
    listing.csv = std::string(SHAPE_CSV_HEADER) + "\n";
    std::size_t rank = 0;
    for (const auto& box : document.boxes) {
        const ShapeTexts own = shapeTextsOf(*box);
        const ShapeReading reading = shapeOf(decodeBoxValues(own));
        const auto skip = [&](std::string kind, std::string message) {
            listing.unlisted.push_back(
                {std::move(kind), rank++, std::string(box->id), std::move(message)});
        };
        if (const ShapeFault* fault = std::get_if<ShapeFault>(&reading)) {
            skip("no-shape", "pas de forme : " + shapeFaultText(*fault));
            continue;
        }
        // A line of the CSV holds only what it can read back.
        if (!allDigits(box->id)) {
            skip("id-invalid",
                 "l'ID " + quotedText(box->id) + " n'est pas fait que de chiffres : pas de ligne");
            continue;
        }
        const BoxShape& shape = std::get<BoxShape>(reading);
        const Precision precision = shortestPrecision(shape, own);
        const std::string_view radius = box->maxRadius;
        std::string line = std::string(std::string_view(box->id)) + "," +
                           (allDigits(radius) ? std::string(radius) : std::string());
        const auto position = [&](double value) {
            line += "," + decimalText(value, precision.position);
        };
        const auto angle = [&](double value) { line += "," + decimalText(value, precision.angle); };
        position(shape.centre.x);
        position(shape.centre.y);
        position(shape.centre.z);
        for (const double dimension : shape.dimensions) {
            position(dimension);
        }
        angle(shape.angles.yaw);
        angle(shape.angles.pitch);
        angle(shape.angles.roll);
        listing.csv += line + "\n";
        ++rank;
    }
    return listing;
}
