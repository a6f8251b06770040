#include "livechecks.h"

#include "boxvalues.h"
#include "compactinparts.h"
#include "floatrounding.h"
#include "intersectionchecks.h"
#include "orlclass.h"
#include "parallelparts.h"
#include "parallelwork.h"
#include "playchecks.h"
#include "problemreporter.h"
#include "rankpair.h"
#include "shapeset.h"
#include "shapesondemand.h"
#include "solidchecks.h"
#include "sparsetexts.h"
#include "textchecks.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <functional>
#include <iterator>
#include <limits>
#include <string_view>

namespace {

constexpr std::uint64_t MALFORMED = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t UNSOUND = MALFORMED - 1;

// Boxes of a run of the whole check: enough that a run costs far more than handing it over, few
// enough that a stop asked for is heard soon.
constexpr std::size_t BOXES_PER_RUN = 2048;
constexpr std::size_t ENTRIES_BETWEEN_STOPS = 65536;
// The walks that follow an edit take a second core only over lists of many megabytes, those of
// scenes of nearly a million boxes: on a machine busy with other work a thread may wait long for
// a core, and a walk of a few megabytes ends sooner alone.
constexpr std::size_t PARTED_FROM_BYTES = std::size_t{16} << 20;

std::uint64_t keyOf(std::size_t low, std::size_t high) {
    return static_cast<std::uint64_t>(low) << 32 | high;
}

RankPair pairOf(std::uint64_t key) {
    return {static_cast<std::size_t>(key >> 32), static_cast<std::size_t>(key & 0xffffffffu)};
}

bool sound(std::uint64_t key) {
    return key < UNSOUND;
}

std::uint32_t hashOf(std::string_view id) {
    const std::uint64_t hash = std::hash<std::string_view>{}(id);
    return static_cast<std::uint32_t>(hash ^ hash >> 32);
}

// The boxes of the ranks.
std::vector<const Box*> boxesAt(const BoxDocument& document,
                                const std::vector<std::size_t>& ranks) {
    std::vector<const Box*> boxes;
    boxes.reserve(ranks.size());
    for (const std::size_t rank : ranks) {
        boxes.push_back(&document.boxes.at(rank));
    }
    return boxes;
}

// A rank's number from one, as most files number their boxes' IDs.
using NumberBuffer = std::array<char, 24>;
std::string_view numberText(std::size_t number, NumberBuffer& buffer) {
    const char* const end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), number).ptr;
    return std::string_view(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
}

template <typename Value> void sortUnique(std::vector<Value>& values) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
}

struct WidenedBounds {
    std::array<double, 3> low;
    std::array<double, 3> high;
};

// Bounds widened by half the margin on every side, as the search for intersections and near
// pairs widens them.
WidenedBounds widened(const std::array<float, 3>& low, const std::array<float, 3>& high,
                      double margin) {
    const double half = margin / 2;
    WidenedBounds wide{};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        wide.low[axis] = double(low[axis]) - half;
        wide.high[axis] = double(high[axis]) + half;
    }
    return wide;
}

bool overlap(const WidenedBounds& a, const WidenedBounds& b) {
    for (std::size_t axis = 0; axis < 3; ++axis) {
        if (a.low[axis] > b.high[axis] || b.low[axis] > a.high[axis]) {
            return false;
        }
    }
    return true;
}

std::array<float, 3> floats(const Vec3& value) {
    return {static_cast<float>(value.x), static_cast<float>(value.y), static_cast<float>(value.z)};
}

// The entries at the removed positions taken out and placeholders put in at the inserted ones,
// in place: on this machine fresh memory for a copy of millions of entries costs more than
// moving them, and only the entries past the first position named move.
template <typename Value>
void moveEntries(std::vector<Value>& values, const std::vector<std::size_t>& removed,
                 const std::vector<std::size_t>& inserted, const Value& placeholder) {
    if (!removed.empty()) {
        auto leaving = removed.begin();
        std::size_t write = removed.front();
        for (std::size_t read = removed.front(); read < values.size(); ++read) {
            if (leaving != removed.end() && *leaving == read) {
                ++leaving;
                continue;
            }
            values[write++] = std::move(values[read]);
        }
        values.resize(write);
    }
    if (inserted.empty()) {
        return;
    }
    // From the end down: each kept entry moves up by the insertions at or below where it lands.
    std::size_t read = values.size();
    values.resize(values.size() + inserted.size(), placeholder);
    auto coming = inserted.rbegin();
    for (std::size_t write = values.size(); write-- > inserted.front();) {
        if (coming != inserted.rend() && *coming == write) {
            values[write] = placeholder;
            ++coming;
        } else {
            values[write] = std::move(values[--read]);
        }
    }
}

// The parts a walk of so many bytes divides into.
std::size_t partsOfBytes(std::size_t bytes) {
    return bytes < PARTED_FROM_BYTES ? 1 : partsForBlocks(bytes / 4096);
}

// The parts a walk of the values divides into, one per core for a long list.
template <typename Value> std::size_t partsFor(const std::vector<Value>& values) {
    return partsOfBytes(values.size() * sizeof(Value));
}

// The values before end that the test picks, in order, found on every core.
template <typename Value, typename Test>
std::vector<Value> involved(const std::vector<Value>& values,
                            typename std::vector<Value>::const_iterator end, Test picks) {
    const auto count = static_cast<std::size_t>(end - values.begin());
    const std::size_t parts = partsOfBytes(count * sizeof(Value));
    std::vector<std::vector<Value>> shares(parts);
    runParts(parts, [&](std::size_t part) {
        const std::size_t last = count * (part + 1) / parts;
        for (std::size_t index = count * part / parts; index < last; ++index) {
            if (picks(values[index])) {
                shares[part].push_back(values[index]);
            }
        }
    });
    return joined(std::move(shares));
}

// The sorted values with the sorted additions merged in, in place: only the values past the
// first addition move, run by run between the places the additions take, as a copy of memory.
template <typename Value>
void mergeInPlace(std::vector<Value>& values, const std::vector<Value>& additions) {
    if (additions.empty()) {
        return;
    }
    std::size_t end = values.size();
    values.resize(values.size() + additions.size());
    auto at = [&](std::size_t index) {
        return values.begin() + static_cast<std::ptrdiff_t>(index);
    };
    for (std::size_t added = additions.size(); added > 0; --added) {
        const Value& addition = additions[added - 1];
        // Equal values stay before the addition, as a merge leaves them.
        const auto place = static_cast<std::size_t>(
            std::upper_bound(values.begin(), at(end), addition) - values.begin());
        std::move_backward(at(place), at(end), at(end + added));
        values[place + added - 1] = addition;
        end = place;
    }
}

// The sorted values without those of leaving, sorted and each present once: only the values
// past the first of them move, run by run.
template <typename Value>
void eraseSorted(std::vector<Value>& values, const std::vector<Value>& leaving) {
    if (leaving.empty()) {
        return;
    }
    auto at = [&](std::size_t index) {
        return values.begin() + static_cast<std::ptrdiff_t>(index);
    };
    std::size_t write = 0;
    std::size_t read = 0;
    for (const Value& gone : leaving) {
        const auto place = static_cast<std::size_t>(std::lower_bound(at(read), values.end(), gone) -
                                                    values.begin());
        if (write != read) {
            std::move(at(read), at(place), at(write));
        }
        write += place - read;
        read = place + 1;
    }
    if (write != read) {
        std::move(at(read), values.end(), at(write));
    }
    values.resize(values.size() - leaving.size());
}

