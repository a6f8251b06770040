// The parted compaction against the same compaction made in one walk, on lists long enough for
// every part to hold many values, with the values that leave at the start, the end, the seam of
// two parts, scattered, or all of them.
#include "compactinparts.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Entry = std::pair<std::uint64_t, std::uint32_t>;

struct Case {
    std::string name;
    std::size_t count;
    std::size_t parts;
    // Whether the value at this position leaves.
    std::function<bool(std::size_t)> leaves;
};

std::vector<Entry> numbered(std::size_t count) {
    std::vector<Entry> values(count);
    for (std::size_t i = 0; i < count; ++i) {
        values[i] = {i, static_cast<std::uint32_t>(i * 7)};
    }
    return values;
}

TEST(CompactInParts, GivesWhatOneWalkGives) {
    std::mt19937 random(5);
    std::vector<char> scattered(300001);
    for (char& leaves : scattered) {
        leaves = std::uniform_int_distribution<int>(0, 99)(random) == 0 ? 1 : 0;
    }
    const std::vector<Case> cases = {
        {"none leaves", 300000, 2, [](std::size_t) { return false; }},
        {"the first", 300000, 2, [](std::size_t i) { return i == 0; }},
        {"the last", 300000, 2, [](std::size_t i) { return i == 299999; }},
        {"either side of the seam", 300000, 2,
         [](std::size_t i) { return i == 149999 || i == 150000; }},
        {"a run across the seam", 300001, 2,
         [](std::size_t i) { return i >= 140000 && i < 160000; }},
        {"scattered, three parts", 300001, 3, [&](std::size_t i) { return scattered[i] != 0; }},
        {"all", 300000, 2, [](std::size_t) { return true; }},
        {"one part", 1000, 1, [](std::size_t i) { return i % 3 == 0; }},
        {"fewer values than parts", 1, 2, [](std::size_t) { return false; }},
        {"empty", 0, 2, [](std::size_t) { return false; }},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        // The leaving values are renumbered out of the way; the others move by their rank's half.
        const auto next = [&](const Entry& entry) -> std::optional<Entry> {
            if (test.leaves(entry.first)) {
                return std::nullopt;
            }
            return Entry{entry.first, entry.second + static_cast<std::uint32_t>(entry.first / 2)};
        };
        std::vector<Entry> expected;
        std::vector<std::uint64_t> expectedLeaving;
        for (const Entry& entry : numbered(test.count)) {
            if (const std::optional<Entry> now = next(entry)) {
                expected.push_back(*now);
            } else {
                expectedLeaving.push_back(entry.first);
            }
        }
        std::vector<Entry> values = numbered(test.count);
        std::vector<std::vector<std::uint64_t>> leaving(test.parts);
        compactInParts(values, test.parts, [&](const Entry& entry, std::size_t part) {
            std::optional<Entry> now = next(entry);
            if (!now) {
                leaving[part].push_back(entry.first);
            }
            return now;
        });
        EXPECT_EQ(values, expected);
        EXPECT_EQ(joined(std::move(leaving)), expectedLeaving);
    }
}

} // namespace
