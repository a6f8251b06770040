#include "geometrytestsupport.h"
#include "problems.h"
#include "problemtestsupport.h"
#include "scene.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <thread>
#include <tuple>

namespace {

// What a test expects of a problem; its message is checked apart.
struct Found {
    std::string kind;
    std::optional<std::size_t> rank = std::nullopt;
    std::optional<int> plane = std::nullopt;
    std::optional<std::string> intersection = std::nullopt;

    bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Found& found) {
    out << found.kind;
    if (found.rank) {
        out << " box " << *found.rank;
    }
    if (found.plane) {
        out << " plan " << *found.plane;
    }
    if (found.intersection) {
        out << " intersection " << *found.intersection;
    }
    return out;
}

struct Scene {
    std::vector<BoxTexts> boxes;
    std::vector<std::string> intersections;
    std::optional<std::string> countToken;
};

Scene workedExample() {
    return {{cubeBox(), stretchedBox()}, {"0 1"}, std::nullopt};
}

std::vector<Problem> problemsOf(const Scene& scene) {
    BoxDocument document;
    loadScene(document, scene.boxes, scene.intersections);
    const std::optional<std::string_view> token =
        scene.countToken ? std::optional<std::string_view>(*scene.countToken) : std::nullopt;
    std::vector<Problem> problems = checkDocument(document, buildSolids(document), token);
    // Both ways of checking must find the same.
    const DocumentReport report = inspectDocument(document, token);
    EXPECT_EQ(report.problems.size(), problems.size());
    for (std::size_t i = 0; i < std::min(problems.size(), report.problems.size()); ++i) {
        EXPECT_EQ(report.problems[i].message, problems[i].message);
    }
    return problems;
}

std::vector<Found> found(const std::vector<Problem>& problems) {
    std::vector<Found> result;
    for (const Problem& problem : problems) {
        result.push_back({std::string(kindIdentifier(problem.kind)), problem.rank, problem.plane,
                          problem.intersection});
    }
    return result;
}

void setPlane(BoxTexts& texts, std::size_t plane, const std::string& a, const std::string& b,
              const std::string& c, const std::string& d) {
    texts[boxslot::plane(plane * 4)] = a;
    texts[boxslot::plane(plane * 4 + 1)] = b;
    texts[boxslot::plane(plane * 4 + 2)] = c;
    texts[boxslot::plane(plane * 4 + 3)] = d;
}

struct KindCase {
    const char* name;
    std::function<void(Scene&)> change;
    std::vector<Found> expected;
};

TEST(Checks, TheWorkedExampleHasNoProblem) {
    EXPECT_TRUE(problemsOf(workedExample()).empty());
    BoxDocument document;
    document.readText(workedExampleBytes);
    EXPECT_EQ(inspectDocument(document).intersections.pairs, (std::vector<RankPair>{{0, 1}}));
}

TEST(Checks, BoxesTurnedFortyFiveDegreesPassTheUnitCheck) {
    Scene scene = workedExample();
    scene.boxes.push_back(turnedBox("3", {10, 0, 0}, {1, 1, 1}, 45, "2"));
    scene.boxes.push_back(turnedBox("4", {20, 0, 0}, {1, 2, 1}, 135, "3"));
    ASSERT_EQ(scene.boxes[2][5], "2d41");
    EXPECT_TRUE(problemsOf(scene).empty());
}

// Each case spoils the worked example in one way and must give exactly the problems listed.
TEST(Checks, EachFaultGivesItsKindAndOnlyTheExpectedOnes) {
    const std::vector<KindCase> cases = {
        {"count token", [](Scene& s) { s.countToken = "3"; }, {{"count-mismatch"}}},
        {"short centre", [](Scene& s) { s.boxes[0][2] = "0000000"; }, {{"text-format", 0}}},
        {"long coefficient, letter in d",
         [](Scene& s) {
             s.boxes[0][5] = "04000";
             s.boxes[1][8] = "0000400g";
         },
         {{"text-format", 0, 0}, {"text-format", 1, 0}}},
        {"radius not digits", [](Scene& s) { s.boxes[1][1] = "2.5"; }, {{"text-format", 1}}},
        {"empty texts",
         [](Scene& s) {
             s.boxes[1][1] = "";
             s.boxes[1][3] = "";
         },
         {{"text-format", 1}, {"text-format", 1}}},
        {"ID not digits", [](Scene& s) { s.boxes[1][0] = "2a"; }, {{"id-invalid", 1}}},
        {"empty ID", [](Scene& s) { s.boxes[0][0] = ""; }, {{"id-invalid", 0}}},
        {"ID twice", [](Scene& s) { s.boxes[1][0] = "1"; }, {{"id-duplicate", 1}}},
        {"short normal",
         [](Scene& s) { setPlane(s.boxes[0], 2, "0000", "0000", "3eb5", "00004000"); },
         {{"normal-not-unit", 0, 2}}},
        {"zero normal",
         [](Scene& s) { setPlane(s.boxes[0], 3, "0000", "0000", "0000", "00004000"); },
         {{"normal-not-unit", 0, 3}}},
        {"empty solid", [](Scene& s) { s.boxes[0][8] = hex8(-2); }, {{"solid-empty", 0}}},
        {"unbounded solid",
         [](Scene& s) { setPlane(s.boxes[1], 0, "c000", "0000", "0000", "00004000"); },
         {{"solid-unbounded", 1}, {"planes-not-opposite", 1}}},
        {"flat solid", [](Scene& s) { s.boxes[0][28] = hex8(-1); }, {{"solid-flat", 0}}},
        {"turned plane",
         [](Scene& s) {
             const double r = 2 * 3.14159265358979323846 / 180;
             setPlane(s.boxes[1], 2, "0000", hex4(std::sin(r)), hex4(std::cos(r)), "00008000");
         },
         {{"planes-not-opposite", 1}}},
        {"centre outside",
         [](Scene& s) {
             s.boxes[0][2] = hex8(5);
             s.boxes[0][1] = "9";
         },
         {{"centre-outside", 0, 0}}},
        {"small radius", [](Scene& s) { s.boxes[0][1] = "1"; }, {{"radius-too-small", 0}}},
        {"malformed pairs",
         [](Scene& s) { s.intersections = {"0 1", "0 x", "0", "0 1 1", "0  1", " 1"}; },
         {{"intersection-malformed", {}, {}, "0 x"},
          {"intersection-malformed", {}, {}, "0"},
          {"intersection-malformed", {}, {}, "0 1 1"},
          {"intersection-malformed", {}, {}, "0  1"},
          {"intersection-malformed", {}, {}, " 1"}}},
        {"ranks out of range",
         [](Scene& s) {
             s.intersections = {"0 1", "0 2", "-3 1", "1 99999999999999999999"};
         },
         {{"intersection-out-of-range", {}, {}, "0 2"},
          {"intersection-out-of-range", {}, {}, "-3 1"},
          {"intersection-out-of-range", {}, {}, "1 99999999999999999999"}}},
        {"a box with itself",
         [](Scene& s) {
             s.intersections = {"0 1", "1 1"};
         },
         {{"intersection-self", {}, {}, "1 1"}}},
        {"a pair twice",
         [](Scene& s) {
             s.intersections = {"0 1", "1 0", "0 01"};
         },
         {{"intersection-duplicate", {}, {}, "1 0"}, {"intersection-duplicate", {}, {}, "0 01"}}},
        {"boxes apart",
         [](Scene& s) {
             s.boxes.push_back(axisBox("3", {10, 0, 0}, {11, 1, 1}, "1"));
             s.intersections = {"0 1", "0 2"};
         },
         {{"intersection-apart", {}, {}, "0 2"}}},
        {"pair not listed",
         [](Scene& s) { s.intersections.clear(); },
         {{"intersection-missing", {}, {}, "0 1"}}},
        {"a box that cannot be built takes no part in the intersections",
         [](Scene& s) {
             s.boxes[0][8] = hex8(-2);
             s.intersections.clear();
         },
         {{"solid-empty", 0}}},
    };
    for (const KindCase& c : cases) {
        Scene scene = workedExample();
        c.change(scene);
        EXPECT_EQ(found(problemsOf(scene)), c.expected) << c.name;
    }
}

TEST(Checks, ProblemsCarryTheirBoxSeverityAndFrenchMessage) {
    Scene scene = workedExample();
    setPlane(scene.boxes[0], 2, "0000", "0000", "3eb5", "00004000");
    scene.boxes[1][1] = "2";
    scene.intersections = {"0 1", "1 0"};
    const std::vector<Problem> problems = problemsOf(scene);
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0].severity(), Severity::Error);
    EXPECT_EQ(problems[0].id, "1");
    EXPECT_EQ(problems[0].message, "plan 2 : a² + b² + c² = 0,96 au lieu de 1");
    EXPECT_EQ(problems[1].kind, ProblemKind::RadiusTooSmall);
    EXPECT_EQ(problems[1].severity(), Severity::Warning);
    EXPECT_EQ(problems[1].rank, 1u);
    EXPECT_EQ(problems[1].id, "2");
    EXPECT_EQ(problems[1].message,
              "rayon maximal « 2 » inférieur à 2,4495, distance du centre au sommet le plus "
              "éloigné");
    EXPECT_EQ(problems[2].severity(), Severity::Warning);
    EXPECT_FALSE(problems[2].rank);
    EXPECT_EQ(problems[2].message,
              "intersection « 1 0 » : même paire que l'intersection « 0 1 », déjà listée");
}

