// The checks kept up to date edit by edit against a whole check of the document after each edit:
// random scenes of boxes that touch, nearly touch and stand apart, with repeated IDs, bad texts
// and every kind of listed line, through random edits of the edit layer, undone and redone.
#include "boxedits.h"
#include "editgroup.h"
#include "geometrytestsupport.h"
#include "history.h"
#include "intersectionchecks.h"
#include "intersectionedits.h"
#include "livechecks.h"
#include "problems.h"
#include "scene.h"
#include "shapeedits.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

// Failures name the problems, not their bytes.
void PrintTo(const Problem& problem, std::ostream* out) {
    *out << kindIdentifier(problem.kind) << " box " << problem.rank.value_or(SIZE_MAX) << ": "
         << problem.message;
}

namespace {

// The boxes the document's lines pair with the box of the rank, each line read on its own, in
// increasing order.
std::vector<std::size_t> listedPartners(const BoxDocument& document, std::size_t rank) {
    std::vector<std::size_t> partners;
    for (const auto& entry : document.intersections) {
        const std::optional<std::uint64_t> key =
            listedPairKey(std::string_view(entry), document.boxes.size(), nullptr);
        if (!key) {
            continue;
        }
        const auto low = static_cast<std::size_t>(*key >> 32);
        const auto high = static_cast<std::size_t>(*key & 0xffffffffu);
        if (low == rank) {
            partners.push_back(high);
        } else if (high == rank) {
            partners.push_back(low);
        }
    }
    std::sort(partners.begin(), partners.end());
    return partners;
}

std::vector<std::size_t> sorted(std::vector<std::size_t> values) {
    std::sort(values.begin(), values.end());
    return values;
}

// The rows as a list told of each change would hold them.
class MirroredRows : public ProblemRowsListener {
public:
    explicit MirroredRows(const LiveChecks& live) : live_(live), rows_(live.problems()) {}

    void rowsAboutToBeRemoved(std::size_t first, std::size_t count) override {
        ASSERT_LE(first + count, rows_.size());
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(first),
                    rows_.begin() + static_cast<std::ptrdiff_t>(first + count));
    }
    void rowsRemoved() override { EXPECT_EQ(rows_.size(), live_.problems().size()); }
    void rowsAboutToBeInserted(std::size_t first, std::size_t count) override {
        inserting_ = {first, count};
    }
    void rowsInserted() override {
        const auto [first, count] = inserting_;
        ASSERT_EQ(rows_.size() + count, live_.problems().size());
        const auto from = live_.problems().begin() + static_cast<std::ptrdiff_t>(first);
        rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(first), from,
                     from + static_cast<std::ptrdiff_t>(count));
    }
    void rowsChanged(std::size_t first, std::size_t count) override {
        ASSERT_EQ(rows_.size(), live_.problems().size());
        ASSERT_LE(first + count, rows_.size());
        for (std::size_t row = first; row < first + count; ++row) {
            rows_[row] = live_.problems()[row];
        }
        changed_ += count;
    }

    const std::vector<Problem>& rows() const { return rows_; }
    std::size_t changedRows() const { return changed_; }

private:
    const LiveChecks& live_;
    std::vector<Problem> rows_;
    std::pair<std::size_t, std::size_t> inserting_;
    std::size_t changed_ = 0;
};

std::vector<Problem> wholeCheck(const BoxDocument& document) {
    return checkDocument(document, buildSolids(document));
}

// Scenes on a coarse grid, so that boxes touch, overlap, leave seams and small steps.
class RandomScenes {
public:
    explicit RandomScenes(unsigned seed) : random_(seed) {}

    void fill(BoxDocument& document) {
        const std::size_t boxes = 2 + pick(10);
        for (std::size_t i = 0; i < boxes; ++i) {
            addBox(document, box(id()));
        }
        document.setCountText(pick(6) == 0 ? "0" + std::to_string(boxes) : std::to_string(boxes));
        for (std::size_t i = 0, lines = pick(20); i < lines; ++i) {
            document.intersections.append(line(boxes));
        }
    }