std::vector<Problem> collected(const std::function<void(ProblemReporter&)>& report) {
    std::vector<Problem> problems;
    const ProblemSink keep = [&](const Problem& problem) { problems.push_back(problem); };
    ProblemReporter reporter(keep);
    report(reporter);
    return problems;
}

// How many of the ascending values lie below a position, found among the few of its block of
// positions: a thousand lines removed or inserted at once, where millions are renumbered, then
// cost a lookup and a compare or two for each instead of a search of the thousand.
class CountBelow {
public:
    explicit CountBelow(const std::vector<std::size_t>& values) : values_(values) {
        const std::size_t blocks = values.empty() ? 0 : (values.back() >> blockBits) + 1;
        firsts_.reserve(blocks + 1);
        std::size_t index = 0;
        for (std::size_t block = 0; block <= blocks; ++block) {
            while (index < values.size() && values[index] >> blockBits < block) {
                ++index;
            }
            firsts_.push_back(index);
        }
    }

    std::size_t operator()(std::size_t position) const {
        const std::size_t block = position >> blockBits;
        if (block + 1 >= firsts_.size()) {
            return values_.size();
        }
        const auto first = values_.begin() + static_cast<std::ptrdiff_t>(firsts_[block]);
        const auto last = values_.begin() + static_cast<std::ptrdiff_t>(firsts_[block + 1]);
        return static_cast<std::size_t>(std::lower_bound(first, last, position) - values_.begin());
    }
    bool holds(std::size_t position) const {
        const std::size_t below = (*this)(position);
        return below < values_.size() && values_[below] == position;
    }

private:
    static constexpr unsigned blockBits = 12;
    const std::vector<std::size_t>& values_;
    // By block: the index of its first value, or of the first one after it.
    std::vector<std::size_t> firsts_;
};

} // namespace

// Where positions go through a change: removed ones leave (positions before it), inserted ones
// come (positions after it).
class LiveChecks::PositionMap {
public:
    PositionMap(const std::vector<std::size_t>& removed, const std::vector<std::size_t>& inserted)
        : removed_(removed), inserted_(inserted), lowest_(lowestOf(removed, inserted)) {}

    bool moves() const { return !removed_.empty() || !inserted_.empty(); }
    // The lowest position whose place may change.
    std::size_t lowestMoved() const { return lowest_; }
    bool leaves(std::size_t position) const {
        if (position < lowest_) {
            return false;
        }
        if (removed_.size() == 1) {
            return position == removed_.front();
        }
        return std::binary_search(removed_.begin(), removed_.end(), position);
    }
    std::optional<std::size_t> operator()(std::size_t position) const {
        if (leaves(position)) {
            return std::nullopt;
        }
        return kept(position);
    }
    // Where a position that does not leave goes. Millions of lines and pairs go through here at
    // each edit, nearly always for one box or line removed or inserted: that takes no search.
    std::size_t kept(std::size_t position) const {
        if (position < lowest_) {
            return position;
        }
        if (inserted_.empty() && removed_.size() == 1) {
            return position - 1;
        }
        if (removed_.empty() && inserted_.size() == 1) {
            return position + 1;
        }
        return keptAnyhow(position);
    }
    // Calls work(leaves, kept) with function objects answering as leaves and kept do, made for
    // the change at hand: for one box or line removed or inserted, the change of nearly every
    // edit, each answer is a compare and an add that the passes over millions of entries inline.
    template <typename Work> void visit(Work&& work) const {
        if (inserted_.empty() && removed_.size() == 1) {
            const std::size_t gone = removed_.front();
            work([gone](std::size_t position) { return position == gone; },
                 [gone](std::size_t position) { return position - (position > gone ? 1 : 0); });
        } else if (removed_.empty() && inserted_.size() == 1) {
            const std::size_t added = inserted_.front();
            work([](std::size_t) { return false; },
                 [added](std::size_t position) { return position + (position >= added ? 1 : 0); });
        } else if (inserted_.empty()) {
            const CountBelow below(removed_);
            work([&](std::size_t position) { return below.holds(position); },
                 [&](std::size_t position) { return position - below(position); });
        } else if (removed_.empty()) {
            // A position moves up once for each insertion j with inserted_[j] - j at or below it.
            std::vector<std::size_t> thresholds(inserted_.size());
            for (std::size_t j = 0; j < inserted_.size(); ++j) {
                thresholds[j] = inserted_[j] - j;
            }
            const CountBelow below(thresholds);
            work([](std::size_t) { return false; },
                 [&](std::size_t position) { return position + below(position + 1); });
        } else {
            work([this](std::size_t position) { return leaves(position); },
                 [this](std::size_t position) { return kept(position); });
        }
    }
    // A position once the removals are made, as the change names rewritten ones, moved by the
    // insertions.
    std::size_t afterInsertions(std::size_t position) const {
        if (inserted_.empty() || position < inserted_.front()) {
            return position;
        }
        if (inserted_.size() == 1) {
            return position + 1;
        }
        // Moved up once for each insertion at or below where it ends up.
        std::size_t below = 0;
        for (;;) {
            const auto count = static_cast<std::size_t>(
                std::upper_bound(inserted_.begin(), inserted_.end(), position + below) -
                inserted_.begin());
            if (count == below) {
                return position + below;
            }
            below = count;
        }
    }

private:
    std::size_t keptAnyhow(std::size_t position) const {
        const auto removedBefore = std::lower_bound(removed_.begin(), removed_.end(), position);
        return afterInsertions(position -
                               static_cast<std::size_t>(removedBefore - removed_.begin()));
    }
    static std::size_t lowestOf(const std::vector<std::size_t>& removed,
                                const std::vector<std::size_t>& inserted) {
        std::size_t lowest = std::numeric_limits<std::size_t>::max();
        if (!removed.empty()) {
            lowest = removed.front();
        }
        if (!inserted.empty()) {
            lowest = std::min(lowest, inserted.front());
        }
        return lowest;
    }

    const std::vector<std::size_t>& removed_;
    const std::vector<std::size_t>& inserted_;
    std::size_t lowest_;
};

LiveChecks::LiveChecks(const std::optional<PlayLimits>& play) : play_(play) {}

std::vector<std::size_t> LiveChecks::partnersOf(std::size_t rank) const {
    // A key names its lower rank first: the pairs that end at the rank lie before those that
    // start from it, which lie together.
    std::vector<std::size_t> partners;
    const auto from =
        std::lower_bound(listings_.begin(), listings_.end(), Listing{keyOf(rank, 0), 0});
    for (auto listing = listings_.begin(); listing != from; ++listing) {
        if ((listing->key & 0xffffffffu) == rank) {
            partners.push_back(static_cast<std::size_t>(listing->key >> 32));
        }
    }
    for (auto listing = from; listing != listings_.end() && listing->key >> 32 == rank; ++listing) {
        partners.push_back(static_cast<std::size_t>(listing->key & 0xffffffffu));
    }
    return partners;
}

