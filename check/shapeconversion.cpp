#include "shapeconversion.h"

#include "convertcommand.h"
#include "jsontext.h"
#include "orlclass.h"
#include "safefile.h"
#include "shapecsv.h"

#include <array>
#include <optional>
#include <ostream>
#include <string>

namespace {

// One error to report: the place in a CSV, or the box of a BOX file.
struct Report {
    std::string kind;
    std::optional<std::size_t> line;
    std::optional<std::size_t> column;
    std::string field;
    std::optional<std::size_t> rank;
    std::optional<std::string> id;
    std::string message;
};

std::string optionalNumber(const std::optional<std::size_t>& value) {
    return value ? std::to_string(*value) : "null";
}

void writeReport(std::ostream& out, const ConvertOptions& options, const Report& report) {
    if (options.json) {
        out << "{\"file\":" << jsonString(options.input) << ",\"kind\":" << jsonString(report.kind)
            << ",\"severity\":\"error\",\"line\":" << optionalNumber(report.line)
            << ",\"column\":" << optionalNumber(report.column) << ",\"field\":"
            << (report.field.empty() ? std::string("null") : jsonString(report.field))
            << ",\"rank\":" << optionalNumber(report.rank) << ",\"id\":" << jsonFileText(report.id)
            << ",\"message\":" << jsonString(report.message) << "}\n";
        return;
    }
    out << options.input << ':';
    if (report.line) {
        out << *report.line << ':' << report.column.value_or(1) << ':';
    }
    if (report.rank) {
        out << " box " << *report.rank << " (" << report.id.value_or("") << "):";
    }
    out << " erreur: " << report.message << '\n';
}

std::optional<std::string> readWhole(const std::string& path) {
    InputFile file(path);
    if (!file.isOpen()) {
        return std::nullopt;
    }
    std::string bytes;
    std::array<char, 1 << 16> buffer{};
    while (true) {
        const std::optional<std::size_t> count = file.read(buffer.data(), buffer.size());
        if (!count) {
            return std::nullopt;
        }
        if (*count == 0) {
            return bytes;
        }
        bytes.append(buffer.data(), *count);
    }
}

bool writeWhole(const std::string& path, std::string_view bytes) {
    SafeFileWriter writer(path);
    return writer.isOpen() && writer.write(bytes) && writer.commit();
}

int cannotRead(const ConvertOptions& options, std::ostream& err) {
    err << "quadrel-convert: " << options.input << " : lecture impossible\n";
    return CONVERT_NOTHING;
}

int cannotWrite(const ConvertOptions& options, std::ostream& err) {
    err << "quadrel-convert: " << options.output << " : écriture impossible\n";
    return CONVERT_NOTHING;
}

} // namespace

int shapesToBoxes(const ConvertOptions& options, std::ostream& out, std::ostream& err) {
    const std::optional<std::string> text = readWhole(options.input);
    if (!text) {
        return cannotRead(options, err);
    }
    const ShapeCsv csv = readShapeCsv(*text);
    for (const CsvError& error : csv.errors) {
        writeReport(out, options,
                    {"csv-line", error.line, error.column, error.field, std::nullopt, std::nullopt,
                     error.message});
    }
    if (!csv.errors.empty()) {
        return CONVERT_PARTLY;
    }
    BoxDocument document;
    if (!documentOfRows(csv.rows, document)) {
        writeReport(out, options,
                    {"intersections-incomplete", std::nullopt, std::nullopt, "", std::nullopt,
                     std::nullopt,
                     "trop de boxes entassées : la liste des intersections serait incomplète"});
        return CONVERT_PARTLY;
    }
    document.path = options.output;
    if (!document.writeFile()) {
        return cannotWrite(options, err);
    }
    return CONVERT_DONE;
}

int boxesToShapes(const ConvertOptions& options, std::ostream& out, std::ostream& err) {
    BoxDocument document;
    if (!document.loadFile(options.input)) {
        return cannotRead(options, err);
    }
    const ShapeListing listing = shapeCsvOf(document);
    for (const UnlistedBox& box : listing.unlisted) {
        writeReport(out, options,
                    {box.kind, std::nullopt, std::nullopt, "", box.rank, box.id, box.message});
    }
    if (!writeWhole(options.output, listing.csv)) {
        return cannotWrite(options, err);
    }
    return listing.unlisted.empty() ? CONVERT_DONE : CONVERT_PARTLY;
}
