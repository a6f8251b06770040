#include "checkcommand.h"

#include "checkoptions.h"
#include "filefeed.h"
#include "filesource.h"
#include "filetext.h"
#include "frenchtext.h"
#include "jsontext.h"
#include "problems.h"
#include "reporttext.h"
#include "safefile.h"

#include <cstddef>
#include <optional>
#include <ostream>
#include <string_view>

namespace {

constexpr std::size_t PAIRS_PER_LINE = 9;

constexpr std::string_view HELP =
    R"(Usage : quadrel-check [--json] [--intersections] [--seam L] [--thin L] [--slope D]
                      [--step L] FICHIER...

Vérifie des fichiers BOX : les textes et l'ID de chaque box, le solide que découpent ses six
plans, la liste des intersections, comparée à celle que donnent les solides, et ce qu'un
personnage rencontre en jouant : fentes entre deux boxes, solides trop minces, sols trop
raides, marches trop basses (des avertissements).

Deux solides se recouvrent ou se touchent quand aucun axe séparateur ne les écarte de plus de
1/1024 : les axes essayés sont les normales des faces des deux solides et les produits
vectoriels de leurs arêtes. Deux cubes dont les coins les plus proches sont à 1,73/1024 l'un de
l'autre en diagonale se touchent donc (1/1024 sur chaque axe).

Chaque problème s'écrit sur une ligne, à la manière des compilateurs :
  FICHIER: box RANG (ID): plan N: erreur|avertissement: message
(les parties box, plan et intersection seulement quand elles s'appliquent), puis une ligne de
bilan par fichier.

Un fichier dont l'enregistrement a été interrompu (une copie complète de son ancien contenu
est restée à côté de lui) n'est ni lu ni modifié : il donne l'erreur interrupted-save. Ouvrir
le fichier dans Quadrel le restaure.

Options :
  --json           une ligne JSON par problème, avec les champs file, kind, severity (error ou
                   warning), rank, id, plane, intersection (null quand ils ne s'appliquent pas)
                   et message
  --intersections  écrit, au lieu des problèmes, la liste des intersections calculée à partir
                   des solides, comme un fichier BOX l'écrit : les paires séparées par deux
                   espaces, neuf par ligne, sous une ligne « FICHIER: » quand il y a plusieurs
                   fichiers (avec --json : une ligne JSON par fichier)
  --seam L         largeur des fentes signalées entre deux faces qui se font face : plus
                   étroites que L, plus larges que 1/1024 (par défaut 1/16)
  --thin L         épaisseur minimale d'un solide (par défaut 1/32)
  --slope D        pente la plus raide où un personnage tient debout, en degrés, moins de 70
                   (par défaut 45) : une face montante plus raide, mais à moins de 70°, est
                   signalée
  --step L         hauteur minimale d'une marche entre deux sols qui se rejoignent vus d'en
                   haut (par défaut 1/8)
  --help           affiche cette aide
Les longueurs, en unités de la scène, s'écrivent 0.05, 0,05 ou 1/16.

Code de sortie :
  0  aucun fichier n'a d'erreur (les avertissements sont permis)
  1  au moins un fichier a une erreur
  2  un fichier n'a pas pu être lu (les autres sont vérifiés quand même), ou les arguments
     sont incorrects
)";

std::string counted(std::size_t count, std::string_view singular, std::string_view plural) {
    // French takes the singular for 0 and 1.
    return std::to_string(count) + " " + std::string(count > 1 ? plural : singular);
}

std::string optionalNumber(const std::optional<std::size_t>& value) {
    return value ? std::to_string(*value) : "null";
}

// A line per problem: a long ID repeated in each would make a report of its size times theirs.
void writeLine(std::ostream& out, const std::string& file, const Problem& problem) {
    out << escapedForLine(file) << ':';
    if (problem.rank) {
        out << " box " << *problem.rank << " ("
            << escapedForLine(shortened(problem.id.value_or(""))) << "):";
    }
    if (problem.plane) {
        out << " plan " << *problem.plane << ':';
    }
    if (problem.intersection) {
        out << " intersection " << escapedForLine(shortened(*problem.intersection)) << ':';
    }
    out << (problem.severity() == Severity::Error ? " erreur: " : " avertissement: ")
        << escapedForLine(problem.message) << '\n';
}

void writeJson(std::ostream& out, const std::string& file, const Problem& problem) {
    out << "{\"file\":" << jsonString(file)
        << ",\"kind\":" << jsonString(kindIdentifier(problem.kind))
        << ",\"severity\":" << (problem.severity() == Severity::Error ? "\"error\"" : "\"warning\"")
        << ",\"rank\":" << optionalNumber(problem.rank) << ",\"id\":" << jsonFileText(problem.id)
        << ",\"plane\":" << (problem.plane ? std::to_string(*problem.plane) : std::string("null"))
        << ",\"intersection\":" << jsonFileText(problem.intersection)
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

void writeProblem(const CheckOptions& options, std::ostream& out, const std::string& file,
                  const Problem& problem) {
    if (options.json) {
        writeJson(out, file, problem);
    } else {
        writeLine(out, file, problem);
    }
}

// A save cut short leaves the file half written beside a complete copy of its old content: the
// file is reported as such, and neither read nor touched, so that opening it can put it back.
void reportInterruptedSave(const CheckOptions& options, const std::string& file,
                           const std::string& copy, std::ostream& out, std::ostream& err) {
    Problem problem;
    problem.kind = ProblemKind::InterruptedSave;
    problem.message = "enregistrement interrompu : l'ancien contenu est resté dans « " + copy +
                      " » ; ouvrir le fichier dans Quadrel le restaure";
    if (options.intersections) {
        err << "quadrel-check: " << file << " : " << problem.message << '\n';
        return;
    }
    writeProblem(options, out, file, problem);
    if (!options.json) {
        out << file << ": 0 box vérifiée, 1 erreur, 0 avertissement\n";
    }
}

// Reads and checks one file, writes its report; returns whether it has an error, or nothing
// when it cannot be read.
std::optional<bool> checkFile(const CheckOptions& options, const std::string& file,
                              std::ostream& out, std::ostream& err) {
    if (const std::optional<std::string> copy = interruptedSaveCopy(file)) {
        reportInterruptedSave(options, file, *copy, out, err);
        return true;
    }
    InputFile input(file);
    if (!input.isOpen()) {
        err << "quadrel-check: " << escapedForLine(file) << " : lecture impossible\n";
        return std::nullopt;
    }
    FileSource source(input);
    std::size_t errors = 0;
    std::size_t warnings = 0;
    // The file is checked as it is read, keeping no document. Problems are written as they are
    // found, once every box is read: a file with a great many keeps no list of them after that.
    FileFeed feed(source);
    const FedReport report = inspectFedBoxes(
        feed,
        [&](const Problem& problem) {
            ++(problem.severity() == Severity::Error ? errors : warnings);
            if (options.intersections || source.failed()) {
                return;
            }
            writeProblem(options, out, file, problem);
        },
        options.limits);
    if (source.failed()) {
        err << "quadrel-check: " << escapedForLine(file) << " : lecture impossible\n";
        return std::nullopt;
    }
    const IntersectionSearch& search = report.intersections;
    if (options.intersections) {
        if (options.json) {
            writePairsJson(out, file, search);
        } else {
            if (options.files.size() > 1) {
                out << escapedForLine(file) << ":\n";
            }
            writePairs(out, search.pairs);
        }
        if (!search.complete) {
            err << "quadrel-check: " << escapedForLine(file)
                << " : trop de boxes entassées, la liste des intersections est incomplète\n";
        }
    } else if (!options.json) {
        out << escapedForLine(file) << ": "
            << counted(report.boxCount, "box vérifiée", "boxes vérifiées") << ", "
            << counted(errors, "erreur", "erreurs") << ", "
            << counted(warnings, "avertissement", "avertissements") << '\n';
    }
    return errors > 0;
}

} // namespace

int runCheckCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err) {
    const std::optional<CheckOptions> read = readCheckArguments(arguments, err);
    if (!read) {
        return CHECK_UNREADABLE;
    }
    const CheckOptions& options = *read;
    if (options.help) {
        out << HELP;
        return CHECK_CLEAN;
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