// Pairs listed again, interleaved with each other and with faulty entries: each repeat names
// the first listing of its own pair, as the file wrote it.
TEST(Checks, EachRepeatNamesTheFirstListingOfItsPair) {
    Scene scene = workedExample();
    scene.boxes.push_back(axisBox("3", {1, -1, -1}, {2, 1, 1}, "2"));
    scene.intersections = {"1 2", "0 1", "2 1", "x", "1 0", "01 2", "0 1", "1 1", "0 2"};
    std::vector<std::pair<std::string, std::string>> repeats;
    for (const Problem& problem : problemsOf(scene)) {
        if (problem.kind == ProblemKind::IntersectionDuplicate) {
            repeats.emplace_back(*problem.intersection, problem.message);
        }
    }
    const auto named = [](const std::string& text, const std::string& first) {
        return std::pair<std::string, std::string>{
            text, "intersection « " + text + " » : même paire que l'intersection « " + first +
                      " », déjà listée"};
    };
    EXPECT_EQ(repeats, (std::vector<std::pair<std::string, std::string>>{
                           named("2 1", "1 2"), named("1 0", "0 1"), named("01 2", "1 2"),
                           named("0 1", "0 1")}));
}

// A box listed with many others, in no order and each pair again in another form, beside a pair
// listed both ways: every repeat names its own first listing, and only the pairs left out of the
// list are missing.
TEST(Checks, RepeatsAmongManyPairsOfOneBoxNameTheirFirstListing) {
    constexpr int CUBES = 60;
    Scene scene;
    scene.boxes.push_back(axisBox("1", {0, 0, 0}, {3.0 * CUBES + 3, 1, 1}, "200"));
    for (int k = 1; k <= CUBES; ++k) {
        const double x = 3.0 * k;
        scene.boxes.push_back(axisBox(std::to_string(k + 1), {x, 0, 1}, {x + 1, 1, 2}, "2"));
    }
    scene.boxes.push_back(axisBox("100", {0, 5, 0}, {1, 6, 1}, "2"));
    scene.boxes.push_back(axisBox("101", {1, 5, 0}, {2, 6, 1}, "2"));
    const std::set<int> left = {7, 13};
    std::map<int, std::string> firstText;
    std::vector<Found> expected;
    std::vector<std::string> messages;
    for (const int round : {0, 1}) {
        for (int i = 0; i < CUBES; ++i) {
            const int k = (round == 0 ? i * 37 : i * 23 + 5) % CUBES + 1;
            if (left.count(k) != 0) {
                continue;
            }
            const std::string text = (k + round) % 3 == 0 ? std::to_string(k) + " 0"
                                     : round == 0         ? "0 " + std::to_string(k)
                                                          : "00 " + std::to_string(k);
            scene.intersections.push_back(text);
            if (round == 0) {
                firstText[k] = text;
            } else {
                expected.push_back({"intersection-duplicate", {}, {}, text});
                messages.push_back("intersection « " + text +
                                   " » : même paire que l'intersection « " + firstText[k] +
                                   " », déjà listée");
            }
        }
        if (round == 0) {
            scene.intersections.push_back("62 61");
        }
    }
    scene.intersections.push_back("61 62");
    expected.push_back({"intersection-duplicate", {}, {}, "61 62"});
    messages.push_back(
        "intersection « 61 62 » : même paire que l'intersection « 62 61 », déjà listée");
    for (const int k : left) {
        expected.push_back({"intersection-missing", {}, {}, "0 " + std::to_string(k)});
    }
    const std::vector<Problem> problems = problemsOf(scene);
    EXPECT_EQ(found(problems), expected);
    for (std::size_t i = 0; i < std::min(messages.size(), problems.size()); ++i) {
        EXPECT_EQ(problems[i].message, messages[i]);
    }
}

