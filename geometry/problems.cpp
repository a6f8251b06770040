#include "problems.h"

#include "boxvalues.h"
#include "frenchtext.h"
#include "leadinginteger.h"
#include "orlclass.h"
#include "parallelwork.h"
#include "shapeset.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <numbers>
#include <vector>

namespace {

constexpr std::array<char, 3> AXIS_NAMES = {'X', 'Y', 'Z'};
constexpr std::array<char, 4> COEFFICIENT_NAMES = {'a', 'b', 'c', 'd'};
// Planes 0 and 5, 1 and 3, 2 and 4 face each other.
constexpr std::array<std::pair<int, int>, 3> OPPOSITE_PLANES = {{{0, 5}, {1, 3}, {2, 4}}};
constexpr double OPPOSITE_DEGREES = 1;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Lambdas rather than function pointers: every text of every box goes through these, and a
// pointer keeps the test from being inlined.
bool allDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return isDigit(c); });
}

// An optional sign, then digits only.
bool isRankText(std::string_view text) {
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        text.remove_prefix(1);
    }
    return !text.empty() && allDigits(text);
}

// Whole digits, read without a locale; long digit strings saturate at the largest double.
double digitsValue(std::string_view digits) {
    double value = 0;
    for (const char c : digits) {
        value = std::min(value * 10 + (c - '0'), std::numeric_limits<double>::max());
    }
    return value;
}

class Checker {
public:
    Checker(const BoxDocument& document, const ProblemSink& sink)
        : document_(document), sink_(sink) {}

    void checkCount(std::optional<std::string_view> countToken) {
        const std::string_view token = countToken ? *countToken : document_.countText;
        const long long count = parseLeadingInteger(token);
        if (count < 0 || static_cast<unsigned long long>(count) != document_.boxes.size()) {
            add("count-mismatch", Severity::Error,
                "le nombre de boxes " + quoted(token) + " ne donne pas les " +
                    std::to_string(document_.boxes.size()) + " boxes du fichier");
        }
    }

    void checkBox(std::size_t rank, const Box& box, const BoxValues& values, const Solid& solid) {
        checkBoxTexts(rank, box);
        checkBoxId(rank, box);
        checkBoxShape(rank, box, values, solid);
    }

    // The three parts of checkBox, in its order: the first and last need no other box, and may
    // run on other checkers, on other threads.
    void checkBoxTexts(std::size_t rank, const Box& box) {
        rank_ = rank;
        id_ = box.id;
        checkTexts(box);
        rank_.reset();
    }

    void checkBoxId(std::size_t rank, const Box& box) {
        rank_ = rank;
        id_ = box.id;
        checkId();
        rank_.reset();
    }

    void checkBoxShape(std::size_t rank, const Box& box, const BoxValues& values,
                       const Solid& solid) {
        rank_ = rank;
        id_ = box.id;
        checkNormals(values);
        checkSolid(solid);
        checkOpposites(values);
        if (solid.closed()) {
            checkCentre(values);
            checkRadius(box.maxRadius, values, solid);
        }
        rank_.reset();
    }

    // The IDs seen are needed no more once every box is checked.
    void finishBoxes() {
        std::vector<std::uint32_t>().swap(rankOfIdSlots_);
        std::vector<std::string_view>().swap(ids_);
    }

    void checkIntersections(const ShapeSet& shapes, const IntersectionSearch& search) {
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
                addListed("intersection-duplicate", Severity::Warning, text,
                          "même paire que l'intersection " + quoted(firstText) + ", déjà listée");
                ++repeat;
            } else {
                const std::size_t low = keys[position] >> 32;
                const std::size_t high = keys[position] & 0xffffffffu;
                if (!computed[position] && shapes.present(low) && shapes.present(high) &&
                    !shapes.touch(low, high)) {
                    addListed("intersection-apart", Severity::Warning, text,
                              "les solides des boxes " + std::to_string(low) + " et " +
                                  std::to_string(high) + " ne se touchent pas");
                }
            }
            ++position;
        }
        if (!search.complete) {
            add("intersections-incomplete", Severity::Error,
                "trop de boxes entassées : la recherche des intersections s'est arrêtée après " +
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
                addListed("intersection-missing", Severity::Warning, pairText(pair),
                          "les solides des boxes " + std::to_string(pair.first) + " et " +
                              std::to_string(pair.second) + " se touchent mais la paire " +
                              "n'est pas listée");
            }
        }
    }

