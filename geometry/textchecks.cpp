#include "textchecks.h"

#include "digits.h"
#include "frenchtext.h"
#include "orlclass.h"
#include "problemreporter.h"
#include "rankpair.h"

#include <array>
#include <functional>
#include <string>

namespace {

constexpr std::array<char, 3> AXIS_NAMES = {'X', 'Y', 'Z'};
constexpr std::array<char, 4> COEFFICIENT_NAMES = {'a', 'b', 'c', 'd'};

bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string formatFault(std::string_view text, std::size_t digits) {
    if (text.empty()) {
        return "texte vide";
    }
    if (text.size() != digits ||
        !std::all_of(text.begin(), text.end(), [](char c) { return isHexDigit(c); })) {
        return quoted(text) + " n'est pas un texte hexadécimal de " + std::to_string(digits) +
               " chiffres";
    }
    return {};
}

void checkTextFormats(const Box& box, ProblemReporter& reporter) {
    for (std::size_t axis = 0; axis < Box::centerTextCount; ++axis) {
        const std::string fault = formatFault(box.centerText(axis), 8);
        if (!fault.empty()) {
            reporter.add(ProblemKind::TextFormat,
                         std::string("centre ") + AXIS_NAMES[axis] + " : " + fault);
        }
    }
    for (std::size_t k = 0; k < Box::planeTextCount; ++k) {
        const std::size_t coefficient = k % 4;
        const std::string fault = formatFault(box.planeText(k), coefficient == 3 ? 8 : 4);
        if (!fault.empty()) {
            reporter.addOnPlane(ProblemKind::TextFormat, static_cast<int>(k / 4),
                                std::string(1, COEFFICIENT_NAMES[coefficient]) + " = " + fault);
        }
    }
    const std::string_view radius = box.maxRadius;
    if (radius.empty()) {
        reporter.add(ProblemKind::TextFormat, "rayon maximal : texte vide");
    } else if (!allDigits(radius)) {
        reporter.add(ProblemKind::TextFormat,
                     "rayon maximal : " + quoted(radius) + " n'est pas fait que de chiffres");
    }
}

// Whether the ID is not empty, reporting it if it is, or if it is not digits alone.
bool checkIdText(std::string_view id, ProblemReporter& reporter) {
    if (id.empty()) {
        reporter.add(ProblemKind::IdInvalid, "l'ID est vide");
        return false;
    }
    if (!allDigits(id)) {
        reporter.add(ProblemKind::IdInvalid,
                     "l'ID " + quoted(id) + " n'est pas fait que de chiffres");
    }
    return true;
}

} // namespace

void reportDuplicate(std::string_view id, std::uint32_t first, ProblemReporter& reporter) {
    reporter.add(ProblemKind::IdDuplicate,
                 "l'ID " + quoted(id) + " est déjà celui de la box " + std::to_string(first));
}

TextChecks::TextChecks(const BoxDocument& document, ProblemReporter& reporter)
    : document_(document), reporter_(reporter) {}

void TextChecks::checkCount(std::optional<std::string_view> countToken) {
    const std::string_view token = countToken ? *countToken : document_.countText;
    if (token.empty()) {
        reporter_.add(ProblemKind::EmptyFile, "fichier vide : pas de nombre de boxes");
        return;
    }
    const std::optional<long long> counted = parseRank(token);
    if (!counted) {
        reporter_.add(ProblemKind::CountInvalid,
                      "le nombre de boxes " + quotedBytes(token) + " n'est pas un nombre");
        return;
    }
    const long long count = *counted;
    if (count < 0 || static_cast<unsigned long long>(count) != document_.boxes.size()) {
        reporter_.add(ProblemKind::CountMismatch,
                      "le nombre de boxes " + quoted(token) + " ne donne pas les " +
                          std::to_string(document_.boxes.size()) + " boxes du fichier");
    }
}

void TextChecks::checkBox(const Box& box) {
    checkTexts(box);
    checkId(box.id);
}

void TextChecks::finishBoxes() {
    std::vector<std::uint32_t>().swap(rankOfIdSlots_);
    std::vector<std::string_view>().swap(ids_);
}

void TextChecks::checkTexts(const Box& box) {
    checkTextFormats(box, reporter_);
}

void TextChecks::checkId(std::string_view id) {
    // Made at the first ID, so that checks that only look at texts cost nothing to make.
    if (rankOfIdSlots_.empty()) {
        std::size_t slotCount = 16;
        while (slotCount < document_.boxes.size() * 2) {
            slotCount *= 2;
        }
        rankOfIdSlots_.assign(slotCount, NO_RANK);
        ids_.reserve(document_.boxes.size());
    }
    ids_.push_back(id);
    if (!checkIdText(id, reporter_)) {
        return;
    }
    const std::size_t mask = rankOfIdSlots_.size() - 1;
    const std::size_t hash = std::hash<std::string_view>{}(id);
    std::size_t slot = hash & mask;
    for (; rankOfIdSlots_[slot] != NO_RANK; slot = (slot + 1) & mask) {
        const std::uint32_t first = rankOfIdSlots_[slot];
        if (ids_[first] == id) {
            reportDuplicate(id, first, reporter_);
            return;
        }
    }
    rankOfIdSlots_[slot] = static_cast<std::uint32_t>(ids_.size() - 1);
}

void checkTextsOfBox(const Box& box, std::optional<std::uint32_t> firstWithSameId,
                     ProblemReporter& reporter) {
    checkTextFormats(box, reporter);
    if (checkIdText(box.id, reporter) && firstWithSameId) {
        reportDuplicate(box.id, *firstWithSameId, reporter);
    }
}
