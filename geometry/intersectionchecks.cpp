#include "intersectionchecks.h"

#include "digitsort.h"
#include "frenchtext.h"
#include "intersections.h"
#include "orlclass.h"
#include "problemreporter.h"
#include "problems.h"
#include "rankpair.h"
#include "scene.h"
#include "shapeset.h"
#include "solid.h"

#include <algorithm>
#include <bit>
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

bool checkRank(long long rank, std::string_view text, std::size_t boxCount,
               ProblemReporter* reporter) {
    if (rank < 0) {
        if (reporter != nullptr) {
            reporter->addListed(ProblemKind::IntersectionOutOfRange, text,
                                "le rang " + std::to_string(rank) + " est négatif");
        }
        return false;
    }
    if (static_cast<unsigned long long>(rank) >= boxCount) {
        if (reporter != nullptr) {
            reporter->addListed(ProblemKind::IntersectionOutOfRange, text,
                                "le rang " + std::to_string(rank) +
                                    " n'est pas inférieur au nombre de boxes (" +
                                    std::to_string(boxCount) + ")");
        }
        return false;
    }
    return true;
}

class ListChecks {
public:
    ListChecks(const TextList& intersections, std::size_t boxCount, ProblemReporter& reporter)
        : intersections_(intersections), boxCount_(boxCount), reporter_(reporter) {}

    void run(const ShapeSet& shapes, const IntersectionSearch& search) {
        // Each sound listed pair as low << 32 | high, UNSOUND for the others. Places in the list
        // are kept in 32 bits, as ranks are: a scene's lists are long, and fresh memory is dear.
        std::vector<std::uint64_t> keys;
        keys.reserve(intersections_.size());
        for (const auto& entry : intersections_) {
            std::optional<std::uint64_t> key = plainKey(entry);
            if (!key) {
                key = listedKey(entry, false);
            }
            keys.push_back(key.value_or(UNSOUND));
        }
        // The places of the sound pairs by key, then by place: a pair listed again follows its
        // first listing, and the walk beside the computed pairs finds the missing ones.
        const std::vector<std::uint32_t> order = soundPlacesByKey(keys);
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
        for (const auto& entry : intersections_) {
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
                reportRepeatedPair(text, firstText, reporter_);
                ++repeat;
            } else {
                const std::size_t low = keys[position] >> 32;
                const std::size_t high = keys[position] & 0xffffffffu;
                if (!computed[position] && shapes.present(low) && shapes.present(high) &&
                    !shapes.touch(low, high)) {
                    reportApartPair(text, {low, high}, reporter_);
                }
            }
            ++position;
        }
        if (!search.complete) {
            reportIncompleteSearch(search.pairs.size(), reporter_);
            return;
        }
        auto listed = order.begin();
        for (const RankPair& pair : search.pairs) {
            const std::uint64_t key = pairKey(pair);
            while (listed != order.end() && keys[*listed] < key) {
                ++listed;
            }
            if (listed == order.end() || keys[*listed] != key) {
                reportMissingPair(pair, reporter_);
            }
        }
    }

private:
    std::vector<std::uint32_t> soundPlacesByKey(const std::vector<std::uint64_t>& keys) const {
        std::vector<std::uint32_t> order;
        const int rankBits = std::max(static_cast<int>(std::bit_width(boxCount_)), 1);
        const int placeBits = std::max(static_cast<int>(std::bit_width(keys.size())), 1);
        if (2 * rankBits + placeBits <= 64) {
            // Both ranks and the place in one key, sorted by its digits.
            std::vector<std::uint64_t> sorted;
            for (std::size_t position = 0; position < keys.size(); ++position) {
                if (keys[position] != UNSOUND) {
                    const std::uint64_t pair =
                        (keys[position] >> 32) << rankBits | (keys[position] & 0xffffffffu);
                    sorted.push_back(pair << placeBits | position);
                }
            }
            sortByDigits(sorted, 2 * rankBits + placeBits);
            order.reserve(sorted.size());
            const std::uint64_t placeMask = (std::uint64_t{1} << placeBits) - 1;
            for (const std::uint64_t key : sorted) {
                order.push_back(static_cast<std::uint32_t>(key & placeMask));
            }
            return order;
        }
        for (std::size_t position = 0; position < keys.size(); ++position) {
            if (keys[position] != UNSOUND) {
                order.push_back(static_cast<std::uint32_t>(position));
            }
        }
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return keys[a] != keys[b] ? keys[a] < keys[b] : a < b;
        });
        return order;
    }

    // The key of a sound pair written in plain decimal, as nearly every line is, read in one
    // pass; nothing for any other text, which listedKey reads.
    std::optional<std::uint64_t> plainKey(std::string_view text) const {
        IntersectionRanks ranks;
        if (!readPlainRankPair(text, ranks)) {
            return std::nullopt;
        }
        const auto [a, b] = ranks;
        if (a == b || static_cast<unsigned long long>(std::max(a, b)) >= boxCount_) {
            return std::nullopt;
        }
        return static_cast<std::uint64_t>(std::min(a, b)) << 32 |
               static_cast<std::uint64_t>(std::max(a, b));
    }

    std::optional<std::uint64_t> listedKey(std::string_view text, bool report) {
        return listedPairKey(text, boxCount_, report ? &reporter_ : nullptr);
    }

    const TextList& intersections_;
    std::size_t boxCount_;
    ProblemReporter& reporter_;
};

} // namespace