std::optional<std::uint32_t> LiveChecks::firstOtherWithId(const BoxDocument& document,
                                                          std::size_t rank,
                                                          std::string_view id) const {
    if (id.empty()) {
        return std::nullopt;
    }
    const std::uint32_t hash = hashOf(id);
    for (auto entry = std::lower_bound(idIndex_.begin(), idIndex_.end(), std::make_pair(hash, 0u));
         entry != idIndex_.end() && entry->first == hash && entry->second < rank; ++entry) {
        if (document.boxes.at(entry->second).id == id) {
            return entry->second;
        }
    }
    return std::nullopt;
}

std::vector<std::size_t> LiveChecks::neighboursOf(std::size_t rank, double margin) const {
    std::vector<std::size_t> found;
    if (!present(rank)) {
        return found;
    }
    const WidenedBounds own = widened(bounds_[rank].low, bounds_[rank].high, margin);
    // A walk of a million bounds in single precision: a box is left out at once only when it
    // lies clearly apart, by far more than rounding, and the others are told exactly as the
    // search widens them.
    const double half = margin / 2;
    std::array<float, 3> lowest{};
    std::array<float, 3> highest{};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const double slack = 1e-6 * (std::abs(own.low[axis]) + std::abs(own.high[axis]) + half);
        lowest[axis] = floatBelow(own.low[axis] - half - slack);
        highest[axis] = floatAbove(own.high[axis] + half + slack);
    }
    const auto near = [&](const Bounds& other) {
        return !(other.high[0] < lowest[0] || other.high[1] < lowest[1] ||
                 other.high[2] < lowest[2] || other.low[0] > highest[0] ||
                 other.low[1] > highest[1] || other.low[2] > highest[2]);
    };
    const std::size_t count = bounds_.size();
    const std::size_t parts = partsOfBytes(count * sizeof(Bounds));
    std::vector<std::vector<std::size_t>> partFound(parts);
    runParts(parts, [&](std::size_t part) {
        std::vector<std::size_t>& mine = partFound[part];
        const std::size_t end = count * (part + 1) / parts;
        for (std::size_t other = count * part / parts; other < end; ++other) {
            if (near(bounds_[other]) && other != rank && present(other) &&
                overlap(own, widened(bounds_[other].low, bounds_[other].high, margin))) {
                mine.push_back(other);
            }
        }
    });
    for (const std::vector<std::size_t>& mine : partFound) {
        found.insert(found.end(), mine.begin(), mine.end());
    }
    return found;
}

std::vector<Problem> LiveChecks::placeBox(std::size_t rank, const Box& box) {
    const BoxValues values = decodeBoxValues(box);
    const Solid solid = buildSolid(values);
    ShapeSet shape;
    shape.add(solid);
    bounds_[rank] =
        shape.present(0) ? Bounds{floats(shape.boundsMin(0)), floats(shape.boundsMax(0))} : ABSENT;
    return collected([&](ProblemReporter& reporter) {
        reporter.beginBox(rank, box.id);
        checkSolidOfBox(box.maxRadius, values, solid, reporter);
        if (play_) {
            PlayChecks(*play_, reporter).checkBox(values, solid);
        }
        reporter.endBox();
    });
}

std::vector<Problem> LiveChecks::textRows(const BoxDocument& document, std::size_t rank,
                                          const Box& box) const {
    return collected([&](ProblemReporter& reporter) {
        reporter.beginBox(rank, box.id);
        checkTextsOfBox(box, firstOtherWithId(document, rank, box.id), reporter);
        reporter.endBox();
    });
}

void LiveChecks::patchDuplicate(const BoxDocument& document, std::size_t rank,
                                std::vector<ProblemRows::Block>& blocks) const {
    const auto [first, last] = rows_.rowsOf(ProblemRows::Boxes, rank);
    std::vector<Problem> rows(rows_.problems().begin() + static_cast<std::ptrdiff_t>(first),
                              rows_.problems().begin() + static_cast<std::ptrdiff_t>(last));
    const auto isDuplicate = [](const Problem& p) { return p.kind == ProblemKind::IdDuplicate; };
    rows.erase(std::remove_if(rows.begin(), rows.end(), isDuplicate), rows.end());
    const std::string_view id = document.boxes.at(rank).id;
    if (const auto other = firstOtherWithId(document, rank, id)) {
        // After the texts and the ID's own fault, before the solid's problems.
        const auto place = std::find_if(rows.begin(), rows.end(), [](const Problem& p) {
            return p.kind != ProblemKind::TextFormat && p.kind != ProblemKind::IdInvalid;
        });
        const std::vector<Problem> duplicate = collected([&](ProblemReporter& reporter) {
            reporter.beginBox(rank, id);
            reportDuplicate(id, *other, reporter);
            reporter.endBox();
        });
        rows.insert(place, duplicate.front());
    }
    blocks.push_back({rank, std::move(rows)});
}

std::vector<Problem> LiveChecks::countRows(const BoxDocument& document) const {
    return collected([&](ProblemReporter& reporter) {
        TextChecks(reporter).checkCount(document.countText, document.boxes.size());
    });
}

bool LiveChecks::computed(std::uint64_t key) const {
    return std::binary_search(pairs_.begin(), pairs_.end(), pairOf(key));
}

std::pair<std::size_t, std::size_t> LiveChecks::listingsOf(std::uint64_t key) const {
    const auto low = std::lower_bound(listings_.begin(), listings_.end(), Listing{key, 0});
    auto high = low;
    while (high != listings_.end() && high->key == key) {
        ++high;
    }
    return {static_cast<std::size_t>(low - listings_.begin()),
            static_cast<std::size_t>(high - listings_.begin())};
}

std::vector<Problem>
LiveChecks::lineRows(std::size_t line, const std::function<std::string_view(std::size_t)>& textOf,
                     const TouchTest& touch) const {
    const std::string_view text = textOf(line);
    const std::uint64_t key = lineKeys_[line];
    return collected([&](ProblemReporter& reporter) {
        if (!sound(key)) {
            listedPairKey(text, boxCount_, &reporter);
            return;
        }
        const auto [first, last] = listingsOf(key);
        const std::size_t firstLine = listings_[first].line;
        if (firstLine != line) {
            reportRepeatedPair(text, textOf(firstLine), reporter);
            return;
        }
        const auto [low, high] = pairOf(key);
        if (!computed(key) && present(low) && present(high) && !touch(low, high)) {
            reportApartPair(text, {low, high}, reporter);
        }
    });
}

std::vector<Problem> LiveChecks::missingRows(std::uint64_t key) const {
    if (!computed(key)) {
        return {};
    }
    const auto [first, last] = listingsOf(key);
    if (first != last) {
        return {};
    }
    return collected([&](ProblemReporter& reporter) { reportMissingPair(pairOf(key), reporter); });
}

std::vector<Problem> LiveChecks::playRows(std::uint64_t pairKey, const IdOfRank& idOf) const {
    // Named, not bound: the clang of Debian 12 cannot capture a structured binding in a lambda.
    const RankPair pair = pairOf(pairKey);
    const std::size_t low = pair.first;
    const std::size_t high = pair.second;
    const PlayFinding from{low, high, ProblemKind::CountMismatch, -1, -1, 0};
    auto finding = std::lower_bound(findings_.begin(), findings_.end(), from);
    return collected([&](ProblemReporter& reporter) {
        reporter.beginBox(low, idOf(low));
        for (; finding != findings_.end() && finding->rank == low && finding->other == high;
             ++finding) {
            reportPlayFinding(*finding, reporter);
        }
        reporter.endBox();
    });
}

