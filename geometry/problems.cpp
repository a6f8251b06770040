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
#include <condition_variable>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

namespace {

// Boxes of a run: enough that a run costs far more than handing it over.
constexpr std::size_t BOXES_PER_RUN = 2048;
// How far ahead the ID check asks for the memory it will read: enough for the fetches to
// overlap, few enough for the processor to keep track of them.
constexpr std::size_t IDS_FETCHED_AHEAD = 16;
// A guessed number of boxes is believed once this fraction of them has come.
constexpr std::size_t ID_ROOM_TRUST = 16;

// What a thread makes of a run of boxes: their shapes, and the problems each box has alone, to be
// handed on around the problems of their IDs.
struct BoxRun {
    std::vector<const Box*> boxes;
    // Each box's ID and its key, made with the rest of the run: the thread that checks the IDs
    // then need not read the boxes, which were last in another core's cache.
    std::vector<std::pair<std::string_view, TextChecks::IdKey>> ids;
    ShapeSet shapes;
    std::vector<Problem> problems;
    // For each box, where its problems about its texts end in problems, and where all of its do.
    std::vector<std::pair<std::size_t, std::size_t>> problemEnds;
    // The faces the play checks keep of these boxes.
    FaceStore faces;
};

// The boxes of a document in memory.
class DocumentFeed final : public BoxFeed {
public:
    DocumentFeed(const BoxDocument& document, std::optional<std::string_view> countToken)
        : document_(document), countToken_(countToken.value_or(document.countText)),
          next_(document.boxes.begin()) {}

    std::optional<std::size_t> boxCount() const override { return document_.boxes.size(); }
    void fill(std::size_t, std::size_t maxCount, std::vector<const Box*>& run) override {
        run.clear();
        for (; next_ != document_.boxes.end() && run.size() < maxCount; ++next_) {
            run.push_back(next_->get());
        }
    }
    std::string_view countToken() const override { return countToken_; }
    const TextList& intersections() const override { return document_.intersections; }
    std::string_view idOf(std::size_t rank) override { return document_.boxes.at(rank).id; }

private:
    const BoxDocument& document_;
    std::string_view countToken_;
    BoxList::ConstPosition next_;
};

// The groups of checks, run box by box as the solids come, then on the whole scene.
class DocumentChecks {
public:
    DocumentChecks(BoxFeed& feed, const ProblemSink& sink, const std::optional<PlayLimits>& play)
        : feed_(feed), sink_(sink), reporter_(route_), texts_(reporter_), playLimits_(play),
          play_(play ? std::make_optional<PlayChecks>(*play, reporter_) : std::nullopt) {
        if (const std::optional<std::size_t> count = feed.boxCount()) {
            texts_.checkCount(feed.countToken(), *count);
        } else {
            holding_ = true;
        }
        const std::size_t expected = feed.expectedBoxCount();
        if (holding_) {
            // A guessed number of boxes may be far too large: the IDs' table, which is filled
            // as soon as it is made, waits for a part of them to come.
            idRoomAwaited_ = expected;
        } else {
            idRoomAhead_ = expected;
        }
        shapes_.reserve(expected);
        if (play_) {
            play_->reserve(expected);
        }
    }

    // Builds the solid of every box and checks it as checkBox does, on every core for a large
    // scene: the boxes go to the threads in runs, and each run's problems reach the sink in
    // rank order, those of each box around its ID's, which only the boxes before it can tell.
    void checkEveryBox() {
        const std::optional<std::size_t> count = feed_.boxCount();
        const unsigned threadCount = count ? threadCountFor(*count) : defaultThreadCount();
        const std::size_t ahead = (count ? 2 : 8) * std::size_t{threadCount};
        std::vector<BoxRun> runs(ahead);
        runFedInOrder(
            threadCount, ahead,
            [&](std::size_t index) {
                BoxRun& run = runs[index % ahead];
                feed_.fill(index % ahead, BOXES_PER_RUN, run.boxes);
                return !run.boxes.empty();
            },
            [&](std::size_t index) {
                BoxRun& run = runs[index % ahead];
                try {
                    // Before any ID is checked, and often on another thread than the one that
                    // checks them, which then need not fill the table's fresh memory itself.
                    if (index == 0) {
                        makeIdRoom();
                    }
                    checkRun(index, run);
                    appendInTurn(index, run);
                } catch (...) {
                    abandonAppending();
                    throw;
                }
            },
            [&](std::size_t index) { handOn(index, runs[index % ahead]); });
        finishBoxes();
    }

    void checkBox(std::size_t rank, const Box& box, const BoxValues& values, const Solid& solid) {
        makeIdRoom();
        reporter_.beginBox(rank, box.id);
        texts_.checkBox(box);
        checkSolidOfBox(box.maxRadius, values, solid, reporter_);
        if (play_) {
            play_->checkBox(values, solid);
        }
        reporter_.endBox();
        shapes_.add(solid);
        ++boxesChecked_;
    }

    IntersectionSearch finish() {
        texts_.finishBoxes();
        // One search for the pairs that touch and, for the play checks, the pairs near enough
        // for a seam or a step.
        IntersectionSearch search =
            play_ ? findIntersectionsAndNearPairs(shapes_, play_->nearMargin())
                  : findIntersections(shapes_);
        const auto checkListed = [&] {
            checkListedIntersections(feed_.intersections(), boxCount(), shapes_, search, reporter_);
        };
        // A heap of boxes stops the search: that is reported already. The list is checked on
        // this thread while the others start on the near pairs, whose problems come after.
        if (play_ && search.complete) {
            play_->checkBetweenBoxes(
                shapes_, search.pairs, search.nearPairs,
                [&](std::size_t rank) { return feed_.idOf(rank); }, checkListed);
        } else {
            checkListed();
        }
        std::vector<RankPair>().swap(search.nearPairs);
        return search;
    }

