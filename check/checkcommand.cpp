#include "checkcommand.h"

#include "jsontext.h"
#include "orlclass.h"
#include "problems.h"

#include <cstddef>
#include <optional>
#include <ostream>
#include <string_view>

namespace {

constexpr std::size_t PAIRS_PER_LINE = 9;

constexpr std::string_view HELP =
    R"(Usage : quadrel-check [--json] [--intersections] FICHIER...

Vérifie des fichiers BOX : les textes et l'ID de chaque box, le solide que découpent ses six
plans, et la liste des intersections, comparée à celle que donnent les solides.

Chaque problème s'écrit sur une ligne, à la manière des compilateurs :
  FICHIER: box RANG (ID): plan N: erreur|avertissement: message
(les parties box, plan et intersection seulement quand elles s'appliquent), puis une ligne de
bilan par fichier.

Options :
  --json           une ligne JSON par problème, avec les champs file, kind, severity (error ou
                   warning), rank, id, plane, intersection (null quand ils ne s'appliquent pas)
                   et message
  --intersections  écrit, au lieu des problèmes, la liste des intersections calculée à partir
                   des solides, comme un fichier BOX l'écrit : les paires séparées par deux
                   espaces, neuf par ligne, sous une ligne « FICHIER: » quand il y a plusieurs
                   fichiers (avec --json : une ligne JSON par fichier)
  --help           affiche cette aide

Code de sortie :
  0  aucun fichier n'a d'erreur (les avertissements sont permis)
  1  au moins un fichier a une erreur
  2  un fichier n'a pas pu être lu (les autres sont vérifiés quand même), ou les arguments
     sont incorrects
)";

struct Options {
    bool json = false;
    bool intersections = false;
    std::vector<std::string> files;
};

std::string counted(std::size_t count, std::string_view singular, std::string_view plural) {
    // French takes the singular for 0 and 1.
    return std::to_string(count) + " " + std::string(count > 1 ? plural : singular);
}

std::string optionalNumber(const std::optional<std::size_t>& value) {
    return value ? std::to_string(*value) : "null";
}

void writeLine(std::ostream& out, const std::string& file, const Problem& problem) {
    out << file << ':';
    if (problem.rank) {
        out << " box " << *problem.rank << " (" << problem.id.value_or("") << "):";
    }
    if (problem.plane) {
        out << " plan " << *problem.plane << ':';
    }
    if (problem.intersection) {
        out << " intersection " << *problem.intersection << ':';
    }
    out << (problem.severity() == Severity::Error ? " erreur: " : " avertissement: ")
        << problem.message << '\n';
}

void writeJson(std::ostream& out, const std::string& file, const Problem& problem) {
    out << "{\"file\":" << jsonString(file)
        << ",\"kind\":" << jsonString(kindIdentifier(problem.kind))
        << ",\"severity\":" << (problem.severity() == Severity::Error ? "\"error\"" : "\"warning\"")
        << ",\"rank\":" << optionalNumber(problem.rank)
        << ",\"id\":" << jsonStringOrNull(problem.id)
        << ",\"plane\":" << (problem.plane ? std::to_string(*problem.plane) : std::string("null"))
        << ",\"intersection\":" << jsonStringOrNull(problem.intersection)
        << ",\"message\":" << jsonString(problem.message) << "}\n";
}

void writePairs(std::ostream& out, const std::vector<RankPair>& pairs) {
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (i != 0) {
            out << (i % PAIRS_PER_LINE == 0 ? "\n" : "  ");
        }
        out << pairs[i].first << ' ' << pairs[i].second;
    }
    if (!pairs.empty()) {
        out << '\n';
    }
}

void writePairsJson(std::ostream& out, const std::string& file, const IntersectionSearch& search) {
    out << "{\"file\":" << jsonString(file) << ",\"intersections\":[";
    for (std::size_t i = 0; i < search.pairs.size(); ++i) {
        out << (i == 0 ? "\"" : ",\"") << pairText(search.pairs[i]) << '"';
    }
    out << "],\"complete\":" << (search.complete ? "true" : "false") << "}\n";
}

// Reads and checks one file, writes its report; returns whether it has an error, or nothing
// when it cannot be read.
std::optional<bool> checkFile(const Options& options, const std::string& file, std::ostream& out,
                              std::ostream& err) {
    BoxDocument document;
    // The reader makes countText agree with the boxes it read: the count check needs the token
    // the file wrote.
    std::optional<std::string> writtenCount;
    if (!document.loadFile(file, writtenCount)) {
        err << "quadrel-check: " << file << " : lecture impossible\n";
        return std::nullopt;
    }
    const std::string_view countToken = writtenCount ? *writtenCount : document.countText;
    std::size_t errors = 0;
    std::size_t warnings = 0;
    // Problems are written as they are found: a file with a great many keeps no list of them.
    const IntersectionSearch search =
        inspectDocument(document, countToken, [&](const Problem& problem) {
            ++(problem.severity() == Severity::Error ? errors : warnings);
            if (options.intersections) {
                return;
            }
            if (options.json) {
                writeJson(out, file, problem);
            } else {
                writeLine(out, file, problem);
            }
        });
    if (options.intersections) {
        if (options.json) {
            writePairsJson(out, file, search);
        } else {
            if (options.files.size() > 1) {
                out << file << ":\n";
            }
            writePairs(out, search.pairs);
        }
        if (!search.complete) {
            err << "quadrel-check: " << file
                << " : trop de boxes entassées, la liste des intersections est incomplète\n";
        }
    } else if (!options.json) {
        out << file << ": " << counted(document.boxes.size(), "box vérifiée", "boxes vérifiées")
            << ", " << counted(errors, "erreur", "erreurs") << ", "
            << counted(warnings, "avertissement", "avertissements") << '\n';
    }
    return errors > 0;
}

} // namespace

int runCheckCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err) {
    Options options;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (optionsEnded || argument.empty() || argument.front() != '-' || argument == "-") {
            options.files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            out << HELP;
            return CHECK_CLEAN;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--intersections") {
            options.intersections = true;
        } else {
            err << "quadrel-check: option inconnue : " << argument
                << "\nEssayez « quadrel-check --help ».\n";
            return CHECK_UNREADABLE;
        }
    }
    if (options.files.empty()) {
        err << "quadrel-check: aucun fichier à vérifier\nEssayez « quadrel-check --help ».\n";
        return CHECK_UNREADABLE;
    }
    bool unreadable = false;
    bool errors = false;
    for (const std::string& file : options.files) {
        const std::optional<bool> hasErrors = checkFile(options, file, out, err);
        unreadable = unreadable || !hasErrors;
        errors = errors || hasErrors.value_or(false);
    }
    out.flush();
    if (unreadable) {
        return CHECK_UNREADABLE;
    }
    return errors ? CHECK_ERRORS : CHECK_CLEAN;
}
