#include "convertcommand.h"

#include "frenchtext.h"
#include "jsontext.h"
#include "modelimport.h"
#include "modelreader.h"
#include "modelwriter.h"
#include "orlclass.h"
#include "shapeconversion.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string_view>
#include <system_error>

namespace {

constexpr std::string_view HELP =
    R"(Usage : quadrel-convert ENTRÉE -o SORTIE [options]

Convertit entre fichiers BOX et modèles 3D :
  quadrel-convert scene.glb -o scene.box [--collision-only] [--first-id N]
      une box par nœud de maillage du modèle (OBJ, glTF .gltf/.glb, FBX, Collada .dae, 3DS,
      PLY, STL), la plus petite box orientée autour de ses sommets, écrite en virgule fixe en
      arrondissant vers l'extérieur ; les intersections sont calculées à partir des solides
  quadrel-convert scene.box -o scene.obj   (ou .glb, .dae, .fbx, .stl, .ply)
      un maillage par box, « box_ID_rRANG », avec les faces de son solide et leurs normales
      sortantes ; STL et PLY n'ont qu'un maillage, sans nom, qui reçoit les faces de toutes
      les boxes
  quadrel-convert formes.csv -o scene.box
      des formes de boxes, une par ligne sous l'en-tête
      id,radius,cx,cy,cz,length,width,height,yaw,pitch,roll
      (le centre du solide ; longueur, largeur et hauteur selon les normales des plans 0, 1 et 2 ;
      lacet, tangage et roulis en degrés, Z vers le haut ; un rayon vide est calculé), écrites
      avec les intersections calculées à partir des solides. Une ligne illisible (colonne
      manquante, texte au lieu d'un nombre, dimension qui n'est pas positive) est une erreur qui
      nomme sa ligne et sa colonne (FICHIER:LIGNE:COLONNE: erreur: message), et rien n'est écrit.
  quadrel-convert scene.box -o formes.csv
      la forme de chaque box qui en a une ; les autres (plans qui ne sont pas opposés deux à
      deux, faces penchées, solide vide ou infini...) sont signalées comme erreurs

Axes : le fichier BOX a Z vers le haut, comme OBJ, PLY et STL ici ; glTF a Y vers le haut, et la
scène est tournée à l'écriture comme à la lecture. Collada et 3DS sont lus tels qu'Assimp les
redresse ; un fichier FBX dit lui-même son axe vertical. Collada et FBX s'écrivent Y vers le
haut, et le disent.

Chaque box ou maillage a une ligne de compte rendu, à la manière des compilateurs :
  ENTRÉE: box RANG (ID): note|avertissement|erreur: message
puis une ligne de bilan.

Options :
  -o SORTIE           le fichier à écrire, remplacé seulement par un fichier complet
  --collision-only    seulement les maillages nommés comme formes de collision : préfixes
                      UBX_ ou UCX_, suffixes -col, -colonly ou -convcolonly (majuscules ou
                      minuscules) ; les autres sont ignorés
  --first-id N        l'ID de la première box créée (1 par défaut)
  --intersections     ajoute au modèle un objet « intersections » : un segment entre les
                      centres des deux boxes de chaque paire listée
  --json              une ligne JSON par box ou maillage, puis une ligne de bilan
  --help              affiche cette aide

Code de sortie :
  0  le fichier de sortie est écrit (les avertissements sont permis)
  1  le fichier de sortie est écrit, mais des boxes ou des maillages ont été laissés de côté ;
     ou le CSV lu a des erreurs, et rien n'est écrit
  2  rien n'est écrit : entrée illisible, arguments incorrects ou écriture impossible
)";

constexpr std::string_view PROGRAM = "quadrel-convert";

using Options = ConvertOptions;

struct Streams {
    std::ostream& out;
    std::ostream& err;
};

using Conversion = std::function<int(const Options&, Streams)>;

std::string lowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    if (!extension.empty()) {
        extension.erase(0, 1);
    }
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return extension;
}

std::string counted(std::size_t count, std::string_view singular, std::string_view plural) {
    // French takes the singular for 0 and 1.
    return std::to_string(count) + " " + std::string(count > 1 ? plural : singular);
}

std::string_view severityWord(std::string_view severity) {
    return severity == "error" ? "erreur" : severity == "warning" ? "avertissement" : "note";
}

// One report line, in the checker's way, or its JSON form.
struct ReportLine {
    std::string_view severity; // "note", "warning" or "error"
    std::optional<std::size_t> rank;
    std::optional<std::string> id;
    std::optional<std::string> mesh;
    std::string kind;
    std::string message;
    std::string jsonFigures; // more fields, each ",\"name\":value"
};