    std::size_t boxCount() const { return feed_.boxCount().value_or(boxesChecked_); }

private:
    // The count, known now, and what was held until it was.
    void finishBoxes() {
        if (!holding_) {
            return;
        }
        holding_ = false;
        texts_.checkCount(feed_.countToken(), boxesChecked_);
        for (const Problem& problem : held_) {
            sink_(problem);
        }
        std::vector<Problem>().swap(held_);
    }

    // What needs no other box, on checks of the run's own.
    void checkRun(std::size_t index, BoxRun& run) const {
        const ProblemSink keep = [&](const Problem& problem) { run.problems.push_back(problem); };
        ProblemReporter reporter(keep);
        TextChecks texts(reporter);
        std::optional<PlayChecks> play;
        if (playLimits_) {
            play.emplace(*playLimits_, reporter);
            play->exchangeFaces(run.faces);
        }
        Solid solid;
        std::size_t rank = index * BOXES_PER_RUN;
        for (const Box* box : run.boxes) {
            const DecodedBox decoded = decodeBox(*box);
            const BoxValues& values = decoded.values;
            buildSolid(values, solid);
            run.ids.emplace_back(box->id, TextChecks::keyOf(box->id));
            reporter.beginBox(rank++, box->id);
            texts.checkTexts(*box, decoded.malformedSlots);
            const std::size_t textsEnd = run.problems.size();
            checkSolidOfBox(box->maxRadius, values, solid, reporter);
            if (play) {
                play->checkBox(values, solid);
            }
            reporter.endBox();
            run.problemEnds.emplace_back(textsEnd, run.problems.size());
            run.shapes.add(solid);
        }
        if (play) {
            play->exchangeFaces(run.faces);
        }
    }

    // Adds the run's shapes and faces to the scene's once those of the runs before it are: by
    // the thread that checked it, so that the fresh memory they fill is shared between the
    // threads rather than left to the calling thread, which also checks the IDs.
    void appendInTurn(std::size_t index, const BoxRun& run) {
        std::unique_lock<std::mutex> lock(appendMutex_);
        appended_.wait(lock, [&] { return nextToAppend_ == index || appendAbandoned_; });
        if (appendAbandoned_) {
            return;
        }
        shapes_.append(run.shapes);
        if (play_) {
            play_->appendFaces(run.faces);
        }
        ++nextToAppend_;
        appended_.notify_all();
    }

    // Room for the IDs of the number of boxes known beforehand, made once.
    void makeIdRoom() {
        if (idRoomAhead_ != 0) {
            texts_.reserve(std::exchange(idRoomAhead_, 0));
        }
    }

    // A run that failed is never appended: the others stop waiting for their turn.
    void abandonAppending() {
        const std::lock_guard<std::mutex> lock(appendMutex_);
        appendAbandoned_ = true;
        appended_.notify_all();
    }

    void handOn(std::size_t index, BoxRun& run) {
        std::size_t next = 0;
        for (std::size_t box = 0; box < run.problemEnds.size(); ++box) {
            if (box + IDS_FETCHED_AHEAD < run.ids.size()) {
                texts_.prefetchId(run.ids[box + IDS_FETCHED_AHEAD].second);
            }
            const auto [textsEnd, end] = run.problemEnds[box];
            for (; next < textsEnd; ++next) {
                route_(run.problems[next]);
            }
            const auto& [id, key] = run.ids[box];
            reporter_.beginBox(index * BOXES_PER_RUN + box, id);
            texts_.checkId(id, key);
            reporter_.endBox();
            for (; next < end; ++next) {
                route_(run.problems[next]);
            }
        }
        boxesChecked_ += run.boxes.size();
        if (idRoomAwaited_ != 0 && boxesChecked_ * ID_ROOM_TRUST >= idRoomAwaited_) {
            texts_.reserve(std::exchange(idRoomAwaited_, 0));
        }
        // Emptied but kept: the next run in this slot then needs no fresh memory.
        run.ids.clear();
        run.shapes.clear();
        run.faces.clear();
        run.problems.clear();
        run.problemEnds.clear();
    }

    BoxFeed& feed_;
    const ProblemSink& sink_;
    // Until the number of boxes is known, their problems wait behind the count's.
    bool holding_ = false;
    std::vector<Problem> held_;
    const ProblemSink route_ = [this](const Problem& problem) {
        if (holding_) {
            held_.push_back(problem);
        } else {
            sink_(problem);
        }
    };
    ProblemReporter reporter_;
    TextChecks texts_;
    std::optional<PlayLimits> playLimits_;
    std::optional<PlayChecks> play_;
    ShapeSet shapes_;
    std::mutex appendMutex_;
    std::condition_variable appended_;
    std::size_t nextToAppend_ = 0;
    bool appendAbandoned_ = false;
    std::size_t boxesChecked_ = 0;
    std::size_t idRoomAwaited_ = 0;
    std::size_t idRoomAhead_ = 0;
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
    DocumentFeed feed(document, countToken);
    DocumentChecks checks(feed, collect, play);
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
    DocumentFeed feed(document, countToken);
    DocumentChecks checks(feed, sink, play);
    checks.checkEveryBox();
    return checks.finish();
}

FedReport inspectFedBoxes(BoxFeed& feed, const ProblemSink& sink,
                          const std::optional<PlayLimits>& play) {
    DocumentChecks checks(feed, sink, play);
    checks.checkEveryBox();
    FedReport report;
    report.intersections = checks.finish();
    report.boxCount = checks.boxCount();
    return report;
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