private:
    // Hands a problem on, with the box being checked if there is one.
    void add(std::string kind, Severity severity, std::string message,
             std::optional<int> plane = std::nullopt,
             std::optional<std::string_view> intersection = std::nullopt) {
        Problem problem;
        problem.kind = std::move(kind);
        problem.severity = severity;
        if (rank_) {
            problem.rank = rank_;
            problem.id = std::string(id_);
        }
        problem.plane = plane;
        if (intersection) {
            problem.intersection = std::string(*intersection);
        }
        problem.message = std::move(message);
        sink_(problem);
    }

    void addOnPlane(std::string kind, Severity severity, int plane, const std::string& message) {
        add(std::move(kind), severity, "plan " + std::to_string(plane) + " : " + message, plane);
    }

    void addListed(std::string kind, Severity severity, std::string_view text,
                   const std::string& message) {
        add(std::move(kind), severity, "intersection " + quoted(text) + " : " + message,
            std::nullopt, text);
    }

    static constexpr std::uint64_t UNSOUND = std::numeric_limits<std::uint64_t>::max();

    static std::uint64_t pairKey(const RankPair& pair) {
        return static_cast<std::uint64_t>(pair.first) << 32 | pair.second;
    }

    // The key of a listed pair of two distinct ranks of boxes, or nothing; report: whether to
    // report what is wrong with it.
    std::optional<std::uint64_t> listedKey(std::string_view text, bool report) {
        const std::size_t space = text.find(' ');
        const std::string_view first = text.substr(0, space);
        const std::string_view second =
            space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
        if (space == std::string_view::npos || !isRankText(first) || !isRankText(second)) {
            if (report) {
                addListed("intersection-malformed", Severity::Error, text,
                          "pas deux rangs séparés par une espace");
            }
            return std::nullopt;
        }
        const long long a = parseLeadingInteger(first);
        const long long b = parseLeadingInteger(second);
        if (!checkRank(a, text, report) || !checkRank(b, text, report)) {
            return std::nullopt;
        }
        if (a == b) {
            if (report) {
                addListed("intersection-self", Severity::Error, text,
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
                addListed("intersection-out-of-range", Severity::Error, text,
                          "le rang " + std::to_string(rank) + " est négatif");
            }
            return false;
        }
        if (static_cast<unsigned long long>(rank) >= document_.boxes.size()) {
            if (report) {
                addListed("intersection-out-of-range", Severity::Error, text,
                          "le rang " + std::to_string(rank) + " n'est pas inférieur au nombre " +
                              "de boxes (" + std::to_string(document_.boxes.size()) + ")");
            }
            return false;
        }
        return true;
    }

    static std::string formatFault(std::string_view text, std::size_t digits) {
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

    void checkTexts(const Box& box) {
        for (std::size_t axis = 0; axis < Box::centerTextCount; ++axis) {
            const std::string fault = formatFault(box.centerText(axis), 8);
            if (!fault.empty()) {
                add("text-format", Severity::Error,
                    std::string("centre ") + AXIS_NAMES[axis] + " : " + fault);
            }
        }
        for (std::size_t k = 0; k < Box::planeTextCount; ++k) {
            const std::size_t coefficient = k % 4;
            const std::string fault = formatFault(box.planeText(k), coefficient == 3 ? 8 : 4);
            if (!fault.empty()) {
                addOnPlane("text-format", Severity::Error, static_cast<int>(k / 4),
                           std::string(1, COEFFICIENT_NAMES[coefficient]) + " = " + fault);
            }
        }
        const std::string_view radius = box.maxRadius;
        if (radius.empty()) {
            add("text-format", Severity::Error, "rayon maximal : texte vide");
        } else if (!allDigits(radius)) {
            add("text-format", Severity::Error,
                "rayon maximal : " + quoted(radius) + " n'est pas fait que de chiffres");
        }
    }

    void checkId() {
        if (rankOfIdSlots_.empty()) {
            // Ranks in open addressing, at most half full: one array instead of a node per box.
            std::size_t slotCount = 16;
            while (slotCount < document_.boxes.size() * 2) {
                slotCount *= 2;
            }
            rankOfIdSlots_.assign(slotCount, NO_RANK);
            ids_.reserve(document_.boxes.size());
        }
        ids_.push_back(id_);
        if (id_.empty()) {
            add("id-invalid", Severity::Error, "l'ID est vide");
            return;
        }
        if (!allDigits(id_)) {
            add("id-invalid", Severity::Error,
                "l'ID " + quoted(id_) + " n'est pas fait que de chiffres");
        }
        const std::size_t mask = rankOfIdSlots_.size() - 1;
        const std::size_t hash = std::hash<std::string_view>{}(id_);
        std::size_t slot = hash & mask;
        for (; rankOfIdSlots_[slot] != NO_RANK; slot = (slot + 1) & mask) {
            const std::uint32_t first = rankOfIdSlots_[slot];
            if (ids_[first] == id_) {
                add("id-duplicate", Severity::Error,
                    "l'ID " + quoted(id_) + " est déjà celui de la box " + std::to_string(first));
                return;
            }
        }
        rankOfIdSlots_[slot] = static_cast<std::uint32_t>(*rank_);
    }

    void checkNormals(const BoxValues& values) {
        for (std::size_t p = 0; p < values.planes.size(); ++p) {
            const Vec3& n = values.planes[p].normal;
            const double squares = dot(n, n);
            if (std::fabs(squares - 1) > GEOMETRY_TOLERANCE) {
                addOnPlane("normal-not-unit", Severity::Error, static_cast<int>(p),
                           "a² + b² + c² = " + frenchNumber(squares) + " au lieu de 1");
            }
        }
    }

    void checkSolid(const Solid& solid) {
        switch (solid.status) {
        case SolidStatus::Empty:
            add("solid-empty", Severity::Error,
                "les six demi-espaces n'ont aucun point commun : le solide est vide");
            break;
        case SolidStatus::Unbounded:
            add("solid-unbounded", Severity::Error,
                "les six demi-espaces ne se referment pas : le solide est infini");
            break;
        case SolidStatus::Flat:
            add("solid-flat", Severity::Error,
                "les six demi-espaces se referment sur un volume nul : le solide est plat");
            break;
        case SolidStatus::ZeroNormal: // reported by the normal check, plane by plane
        case SolidStatus::Closed:
            break;
        }
    }

    void checkOpposites(const BoxValues& values) {
        for (const auto& [p, q] : OPPOSITE_PLANES) {
            const Vec3& a = values.planes[static_cast<std::size_t>(p)].normal;
            const Vec3& b = values.planes[static_cast<std::size_t>(q)].normal;
            const double lengths = length(a) * length(b);
            if (lengths == 0) {
                continue;
            }
            const double cosine = std::clamp(-dot(a, b) / lengths, -1.0, 1.0);
            const double degrees = std::acos(cosine) * 180 / std::numbers::pi;
            if (degrees > OPPOSITE_DEGREES) {
                add("planes-not-opposite", Severity::Warning,
                    "les normales des plans " + std::to_string(p) + " et " + std::to_string(q) +
                        " sont à " + frenchNumber(degrees, 2) + "° de directions opposées");
            }
        }
    }

    void checkCentre(const BoxValues& values) {
        std::optional<std::size_t> worst;
        double worstDistance = GEOMETRY_TOLERANCE;
        for (std::size_t p = 0; p < values.planes.size(); ++p) {
            const PlaneValues& plane = values.planes[p];
            const double distance =
                (dot(plane.normal, values.centre) - plane.d) / length(plane.normal);
            if (distance > worstDistance) {
                worst = p;
                worstDistance = distance;
            }
        }
        if (worst) {
            const Vec3& c = values.centre;
            addOnPlane("centre-outside", Severity::Warning, static_cast<int>(*worst),
                       "le centre (" + frenchNumber(c.x) + " ; " + frenchNumber(c.y) + " ; " +
                           frenchNumber(c.z) + ") est hors du solide, à " +
                           frenchNumber(worstDistance) + " au-delà de ce plan");
        }
    }

    void checkRadius(std::string_view radiusText, const BoxValues& values, const Solid& solid) {
        if (radiusText.empty() || !allDigits(radiusText)) {
            return;
        }
        double farthest = 0;
        for (const Vec3& v : solid.vertices) {
            farthest = std::max(farthest, length(v - values.centre));
        }
        if (digitsValue(radiusText) + GEOMETRY_TOLERANCE < farthest) {
            add("radius-too-small", Severity::Warning,
                "rayon maximal " + quoted(radiusText) + " inférieur à " + frenchNumber(farthest) +
                    ", distance du centre au sommet le plus éloigné");
        }
    }

    const BoxDocument& document_;
    const ProblemSink& sink_;
    std::optional<std::size_t> rank_;
    std::string_view id_;
    static constexpr std::uint32_t NO_RANK = std::numeric_limits<std::uint32_t>::max();
    // The rank of the first box of each ID, found by the ID's hash.
    std::vector<std::uint32_t> rankOfIdSlots_;
    std::vector<std::string_view> ids_;
};

// What a thread makes of a run of boxes: their shapes, and the problems each box has alone, to be
// handed on with the problems of their IDs.
struct BoxRun {
    ShapeSet shapes;
    std::vector<Problem> problems;
    // For each box, where its problems about its texts end in problems, and where all of its do.
    std::vector<std::pair<std::size_t, std::size_t>> problemEnds;
};

// Boxes of a run: enough that a run costs far more than handing it over.
constexpr std::size_t BOXES_PER_RUN = 2048;
// Below this many boxes, a second thread costs more than it saves.
constexpr std::size_t PARALLEL_FROM = 4096;

} // namespace