// When a heap of boxes stops the search, the missing pairs cannot be told: the report says so
// with an error instead of listing some of them.
TEST(Checks, AHeapOfBoxesIsAnErrorAndNoPairIsCalledMissing) {
    Scene scene;
    for (int i = 0; i < 1000; ++i) {
        scene.boxes.push_back(axisBox(std::to_string(i + 1), {0, 0, 0}, {1, 1, 1}, "1"));
    }
    EXPECT_EQ(found(problemsOf(scene)), (std::vector<Found>{{"intersections-incomplete"}}));
}

// Many IDs seen several times each, far apart in the file, and listed pairs of which only some
// were computed: each repeat names the first box of its ID, and only the listed pair whose solids
// are apart is reported.
TEST(Checks, RepeatedIdsNameTheirFirstBoxAndListedPairsAreTestedOnce) {
    Scene scene;
    constexpr int DISTINCT_IDS = 50;
    constexpr int ROW = 200;
    std::vector<Found> expected;
    for (int i = 0; i < ROW; ++i) {
        const double x = 2.0 * i;
        scene.boxes.push_back(
            axisBox(std::to_string(i % DISTINCT_IDS + 1), {x, 0, 0}, {x + 1, 1, 1}, "1"));
        if (i >= DISTINCT_IDS) {
            expected.push_back({"id-duplicate", static_cast<std::size_t>(i)});
        }
    }
    scene.boxes.push_back(axisBox("1000", {0, 0, 0}, {1, 1, 2}, "2"));
    scene.intersections = {"3 4", "0 200", "7 9"};
    expected.push_back({"intersection-apart", std::nullopt, std::nullopt, "3 4"});
    expected.push_back({"intersection-apart", std::nullopt, std::nullopt, "7 9"});
    const std::vector<Problem> problems = problemsOf(scene);
    EXPECT_EQ(found(problems), expected);
    ASSERT_FALSE(problems.empty());
    EXPECT_EQ(problems[ROW - DISTINCT_IDS - 1].message, "l'ID « 50 » est déjà celui de la box 49");
}