std::optional<std::uint64_t> listedPairKey(std::string_view text, std::size_t boxCount,
                                           ProblemReporter* reporter) {
    const std::optional<IntersectionRanks> ranks = parseRankPair(text);
    if (!ranks) {
        if (reporter != nullptr) {
            reporter->addListed(ProblemKind::IntersectionMalformed, text,
                                "pas deux rangs séparés par une espace");
        }
        return std::nullopt;
    }
    const auto [a, b] = *ranks;
    if (!checkRank(a, text, boxCount, reporter) || !checkRank(b, text, boxCount, reporter)) {
        return std::nullopt;
    }
    if (a == b) {
        if (reporter != nullptr) {
            reporter->addListed(ProblemKind::IntersectionSelf, text,
                                "la box " + std::to_string(a) + " avec elle-même");
        }
        return std::nullopt;
    }
    const auto low = static_cast<std::uint64_t>(std::min(a, b));
    const auto high = static_cast<std::uint64_t>(std::max(a, b));
    return low << 32 | high;
}

void reportRepeatedPair(std::string_view text, std::string_view firstText,
                        ProblemReporter& reporter) {
    reporter.addListed(ProblemKind::IntersectionDuplicate, text,
                       "même paire que l'intersection " + quoted(firstText) + ", déjà listée");
}

void reportApartPair(std::string_view text, const RankPair& pair, ProblemReporter& reporter) {
    reporter.addListed(ProblemKind::IntersectionApart, text,
                       "les solides des boxes " + std::to_string(pair.first) + " et " +
                           std::to_string(pair.second) + " ne se touchent pas");
}

void reportMissingPair(const RankPair& pair, ProblemReporter& reporter) {
    reporter.addListed(ProblemKind::IntersectionMissing, pairText(pair),
                       "les solides des boxes " + std::to_string(pair.first) + " et " +
                           std::to_string(pair.second) +
                           " se touchent mais la paire n'est pas listée");
}

void reportIncompleteSearch(std::size_t pairsFound, ProblemReporter& reporter) {
    reporter.add(ProblemKind::IntersectionsIncomplete,
                 "trop de boxes entassées : la recherche des intersections s'est arrêtée après " +
                     std::to_string(pairsFound) +
                     " paires, celles qui manquent à la liste ne sont pas signalées");
}

void checkListedIntersections(const TextList& intersections, std::size_t boxCount,
                              const ShapeSet& shapes, const IntersectionSearch& search,
                              ProblemReporter& reporter) {
    ListChecks(intersections, boxCount, reporter).run(shapes, search);
}

void checkPairsOfBox(const BoxDocument& document, const std::vector<Solid>& solids,
                     std::size_t rank, ProblemReporter& reporter) {
    std::vector<std::size_t> touching;
    const Solid& own = solids[rank];
    if (own.closed()) {
        const double margin = 2 * GEOMETRY_TOLERANCE;
        for (std::size_t other = 0; other < solids.size(); ++other) {
            const Solid& solid = solids[other];
            if (other == rank || !solid.closed() || solid.boundsMin.x > own.boundsMax.x + margin ||
                solid.boundsMax.x < own.boundsMin.x - margin ||
                solid.boundsMin.y > own.boundsMax.y + margin ||
                solid.boundsMax.y < own.boundsMin.y - margin ||
                solid.boundsMin.z > own.boundsMax.z + margin ||
                solid.boundsMax.z < own.boundsMin.z - margin) {
                continue;
            }
            if (solidsTouch(own, solid)) {
                touching.push_back(other);
            }
        }
    }
    // The first listing of each pair of the box, by the other rank, with its text.
    std::vector<std::pair<std::size_t, std::string_view>> firstListings;
    std::vector<bool> listed(solids.size());
    // Any text of the rank holds its digits: the others are passed over unread.
    const std::string digits = std::to_string(rank);
    for (const auto& entry : document.intersections) {
        const std::string_view text = entry;
        if (text.find(digits) == std::string_view::npos) {
            continue;
        }
        const std::optional<IntersectionRanks> ranks = parseRankPair(text);
        if (!ranks) {
            continue;
        }
        const auto [a, b] = *ranks;
        if (a < 0 || b < 0 || a == b || static_cast<unsigned long long>(a) >= solids.size() ||
            static_cast<unsigned long long>(b) >= solids.size()) {
            continue;
        }
        const auto low = static_cast<std::size_t>(std::min(a, b));
        const auto high = static_cast<std::size_t>(std::max(a, b));
        if (low != rank && high != rank) {
            continue;
        }
        const std::size_t other = low == rank ? high : low;
        if (listed[other]) {
            const auto first =
                std::find_if(firstListings.begin(), firstListings.end(),
                             [&](const auto& listing) { return listing.first == other; });
            reporter.addListed(ProblemKind::IntersectionDuplicate, text,
                               "même paire que l'intersection " + quoted(first->second) +
                                   ", déjà listée");
            continue;
        }
        listed[other] = true;
        firstListings.emplace_back(other, text);
        if (own.closed() && solids[other].closed() &&
            !std::binary_search(touching.begin(), touching.end(), other)) {
            reporter.addListed(ProblemKind::IntersectionApart, text,
                               "les solides des boxes " + std::to_string(low) + " et " +
                                   std::to_string(high) + " ne se touchent pas");
        }
    }
    for (const std::size_t other : touching) {
        if (!listed[other]) {
            const RankPair pair{std::min(rank, other), std::max(rank, other)};
            reporter.addListed(ProblemKind::IntersectionMissing, pairText(pair),
                               "les solides des boxes " + std::to_string(pair.first) + " et " +
                                   std::to_string(pair.second) +
                                   " se touchent mais la paire n'est pas listée");
        }
    }
}