std::string pairText(const RankPair& pair) {
    return std::to_string(pair.first) + " " + std::to_string(pair.second);
}

std::vector<Problem> checkDocument(const BoxDocument& document, const std::vector<Solid>& solids,
                                   std::optional<std::string_view> countToken) {
    std::vector<Problem> problems;
    const ProblemSink collect = [&](const Problem& problem) { problems.push_back(problem); };
    Checker checker(document, collect);
    checker.checkCount(countToken);
    ShapeSet shapes;
    shapes.reserve(solids.size());
    std::size_t rank = 0;
    for (const auto& box : document.boxes) {
        if (rank >= solids.size()) {
            break;
        }
        checker.checkBox(rank, *box, decodeBoxValues(*box), solids[rank]);
        shapes.add(solids[rank]);
        ++rank;
    }
    checker.finishBoxes();
    checker.checkIntersections(shapes, findIntersections(shapes));
    return problems;
}

IntersectionSearch inspectDocument(const BoxDocument& document,
                                   std::optional<std::string_view> countToken,
                                   const ProblemSink& sink) {
    Checker checker(document, sink);
    checker.checkCount(countToken);
    ShapeSet shapes;
    shapes.reserve(document.boxes.size());
    // The boxes go to the threads in runs; each run's problems reach the sink in rank order,
    // those of each box around its ID's, which only the boxes before it can tell.
    std::vector<BoxList::ConstPosition> runStarts;
    std::size_t rank = 0;
    for (auto position = document.boxes.begin(); position != document.boxes.end(); ++position) {
        if (rank++ % BOXES_PER_RUN == 0) {
            runStarts.push_back(position);
        }
    }
    const unsigned threadCount = document.boxes.size() < PARALLEL_FROM ? 1 : defaultThreadCount();
    const std::size_t ahead = 2 * std::size_t{threadCount};
    std::vector<BoxRun> runs(ahead);
    const auto produce = [&](std::size_t index) {
        BoxRun& run = runs[index % ahead];
        const ProblemSink keep = [&](const Problem& problem) { run.problems.push_back(problem); };
        Checker alone(document, keep);
        Solid solid;
        auto position = runStarts[index];
        const std::size_t first = index * BOXES_PER_RUN;
        const std::size_t last = std::min(first + BOXES_PER_RUN, document.boxes.size());
        for (std::size_t rank = first; rank < last; ++rank, ++position) {
            const Box& box = **position;
            const BoxValues values = decodeBoxValues(box);
            buildSolid(values, solid);
            alone.checkBoxTexts(rank, box);
            const std::size_t textsEnd = run.problems.size();
            alone.checkBoxShape(rank, box, values, solid);
            run.problemEnds.emplace_back(textsEnd, run.problems.size());
            run.shapes.add(solid);
        }
    };
    const auto consume = [&](std::size_t index) {
        BoxRun& run = runs[index % ahead];
        auto position = runStarts[index];
        std::size_t next = 0;
        for (std::size_t box = 0; box < run.problemEnds.size(); ++box, ++position) {
            const auto [textsEnd, end] = run.problemEnds[box];
            for (; next < textsEnd; ++next) {
                sink(run.problems[next]);
            }
            checker.checkBoxId(index * BOXES_PER_RUN + box, **position);
            for (; next < end; ++next) {
                sink(run.problems[next]);
            }
        }
        shapes.append(run.shapes);
        run = BoxRun();
    };
    runInOrder(threadCount, runStarts.size(), ahead, produce, consume);
    checker.finishBoxes();
    IntersectionSearch search = findIntersections(shapes);
    checker.checkIntersections(shapes, search);
    return search;
}

DocumentReport inspectDocument(const BoxDocument& document,
                               std::optional<std::string_view> countToken) {
    DocumentReport report;
    report.intersections = inspectDocument(
        document, countToken, [&](const Problem& problem) { report.problems.push_back(problem); });
    return report;
}
