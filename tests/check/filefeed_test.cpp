#include "boxreader.h"
#include "filefeed.h"
#include "geometrytestsupport.h"
#include "problems.h"
#include "problemtestsupport.h"
#include "scene.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>
#include <vector>

// The checker reads a file and checks its boxes at once, keeping no document: what it finds, in
// which order, must be what the checks of the document read from the same bytes find.

namespace {

struct Checked {
    std::vector<std::string> problems;
    std::vector<RankPair> pairs;
    bool complete = true;
    std::size_t boxCount = 0;
};

Checked fromFeed(const std::string& bytes) {
    TextSource source(bytes);
    FileFeed feed(source);
    Checked checked;
    const FedReport report = inspectFedBoxes(
        feed, [&](const Problem& problem) { checked.problems.push_back(describe(problem)); });
    checked.pairs = report.intersections.pairs;
    checked.complete = report.intersections.complete;
    checked.boxCount = report.boxCount;
    return checked;
}

Checked fromDocument(const std::string& bytes) {
    TextSource countSource(bytes);
    const std::string countToken = readCountToken(countSource);
    BoxDocument document;
    document.readText(bytes);
    Checked checked;
    const DocumentReport report = inspectDocument(document, countToken);
    for (const Problem& problem : report.problems) {
        checked.problems.push_back(describe(problem));
    }
    checked.pairs = report.intersections.pairs;
    checked.complete = report.intersections.complete;
    checked.boxCount = document.boxes.size();
    // The solids kept whole, one thread, box after box: the same problems again.
    std::vector<std::string> kept;
    for (const Problem& problem : checkDocument(document, buildSolids(document), countToken)) {
        kept.push_back(describe(problem));
    }
    EXPECT_EQ(kept, checked.problems);
    return checked;
}

void expectSameChecks(const std::string& bytes) {
    const Checked expected = fromDocument(bytes);
    const Checked fed = fromFeed(bytes);
    EXPECT_EQ(fed.problems, expected.problems);
    EXPECT_EQ(fed.pairs, expected.pairs);
    EXPECT_EQ(fed.complete, expected.complete);
    EXPECT_EQ(fed.boxCount, expected.boxCount);
}

std::string fileOf(const std::vector<BoxTexts>& boxes, const std::vector<std::string>& lines,
                   const std::string& count) {
    BoxDocument document;
    loadScene(document, boxes, lines);
    document.countText = count;
    return document.writeText();
}

// Random boxes, turned or not, near each other, with IDs that repeat, bad texts, and listed
// lines of every kind: right, apart, repeated, malformed, out of range, a box with itself.
std::string randomFile(unsigned seed, int count) {
    std::mt19937 random(seed);
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    std::vector<BoxTexts> boxes;
    const double side = std::cbrt(static_cast<double>(count)) * 2;
    for (int i = 0; i < count; ++i) {
        const Vec3 centre{uniform(0, side), uniform(0, side), uniform(0, side)};
        const Vec3 half{uniform(0.2, 1.5), uniform(0.2, 1.5), uniform(0.01, 1.5)};
        const std::string id = pick(20) == 0   ? std::to_string(pick(count))
                               : pick(50) == 0 ? "i" + std::to_string(i)
                               : pick(60) == 0 ? std::string(12, 'x') + std::to_string(pick(8))
                                               : std::to_string(i + 1);
        BoxTexts texts = pick(3) == 0 ? turnedBox(id, centre, half, uniform(0, 90))
                                      : axisBox(id, centre - half, centre + half);
        if (pick(40) == 0) {
            texts[boxslot::plane(pick(24))] = pick(2) == 0 ? "zz" : "";
        }
        if (pick(40) == 0) {
            texts[boxslot::plane(pick(6) * 4 + 3)] = hex8(uniform(-side, side));
        }
        boxes.push_back(texts);
    }
    std::vector<std::string> lines;
    for (int i = 0; i < count * 2; ++i) {
        const int a = pick(count);
        const int b = pick(8) == 0 ? pick(count) : std::min(a + 1 + pick(4), count - 1);
        lines.push_back(std::to_string(a) + " " + std::to_string(b));
        if (pick(30) == 0) {
            lines.push_back(lines[static_cast<std::size_t>(pick(static_cast<int>(lines.size())))]);
        }
    }
    lines.insert(lines.begin() + pick(static_cast<int>(lines.size())),
                 {"a b", "0 " + std::to_string(count + 5), "7 7", "00 1", "1 +0"});
    return fileOf(boxes, lines, std::to_string(count));
}

} // namespace

