#include "textchecks.h"

#include "digits.h"
#include "frenchtext.h"
#include "leadinginteger.h"
#include "orlclass.h"
#include "problemreporter.h"

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

} // namespace

TextChecks::TextChecks(const BoxDocument& document, ProblemReporter& reporter)
    : document_(document), reporter_(reporter) {}

void TextChecks::checkCount(std::optional<std::string_view> countToken) {
    const std::string_view token = countToken ? *countToken : document_.countText;
    const long long count = parseLeadingInteger(token);
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
    for (std::size_t axis = 0; axis < Box::centerTextCount; ++axis) {
        const std::string fault = formatFault(box.centerText(axis), 8);
        if (!fault.empty()) {
            reporter_.add(ProblemKind::TextFormat,
                          std::string("centre ") + AXIS_NAMES[axis] + " : " + fault);
        }
    }
    for (std::size_t k = 0; k < Box::planeTextCount; ++k) {
        const std::size_t coefficient = k % 4;
        const std::string fault = formatFault(box.planeText(k), coefficient == 3 ? 8 : 4);
        if (!fault.empty()) {
            reporter_.addOnPlane(ProblemKind::TextFormat, static_cast<int>(k / 4),
                                 std::string(1, COEFFICIENT_NAMES[coefficient]) + " = " + fault);
        }
    }
    const std::string_view radius = box.maxRadius;
    if (radius.empty()) {
        reporter_.add(ProblemKind::TextFormat, "rayon maximal : texte vide");
    } else if (!allDigits(radius)) {
        reporter_.add(ProblemKind::TextFormat,
                      "rayon maximal : " + quoted(radius) + " n'est pas fait que de chiffres");
    }
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
    if (id.empty()) {
        reporter_.add(ProblemKind::IdInvalid, "l'ID est vide");
        return;
    }
    if (!allDigits(id)) {
        reporter_.add(ProblemKind::IdInvalid,
                      "l'ID " + quoted(id) + " n'est pas fait que de chiffres");
    }
    const std::size_t mask = rankOfIdSlots_.size() - 1;
    const std::size_t hash = std::hash<std::string_view>{}(id);
    std::size_t slot = hash & mask;
    for (; rankOfIdSlots_[slot] != NO_RANK; slot = (slot + 1) & mask) {
        const std::uint32_t first = rankOfIdSlots_[slot];
        if (ids_[first] == id) {
            reporter_.add(ProblemKind::IdDuplicate, "l'ID " + quoted(id) +
                                                        " est déjà celui de la box " +
                                                        std::to_string(first));
            return;
        }
    }
    rankOfIdSlots_[slot] = static_cast<std::uint32_t>(ids_.size() - 1);
}