    // A scene large enough to be checked on several threads: cells of a few boxes as fill makes
    // them, apart from each other, with IDs repeating across the scene, the pairs of each cell
    // listed now and then, and lines of every kind.
    void fillLarge(BoxDocument& document, std::size_t cells) {
        std::vector<std::string> lines;
        for (std::size_t cell = 0; cell < cells; ++cell) {
            const Vec3 origin{double(cell % 64) * 8, double(cell / 64) * 8, 0};
            const std::size_t first = document.boxes.size();
            for (std::size_t i = 0, boxes = 2 + pick(4); i < boxes; ++i) {
                addBox(document, box(id(), origin));
                if (i > 0 && pick(3) != 0) {
                    lines.push_back(std::to_string(first + i - 1) + " " +
                                    std::to_string(first + i));
                }
            }
        }
        for (std::size_t i = 0; i < cells / 8; ++i) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(pick(lines.size())),
                         line(document.boxes.size()));
        }
        for (const std::string& text : lines) {
            document.intersections.append(text);
        }
        document.setCountText(std::to_string(document.boxes.size()));
    }

    std::unique_ptr<Edit> edit(const BoxDocument& document) {
        const std::size_t boxes = document.boxes.size();
        const std::size_t lines = document.intersections.size();
        switch (pick(11)) {
        case 0:
        case 1:
            if (boxes == 0) {
                return nullptr;
            } else {
                const std::size_t rank = pick(boxes);
                const std::string kept(document.boxes.at(rank).id.view());
                return std::make_unique<ReplaceBoxTexts>(rank, box(pick(3) == 0 ? id() : kept));
            }
        case 2:
            return std::make_unique<AppendBox>(box(id()), AppendBox::Command::Add);
        case 3:
        case 4:
            return boxes == 0 ? nullptr : std::make_unique<DeleteBox>(document, pick(boxes));
        case 5:
            return AppendIntersections::added(line(boxes));
        case 6:
            return lines == 0 ? nullptr : RemoveIntersections::removed(document, pick(lines));
        case 7:
            return boxes == 0 ? nullptr
                              : std::make_unique<SetPlaneTexts>(
                                    document, pick(boxes), pick(6),
                                    std::array<std::string, 4>{"4000", "0000", "0000",
                                                               hex8(0.5 * double(pick(8)))});
        case 8:
            return boxes == 0 ? nullptr
                              : std::make_unique<ReshapeBox>(document, pick(boxes),
                                                             ShapeChange::Move, box("unused"));
        case 9: {
            std::vector<std::string> pairs;
            for (std::size_t i = 0, count = 1 + pick(4); i < count; ++i) {
                pairs.push_back(line(boxes));
            }
            return AppendIntersections::missing(pairs);
        }
        default: {
            std::vector<std::size_t> positions;
            for (std::size_t line = 0; line < lines; ++line) {
                if (pick(3) == 0) {
                    positions.push_back(line);
                }
            }
            if (positions.empty() || boxes == 0) {
                return nullptr;
            }
            std::vector<std::unique_ptr<Edit>> edits;
            edits.push_back(RemoveIntersections::invalid(positions));
            edits.push_back(std::make_unique<ReplaceBoxTexts>(
                0, box(std::string(document.boxes.at(0).id.view()))));
            return std::make_unique<EditGroup>("Retirer puis valider", std::move(edits));
        }
        }
    }

    std::size_t pick(std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
    }

