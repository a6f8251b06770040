#include "problems.h"

#include "boxvalues.h"
#include "intersectionchecks.h"
#include "orlclass.h"
#include "playchecks.h"
#include "problemreporter.h"
#include "shapeset.h"
#include "solidchecks.h"
#include "textchecks.h"

#include <cstdint>
#include <iterator>

namespace {

// The groups of checks, run box by box as the solids come, then on the whole scene.
class DocumentChecks {
public:
    DocumentChecks(const BoxDocument& document, std::optional<std::string_view> countToken,
                   const ProblemSink& sink, const std::optional<PlayLimits>& play)
        : document_(document), reporter_(sink), texts_(document, reporter_),
          play_(play ? std::make_optional<PlayChecks>(document, *play, reporter_) : std::nullopt) {
        texts_.checkCount(countToken);
        shapes_.reserve(document.boxes.size());
    }

    void checkBox(std::size_t rank, const Box& box, const BoxValues& values, const Solid& solid) {
        reporter_.beginBox(rank, box.id);
        texts_.checkBox(box);
        checkSolidOfBox(box.maxRadius, values, solid, reporter_);
        if (play_) {
            play_->checkBox(values, solid);
        }
        reporter_.endBox();
        shapes_.add(solid);
    }

    IntersectionSearch finish() {
        texts_.finishBoxes();
        IntersectionSearch search = findIntersections(shapes_);
        checkListedIntersections(document_, shapes_, search, reporter_);
        // A heap of boxes would stop the search between boxes as well: it is reported already.
        if (play_ && search.complete) {
            play_->checkBetweenBoxes(shapes_, search.pairs);
        }
        return search;
    }

private:
    const BoxDocument& document_;
    ProblemReporter reporter_;
    TextChecks texts_;
    std::optional<PlayChecks> play_;
    ShapeSet shapes_;
};

} // namespace

std::string pairText(const RankPair& pair) {
    return std::to_string(pair.first) + " " + std::to_string(pair.second);
}

std::vector<Problem> checkDocument(const BoxDocument& document, const std::vector<Solid>& solids,
                                   std::optional<std::string_view> countToken,
                                   const std::optional<PlayLimits>& play) {
    std::vector<Problem> problems;
    const ProblemSink collect = [&](const Problem& problem) { problems.push_back(problem); };
    DocumentChecks checks(document, countToken, collect, play);
    std::size_t rank = 0;
    for (const auto& box : document.boxes) {
        if (rank >= solids.size()) {
            break;
        }
        checks.checkBox(rank, *box, decodeBoxValues(*box), solids[rank]);
        ++rank;
    }
    checks.finish();
    return problems;
}

IntersectionSearch inspectDocument(const BoxDocument& document,
                                   std::optional<std::string_view> countToken,
                                   const ProblemSink& sink, const std::optional<PlayLimits>& play) {
    DocumentChecks checks(document, countToken, sink, play);
    Solid solid;
    std::size_t rank = 0;
    for (const auto& box : document.boxes) {
        const BoxValues values = decodeBoxValues(*box);
        buildSolid(values, solid);
        checks.checkBox(rank++, *box, values, solid);
    }
    return checks.finish();
}

std::vector<Problem> checkChangedBox(const BoxDocument& document, const std::vector<Solid>& solids,
                                     std::size_t rank) {
    std::vector<Problem> problems;
    if (rank >= document.boxes.size() || solids.size() != document.boxes.size()) {
        return problems;
    }
    const ProblemSink collect = [&](const Problem& problem) { problems.push_back(problem); };
    ProblemReporter reporter(collect);
    const Box& box = **std::next(document.boxes.begin(), static_cast<std::ptrdiff_t>(rank));
    const std::string_view id = box.id;
    std::optional<std::uint32_t> firstWithSameId;
    std::uint32_t earlier = 0;
    for (auto other = document.boxes.begin(); earlier < rank && !id.empty(); ++other, ++earlier) {
        if (std::string_view((*other)->id) == id) {
            firstWithSameId = earlier;
            break;
        }
    }
    reporter.beginBox(rank, id);
    checkTextsOfBox(box, firstWithSameId, reporter);
    checkSolidOfBox(box.maxRadius, decodeBoxValues(box), solids[rank], reporter);
    reporter.endBox();
    checkPairsOfBox(document, solids, rank, reporter);
    return problems;
}

DocumentReport inspectDocument(const BoxDocument& document,
                               std::optional<std::string_view> countToken,
                               const std::optional<PlayLimits>& play) {
    DocumentReport report;
    report.intersections = inspectDocument(
        document, countToken, [&](const Problem& problem) { report.problems.push_back(problem); },
        play);
    return report;
}
