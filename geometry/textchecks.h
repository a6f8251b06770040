#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

class Box;
class BoxDocument;
class ProblemReporter;

// The checks of what a file writes, before any geometry: the count, the format of each text
// and the IDs.
class TextChecks {
public:
    TextChecks(const BoxDocument& document, ProblemReporter& reporter);

    // countToken: the count as the file wrote it; with nullopt, the document's countText.
    void checkCount(std::optional<std::string_view> countToken);
    // The texts and ID of the box the reporter is on; boxes come in rank order.
    void checkBox(const Box& box);
    // The two halves of checkBox. The texts of a box need no other box, and may be checked on
    // checks of their own, on any thread; the IDs must come in rank order.
    void checkTexts(const Box& box);
    void checkId(std::string_view id);
    // The IDs seen are needed no more once every box is checked.
    void finishBoxes();

private:
    const BoxDocument& document_;
    ProblemReporter& reporter_;
    static constexpr std::uint32_t NO_RANK = UINT32_MAX;
    // The rank of the first box of each ID, found by the ID's hash, in open addressing at most
    // half full: one array instead of a node per box.
    std::vector<std::uint32_t> rankOfIdSlots_;
    std::vector<std::string_view> ids_;
};

// The same checks of one box alone: firstWithSameId is the rank of the first box with its ID,
// if another comes before it.
void checkTextsOfBox(const Box& box, std::optional<std::uint32_t> firstWithSameId,
                     ProblemReporter& reporter);
// The problem of a box whose ID the box of rank first bore before it.
void reportDuplicate(std::string_view id, std::uint32_t first, ProblemReporter& reporter);