private:
    std::string oneOf(const std::vector<std::string>& choices) {
        return choices[pick(choices.size())];
    }

    // Few IDs, so that they repeat; now and then one that is no ID.
    std::string id() { return oneOf({"1", "2", "3", "4", "5", "6", "07", "", "x9"}); }

    BoxTexts box(const std::string& id, const Vec3& origin = {}) {
        // A cube of side one on a grid of one, moved by a seam's width, a small step, or half.
        const std::vector<double> shifts = {0, 0, 0, 1.0 / 32, 1.0 / 16 + 1.0 / 64, 0.5};
        const Vec3 low = origin + Vec3{double(pick(3)) + shifts[pick(shifts.size())],
                                       double(pick(2)), pick(4) == 0 ? 1.0 / 16 : 0.0};
        BoxTexts texts;
        if (pick(5) == 0) {
            texts = turnedBox(id, low + Vec3{0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, 30);
        } else {
            const Vec3 size{1, 1, pick(6) == 0 ? 1.0 / 64 : 1.0};
            texts = axisBox(id, low, low + size, pick(8) == 0 ? "1" : "1000");
        }
        if (pick(12) == 0) {
            texts[boxslot::plane(pick(24))] = oneOf({"+0", "zz", "", "0000"});
        }
        return texts;
    }

    std::string line(std::size_t boxes) {
        const std::string a = std::to_string(pick(boxes + 2));
        const std::string b = std::to_string(pick(boxes + 2));
        switch (pick(9)) {
        case 0:
            return oneOf({"+", "0"}) + a + " " + b;
        case 1:
            return oneOf({" 0  1", "0 1 junk", "1", "-1 0", "2 2", "x y"});
        default:
            return a + " " + b;
        }
    }

    std::mt19937 random_;
};

TEST(LiveChecksProperty, EveryEditUndoAndRedoLeavesWhatAWholeCheckFinds) {
    for (unsigned seed = 1; seed <= 400; ++seed) {
        SCOPED_TRACE(seed);
        RandomScenes scenes(seed);
        BoxDocument document;
        scenes.fill(document);
        LiveChecks live;
        live.rebuild(document);
        ASSERT_EQ(live.problems(), wholeCheck(document));
        MirroredRows mirror(live);
        live.setListener(&mirror);
        History history(document);
        for (int step = 0; step < 30; ++step) {
            SCOPED_TRACE(step);
            std::optional<DocumentChange> change;
            const std::size_t choice = scenes.pick(6);
            if (choice == 0) {
                change = history.undo();
            } else if (choice == 1) {
                change = history.redo();
            } else if (std::unique_ptr<Edit> edit = scenes.edit(document)) {
                change = history.apply(std::move(edit));
            }
            if (!change) {
                continue;
            }
            live.update(document, *change);
            ASSERT_EQ(live.problems(), wholeCheck(document));
            ASSERT_EQ(mirror.rows(), live.problems());
            for (std::size_t rank = 0; rank < document.boxes.size(); ++rank) {
                ASSERT_EQ(sorted(live.partnersOf(rank)), listedPartners(document, rank)) << rank;
            }
        }
    }
}

TEST(LiveChecksProperty, AnEditOfOneBoxLeavesTheRowsOfTheOthersUntouched) {
    // Two pairs far apart, each listed once, one of them twice: moving a box of the first pair
    // away changes the rows of the first pair alone.
    BoxDocument document;
    loadScene(document,
              {axisBox("1", {0, 0, 0}, {1, 1, 1}), axisBox("2", {1, 0, 0}, {2, 1, 1}),
               axisBox("3", {50, 0, 0}, {51, 1, 1}), axisBox("4", {51, 0, 0}, {52, 1, 1})},
              {"0 1", "2 3", "3 2"});
    LiveChecks live;
    live.rebuild(document);
    ASSERT_EQ(live.problems().size(), 1u);
    const Problem repeated = live.problems().front();
    EXPECT_EQ(repeated.kind, ProblemKind::IntersectionDuplicate);
    MirroredRows mirror(live);
    live.setListener(&mirror);
    History history(document);
    const DocumentChange change =
        history.apply(std::make_unique<ReplaceBoxTexts>(1, axisBox("2", {5, 0, 0}, {6, 1, 1})));
    live.update(document, change);
    ASSERT_EQ(live.problems(), wholeCheck(document));
    ASSERT_EQ(live.problems().size(), 2u);
    EXPECT_EQ(live.problems()[0].kind, ProblemKind::IntersectionApart);
    EXPECT_EQ(live.problems()[1], repeated);
    EXPECT_EQ(mirror.changedRows(), 0u);
    EXPECT_EQ(mirror.rows(), live.problems());
}

