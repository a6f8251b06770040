#include "convertcommand.h"

#include "jsontext.h"
#include "orlclass.h"
#include "safefile.h"
#include "shapecsv.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
#include <optional>
#include <ostream>
#include <string_view>

namespace {

constexpr std::string_view HELP =
    R"(Usage : quadrel-convert [--json] ENTRÉE -o SORTIE

Convertit entre les formats que nomment les extensions des deux fichiers :

  .csv -> .box  des formes de boxes, une par ligne sous l'en-tête
                id,radius,cx,cy,cz,length,width,height,yaw,pitch,roll
                (le centre du solide ; longueur, largeur et hauteur selon les normales des
                plans 0, 1 et 2 ; lacet, tangage et roulis en degrés, Z vers le haut ; un rayon
                vide est calculé), écrites en fichier BOX avec les intersections calculées à
                partir des solides. Une ligne illisible (colonne manquante, texte au lieu d'un
                nombre, dimension qui n'est pas positive) est une erreur qui nomme sa ligne et sa
                colonne, et rien n'est écrit.
  .box -> .csv  la forme de chaque box qui en a une ; les boxes qui n'en ont pas (plans qui ne
                sont pas opposés deux à deux, faces penchées, solide vide ou infini...) sont
                signalées comme erreurs, à la manière de quadrel-check.

Chaque erreur s'écrit sur une ligne, à la manière des compilateurs :
  FICHIER:LIGNE:COLONNE: erreur: message      (CSV)
  FICHIER: box RANG (ID): erreur: message     (BOX)

Options :
  -o SORTIE   le fichier à écrire
  --json      une ligne JSON par erreur, avec les champs file, kind, severity, line, column,
              field, rank, id et message (null quand ils ne s'appliquent pas)
  --help      affiche cette aide

Code de sortie :
  0  conversion faite, sans erreur
  1  l'entrée a des erreurs (rien n'est écrit pour un CSV ; pour un BOX, les autres boxes le sont)
  2  l'entrée n'a pas pu être lue ou la sortie écrite, ou les arguments sont incorrects
)";

struct Options {
    bool json = false;
    std::string input;
    std::string output;
};

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

void writeReport(std::ostream& out, const Options& options, const Report& report) {
    if (options.json) {
        out << "{\"file\":" << jsonString(options.input) << ",\"kind\":" << jsonString(report.kind)
            << ",\"severity\":\"error\",\"line\":" << optionalNumber(report.line)
            << ",\"column\":" << optionalNumber(report.column) << ",\"field\":"
            << (report.field.empty() ? std::string("null") : jsonString(report.field))
            << ",\"rank\":" << optionalNumber(report.rank)
            << ",\"id\":" << jsonStringOrNull(report.id)
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

int cannotRead(const Options& options, std::ostream& err) {
    err << "quadrel-convert: " << options.input << " : lecture impossible\n";
    return CONVERT_UNREADABLE;
}

int cannotWrite(const Options& options, std::ostream& err) {
    err << "quadrel-convert: " << options.output << " : écriture impossible\n";
    return CONVERT_UNREADABLE;
}

int shapesToBoxes(const Options& options, std::ostream& out, std::ostream& err) {
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
        return CONVERT_ERRORS;
    }
    BoxDocument document;
    if (!documentOfRows(csv.rows, document)) {
        writeReport(out, options,
                    {"intersections-incomplete", std::nullopt, std::nullopt, "", std::nullopt,
                     std::nullopt,
                     "trop de boxes entassées : la liste des intersections serait incomplète"});
        return CONVERT_ERRORS;
    }
    document.path = options.output;
    if (!document.writeFile()) {
        return cannotWrite(options, err);
    }
    return CONVERT_DONE;
}

int boxesToShapes(const Options& options, std::ostream& out, std::ostream& err) {
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
    return listing.unlisted.empty() ? CONVERT_DONE : CONVERT_ERRORS;
}

using Conversion = std::function<int(const Options&, std::ostream&, std::ostream&)>;

struct ConversionEntry {
    std::string_view from;
    std::string_view to;
    Conversion run;
};

// Each conversion by the extensions of its input and output, in lower case.
const std::array<ConversionEntry, 2>& conversions() {
    static const std::array<ConversionEntry, 2> table = {{
        {".csv", ".box", shapesToBoxes},
        {".box", ".csv", boxesToShapes},
    }};
    return table;
}

std::string extensionOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string extension = path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

int usageError(std::ostream& err, const std::string& message) {
    err << "quadrel-convert: " << message << "\nEssayez « quadrel-convert --help ».\n";
    return CONVERT_UNREADABLE;
}

} // namespace

int runConvertCommand(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err) {
    Options options;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.empty() || argument.front() != '-' || argument == "-") {
            files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            out << HELP;
            return CONVERT_DONE;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "-o") {
            if (i + 1 == arguments.size()) {
                return usageError(err, "l'option -o attend un fichier");
            }
            if (!options.output.empty()) {
                return usageError(err, "une seule sortie, -o donné deux fois");
            }
            options.output = arguments[++i];
        } else {
            return usageError(err, "option inconnue : " + argument);
        }
    }
    if (files.size() != 1) {
        return usageError(err, files.empty() ? "aucun fichier à convertir"
                                             : "un seul fichier à convertir à la fois");
    }
    if (options.output.empty()) {
        return usageError(err, "aucune sortie : donnez-la avec -o SORTIE");
    }
    options.input = files.front();
    const std::string from = extensionOf(options.input);
    const std::string to = extensionOf(options.output);
    for (const ConversionEntry& entry : conversions()) {
        if (entry.from == from && entry.to == to) {
            const int status = entry.run(options, out, err);
            out.flush();
            return status;
        }
    }
    return usageError(err, "pas de conversion de « " + from + " » en « " + to + " »");
}