// What a thread makes of a run of boxes: their shapes and faces, and the rows of each box.
struct LiveChecks::BoxRun {
    ShapeSet shapes;
    FaceStore faces;
    std::vector<Problem> rows;
    // Where each box's rows end in rows.
    std::vector<std::size_t> ends;
};

bool LiveChecks::rebuild(const BoxDocument& document, const RebuildWatch& watch) {
    boxCount_ = document.boxes.size();
    const std::size_t lineCount = document.intersections.size();
    // Rough shares of the time, in boxes checked alone: the search for pairs and the checks
    // between boxes take about as long as the boxes themselves.
    const std::uint64_t total = 2 * std::uint64_t{boxCount_} + lineCount / 8 + 1;
    std::uint64_t done = 0;
    const auto goOn = [&](std::uint64_t more) {
        done += more;
        return !watch.progress || watch.progress(done, total);
    };
    // Long loops over the document hear a stop every so many entries, so that whoever waits to
    // change the document does not wait long.
    const auto heard = [&](std::size_t entry) {
        return entry % ENTRIES_BETWEEN_STOPS == ENTRIES_BETWEEN_STOPS - 1 && !goOn(0);
    };
    Rows rows;
    rows.add(ProblemRows::Count, 0, countRows(document));

    // The IDs the rows of the checks between boxes name, made once the document may change.
    SparseTexts ids;
    idIndex_.clear();
    idIndex_.reserve(boxCount_);
    NumberBuffer number;
    for (const auto& box : document.boxes) {
        const std::string_view id = box->id;
        const std::size_t rank = ids.size();
        if (!id.empty()) {
            idIndex_.emplace_back(hashOf(id), static_cast<std::uint32_t>(rank));
        }
        ids.add(id, numberText(rank + 1, number));
        if (heard(ids.size())) {
            return false;
        }
    }
    std::sort(idIndex_.begin(), idIndex_.end());
    const IdOfRank idOf = [&](std::size_t rank) {
        return ids.kept(rank).value_or(numberText(rank + 1, number));
    };
    ShapeSet shapes;
    FaceStore faces;
    if (!checkEveryBox(document, watch, rows, done, total, shapes, faces)) {
        return false;
    }

    lineKeys_.clear();
    lineKeys_.reserve(lineCount);
    // The texts the rows of the lines quote, for the lines other than the plain text of their
    // pair: once the document is read it may change under the rest of the check.
    SparseTexts lineTexts;
    RankPairBuffer plain;
    const auto plainText = [&](std::uint64_t key) {
        const RankPair pair = pairOf(key);
        return sound(key) ? rankPairText(static_cast<long long>(pair.first),
                                         static_cast<long long>(pair.second), plain)
                          : std::string_view();
    };
    for (const auto& entry : document.intersections) {
        const std::string_view text = entry;
        const std::uint64_t key = parseRankPair(text)
                                      ? listedPairKey(text, boxCount_, nullptr).value_or(UNSOUND)
                                      : MALFORMED;
        lineKeys_.push_back(key);
        lineTexts.add(text, plainText(key));
        if (heard(lineTexts.size())) {
            return false;
        }
    }
    // From here on the checks work on what they keep.
    if (watch.documentRead) {
        watch.documentRead();
    }
    if (!goOn(lineCount / 8)) {
        return false;
    }

    // The one search checkDocument makes: where a heap stops it depends on what it looks for.
    IntersectionSearch search = play_ ? findIntersectionsAndNearPairs(shapes, nearReach(*play_))
                                      : findIntersections(shapes);
    pairs_ = std::move(search.pairs);
    complete_ = search.complete;
    if (!goOn(boxCount_ / 2)) {
        return false;
    }
    // The lines in order, made while the search's pairs are at hand (its own arrays gone), and
    // the listed pairs whose boxes do not touch, told while the shapes are: the rows of the
    // lines are made once the shapes are gone.
    listings_.clear();
    listings_.reserve(
        static_cast<std::size_t>(std::count_if(lineKeys_.begin(), lineKeys_.end(), sound)));
    for (std::size_t line = 0; line < lineKeys_.size(); ++line) {
        if (sound(lineKeys_[line])) {
            listings_.push_back({lineKeys_[line], static_cast<std::uint32_t>(line)});
        }
    }
    std::sort(listings_.begin(), listings_.end());

    std::vector<std::uint64_t> apart;
    auto found = pairs_.begin();
    for (auto listing = listings_.begin(); listing != listings_.end(); ++listing) {
        if (listing != listings_.begin() && std::prev(listing)->key == listing->key) {
            continue;
        }
        while (found != pairs_.end() && keyOf(found->first, found->second) < listing->key) {
            ++found;
        }
        const auto [low, high] = pairOf(listing->key);
        if ((found == pairs_.end() || keyOf(found->first, found->second) != listing->key) &&
            shapes.present(low) && shapes.present(high) && !shapes.touch(low, high)) {
            apart.push_back(listing->key);
        }
    }
    findings_.clear();
    if (play_ && complete_) {
        findings_ = findBetweenNearBoxes(faces, shapes, *play_, pairs_, search.nearPairs);
    }
    // What the checks keep is made as what only this check used goes.
    search = {};
    bounds_.assign(boxCount_, ABSENT);
    for (std::size_t rank = 0; rank < boxCount_; ++rank) {
        if (shapes.present(rank)) {
            bounds_[rank] = {floats(shapes.boundsMin(rank)), floats(shapes.boundsMax(rank))};
        }
    }
    shapes = ShapeSet();
    faces = FaceStore();

    // lineRows quotes a line and the first line of its pair side by side.
    std::array<RankPairBuffer, 2> quoted;
    std::size_t nextQuoted = 0;
    const auto textOf = [&](std::size_t line) {
        if (const std::optional<std::string_view> kept = lineTexts.kept(line)) {
            return *kept;
        }
        const std::uint64_t key = lineKeys_[line];
        if (!sound(key)) {
            return std::string_view();
        }
        const RankPair pair = pairOf(key);
        RankPairBuffer& buffer = quoted[nextQuoted];
        nextQuoted = (nextQuoted + 1) % quoted.size();
        return rankPairText(static_cast<long long>(pair.first), static_cast<long long>(pair.second),
                            buffer);
    };
    // Asked only of the pairs the search did not find, of present boxes.
    const TouchTest touch = [&](std::size_t a, std::size_t b) {
        return !std::binary_search(apart.begin(), apart.end(), keyOf(a, b));
    };
    for (std::size_t line = 0; line < lineKeys_.size(); ++line) {
        rows.add(ProblemRows::Lines, line, lineRows(line, textOf, touch));
    }
    if (!complete_) {
        rows.add(ProblemRows::Missing, 0, collected([&](ProblemReporter& incomplete) {
                     reportIncompleteSearch(pairs_.size(), incomplete);
                 }));
    } else {
        for (const RankPair& pair : pairs_) {
            const std::uint64_t key = keyOf(pair.first, pair.second);
            rows.add(ProblemRows::Missing, key, missingRows(key));
        }
    }
    for (auto finding = findings_.begin(); finding != findings_.end();) {
        const std::uint64_t key = keyOf(finding->rank, finding->other);
        rows.add(ProblemRows::Play, key, playRows(key, idOf));
        while (finding != findings_.end() && keyOf(finding->rank, finding->other) == key) {
            ++finding;
        }
    }
    rows_.assign(std::move(rows.rows), std::move(rows.keys), rows.sizes);
    // Kept while the document is edited: what they grew by and no longer use goes back.
    pairs_.shrink_to_fit();
    idIndex_.shrink_to_fit();
    goOn(total - done);
    return true;
}