TEST(Checks, ALongTokenIsCutShortInMessages) {
    Scene scene = workedExample();
    scene.boxes[0][0] = std::string(100000, 'x');
    const std::vector<Problem> problems = problemsOf(scene);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_LT(problems[0].message.size(), 100u);
}

} // namespace

namespace {

// Boxes two units wide in rows that touch along X, with a fault of each kind every few dozen
// boxes, from the first run of boxes the threads share to the last.
Scene faultyRows(int count) {
    Scene scene;
    for (int i = 0; i < count; ++i) {
        const Vec3 low{2.0 * (i % 40), 3.0 * (i / 40 % 40), 3.0 * (i / 1600)};
        const Vec3 high = low + Vec3{2, 1, 1};
        const std::string id = i % 101 == 0  ? "x" + std::to_string(i)
                               : i % 89 == 0 ? std::to_string(i / 3 + 1)
                                             : std::to_string(i + 1);
        BoxTexts texts = axisBox(id, low, high, i % 79 == 0 ? "0" : "3");
        if (i % 97 == 0) {
            texts[8] = "zz";
        }
        if (i % 83 == 0) {
            texts[5 + 10] = "3eb5";
        }
        if (i % 71 == 0) {
            texts[5 + 23] = hex8(-high.x);
        }
        scene.boxes.push_back(texts);
        if (i % 40 != 39 && i % 3 == 0) {
            scene.intersections.push_back(std::to_string(i) + " " + std::to_string(i + 1));
        }
    }
    scene.intersections.insert(scene.intersections.end(),
                               {"0 5000", "a b", "0 999999", "3 3", "0 1", "-1 2", "4 1000"});
    return scene;
}

} // namespace