TEST(FileFeed, RandomScenesGiveWhatTheDocumentsChecksGive) {
    for (const unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        expectSameChecks(randomFile(seed, 300));
    }
    // Runs of boxes shared by the threads, the last one cut short.
    expectSameChecks(randomFile(4, 9000));
}

TEST(FileFeed, HandmadeFilesGiveWhatTheDocumentsChecksGive) {
    const std::vector<BoxTexts> two = {cubeBox(), stretchedBox()};
    const std::string file = fileOf(two, {"0 1"}, "2");
    const std::vector<std::string> cases = {
        "",
        "   ",
        file,
        fileOf(two, {"0 1"}, "3"),
        fileOf(two, {"0 1"}, "deux"),
        fileOf(two, {"0 1"}, "-2"),
        fileOf(two, {"0 1"}, "1"),
        fileOf(two, {"0 1"}, "02"),
        fileOf(two, {"0 1", "1 0", "0 1"}, "2"),
        fileOf(two, {}, "2"),
        fileOf({cubeBox(), cubeBox(), cubeBox()}, {"0 1", "1 2"}, "3"),
        // A box cut short ends the file.
        file.substr(0, file.size() / 2),
        file.substr(0, file.size() - 6),
        file + "2 3\r\n",
        "2\r\n",
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        expectSameChecks(cases[i]);
    }
}

// The count's problem comes first even though the feed learns the number of boxes last: what
// the boxes have waits behind it.
TEST(FileFeed, ACountThatDisagreesIsToldBeforeTheBoxes) {
    BoxTexts faulty = cubeBox();
    faulty[boxslot::plane(3)] = "zz";
    const std::string bytes = fileOf({faulty, cubeBox()}, {"0 1"}, "5");
    const Checked fed = fromFeed(bytes);
    ASSERT_GE(fed.problems.size(), 2u);
    EXPECT_EQ(fed.problems[0].substr(0, fed.problems[0].find('|')), "count-mismatch");
    EXPECT_EQ(fed.problems[1].substr(0, fed.problems[1].find('|')), "text-format");
    expectSameChecks(bytes);
}

// Thousands of boxes heaped in one place stop the search: the feed stops it where the document's
// check does, with the same pairs.
TEST(FileFeed, AHeapStopsTheSearchAsForADocument) {
    std::vector<BoxTexts> boxes;
    for (int i = 0; i < 1500; ++i) {
        boxes.push_back(axisBox(std::to_string(i + 1), {0, 0, 0}, {1, 1, 1}));
    }
    const std::string bytes = fileOf(boxes, {"0 1", "2 1499"}, "1500");
    const Checked fed = fromFeed(bytes);
    EXPECT_FALSE(fed.complete);
    expectSameChecks(bytes);
}

TEST(FileFeed, IdsAreToldApartByEveryByte) {
    std::vector<BoxTexts> boxes;
    // Short and long IDs that differ in length only, in a trailing byte, or not at all.
    for (const std::string id :
         {"1", "01", "1", "12345678", "123456789", "12345678", "123456789", "1234567890123",
          "1234567890124", "1234567890123", "001", "1\t", "1"}) {
        boxes.push_back(axisBox(id, {0, 0, 0}, {1, 1, 1}));
    }
    const std::string bytes = fileOf(boxes, {}, std::to_string(boxes.size()));
    const Checked fed = fromFeed(bytes);
    std::multiset<std::string> duplicates;
    for (const std::string& problem : fed.problems) {
        if (problem.rfind("id-duplicate|", 0) == 0) {
            duplicates.insert(problem.substr(0, problem.find('|', 13)));
        }
    }
    EXPECT_EQ(duplicates,
              (std::multiset<std::string>{"id-duplicate|2", "id-duplicate|5", "id-duplicate|6",
                                          "id-duplicate|9", "id-duplicate|12"}));
    expectSameChecks(bytes);
}