// The boxes go to the threads in runs, each run's solids built, checked and kept as shapes and
// faces on any thread, then taken in rank order on the calling thread.
bool LiveChecks::checkEveryBox(const BoxDocument& document, const RebuildWatch& watch, Rows& rows,
                               std::uint64_t& done, std::uint64_t total, ShapeSet& shapes,
                               FaceStore& faces) {
    shapes.reserve(boxCount_);
    if (play_) {
        faces.reserve(boxCount_);
    }
    std::vector<BoxList::ConstPosition> runStarts;
    std::size_t rank = 0;
    for (auto position = document.boxes.begin(); position != document.boxes.end(); ++position) {
        if (rank++ % BOXES_PER_RUN == 0) {
            runStarts.push_back(position);
        }
    }
    const unsigned threadCount = threadCountFor(boxCount_);
    const std::size_t ahead = 2 * std::size_t{threadCount};
    std::vector<BoxRun> runs(ahead);
    std::atomic<bool> stopped = false;
    runInOrder(
        threadCount, runStarts.size(), ahead,
        [&](std::size_t index) {
            if (!stopped) {
                checkRun(document, index, runStarts[index], runs[index % ahead]);
            }
        },
        [&](std::size_t index) {
            if (stopped) {
                return;
            }
            BoxRun& run = runs[index % ahead];
            shapes.append(run.shapes);
            if (play_) {
                faces.append(run.faces);
            }
            std::size_t next = 0;
            for (std::size_t box = 0; box < run.ends.size(); ++box) {
                const auto from = run.rows.begin() + static_cast<std::ptrdiff_t>(next);
                const auto to = run.rows.begin() + static_cast<std::ptrdiff_t>(run.ends[box]);
                rows.add(ProblemRows::Boxes, index * BOXES_PER_RUN + box,
                         std::vector<Problem>(std::make_move_iterator(from),
                                              std::make_move_iterator(to)));
                next = run.ends[box];
            }
            done += run.ends.size();
            // Emptied but kept: the next run in this slot then needs no fresh memory.
            run.shapes.clear();
            run.rows.clear();
            run.ends.clear();
            if (watch.progress && !watch.progress(done, total)) {
                stopped = true;
            }
        });
    return !stopped;
}

void LiveChecks::checkRun(const BoxDocument& document, std::size_t index,
                          BoxList::ConstPosition position, BoxRun& run) const {
    const ProblemSink keep = [&](const Problem& problem) { run.rows.push_back(problem); };
    ProblemReporter reporter(keep);
    std::optional<PlayChecks> play;
    if (play_) {
        play.emplace(*play_, reporter);
    }
    Solid solid;
    const std::size_t first = index * BOXES_PER_RUN;
    const std::size_t last = std::min(first + BOXES_PER_RUN, boxCount_);
    for (std::size_t rank = first; rank < last; ++rank, ++position) {
        const Box& box = **position;
        const BoxValues values = decodeBoxValues(box);
        buildSolid(values, solid);
        reporter.beginBox(rank, box.id);
        checkTextsOfBox(box, firstOtherWithId(document, rank, box.id), reporter);
        checkSolidOfBox(box.maxRadius, values, solid, reporter);
        if (play) {
            play->checkBox(values, solid);
        }
        reporter.endBox();
        run.ends.push_back(run.rows.size());
        run.shapes.add(solid);
    }
    if (play) {
        run.faces = play->releaseFaces();
    }
}

bool LiveChecks::follows(const BoxDocument& document, const DocumentChange& change) const {
    return !change.everything && complete_ &&
           bounds_.size() + change.insertedBoxes.size() ==
               document.boxes.size() + change.removedBoxes.size() &&
           lineKeys_.size() + change.insertedLines.size() ==
               document.intersections.size() + change.removedLines.size();
}

void LiveChecks::update(const BoxDocument& document, const DocumentChange& change) {
    if (!follows(document, change)) {
        rebuild(document);
        return;
    }
    const std::size_t count = document.boxes.size();
    Pending pending;
    const PositionMap boxes(change.removedBoxes, change.insertedBoxes);
    if (boxes.moves()) {
        moveBoxes(document, boxes, change, pending);
    }
    boxCount_ = count;
    moveLines(PositionMap(change.removedLines, change.insertedLines), change, pending);
    readLines(document, change, pending);
    for (const std::size_t changed : change.changedBoxes) {
        pending.boxes.push_back(boxes.afterInsertions(changed));
    }
    pending.boxes.insert(pending.boxes.end(), change.insertedBoxes.begin(),
                         change.insertedBoxes.end());
    pending.insertedBoxes = change.insertedBoxes;
    std::sort(pending.boxes.begin(), pending.boxes.end());
    pending.boxes.erase(std::unique(pending.boxes.begin(), pending.boxes.end()),
                        pending.boxes.end());
    ShapesOnDemand shapes(document, play_);
    checkBoxesAgain(document, pending);
    if (!pending.boxes.empty()) {
        findPairsAgain(shapes, pending);
    }
    checkKeysAgain(document, shapes, pending);
    if (change.countChanged || boxes.moves()) {
        rows_.replace(ProblemRows::Count, {{0, countRows(document)}});
    }
}

void LiveChecks::moveBoxes(const BoxDocument& document, const PositionMap& map,
                           const DocumentChange& change, Pending& pending) {
    const auto moved = [&](std::size_t rank) { return map.kept(rank); };
    std::vector<ProblemRows::Block> leaving;
    for (const std::size_t rank : change.removedBoxes) {
        leaving.push_back({rank, {}});
    }
    rows_.replace(ProblemRows::Boxes, std::move(leaving));
    rows_.renumber(ProblemRows::Boxes, moved, [&](Problem& problem, std::uint64_t rank) {
        problem.rank = rank;
        if (problem.otherRank) {
            problem.otherRank = moved(*problem.otherRank);
        }
    });
    const auto [boxFirst, boxLast] = rows_.sectionRows(ProblemRows::Boxes);
    for (std::size_t row = boxFirst; row < boxLast; ++row) {
        if (rows_.problems()[row].kind == ProblemKind::IdDuplicate) {
            pending.duplicates.push_back(rows_.keyAt(row));
        }
    }

    // The bounds of the boxes, by rank; the inserted ones are placed once read.
    moveEntries(bounds_, change.removedBoxes, change.insertedBoxes, ABSENT);
    if (change.removedBoxes.empty() && map.lowestMoved() >= boxCount_) {
        // Boxes appended: no rank moves, but a line may now name one of them.
        for (std::size_t line = 0; line < lineKeys_.size(); ++line) {
            if (lineKeys_[line] == UNSOUND) {
                pending.oldLines.push_back(line);
            }
        }
        return;
    }
    map.visit([&](auto leaves, auto moved) {
        moveRanks(document, leaves, moved, map.lowestMoved(), change, pending);
    });
}

