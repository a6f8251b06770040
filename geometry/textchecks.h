#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Box;
class ProblemReporter;

// The checks of what a file writes, before any geometry: the count, the format of each text
// and the IDs.
class TextChecks {
public:
    explicit TextChecks(ProblemReporter& reporter);

    // countToken: the count as the file wrote it; boxCount: the boxes read.
    void checkCount(std::string_view countToken, std::size_t boxCount);
    // The texts and ID of the box the reporter is on; boxes come in rank order.
    void checkBox(const Box& box);
    // The two halves of checkBox. The texts of a box need no other box, and may be checked on
    // checks of their own, on any thread; the IDs must come in rank order.
    void checkTexts(const Box& box);
    // The same when the box is decoded already: malformedSlots as decodeBox gives it.
    void checkTexts(const Box& box, std::uint32_t malformedSlots);
    void checkId(std::string_view id);

    // What the ID check needs to know of an ID before it looks for it, made on any thread, so
    // that the thread that checks the IDs in rank order reads as little memory as it can.
    struct IdKey {
        std::uint64_t key = 0;  // the short ID's bytes, or the long ID's hash
        std::uint64_t home = 0; // where the search for its slot starts, before the mask
        std::uint32_t form = 0; // a short ID's length, or SHORT_LIMIT
        bool digitsOnly = false;
    };
    static IdKey keyOf(std::string_view id);
    // checkId, the key made already; id's bytes are read only for a long ID or a problem.
    void checkId(std::string_view id, const IdKey& key);
    // Asks the processor to fetch where checkId will look for the ID, so that the IDs of a run
    // of boxes are looked for at once rather than one memory access after another.
    void prefetchId(const IdKey& key) const;
    // Room for the IDs of so many boxes, at any time.
    void reserve(std::size_t boxCount);
    // The IDs seen are needed no more once every box is checked.
    void finishBoxes();

private:
    // The first box of an ID, found by the ID's hash in open addressing at most half full. An ID
    // of up to eight bytes, nearly every one, is kept in the slot itself, so that telling two
    // apart reads no other memory; a longer one is kept in longIds_.
    struct IdSlot {
        std::uint64_t key = 0; // the short ID's bytes, or the long ID's hash
        std::uint32_t rank = NO_RANK;
        std::uint32_t form = 0; // a short ID's length, or SHORT_LIMIT + its place in longIds_
    };
    static constexpr std::uint32_t NO_RANK = UINT32_MAX;
    static constexpr std::uint32_t SHORT_LIMIT = 9;

    // Where the search for a slot's ID starts, before the mask.
    static std::uint64_t homeOf(const IdSlot& slot);
    bool sameId(const IdSlot& slot, const IdSlot& probe, std::string_view id) const;
    // Puts the IDs in a table of so many slots, a power of two.
    void growTo(std::size_t slotCount);

    ProblemReporter& reporter_;
    std::vector<IdSlot> slots_;
    std::size_t used_ = 0;
    std::vector<std::string> longIds_;
    std::uint32_t idCount_ = 0;
};

// The same checks of one box alone: firstWithSameId is the rank of the first box with its ID,
// if another comes before it.
void checkTextsOfBox(const Box& box, std::optional<std::uint32_t> firstWithSameId,
                     ProblemReporter& reporter);
// The problem of a box whose ID the box of rank first bore before it.
void reportDuplicate(std::string_view id, std::uint32_t first, ProblemReporter& reporter);
