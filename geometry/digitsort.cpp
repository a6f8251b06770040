#include "digitsort.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace {

// Below this many keys a comparison sort costs less than the passes.
constexpr std::size_t DIGITS_FROM = 4096;
constexpr int DIGIT_BITS = 11;
constexpr std::uint64_t DIGIT_MASK = (std::uint64_t{1} << DIGIT_BITS) - 1;

} // namespace

void sortByDigits(std::vector<std::uint64_t>& keys, int keyBits) {
    if (keys.size() < DIGITS_FROM) {
        std::sort(keys.begin(), keys.end());
        return;
    }
    std::vector<std::uint64_t> sorted(keys.size());
    std::vector<std::size_t> starts(std::size_t{1} << DIGIT_BITS);
    for (int shift = 0; shift < keyBits; shift += DIGIT_BITS) {
        std::fill(starts.begin(), starts.end(), 0);
        for (const std::uint64_t key : keys) {
            ++starts[key >> shift & DIGIT_MASK];
        }
        std::size_t start = 0;
        for (std::size_t& digitStart : starts) {
            start += std::exchange(digitStart, start);
        }
        for (const std::uint64_t key : keys) {
            sorted[starts[key >> shift & DIGIT_MASK]++] = key;
        }
        keys.swap(sorted);
    }
}