TEST(LiveChecksProperty, DeletingABoxRenumbersTheRowsAfterIt) {
    // A box whose ID repeats the first, and a pair left off the list: deleting the box before
    // them moves both down one rank, in their messages too.
    BoxDocument document;
    loadScene(document,
              {axisBox("1", {-9, 0, 0}, {-8, 1, 1}), axisBox("5", {0, 0, 0}, {1, 1, 1}),
               axisBox("5", {1, 0, 0}, {2, 1, 1})},
              {});
    LiveChecks live;
    live.rebuild(document);
    History history(document);
    live.update(document, history.apply(std::make_unique<DeleteBox>(document, 0)));
    const std::vector<Problem> problems = live.problems();
    ASSERT_EQ(problems, wholeCheck(document));
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].message, "l'ID « 5 » est déjà celui de la box 0");
    EXPECT_EQ(problems[0].rank, 1u);
    EXPECT_EQ(problems[1].intersection, "0 1");
    live.update(document, *history.undo());
    EXPECT_EQ(live.problems(), wholeCheck(document));
    EXPECT_EQ(live.problems()[0].message, "l'ID « 5 » est déjà celui de la box 1");
}

// Above a few thousand boxes the whole check shares the boxes between threads: what it finds
// must not depend on that, nor on where the runs of boxes begin and end.
TEST(LiveChecksWhole, OnSeveralThreadsFindsWhatAWholeCheckFinds) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        SCOPED_TRACE(seed);
        RandomScenes scenes(seed);
        BoxDocument document;
        scenes.fillLarge(document, 1600);
        ASSERT_GT(document.boxes.size(), 4096u);
        LiveChecks live;
        ASSERT_TRUE(live.rebuild(document));
        ASSERT_EQ(live.problems(), wholeCheck(document));
        EXPECT_EQ(live.intersections(), computeIntersections(buildSolids(document)));
        // And it follows edits from there as from a check on one thread.
        History history(document);
        for (int step = 0; step < 10; ++step) {
            if (std::unique_ptr<Edit> edit = scenes.edit(document)) {
                live.update(document, history.apply(std::move(edit)));
            }
        }
        ASSERT_EQ(live.problems(), wholeCheck(document));
    }
}

// Thousands of lines removed in one edit, scattered and in a long run, across a list of more
// than nine thousand, and given back by undo.
TEST(LiveChecksProperty, ManyLinesRemovedAtOnceAcrossALongList) {
    RandomScenes scenes(21);
    BoxDocument document;
    scenes.fillLarge(document, 5500);
    ASSERT_GT(document.intersections.size(), 9000u);
    LiveChecks live;
    live.rebuild(document);
    History history(document);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::size_t> positions;
        for (std::size_t line = 0; line < document.intersections.size(); ++line) {
            const bool inRun = round == 1 && line >= 1000 && line < 6000;
            if (inRun || scenes.pick(round == 0 ? 7 : 400) == 0) {
                positions.push_back(line);
            }
        }
        live.update(document, history.apply(RemoveIntersections::invalid(positions)));
        ASSERT_EQ(live.problems(), wholeCheck(document));
        if (round < 2) {
            live.update(document, *history.undo());
            ASSERT_EQ(live.problems(), wholeCheck(document));
        }
    }
}