template <typename Leaves, typename Moved>
void LiveChecks::moveRanks(const BoxDocument& document, Leaves leaves, Moved moved,
                           std::size_t lowest, const DocumentChange& change, Pending& pending) {
    // Each list is compacted and renumbered in one pass, the moves keeping every order.
    const std::size_t idParts = partsFor(idIndex_);
    std::vector<std::vector<std::uint32_t>> leavingHashes(idParts);
    compactInParts(idIndex_, idParts,
                   [&](const IdEntry& entry, std::size_t part) -> std::optional<IdEntry> {
                       if (leaves(entry.second)) {
                           leavingHashes[part].push_back(entry.first);
                           return std::nullopt;
                       }
                       return IdEntry{entry.first, static_cast<std::uint32_t>(moved(entry.second))};
                   });
    for (const std::vector<std::uint32_t>& hashes : leavingHashes) {
        pending.idHashes.insert(pending.idHashes.end(), hashes.begin(), hashes.end());
    }

    // The pairs, missing or with faces between them, follow their boxes.
    const auto pairLeaves = [&](std::size_t a, std::size_t b) { return leaves(a) || leaves(b); };
    const auto movedKey = [&](std::uint64_t key) {
        return keyOf(moved(static_cast<std::size_t>(key >> 32)),
                     moved(static_cast<std::size_t>(key & 0xffffffffu)));
    };
    const std::size_t pairParts = partsFor(pairs_);
    std::vector<std::vector<ProblemRows::Block>> pairsLeaving(pairParts);
    compactInParts(pairs_, pairParts,
                   [&](const RankPair& pair, std::size_t part) -> std::optional<RankPair> {
                       if (pairLeaves(pair.first, pair.second)) {
                           pairsLeaving[part].push_back({keyOf(pair.first, pair.second), {}});
                           return std::nullopt;
                       }
                       return RankPair{moved(pair.first), moved(pair.second)};
                   });
    std::vector<ProblemRows::Block> missingLeaving = joined(std::move(pairsLeaving));
    rows_.replace(ProblemRows::Missing, std::move(missingLeaving));
    rows_.renumber(ProblemRows::Missing, movedKey, [](Problem&, std::uint64_t) {});
    const auto [missingFirst, missingLast] = rows_.sectionRows(ProblemRows::Missing);
    for (std::size_t row = missingFirst; row < missingLast; ++row) {
        if (pairOf(rows_.keyAt(row)).second >= lowest) {
            pending.keys.push_back(rows_.keyAt(row));
        }
    }
    std::vector<ProblemRows::Block> playLeaving;
    for (const PlayFinding& finding : findings_) {
        if (pairLeaves(finding.rank, finding.other) &&
            (playLeaving.empty() || playLeaving.back().key != keyOf(finding.rank, finding.other))) {
            playLeaving.push_back({keyOf(finding.rank, finding.other), {}});
        }
    }
    rows_.replace(ProblemRows::Play, std::move(playLeaving));
    std::erase_if(findings_, [&](const PlayFinding& finding) {
        return pairLeaves(finding.rank, finding.other);
    });
    std::vector<ProblemRows::Block> playMoved;
    for (PlayFinding& finding : findings_) {
        const bool movesToo = finding.other >= lowest;
        finding.rank = moved(finding.rank);
        finding.other = moved(finding.other);
        const std::uint64_t key = keyOf(finding.rank, finding.other);
        if (movesToo && (playMoved.empty() || playMoved.back().key != key)) {
            playMoved.push_back({key, {}});
        }
    }
    rows_.renumber(ProblemRows::Play, movedKey, [](Problem&, std::uint64_t) {});
    const IdOfRank idOf = [&](std::size_t rank) -> std::string_view {
        return document.boxes.at(rank).id;
    };
    for (ProblemRows::Block& block : playMoved) {
        block.rows = playRows(block.key, idOf);
    }
    rows_.replace(ProblemRows::Play, std::move(playMoved));

    // A line that named a box that moved is read again, unless the change renumbered the lines to
    // name the same boxes, or wrote it again (moveLines finds those).
    struct LinesToRead {
        std::vector<std::size_t> old;
        std::vector<std::uint64_t> keys;
        std::vector<std::size_t> moved;
    };
    const std::size_t lineParts = partsFor(lineKeys_);
    std::vector<LinesToRead> toRead(lineParts);
    runParts(lineParts, [&](std::size_t part) {
        LinesToRead& mine = toRead[part];
        const std::size_t end = lineKeys_.size() * (part + 1) / lineParts;
        for (std::size_t line = lineKeys_.size() * part / lineParts; line < end; ++line) {
            const std::uint64_t key = lineKeys_[line];
            if (key == UNSOUND) {
                mine.old.push_back(line);
            } else if (sound(key) && (key & 0xffffffffu) >= lowest) {
                const auto a = static_cast<std::size_t>(key >> 32);
                const auto b = static_cast<std::size_t>(key & 0xffffffffu);
                if (leaves(a) || leaves(b)) {
                    lineKeys_[line] = UNSOUND;
                    mine.keys.push_back(key);
                    mine.old.push_back(line);
                } else {
                    lineKeys_[line] = keyOf(moved(a), moved(b));
                    if (!change.linesRenumbered) {
                        mine.moved.push_back(line);
                    }
                }
            }
        }
    });
    for (const LinesToRead& mine : toRead) {
        pending.oldLines.insert(pending.oldLines.end(), mine.old.begin(), mine.old.end());
        pending.keys.insert(pending.keys.end(), mine.keys.begin(), mine.keys.end());
        pending.movedLines.insert(pending.movedLines.end(), mine.moved.begin(), mine.moved.end());
    }
    compactInParts(listings_, partsFor(listings_),
                   [&](const Listing& listing, std::size_t) -> std::optional<Listing> {
                       const auto a = static_cast<std::size_t>(listing.key >> 32);
                       const auto b = static_cast<std::size_t>(listing.key & 0xffffffffu);
                       if (leaves(a) || leaves(b)) {
                           return std::nullopt;
                       }
                       return Listing{keyOf(moved(a), moved(b)), listing.line};
                   });
}

void LiveChecks::moveLines(const PositionMap& map, const DocumentChange& change, Pending& pending) {
    std::vector<ProblemRows::Block> leaving;
    for (const std::size_t line : change.removedLines) {
        leaving.push_back({line, {}});
        if (sound(lineKeys_[line])) {
            pending.keys.push_back(lineKeys_[line]);
        }
    }
    rows_.replace(ProblemRows::Lines, std::move(leaving));
    if (map.moves()) {
        rows_.renumber(
            ProblemRows::Lines, [&](std::uint64_t line) { return *map(line); },
            [](Problem&, std::uint64_t) {});
    }
    const auto leaves = [&](std::size_t line) { return map.leaves(line); };
    if (map.moves()) {
        moveEntries(lineKeys_, change.removedLines, change.insertedLines, MALFORMED);
        map.visit([&](auto lineLeaves, auto lineMoved) {
            compactInParts(listings_, partsFor(listings_),
                           [&](const Listing& listing, std::size_t) -> std::optional<Listing> {
                               if (lineLeaves(listing.line)) {
                                   return std::nullopt;
                               }
                               return Listing{listing.key,
                                              static_cast<std::uint32_t>(lineMoved(listing.line))};
                           });
        });
    }
    const auto follow = [&](std::vector<std::size_t>& lines) {
        std::erase_if(lines, leaves);
        for (std::size_t& line : lines) {
            line = *map(line);
        }
    };
    follow(pending.oldLines);
    follow(pending.movedLines);
    for (const std::size_t line : change.rewrittenLines) {
        pending.readLines.push_back(map.afterInsertions(line));
    }
    pending.readLines.insert(pending.readLines.end(), change.insertedLines.begin(),
                             change.insertedLines.end());
    std::sort(pending.readLines.begin(), pending.readLines.end());
    pending.readLines.erase(std::unique(pending.readLines.begin(), pending.readLines.end()),
                            pending.readLines.end());
}

