#include "filefeed.h"

#include "leadinginteger.h"

#include <algorithm>
#include <cassert>

namespace {

// Room made beforehand for a million boxes at most: a short file that claims billions costs a
// few tens of megabytes at worst, and a larger scene makes room as it grows.
constexpr long long MOST_EXPECTED_BOXES = 1 << 20;

} // namespace

FileFeed::FileFeed(ByteSource& source) : stream_(source), countText_(stream_.readCount()) {}

std::size_t FileFeed::expectedBoxCount() const {
    return static_cast<std::size_t>(
        std::clamp(parseLeadingInteger(countText_), 0LL, MOST_EXPECTED_BOXES));
}

void FileFeed::fill(std::size_t slot, std::size_t maxCount, std::vector<const Box*>& run) {
    run.clear();
    if (slot >= slots_.size()) {
        slots_.resize(slot + 1);
    }
    Slot& boxes = slots_[slot];
    if (boxes.capacity < maxCount) {
        boxes.boxes = std::make_unique<Box[]>(maxCount);
        boxes.capacity = maxCount;
    }
    while (run.size() < maxCount && stream_.readBox(id_, boxes.boxes[run.size()])) {
        ids_.append(id_);
        run.push_back(&boxes.boxes[run.size()]);
    }
    if (run.empty()) {
        std::string intersection;
        while (stream_.readIntersection(intersection)) {
            intersections_.append(intersection);
        }
        idPosition_ = ids_.begin();
    }
}

std::string_view FileFeed::idOf(std::size_t rank) {
    assert(rank >= idRank_ && rank < ids_.size());
    for (; idRank_ < rank; ++idRank_) {
        ++idPosition_;
    }
    return *idPosition_;
}
