#include "problems.h"

#include "boxvalues.h"
#include "intersectionchecks.h"
#include "orlclass.h"
#include "parallelwork.h"
#include "playchecks.h"
#include "problemreporter.h"
#include "shapeset.h"
#include "solidchecks.h"
#include "textchecks.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

namespace {

// Boxes of a run: enough that a run costs far more than handing it over.
constexpr std::size_t BOXES_PER_RUN = 2048;

// What a thread makes of a run of boxes: their shapes, and the problems each box has alone, to be
// handed on around the problems of their IDs.
struct BoxRun {
    ShapeSet shapes;
    std::vector<Problem> problems;
    // For each box, where its problems about its texts end in problems, and where all of its do.
    std::vector<std::pair<std::size_t, std::size_t>> problemEnds;
    // The faces the play checks keep of these boxes.
    FaceStore faces;
};

// The groups of checks, run box by box as the solids come, then on the whole scene.
class DocumentChecks {
public:
    DocumentChecks(const BoxDocument& document, std::optional<std::string_view> countToken,
                   const ProblemSink& sink, const std::optional<PlayLimits>& play)
        : document_(document), sink_(sink), reporter_(sink), texts_(document, reporter_),
          playLimits_(play),
          play_(play ? std::make_optional<PlayChecks>(document, *play, reporter_) : std::nullopt) {
        texts_.checkCount(countToken);
        shapes_.reserve(document.boxes.size());
        if (play_) {
            play_->reserve(document.boxes.size());
        }
    }

    // Builds the solid of every box and checks it as checkBox does, on every core for a large
    // document: the boxes go to the threads in runs, and each run's problems reach the sink in
    // rank order, those of each box around its ID's, which only the boxes before it can tell.
    void checkEveryBox() {
        std::vector<BoxList::ConstPosition> runStarts;
        std::size_t rank = 0;
        for (auto position = document_.boxes.begin(); position != document_.boxes.end();
             ++position) {
            if (rank++ % BOXES_PER_RUN == 0) {
                runStarts.push_back(position);
            }
        }
        const unsigned threadCount = threadCountFor(document_.boxes.size());
        const std::size_t ahead = 2 * std::size_t{threadCount};
        std::vector<BoxRun> runs(ahead);
        runInOrder(
            threadCount, runStarts.size(), ahead,
            [&](std::size_t index) { checkRun(index, runStarts[index], runs[index % ahead]); },
            [&](std::size_t index) { handOn(index, runStarts[index], runs[index % ahead]); });
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
        // One search for the pairs that touch and, for the play checks, the pairs near enough
        // for a seam or a step.
        IntersectionSearch search =
            play_ ? findIntersectionsAndNearPairs(shapes_, play_->nearMargin())
                  : findIntersections(shapes_);
        checkListedIntersections(document_, shapes_, search, reporter_);
        // A heap of boxes stops the search: that is reported already.
        if (play_ && search.complete) {
            play_->checkBetweenBoxes(shapes_, search.pairs, search.nearPairs);
        }
        std::vector<RankPair>().swap(search.nearPairs);
        return search;
    }

private:
    // What needs no other box, on checks of the run's own.
    void checkRun(std::size_t index, BoxList::ConstPosition position, BoxRun& run) const {
        const ProblemSink keep = [&](const Problem& problem) { run.problems.push_back(problem); };
        ProblemReporter reporter(keep);
        TextChecks texts(document_, reporter);
        std::optional<PlayChecks> play;
        if (playLimits_) {
            play.emplace(document_, *playLimits_, reporter);
        }
        Solid solid;
        const std::size_t first = index * BOXES_PER_RUN;
        const std::size_t last = std::min(first + BOXES_PER_RUN, document_.boxes.size());
        for (std::size_t rank = first; rank < last; ++rank, ++position) {
            const Box& box = **position;
            const BoxValues values = decodeBoxValues(box);
            buildSolid(values, solid);
            reporter.beginBox(rank, box.id);
            texts.checkTexts(box);
            const std::size_t textsEnd = run.problems.size();
            checkSolidOfBox(box.maxRadius, values, solid, reporter);
            if (play) {
                play->checkBox(values, solid);
            }
            reporter.endBox();
            run.problemEnds.emplace_back(textsEnd, run.problems.size());
            run.shapes.add(solid);
        }
        if (play) {
            run.faces = play->releaseFaces();
        }
    }

    void handOn(std::size_t index, BoxList::ConstPosition position, BoxRun& run) {
        std::size_t next = 0;
        for (std::size_t box = 0; box < run.problemEnds.size(); ++box, ++position) {
            const auto [textsEnd, end] = run.problemEnds[box];
            for (; next < textsEnd; ++next) {
                sink_(run.problems[next]);
            }
            reporter_.beginBox(index * BOXES_PER_RUN + box, (*position)->id);
            texts_.checkId((*position)->id);
            reporter_.endBox();
            for (; next < end; ++next) {
                sink_(run.problems[next]);
            }
        }
        shapes_.append(run.shapes);
        if (play_) {
            play_->appendFaces(run.faces);
        }
        // Emptied but kept: the next run in this slot then needs no fresh memory.
        run.shapes.clear();
        run.problems.clear();
        run.problemEnds.clear();
    }

    const BoxDocument& document_;
    const ProblemSink& sink_;
    ProblemReporter reporter_;
    TextChecks texts_;
    std::optional<PlayLimits> playLimits_;
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
    checks.checkEveryBox();
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