void writeReportLine(const Options& options, std::ostream& out, const ReportLine& line) {
    if (options.json) {
        out << "{\"file\":" << jsonString(options.input) << ",\"kind\":" << jsonString(line.kind)
            << ",\"severity\":\"" << line.severity
            << "\",\"rank\":" << (line.rank ? std::to_string(*line.rank) : "null")
            << ",\"id\":" << jsonFileText(line.id) << ",\"mesh\":" << jsonFileText(line.mesh)
            << line.jsonFigures << ",\"message\":" << jsonString(line.message) << "}\n";
        return;
    }
    out << options.input << ':';
    if (line.rank) {
        out << " box " << *line.rank << " (" << line.id.value_or("") << "):";
    }
    out << ' ' << severityWord(line.severity) << ": " << line.message << '\n';
}

std::string jsonNumber(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

ReportLine meshLine(const MeshReport& mesh) {
    ReportLine line;
    line.mesh = mesh.name;
    const std::string named = "maillage " + ::quoted(mesh.name) + " : ";
    switch (mesh.outcome) {
    case MeshReport::Outcome::NoVolume:
        line.severity = "warning";
        line.kind = "mesh-no-volume";
        line.message = named + "sans volume (plat, une ligne ou un point), laissé de côté";
        return line;
    case MeshReport::Outcome::OutOfRange:
        line.severity = "error";
        line.kind = "mesh-out-of-range";
        line.message = named + "sa box dépasse ce que le format BOX peut écrire, laissée de côté";
        return line;
    case MeshReport::Outcome::Added:
        break;
    }
    line.rank = mesh.rank;
    line.id = mesh.id;
    line.jsonFigures = ",\"filled\":" + jsonNumber(mesh.filled) +
                       ",\"outside\":" + jsonNumber(mesh.fit.outsideDistance) +
                       ",\"planeGap\":" + jsonNumber(mesh.fit.planeGap) +
                       ",\"normalDegrees\":" + jsonNumber(mesh.fit.normalDegrees);
    const std::string figures = "enveloppe convexe / box " + frenchNumber(mesh.filled, 3) +
                                ", sommet le plus loin hors de la box " +
                                frenchNumber(mesh.fit.outsideDistance, 6) + ", arrondi des plans " +
                                frenchNumber(mesh.fit.planeGap, 6) + " (normales à " +
                                frenchNumber(mesh.fit.normalDegrees, 4) + "° près)";
    if (mesh.notABox()) {
        line.severity = "warning";
        line.kind = "mesh-not-a-box";
        line.message = named + "ce maillage n'est pas une box : " + figures;
    } else {
        line.severity = "note";
        line.kind = "box-added";
        line.message = named + figures;
    }
    return line;
}

int modelToBox(const Options& options, Streams streams) {
    std::string reason;
    const std::optional<ModelContent> model = readModelFile(options.input, reason);
    if (!model) {
        streams.err << PROGRAM << ": " << options.input << " : lecture impossible (" << reason
                    << ")\n";
        return CONVERT_NOTHING;
    }
    BoxDocument document;
    document.setPath(options.output);
    ImportOptions importOptions;
    importOptions.collisionOnly = options.collisionOnly;
    importOptions.firstId = options.firstId.value_or(1);
    const ImportReport report = appendModelBoxes(*model, document, importOptions);
    std::error_code failure;
    if (!document.writeFile(failure)) {
        streams.err << PROGRAM << ": " << options.output << " : écriture impossible ("
                    << failure.message() << ")\n";
        return CONVERT_NOTHING;
    }
    std::size_t warnings = 0;
    std::size_t errors = 0;
    for (const MeshReport& mesh : report.meshes) {
        const ReportLine line = meshLine(mesh);
        warnings += line.severity == "warning" ? 1 : 0;
        errors += line.severity == "error" ? 1 : 0;
        writeReportLine(options, streams.out, line);
    }
    if (!report.intersectionsComplete) {
        streams.err << PROGRAM << ": " << options.input
                    << " : trop de boxes entassées, la liste des intersections est incomplète\n";
    }
    if (options.json) {
        streams.out << "{\"file\":" << jsonString(options.input)
                    << ",\"output\":" << jsonString(options.output)
                    << ",\"boxes\":" << document.boxes.size() << ",\"ignored\":" << report.ignored
                    << ",\"intersections\":" << report.intersectionsAdded
                    << ",\"warnings\":" << warnings << ",\"errors\":" << errors << "}\n";
    } else {
        streams.out << options.input << ": "
                    << counted(document.boxes.size(), "box écrite", "boxes écrites") << " dans "
                    << options.output << ", "
                    << counted(report.intersectionsAdded, "intersection", "intersections") << ", "
                    << counted(report.ignored, "maillage ignoré", "maillages ignorés") << ", "
                    << counted(warnings, "avertissement", "avertissements") << ", "
                    << counted(errors, "erreur", "erreurs") << '\n';
    }
    return errors > 0 ? CONVERT_PARTLY : CONVERT_DONE;
}

int boxToModel(const Options& options, Streams streams) {
    BoxDocument document;
    if (!document.loadFile(options.input)) {
        streams.err << PROGRAM << ": " << options.input << " : lecture impossible\n";
        return CONVERT_NOTHING;
    }
    // The route was chosen by this extension.
    const ModelFormat format = *modelFormatOf(options.output);
    ExportOptions exportOptions;
    exportOptions.intersections = options.intersections;
    ExportReport report;
    std::string reason;
    if (!writeModelFile(document, options.output, format, exportOptions, report, reason)) {
        streams.err << PROGRAM << ": " << options.output << " : écriture impossible (" << reason
                    << ")\n";
        return CONVERT_NOTHING;
    }
    std::vector<std::string> ids;
    for (const auto& box : document.boxes) {
        ids.emplace_back(box->id.view());
    }
    for (const std::size_t rank : report.skippedRanks) {
        writeReportLine(
            options, streams.out,
            {"error", rank, ids[rank], std::nullopt, "box-no-solid",
             "les six plans de cette box ne bornent pas un solide : box laissée de côté", ""});
    }
    if (options.json) {
        streams.out << "{\"file\":" << jsonString(options.input)
                    << ",\"output\":" << jsonString(options.output)
                    << ",\"boxes\":" << report.boxesWritten
                    << ",\"skipped\":" << report.skippedRanks.size()
                    << ",\"lines\":" << report.linesWritten << "}\n";
    } else {
        streams.out << options.input << ": "
                    << counted(report.boxesWritten, "box écrite", "boxes écrites") << " dans "
                    << options.output << ", "
                    << counted(report.skippedRanks.size(), "laissée de côté", "laissées de côté");
        if (options.intersections) {
            streams.out << ", "
                        << counted(report.linesWritten, "segment d'intersection",
                                   "segments d'intersection");
        }
        streams.out << '\n';
    }
    return report.skippedRanks.empty() ? CONVERT_DONE : CONVERT_PARTLY;
}

// Which conversion serves a pair of file extensions; a conversion of another kind of file joins
// the table with its own line.
struct Route {
    std::vector<std::string_view> inputs;
    std::vector<std::string_view> outputs;
    Conversion convert;
};

const std::vector<Route>& routes() {
    static const std::vector<Route> table{
        {{"obj", "gltf", "glb", "fbx", "dae", "3ds", "ply", "stl"}, {"box"}, modelToBox},
        {{"box"}, modelExtensions(), boxToModel},
        {{"csv"},
         {"box"},
         [](const Options& options, Streams streams) {
             return shapesToBoxes(options, streams.out, streams.err);
         }},
        {{"box"},
         {"csv"},
         [](const Options& options, Streams streams) {
             return boxesToShapes(options, streams.out, streams.err);
         }},
    };
    return table;
}

const Route* findRoute(const std::string& input, const std::string& output) {
    const auto has = [](const std::vector<std::string_view>& list, const std::string& extension) {
        return std::find(list.begin(), list.end(), extension) != list.end();
    };
    for (const Route& route : routes()) {
        if (has(route.inputs, lowerExtension(input)) &&
            has(route.outputs, lowerExtension(output))) {
            return &route;
        }
    }
    return nullptr;
}

int usageError(std::ostream& err, const std::string& message) {
    err << PROGRAM << ": " << message << "\nEssayez « quadrel-convert --help ».\n";
    return CONVERT_NOTHING;
}

std::optional<unsigned long long> wholeNumber(const std::string& text) {
    unsigned long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

int runConvertCommand(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err) {
    Options options;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool takesValue = argument == "-o" || argument == "--first-id";
        if (takesValue && i + 1 == arguments.size()) {
            return usageError(err, "l'option " + argument + " attend une valeur");
        }
        if (argument == "--help" || argument == "-h") {
            out << HELP;
            return CONVERT_DONE;
        } else if (argument == "-o") {
            options.output = arguments[++i];
        } else if (argument == "--first-id") {
            options.firstId = wholeNumber(arguments[++i]);
            if (!options.firstId) {
                return usageError(err,
                                  "--first-id attend un nombre entier positif : " + arguments[i]);
            }
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--collision-only") {
            options.collisionOnly = true;
        } else if (argument == "--intersections") {
            options.intersections = true;
        } else if (!argument.empty() && argument.front() == '-' && argument != "-") {
            return usageError(err, "option inconnue : " + argument);
        } else {
            files.push_back(argument);
        }
    }
    if (files.size() != 1 || options.output.empty()) {
        return usageError(err, "il faut un fichier d'entrée et un fichier de sortie (-o)");
    }
    options.input = files.front();
    const Route* route = findRoute(options.input, options.output);
    if (route == nullptr) {
        return usageError(err, "conversion inconnue de " + ::quoted(options.input) + " vers " +
                                   ::quoted(options.output));
    }
    const int status = route->convert(options, Streams{out, err});
    out.flush();
    return status;
}
