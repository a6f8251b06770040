#include "intersectionchecks.h"

#include "frenchtext.h"
#include "intersections.h"
#include "orlclass.h"
#include "problemreporter.h"
#include "problems.h"
#include "rankpair.h"
#include "shapeset.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t UNSOUND = std::numeric_limits<std::uint64_t>::max();

std::uint64_t pairKey(const RankPair& pair) {
    return static_cast<std::uint64_t>(pair.first) << 32 | pair.second;
}

class ListChecks {
public:
    ListChecks(const BoxDocument& document, ProblemReporter& reporter)
        : document_(document), reporter_(reporter) {}

    void run(const ShapeSet& shapes, const IntersectionSearch& search) {
        // Each sound listed pair as low << 32 | high, UNSOUND for the others. Places in the list
        // are kept in 32 bits, as ranks are: a scene's lists are long, and fresh memory is dear.
        std::vector<std::uint64_t> keys;
        keys.reserve(document_.intersections.size());
        for (const auto& entry : document_.intersections) {
            keys.push_back(listedKey(entry, false).value_or(UNSOUND));
        }
        // The places of the sound pairs by key, then by place: a pair listed again follows its
        // first listing, and the walk beside the computed pairs finds the missing ones.
        std::vector<std::uint32_t> order;
        order.reserve(keys.size());
        for (std::size_t position = 0; position < keys.size(); ++position) {
            if (keys[position] != UNSOUND) {
                order.push_back(static_cast<std::uint32_t>(position));
            }
        }
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return keys[a] != keys[b] ? keys[a] < keys[b] : a < b;
        });
        // Each later listing of a pair, with the place of its first listing, in list order.
        std::vector<std::pair<std::uint32_t, std::uint32_t>> repeats;
        for (std::size_t i = 1, first = 0; i < order.size(); ++i) {
            if (keys[order[i]] == keys[order[i - 1]]) {
                repeats.emplace_back(order[i], order[first]);
            } else {
                first = i;
            }
        }
        std::sort(repeats.begin(), repeats.end());
        // A computed pair passed the touch test already: only the others need it.
        std::vector<bool> computed(keys.size());
        auto found = search.pairs.begin();
        for (const std::uint32_t position : order) {
            const std::uint64_t key = keys[position];
            while (found != search.pairs.end() && pairKey(*found) < key) {
                ++found;
            }
            computed[position] = found != search.pairs.end() && pairKey(*found) == key;
        }
        // The texts of the first listings that are repeated, taken as the walk passes them:
        // a first listing comes before its repeats.
        std::vector<std::uint32_t> repeatedFirsts;
        for (const auto& repeat : repeats) {
            repeatedFirsts.push_back(repeat.second);
        }
        std::sort(repeatedFirsts.begin(), repeatedFirsts.end());
        repeatedFirsts.erase(std::unique(repeatedFirsts.begin(), repeatedFirsts.end()),
                             repeatedFirsts.end());
        std::vector<std::string_view> firstTexts;
        auto repeat = repeats.begin();
        std::size_t position = 0;
        for (const auto& entry : document_.intersections) {
            const std::string_view text = entry;
            if (firstTexts.size() < repeatedFirsts.size() &&
                repeatedFirsts[firstTexts.size()] == position) {
                firstTexts.push_back(text);
            }
            if (keys[position] == UNSOUND) {
                listedKey(text, true);
            } else if (repeat != repeats.end() && repeat->first == position) {
                const auto first =
                    std::lower_bound(repeatedFirsts.begin(), repeatedFirsts.end(), repeat->second);
                const std::string_view firstText = firstTexts[static_cast<std::size_t>(
                    std::distance(repeatedFirsts.begin(), first))];
                reporter_.addListed(ProblemKind::IntersectionDuplicate, text,
                                    "même paire que l'intersection " + quoted(firstText) +
                                        ", déjà listée");
                ++repeat;
            } else {
                const std::size_t low = keys[position] >> 32;
                const std::size_t high = keys[position] & 0xffffffffu;
                if (!computed[position] && shapes.present(low) && shapes.present(high) &&
                    !shapes.touch(low, high)) {
                    reporter_.addListed(ProblemKind::IntersectionApart, text,
                                        "les solides des boxes " + std::to_string(low) + " et " +
                                            std::to_string(high) + " ne se touchent pas");
                }
            }
            ++position;
        }
        if (!search.complete) {
            reporter_.add(ProblemKind::IntersectionsIncomplete,
                          "trop de boxes entassées : la recherche des intersections s'est "
                          "arrêtée après " +
                              std::to_string(search.pairs.size()) +
                              " paires, celles qui manquent à la liste ne sont pas signalées");
            return;
        }
        auto listed = order.begin();
        for (const RankPair& pair : search.pairs) {
            const std::uint64_t key = pairKey(pair);
            while (listed != order.end() && keys[*listed] < key) {
                ++listed;
            }
            if (listed == order.end() || keys[*listed] != key) {
                reporter_.addListed(ProblemKind::IntersectionMissing, pairText(pair),
                                    "les solides des boxes " + std::to_string(pair.first) + " et " +
                                        std::to_string(pair.second) +
                                        " se touchent mais la paire n'est pas listée");
            }
        }
    }

private:
    // The key of a listed pair of two distinct ranks of boxes, or nothing; report: whether to
    // report what is wrong with it.
    std::optional<std::uint64_t> listedKey(std::string_view text, bool report) {
        const std::optional<IntersectionRanks> ranks = parseRankPair(text);
        if (!ranks) {
            if (report) {
                reporter_.addListed(ProblemKind::IntersectionMalformed, text,
                                    "pas deux rangs séparés par une espace");
            }
            return std::nullopt;
        }
        const auto [a, b] = *ranks;
        if (!checkRank(a, text, report) || !checkRank(b, text, report)) {
            return std::nullopt;
        }
        if (a == b) {
            if (report) {
                reporter_.addListed(ProblemKind::IntersectionSelf, text,
                                    "la box " + std::to_string(a) + " avec elle-même");
            }
            return std::nullopt;
        }
        const auto low = static_cast<std::uint64_t>(std::min(a, b));
        const auto high = static_cast<std::uint64_t>(std::max(a, b));
        return low << 32 | high;
    }

    bool checkRank(long long rank, std::string_view text, bool report) {
        if (rank < 0) {
            if (report) {
                reporter_.addListed(ProblemKind::IntersectionOutOfRange, text,
                                    "le rang " + std::to_string(rank) + " est négatif");
            }
            return false;
        }
        if (static_cast<unsigned long long>(rank) >= document_.boxes.size()) {
            if (report) {
                reporter_.addListed(ProblemKind::IntersectionOutOfRange, text,
                                    "le rang " + std::to_string(rank) +
                                        " n'est pas inférieur au nombre de boxes (" +
                                        std::to_string(document_.boxes.size()) + ")");
            }
            return false;
        }
        return true;
    }

    const BoxDocument& document_;
    ProblemReporter& reporter_;
};

} // namespace

void checkListedIntersections(const BoxDocument& document, const ShapeSet& shapes,
                              const IntersectionSearch& search, ProblemReporter& reporter) {
    ListChecks(document, reporter).run(shapes, search);
}