// Large documents are checked by several threads: what reaches the sink, and in which order, is
// what one thread checking box after box finds, and it reaches it on the calling thread.
TEST(Checks, ThreadsReportWhatOneThreadFindsInTheSameOrder) {
    BoxDocument document;
    const Scene scene = faultyRows(9000);
    loadScene(document, scene.boxes, scene.intersections);
    const std::vector<Problem> expected = checkDocument(document, buildSolids(document));
    std::vector<std::string> reported;
    bool elsewhere = false;
    const std::thread::id caller = std::this_thread::get_id();
    const IntersectionSearch search =
        inspectDocument(document, std::nullopt, [&](const Problem& p) {
            elsewhere = elsewhere || std::this_thread::get_id() != caller;
            reported.push_back(describe(p));
        });
    std::vector<std::string> expectedTexts;
    std::set<std::string> kinds;
    for (const Problem& problem : expected) {
        expectedTexts.push_back(describe(problem));
        kinds.insert(std::string(kindIdentifier(problem.kind)));
    }
    EXPECT_FALSE(elsewhere);
    EXPECT_EQ(reported, expectedTexts);
    EXPECT_EQ(kinds, (std::set<std::string>{
                         "text-format", "id-invalid", "id-duplicate", "normal-not-unit",
                         "solid-empty", "solid-flat", "radius-too-small", "intersection-apart",
                         "intersection-malformed", "intersection-out-of-range", "intersection-self",
                         "intersection-duplicate", "intersection-missing", "micro-step"}));
    EXPECT_EQ(search.pairs, computeIntersections(buildSolids(document)));
}

namespace {

// The checker reads a listed pair as the renumbering does: what it calls malformed is exactly
// what names no box, and a pair in another form is the same pair as its plain text.
TEST(Checks, AListedPairIsReadAsTheRenumberingReadsIt) {
    struct Case {
        std::string text;
        std::vector<Found> expected;
    };
    const std::vector<Case> cases = {
        {"+0 1", {}},
        {"00 01", {}},
        {"-0 1", {}},
        {" 0  1",
         {{"intersection-malformed", {}, {}, " 0  1"}, {"intersection-missing", {}, {}, "0 1"}}},
        {"0 1 junk",
         {{"intersection-malformed", {}, {}, "0 1 junk"}, {"intersection-missing", {}, {}, "0 1"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Scene scene = workedExample();
        scene.intersections = {c.text};
        EXPECT_EQ(found(problemsOf(scene)), c.expected);
    }
}

} // namespace