void LiveChecks::readLines(const BoxDocument& document, const DocumentChange& change,
                           Pending& pending) {
    // Which lines have rows, and which keys are listed more than once: a line written again to
    // name the same boxes needs its rows made again only then. Renumbered lines may have new
    // texts, which their rows quote.
    std::vector<std::size_t> withRows;
    std::vector<std::uint64_t> repeatedKeys;
    const auto [first, last] = rows_.sectionRows(ProblemRows::Lines);
    for (std::size_t row = first; row < last; ++row) {
        const std::size_t line = rows_.keyAt(row);
        withRows.push_back(line);
        if (rows_.problems()[row].kind == ProblemKind::IntersectionDuplicate) {
            repeatedKeys.push_back(lineKeys_[line]);
        }
        if (change.linesRenumbered && lineKeys_[line] != MALFORMED) {
            if (sound(lineKeys_[line])) {
                pending.keys.push_back(lineKeys_[line]);
            }
            pending.lines.push_back(line);
        }
    }
    sortUnique(repeatedKeys);
    std::vector<Listing> leaving;
    std::vector<Listing> coming;
    const auto readAgain = [&](std::size_t line, std::string_view text) {
        const std::uint64_t old = lineKeys_[line];
        const std::uint64_t key = parseRankPair(text)
                                      ? listedPairKey(text, boxCount_, nullptr).value_or(UNSOUND)
                                      : MALFORMED;
        if (key == old && sound(key)) {
            if (std::binary_search(withRows.begin(), withRows.end(), line) ||
                std::binary_search(repeatedKeys.begin(), repeatedKeys.end(), key)) {
                pending.keys.push_back(key);
            }
            return;
        }
        if (sound(old)) {
            leaving.push_back({old, static_cast<std::uint32_t>(line)});
            pending.keys.push_back(old);
        }
        if (sound(key)) {
            coming.push_back({key, static_cast<std::uint32_t>(line)});
            pending.keys.push_back(key);
        }
        lineKeys_[line] = key;
        pending.lines.push_back(line);
    };
    // The lines the change wrote, the lines that moved but were not written again and so name
    // other boxes now, and the lines whose key depends on the number of boxes, read in one walk.
    std::vector<std::size_t> read;
    std::merge(pending.movedLines.begin(), pending.movedLines.end(), pending.oldLines.begin(),
               pending.oldLines.end(), std::back_inserter(read));
    std::vector<std::size_t> wanted;
    std::set_union(read.begin(), read.end(), pending.readLines.begin(), pending.readLines.end(),
                   std::back_inserter(wanted));
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    const std::vector<std::string_view> texts = document.intersections.textsAt(wanted);
    for (std::size_t k = 0; k < wanted.size(); ++k) {
        readAgain(wanted[k], texts[k]);
    }
    if (leaving.empty() && coming.empty()) {
        return;
    }
    std::sort(leaving.begin(), leaving.end());
    std::sort(coming.begin(), coming.end());
    eraseSorted(listings_, leaving);
    mergeInPlace(listings_, coming);
}

void LiveChecks::checkBoxesAgain(const BoxDocument& document, Pending& pending) {
    const std::vector<std::size_t>& dirty = pending.boxes;
    std::vector<ProblemRows::Block> blocks;
    if (!dirty.empty()) {
        indexIdsAgain(document, pending);
        const std::vector<const Box*> boxes = boxesAt(document, dirty);
        for (std::size_t i = 0; i < dirty.size(); ++i) {
            std::vector<Problem> rows = textRows(document, dirty[i], *boxes[i]);
            std::vector<Problem> placed = placeBox(dirty[i], *boxes[i]);
            std::move(placed.begin(), placed.end(), std::back_inserter(rows));
            blocks.push_back({dirty[i], std::move(rows)});
        }
    }

    // The boxes whose ID's first box changed, or moved, tell it again.
    std::vector<std::size_t> patched = std::move(pending.duplicates);
    sortUnique(pending.idHashes);
    for (const std::uint32_t hash : pending.idHashes) {
        for (auto entry =
                 std::lower_bound(idIndex_.begin(), idIndex_.end(), std::make_pair(hash, 0u));
             entry != idIndex_.end() && entry->first == hash; ++entry) {
            patched.push_back(entry->second);
        }
    }
    std::sort(patched.begin(), patched.end());
    patched.erase(std::unique(patched.begin(), patched.end()), patched.end());
    std::vector<ProblemRows::Block> patches;
    for (const std::size_t rank : patched) {
        if (!std::binary_search(dirty.begin(), dirty.end(), rank)) {
            patchDuplicate(document, rank, patches);
        }
    }
    std::vector<ProblemRows::Block> all;
    std::merge(
        std::make_move_iterator(blocks.begin()), std::make_move_iterator(blocks.end()),
        std::make_move_iterator(patches.begin()), std::make_move_iterator(patches.end()),
        std::back_inserter(all),
        [](const ProblemRows::Block& a, const ProblemRows::Block& b) { return a.key < b.key; });
    rows_.replace(ProblemRows::Boxes, std::move(all));
}

void LiveChecks::indexIdsAgain(const BoxDocument& document, Pending& pending) {
    // A box whose entry stands under its new ID kept its ID (or one of the same hash, whose boxes
    // are told again all the same); the others' old entries are found in one walk of the index.
    std::vector<std::size_t> renamed;
    std::vector<IdEntry> coming;
    for (const std::size_t rank : pending.boxes) {
        const std::string_view id = document.boxes.at(rank).id;
        const IdEntry entry{hashOf(id), static_cast<std::uint32_t>(rank)};
        if (!id.empty()) {
            pending.idHashes.push_back(entry.first);
            if (std::binary_search(idIndex_.begin(), idIndex_.end(), entry)) {
                continue;
            }
            coming.push_back(entry);
        }
        if (!std::binary_search(pending.insertedBoxes.begin(), pending.insertedBoxes.end(), rank)) {
            renamed.push_back(rank);
        }
    }
    if (!renamed.empty()) {
        std::erase_if(idIndex_, [&](const IdEntry& entry) {
            if (!std::binary_search(renamed.begin(), renamed.end(), std::size_t{entry.second})) {
                return false;
            }
            pending.idHashes.push_back(entry.first);
            return true;
        });
    }
    std::sort(coming.begin(), coming.end());
    mergeInPlace(idIndex_, coming);
}

