#include "digitsort.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace {

// Keys as the pairs of a scene give them: few distinct high parts, each with many low parts,
// repeats, and the bits in use ending at or just past a digit's end; short lists too.
TEST(DigitSort, SortsAsAComparisonSortDoes) {
    std::mt19937_64 random(3);
    for (const int keyBits : {1, 11, 12, 22, 23, 35, 53, 64}) {
        for (const std::size_t count :
             {std::size_t{0}, std::size_t{7}, std::size_t{5000}, std::size_t{70000}}) {
            const std::uint64_t mask =
                keyBits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << keyBits) - 1;
            std::vector<std::uint64_t> keys;
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint64_t high = (random() % 16) << (keyBits / 2);
                const std::uint64_t low = random() % (std::uint64_t{1} << (keyBits / 2));
                keys.push_back(i % 5 == 0 && i != 0 ? keys[i / 2] : (high | low) & mask);
            }
            std::vector<std::uint64_t> expected = keys;
            std::sort(expected.begin(), expected.end());
            sortByDigits(keys, keyBits);
            EXPECT_EQ(keys, expected) << keyBits << " bits, " << count << " keys";
        }
    }
}

} // namespace
