#include "textchecks.h"

#include "boxvalues.h"
#include "digits.h"
#include "frenchtext.h"
#include "orlclass.h"
#include "problemreporter.h"
#include "rankpair.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>

namespace {

constexpr std::array<char, 3> AXIS_NAMES = {'X', 'Y', 'Z'};
constexpr std::array<char, 4> COEFFICIENT_NAMES = {'a', 'b', 'c', 'd'};

// What is wrong with a text that is not well formed.
std::string formatFault(std::string_view text, std::size_t digits) {
    if (text.empty()) {
        return "texte vide";
    }
    return quoted(text) + " n'est pas un texte hexadécimal de " + std::to_string(digits) +
           " chiffres";
}

// The texts of the slots marked in malformedSlots, as decodeBox marks them, and the radius.
void checkTextFormats(const Box& box, std::uint32_t malformedSlots, ProblemReporter& reporter) {
    for (std::size_t slot = boxslot::firstCentre; malformedSlots >> slot != 0; ++slot) {
        if ((malformedSlots >> slot & 1u) == 0) {
            continue;
        }
        const std::string_view text = boxTextAt(box, slot);
        if (slot < boxslot::firstPlane) {
            reporter.add(ProblemKind::TextFormat, std::string("centre ") +
                                                      AXIS_NAMES[slot - boxslot::firstCentre] +
                                                      " : " + formatFault(text, 8));
            continue;
        }
        const std::size_t k = slot - boxslot::firstPlane;
        const std::size_t coefficient = k % 4;
        reporter.addOnPlane(ProblemKind::TextFormat, static_cast<int>(k / 4),
                            std::string(1, COEFFICIENT_NAMES[coefficient]) + " = " +
                                formatFault(text, coefficient == 3 ? 8 : 4));
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

TextChecks::TextChecks(ProblemReporter& reporter) : reporter_(reporter) {}

void TextChecks::checkCount(std::string_view token, std::size_t boxCount) {
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
    if (count < 0 || static_cast<unsigned long long>(count) != boxCount) {
        reporter_.add(ProblemKind::CountMismatch,
                      "le nombre de boxes " + quoted(token) + " ne donne pas les " +
                          std::to_string(boxCount) + " boxes du fichier");
    }
}

void TextChecks::checkBox(const Box& box) {
    checkTexts(box);
    checkId(box.id);
}

void TextChecks::reserve(std::size_t boxCount) {
    std::size_t slotCount = 16;
    while (slotCount < boxCount * 2) {
        slotCount *= 2;
    }
    if (slotCount > slots_.size()) {
        growTo(slotCount);
    }
}

void TextChecks::finishBoxes() {
    std::vector<IdSlot>().swap(slots_);
    std::vector<std::string>().swap(longIds_);
    used_ = 0;
}

void TextChecks::checkTexts(const Box& box) {
    checkTexts(box, decodeBox(box).malformedSlots);
}

void TextChecks::checkTexts(const Box& box, std::uint32_t malformedSlots) {
    checkTextFormats(box, malformedSlots, reporter_);
}

bool TextChecks::sameId(const IdSlot& slot, const IdSlot& probe, std::string_view id) const {
    if (slot.key != probe.key) {
        return false;
    }
    if (probe.form < SHORT_LIMIT) {
        return slot.form == probe.form;
    }
    return slot.form >= SHORT_LIMIT && longIds_[slot.form - SHORT_LIMIT] == id;
}

namespace {

std::uint64_t spread(std::uint64_t value) {
    value ^= value >> 33;
    value *= 0xff51afd7ed558ccdu;
    value ^= value >> 33;
    value *= 0xc4ceb9fe1a85ec53u;
    return value ^ value >> 33;
}

} // namespace

std::uint64_t TextChecks::homeOf(const IdSlot& slot) {
    return spread(slot.key ^ std::min(slot.form, SHORT_LIMIT));
}

void TextChecks::growTo(std::size_t slotCount) {
    std::vector<IdSlot> old(slotCount);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const IdSlot& entry : old) {
        if (entry.rank == NO_RANK) {
            continue;
        }
        std::size_t place = homeOf(entry) & mask;
        while (slots_[place].rank != NO_RANK) {
            place = (place + 1) & mask;
        }
        slots_[place] = entry;
    }
}

TextChecks::IdKey TextChecks::keyOf(std::string_view id) {
    IdSlot slot;
    if (id.size() < SHORT_LIMIT) {
        std::memcpy(&slot.key, id.data(), id.size());
        slot.form = static_cast<std::uint32_t>(id.size());
    } else {
        slot.key = std::hash<std::string_view>{}(id);
        slot.form = SHORT_LIMIT;
    }
    return {slot.key, homeOf(slot), slot.form, !id.empty() && allDigits(id)};
}

void TextChecks::prefetchId(const IdKey& key) const {
#if defined(__GNUC__)
    if (!slots_.empty()) {
        __builtin_prefetch(&slots_[key.home & (slots_.size() - 1)]);
    }
#else
    static_cast<void>(key);
#endif
}

void TextChecks::checkId(std::string_view id) {
    checkId(id, keyOf(id));
}

void TextChecks::checkId(std::string_view id, const IdKey& key) {
    const auto rank = idCount_++;
    if (!key.digitsOnly && !checkIdText(id, reporter_)) {
        return;
    }
    if ((used_ + 1) * 2 > slots_.size()) {
        growTo(std::max<std::size_t>(slots_.size() * 2, 16));
    }
    IdSlot probe{key.key, NO_RANK, key.form};
    const std::size_t mask = slots_.size() - 1;
    std::size_t place = key.home & mask;
    for (; slots_[place].rank != NO_RANK; place = (place + 1) & mask) {
        if (sameId(slots_[place], probe, id)) {
            reportDuplicate(id, slots_[place].rank, reporter_);
            return;
        }
    }
    if (probe.form >= SHORT_LIMIT) {
        probe.form = SHORT_LIMIT + static_cast<std::uint32_t>(longIds_.size());
        longIds_.emplace_back(id);
    }
    probe.rank = rank;
    slots_[place] = probe;
    ++used_;
}

void checkTextsOfBox(const Box& box, std::optional<std::uint32_t> firstWithSameId,
                     ProblemReporter& reporter) {
    checkTextFormats(box, decodeBox(box).malformedSlots, reporter);
    if (checkIdText(box.id, reporter) && firstWithSameId) {
        reportDuplicate(box.id, *firstWithSameId, reporter);
    }
}