void LiveChecks::findPairsAgain(ShapesOnDemand& shapes, Pending& pending) {
    const std::vector<std::size_t>& dirty = pending.boxes;
    // Nearly always one box or a few: a search of them, where a flag for every box would take
    // fresh memory at each edit. Many boxes get their flags.
    constexpr std::size_t searchedUpTo = 16;
    std::vector<char> flags;
    if (dirty.size() > searchedUpTo) {
        flags.assign(boxCount_, 0);
        for (const std::size_t rank : dirty) {
            flags[rank] = 1;
        }
    }
    const auto isDirty = [&](std::size_t rank) {
        if (!flags.empty()) {
            return flags[rank] != 0;
        }
        return std::find(dirty.begin(), dirty.end(), rank) != dirty.end();
    };
    const auto involves = [&](std::size_t a, std::size_t b) { return isDirty(a) || isDirty(b); };
    // One walk of every shape for each box checked again, with the wider of the two margins;
    // each search below keeps those within its own.
    const double reach = play_ ? nearReach(*play_) : 0.0;
    std::vector<std::vector<std::size_t>> around;
    around.reserve(dirty.size());
    for (const std::size_t rank : dirty) {
        around.push_back(neighboursOf(rank, std::max(GEOMETRY_TOLERANCE, reach)));
    }
    // Each pair between two boxes checked again is found from its first.
    const auto pairsNear = [&](double margin) {
        std::vector<RankPair> near;
        for (std::size_t i = 0; i < dirty.size(); ++i) {
            const std::size_t rank = dirty[i];
            const WidenedBounds own = widened(bounds_[rank].low, bounds_[rank].high, margin);
            for (const std::size_t other : around[i]) {
                if ((!isDirty(other) || rank < other) &&
                    overlap(own, widened(bounds_[other].low, bounds_[other].high, margin))) {
                    near.emplace_back(std::min(rank, other), std::max(rank, other));
                }
            }
        }
        std::sort(near.begin(), near.end());
        return near;
    };

    // Millions of pairs stay where they are; only those of the boxes checked again move, and
    // only when they changed, as they seldom do. Keys name their lower rank first: no pair or
    // listing past the last box checked again involves one.
    // Boxes just inserted have no pairs yet, and the lines that name them were read again: when
    // every box checked again is new, as for a box added, there is nothing to look for.
    const bool allNew = pending.insertedBoxes.size() == dirty.size();
    const auto pairsEnd =
        allNew ? pairs_.begin()
               : std::lower_bound(pairs_.begin(), pairs_.end(), RankPair{dirty.back() + 1, 0});
    std::vector<RankPair> before = involved(
        pairs_, pairsEnd, [&](const RankPair& pair) { return involves(pair.first, pair.second); });
    std::vector<RankPair> after;
    for (const RankPair& pair : pairsNear(GEOMETRY_TOLERANCE)) {
        if (shapes.touch(pair.first, pair.second)) {
            after.push_back(pair);
        }
    }
    std::vector<RankPair> gone;
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                        std::back_inserter(gone));
    std::vector<RankPair> come;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(come));
    eraseSorted(pairs_, gone);
    mergeInPlace(pairs_, come);
    for (const std::vector<RankPair>* changed : {&gone, &come}) {
        for (const RankPair& pair : *changed) {
            pending.keys.push_back(keyOf(pair.first, pair.second));
        }
    }
    // A listed pair of a box that changed may be apart now, or no longer.
    const std::vector<Listing> listed =
        involved(listings_,
                 allNew ? listings_.begin()
                        : std::lower_bound(listings_.begin(), listings_.end(),
                                           Listing{keyOf(dirty.back() + 1, 0), 0}),
                 [&](const Listing& listing) {
                     return involves(static_cast<std::size_t>(listing.key >> 32),
                                     static_cast<std::size_t>(listing.key & 0xffffffffu));
                 });
    for (const Listing& listing : listed) {
        pending.keys.push_back(listing.key);
    }

    if (!play_) {
        return;
    }
    std::vector<std::uint64_t> playKeys;
    std::erase_if(findings_, [&](const PlayFinding& finding) {
        if (!involves(finding.rank, finding.other)) {
            return false;
        }
        playKeys.push_back(keyOf(finding.rank, finding.other));
        return true;
    });
    std::vector<PlayFinding> found;
    // The search lists no near pairs for a margin within the tolerance.
    const std::vector<RankPair> near =
        reach > GEOMETRY_TOLERANCE ? pairsNear(reach) : std::vector<RankPair>();
    std::vector<std::size_t> reached;
    for (const RankPair& pair : near) {
        reached.push_back(pair.first);
        reached.push_back(pair.second);
    }
    std::sort(reached.begin(), reached.end());
    reached.erase(std::unique(reached.begin(), reached.end()), reached.end());
    shapes.prepare(reached);
    FaceReader faces(shapes.faces(), shapes.shapes());
    for (const RankPair& pair : near) {
        findBetweenBoxes(shapes.faces(), faces, *play_,
                         {shapes.indexOf(pair.first), shapes.indexOf(pair.second)},
                         !std::binary_search(pairs_.begin(), pairs_.end(), pair), found);
        playKeys.push_back(keyOf(pair.first, pair.second));
    }
    for (PlayFinding& finding : found) {
        finding.rank = shapes.rankAt(finding.rank);
        finding.other = shapes.rankAt(finding.other);
    }
    std::sort(found.begin(), found.end());
    std::vector<PlayFinding> merged;
    std::merge(findings_.begin(), findings_.end(), found.begin(), found.end(),
               std::back_inserter(merged));
    findings_ = std::move(merged);
    sortUnique(playKeys);
    const IdOfRank idOf = [&](std::size_t rank) -> std::string_view {
        return shapes.document().boxes.at(rank).id;
    };
    std::vector<ProblemRows::Block> blocks;
    for (const std::uint64_t key : playKeys) {
        blocks.push_back({key, playRows(key, idOf)});
    }
    rows_.replace(ProblemRows::Play, std::move(blocks));
}

void LiveChecks::checkKeysAgain(const BoxDocument& document, ShapesOnDemand& shapes,
                                Pending& pending) {
    sortUnique(pending.keys);
    std::vector<std::size_t>& lines = pending.lines;
    for (const std::uint64_t key : pending.keys) {
        const auto [first, last] = listingsOf(key);
        for (std::size_t i = first; i < last; ++i) {
            lines.push_back(listings_[i].line);
        }
    }
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    // The texts the rows quote: each line's, and for a pair listed again, its first line's.
    std::vector<std::size_t> quoted = lines;
    for (const std::size_t line : lines) {
        if (sound(lineKeys_[line])) {
            quoted.push_back(listings_[listingsOf(lineKeys_[line]).first].line);
        }
    }
    std::sort(quoted.begin(), quoted.end());
    quoted.erase(std::unique(quoted.begin(), quoted.end()), quoted.end());
    const std::vector<std::string_view> texts = document.intersections.textsAt(quoted);
    const auto textOf = [&](std::size_t line) {
        return texts[static_cast<std::size_t>(std::lower_bound(quoted.begin(), quoted.end(), line) -
                                              quoted.begin())];
    };
    const TouchTest touch = [&](std::size_t a, std::size_t b) { return shapes.touch(a, b); };
    std::vector<ProblemRows::Block> lineBlocks;
    for (const std::size_t line : lines) {
        lineBlocks.push_back({line, lineRows(line, textOf, touch)});
    }
    rows_.replace(ProblemRows::Lines, std::move(lineBlocks));
    std::vector<ProblemRows::Block> missingBlocks;
    for (const std::uint64_t key : pending.keys) {
        missingBlocks.push_back({key, missingRows(key)});
    }
    rows_.replace(ProblemRows::Missing, std::move(missingBlocks));
}
