#pragma once

#include "boxreader.h"
#include "problems.h"
#include "textlist.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The boxes of a BOX file as it is read, each run kept only until the checks are done with it:
// what the checks need once every box is read (the IDs, the intersections) is all that stays.
// A large file is then checked in a fraction of the memory its document would take.
class FileFeed final : public BoxFeed {
public:
    explicit FileFeed(ByteSource& source);

    std::optional<std::size_t> boxCount() const override { return std::nullopt; }
    // The count as the file wrote it, within reason: a file may lie.
    std::size_t expectedBoxCount() const override;
    // Reads the next boxes; after the last, the intersections, so that the whole file is read
    // when the last run comes back empty.
    void fill(std::size_t slot, std::size_t maxCount, std::vector<const Box*>& run) override;
    std::string_view countToken() const override { return countText_; }
    const TextList& intersections() const override { return intersections_; }
    std::string_view idOf(std::size_t rank) override;

private:
    struct Slot {
        std::unique_ptr<Box[]> boxes;
        std::size_t capacity = 0;
    };

    BoxStream stream_;
    std::string countText_;
    std::vector<Slot> slots_;
    std::string id_;
    TextList ids_;
    TextList intersections_;
    // Where idOf stands in ids_.
    TextList::Position idPosition_;
    std::size_t idRank_ = 0;
};