TEST(LiveChecksWhole, TellsHowFarItHasGoneAndStopsWhenAsked) {
    RandomScenes scenes(11);
    BoxDocument document;
    scenes.fillLarge(document, 1600);
    const std::vector<Problem> expected = wholeCheck(document);

    std::vector<std::pair<std::uint64_t, std::uint64_t>> told;
    LiveChecks::RebuildWatch watch;
    watch.progress = [&](std::uint64_t done, std::uint64_t total) {
        told.emplace_back(done, total);
        return told.size() < 2;
    };
    LiveChecks live;
    EXPECT_FALSE(live.rebuild(document, watch));
    EXPECT_EQ(told.size(), 2u);
    EXPECT_LT(told.back().first, told.back().second);

    told.clear();
    watch.progress = [&](std::uint64_t done, std::uint64_t total) {
        told.emplace_back(done, total);
        return true;
    };
    ASSERT_TRUE(live.rebuild(document, watch));
    EXPECT_EQ(live.problems(), expected);
    // Several steps, never going back, the last one the whole.
    ASSERT_GT(told.size(), 3u);
    for (std::size_t step = 1; step < told.size(); ++step) {
        EXPECT_GE(told[step].first, told[step - 1].first);
        EXPECT_EQ(told[step].second, told.front().second);
    }
    EXPECT_EQ(told.back().first, told.back().second);
}

// Once the document is read the check no longer looks at it, so that it may change meanwhile.
TEST(LiveChecksWhole, LeavesTheDocumentOnceRead) {
    RandomScenes scenes(5);
    BoxDocument document;
    scenes.fillLarge(document, 1600);
    const std::vector<Problem> expected = wholeCheck(document);
    // The rows between boxes, made once the document may change, name the first box's ID.
    ASSERT_TRUE(std::any_of(expected.begin(), expected.end(), [](const Problem& problem) {
        return (problem.kind == ProblemKind::Seam || problem.kind == ProblemKind::MicroStep) &&
               problem.id && !problem.id->empty() && *problem.id != "1";
    }));
    int readTold = 0;
    LiveChecks::RebuildWatch watch;
    watch.documentRead = [&] {
        ++readTold;
        // Every box moved far away, a box less and a line more.
        for (std::size_t rank = 0; rank < document.boxes.size(); ++rank) {
            assignTexts(document.boxes.at(rank), axisBox("1", {-90, -90, -90}, {-89, -89, -89}));
        }
        document.removeBoxAt(0);
        document.intersections.append("0 1");
    };
    LiveChecks live;
    ASSERT_TRUE(live.rebuild(document, watch));
    EXPECT_EQ(readTold, 1);
    EXPECT_EQ(live.problems(), expected);
}

// Most lines are the plain text of their pair and most IDs the number of their rank from one,
// which the check writes again rather than keeps: the rows must still quote each as written,
// a line and the first of its pair side by side, though the document changed once read.
TEST(LiveChecksWhole, QuotesEachLineAndIdAsWritten) {
    const double seam = 1.0 / 32;
    BoxDocument document;
    // Pairs of boxes a seam apart, each pair's first box telling the seam under its ID.
    const std::vector<std::string> ids = {"1", "9", "3", "", "05", "x", "7", "8", "9", "10"};
    std::vector<BoxTexts> boxes;
    for (std::size_t rank = 0; rank < ids.size(); ++rank) {
        const double x = rank % 2 == 0 ? 0 : 1 + seam;
        const double y = double(rank / 2) * 2;
        boxes.push_back(axisBox(ids[rank], {x, y, 0}, {x + 1, y + 1, 1}));
    }
    loadScene(document, boxes,
              {"0 1", "1 0", "00 2", "+2 3", "2 3", "4 5", "4 5", "0 99", "", "x y", "0  1", "3 3",
               "8 9", "6 7"});
    const std::vector<Problem> expected = wholeCheck(document);
    std::set<std::string> quoted;
    std::set<std::string> named;
    for (const Problem& problem : expected) {
        if (problem.intersection) {
            quoted.insert(*problem.intersection);
        }
        if (problem.kind == ProblemKind::Seam && problem.id) {
            named.insert(*problem.id);
        }
    }
    for (const char* line : {"0 1", "1 0", "00 2", "+2 3", "2 3", "4 5", "0 99", "x y", "3 3"}) {
        EXPECT_TRUE(quoted.count(line)) << line;
    }
    EXPECT_EQ(named, (std::set<std::string>{"1", "3", "05", "7", "9"}));

    LiveChecks::RebuildWatch watch;
    watch.documentRead = [&] {
        for (std::size_t rank = 0; rank < document.boxes.size(); ++rank) {
            assignTexts(document.boxes.at(rank), axisBox("2", {-9, -9, -9}, {-8, -8, -8}));
        }
        document.intersections.clear();
    };
    LiveChecks live;
    ASSERT_TRUE(live.rebuild(document, watch));
    EXPECT_EQ(live.problems(), expected);
}

// Lists of a hundred thousand entries and more, whose walks after an edit move runs of them at
// once: rows of cubes touching end to end, their pairs listed but for every fifth row's last, a
// listed pair apart now and then, and IDs that repeat past the 100,000th box. Each edit leaves the
// pairs of a fresh search and the rows of a whole check.
TEST(LiveChecksProperty, FollowsEditsOfLongLists) {
    constexpr std::size_t rowLength = 16;
    constexpr std::size_t rows = 9000;
    BoxDocument document;
    std::vector<BoxTexts> boxes;
    std::vector<std::string> lines;
    for (std::size_t row = 0; row < rows; ++row) {
        const double y = double(row % 100) * 3;
        const double z = double(row / 100) * 3;
        for (std::size_t i = 0; i < rowLength; ++i) {
            const std::size_t rank = boxes.size();
            boxes.push_back(axisBox(std::to_string(rank % 100000 + 1), {double(i), y, z},
                                    {double(i + 1), y + 1, z + 1}));
            if (i > 0 && !(row % 5 == 0 && i == rowLength - 1)) {
                lines.push_back(std::to_string(rank - 1) + " " + std::to_string(rank));
            }
        }
        if (row % 7 == 0) {
            lines.push_back(std::to_string(boxes.size() - 1) + " " +
                            std::to_string(boxes.size() - rowLength));
        }
    }
    loadScene(document, boxes, lines);
    LiveChecks live;
    live.rebuild(document);
    ASSERT_GT(document.intersections.size(), 131072u);
    ASSERT_EQ(live.intersections().size(), rows * (rowLength - 1));
    ASSERT_GT(live.problems().size(), 40000u);
    History history(document);
    const auto expectWholeCheck = [&] {
        ASSERT_EQ(live.problems(), wholeCheck(document));
        ASSERT_EQ(live.intersections(), computeIntersections(buildSolids(document)));
        for (const std::size_t rank :
             {std::size_t{0}, std::size_t{70001}, document.boxes.size() - 1}) {
            ASSERT_EQ(sorted(live.partnersOf(rank)), listedPartners(document, rank)) << rank;
        }
    };
    live.update(document, history.apply(std::make_unique<DeleteBox>(document, 70000)));
    expectWholeCheck();
    live.update(document, *history.undo());
    expectWholeCheck();
    // Box 5 of the first row goes across the scene, beside a row of the last layer.
    live.update(document, history.apply(std::make_unique<ReplaceBoxTexts>(
                              5, axisBox("6", {rowLength, 0, 261}, {rowLength + 1, 1, 262}))));
    live.update(document, history.apply(std::make_unique<DeleteBox>(document, 0)));
    live.update(document, history.apply(std::make_unique<AppendBox>(
                              axisBox("x", {-1, 0, 0}, {0, 1, 1}), AppendBox::Command::Add)));
    expectWholeCheck();
}

} // namespace
