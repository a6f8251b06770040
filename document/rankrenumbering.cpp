#include "rankrenumbering.h"

#include "leadinginteger.h"
#include "parallelparts.h"
#include "rankpair.h"
#include "textlistencoding.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

using namespace textlistencoding;

namespace {

// A rank written in plain decimal inside a line: its digits, which the walks rewrite where they
// stand, and its value.
struct PlainRank {
    char* begin;
    char* end;
    long long value;
};

// Up to this many digits a rank and the rank above it hold in long long.
constexpr std::ptrdiff_t mostPlainDigits = 18;

// Reads digits without a leading zero from at, and moves at past them.
bool readPlainRank(char*& at, char* end, PlainRank& rank) {
    rank.begin = at;
    rank.value = 0;
    for (; at != end && static_cast<unsigned char>(*at - '0') < 10; ++at) {
        if (at - rank.begin == mostPlainDigits) {
            return false;
        }
        rank.value = rank.value * 10 + (*at - '0');
    }
    rank.end = at;
    const std::ptrdiff_t length = at - rank.begin;
    return length == 1 || (length > 1 && *rank.begin != '0');
}

// A line written "a b" in plain decimal without sign, as nearly every line of a file is: read
// without the general rules, and renumbered digit by digit.
bool readPlainPair(char* text, std::size_t length, PlainRank& first, PlainRank& second) {
    char* at = text;
    char* const end = text + length;
    if (!readPlainRank(at, end, first) || at == end || *at != ' ') {
        return false;
    }
    ++at;
    return readPlainRank(at, end, second) && at == end;
}

// Writes the rank one below over its digits, which must read above zero. True when the text
// loses its first digit ("10" becomes "9"): the rank then starts one byte later.
bool decrement(PlainRank& rank) {
    char* digit = rank.end - 1;
    for (; *digit == '0'; --digit) {
        *digit = '9';
    }
    --*digit;
    --rank.value;
    if (*rank.begin == '0' && rank.end - rank.begin > 1) {
        ++rank.begin;
        return true;
    }
    return false;
}

// Whether the rank one above needs one more digit ("99" becomes "100").
bool allNines(const PlainRank& rank) {
    return std::all_of(rank.begin, rank.end, [](char digit) { return digit == '9'; });
}

// Writes the rank one above over its digits, which must not all be nines.
void increment(PlainRank& rank) {
    char* digit = rank.end - 1;
    for (; *digit == '9'; --digit) {
        *digit = '0';
    }
    ++*digit;
    ++rank.value;
}

// "a b" from the digits of two ranks, in the caller's buffer.
std::string_view joined(const PlainRank& first, const PlainRank& second, RankPairBuffer& buffer) {
    const auto firstLength = static_cast<std::size_t>(first.end - first.begin);
    const auto secondLength = static_cast<std::size_t>(second.end - second.begin);
    std::memcpy(buffer.data(), first.begin, firstLength);
    buffer[firstLength] = ' ';
    std::memcpy(buffer.data() + firstLength + 1, second.begin, secondLength);
    return std::string_view(buffer.data(), firstLength + 1 + secondLength);
}

// Writes a block's entries again as its walk reads them: over the block's own bytes, behind the
// walk, until an entry would overtake the bytes not yet read; from there on into a spare buffer.
class BlockRewriter {
public:
    BlockRewriter(std::vector<char>& bytes, std::vector<char>& spare)
        : bytes_(bytes), spare_(spare) {
        spare_.clear();
    }

    // The entry from `from` to `to` as it now stands in the block's bytes.
    void keep(std::size_t from, std::size_t to) {
        if (!spilled_ && written_ == from) {
            written_ = to;
            return;
        }
        std::memmove(room(to - from, to), bytes_.data() + from, to - from);
    }

    // A new text for the entry whose bytes end at readTo.
    void write(std::string_view text, std::size_t readTo) {
        encode(text, room(encodedSize(text), readTo));
    }

    // Leaves the new bytes in the block's; false when they outgrew the block, which must then be
    // divided.
    bool finish() {
        if (!spilled_) {
            bytes_.resize(written_);
            return true;
        }
        const bool fits = spare_.size() <= std::max(blockBytes, bytes_.capacity());
        bytes_.assign(spare_.begin(), spare_.end());
        return fits;
    }

private:
    char* room(std::size_t size, std::size_t readTo) {
        if (!spilled_) {
            if (written_ + size <= readTo) {
                char* const at = bytes_.data() + written_;
                written_ += size;
                return at;
            }
            spare_.assign(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(written_));
            spilled_ = true;
        }
        const std::size_t at = spare_.size();
        spare_.resize(at + size);
        return spare_.data() + at;
    }

    std::vector<char>& bytes_;
    std::vector<char>& spare_;
    std::size_t written_ = 0;
    bool spilled_ = false;
};

// What one part of a walk did, to be joined with the other parts' in their order.
struct PartOutcome {
    std::vector<IndexedText> removed;
    // Indexes among the lines kept, less the lines the parts before it removed.
    std::vector<IndexedText> unplain;
    // A block emptied or grown past its size.
    bool reshaped = false;
};

// The runs of whole blocks that the parts of a walk take, and the index of each run's first
// entry.
struct Part {
    std::size_t firstBlock;
    std::size_t endBlock;
    std::size_t firstIndex;
};

} // namespace

class RankRenumbering {
public:
    using Block = TextList::Block;

    static RankRemoval remove(TextList& lines, long long rank) {
        const std::vector<Part> parts = partsOf(lines);
        std::vector<PartOutcome> outcomes(parts.size());
        runParts(parts.size(), [&](std::size_t p) {
            std::vector<char> spare;
            spare.reserve(2 * blockBytes);
            std::size_t index = parts[p].firstIndex;
            for (std::size_t b = parts[p].firstBlock; b < parts[p].endBlock; ++b) {
                Block& block = lines.blocks_[b];
                const std::size_t count = block.count;
                removeFromBlock(block, index, rank, outcomes[p], spare);
                index += count;
            }
        });
        RankRemoval removal;
        std::size_t removedBefore = 0;
        bool reshaped = false;
        for (PartOutcome& outcome : outcomes) {
            for (IndexedText& line : outcome.unplain) {
                line.index -= removedBefore;
                removal.unplainLines.push_back(std::move(line));
            }
            removedBefore += outcome.removed.size();
            std::move(outcome.removed.begin(), outcome.removed.end(),
                      std::back_inserter(removal.removedLines));
            reshaped = reshaped || outcome.reshaped;
        }
        lines.size_ -= removal.removedLines.size();
        if (reshaped) {
            lines.settleBlocks();
        }
        return removal;
    }

    static void restore(TextList& lines, long long rank, RankRemoval removal) {
        const std::vector<Part> parts = partsOf(lines);
        std::vector<PartOutcome> outcomes(parts.size());
        const std::vector<IndexedText>& unplain = removal.unplainLines;
        runParts(parts.size(), [&](std::size_t p) {
            std::vector<char> spare;
            spare.reserve(2 * blockBytes);
            std::size_t index = parts[p].firstIndex;
            auto next = std::lower_bound(
                unplain.begin(), unplain.end(), index,
                [](const IndexedText& line, std::size_t at) { return line.index < at; });
            for (std::size_t b = parts[p].firstBlock; b < parts[p].endBlock; ++b) {
                Block& block = lines.blocks_[b];
                const std::size_t count = block.count;
                restoreInBlock(block, index, rank, next, unplain.end(), outcomes[p], spare);
                index += count;
            }
        });
        if (std::any_of(outcomes.begin(), outcomes.end(),
                        [](const PartOutcome& outcome) { return outcome.reshaped; })) {
            lines.settleBlocks();
        }
        lines.insertAtIndexes(std::move(removal.removedLines));
    }

private:
    static std::vector<Part> partsOf(const TextList& lines) {
        const std::size_t blockCount = lines.blocks_.size();
        const std::size_t partCount = partsForBlocks(blockCount);
        std::vector<Part> parts;
        std::size_t index = 0;
        std::size_t block = 0;
        for (std::size_t p = 0; p < partCount; ++p) {
            const std::size_t end = blockCount * (p + 1) / partCount;
            parts.push_back({block, end, index});
            for (; block < end; ++block) {
                index += lines.blocks_[block].count;
            }
        }
        return parts;
    }

    static void removeFromBlock(Block& block, std::size_t index, long long rank,
                                PartOutcome& outcome, std::vector<char>& spare) {
        if (block.span.high < rank && !block.span.unplain) {
            return;
        }
        char* const bytes = block.bytes.data();
        const std::size_t size = block.bytes.size();
        BlockRewriter out(block.bytes, spare);
        RankSpan span;
        std::size_t removed = 0;
        RankPairBuffer buffer;
        for (std::size_t offset = 0; offset < size; ++index) {
            const auto header = static_cast<unsigned char>(bytes[offset]);
            PlainRank first{};
            PlainRank second{};
            if (rank >= 0 && header < 0x80 &&
                readPlainPair(bytes + offset + 1, header, first, second)) {
                const std::size_t next = offset + 1 + header;
                if (first.value == rank || second.value == rank) {
                    outcome.removed.push_back({index, std::string(bytes + offset + 1, header)});
                    ++removed;
                } else {
                    bool shorter = false;
                    if (first.value > rank) {
                        shorter = decrement(first);
                    }
                    if (second.value > rank) {
                        shorter = decrement(second) || shorter;
                    }
                    span.addPair(first.value, second.value);
                    if (shorter) {
                        out.write(joined(first, second, buffer), next);
                    } else {
                        out.keep(offset, next);
                    }
                }
                offset = next;
                continue;
            }
            const Decoded entry = decode(bytes, offset);
            const std::optional<RankPairReading> pair = readRankPair(entry.text);
            if (!pair) {
                span.nonPairs = true;
                out.keep(offset, entry.next);
            } else if (const auto [a, b] = pair->ranks; a == rank || b == rank) {
                outcome.removed.push_back({index, std::string(entry.text)});
                ++removed;
            } else {
                if (!pair->plain) {
                    outcome.unplain.push_back(
                        {index - outcome.removed.size(), std::string(entry.text)});
                }
                const auto moved = [rank](long long value) {
                    return value > rank ? saturatingAdd(value, -1) : value;
                };
                span.addPair(moved(a), moved(b));
                if (pair->plain && a < rank && b < rank) {
                    out.keep(offset, entry.next);
                } else {
                    out.write(rankPairText(moved(a), moved(b), buffer), entry.next);
                }
            }
            offset = entry.next;
        }
        outcome.reshaped = !out.finish() || outcome.reshaped;
        block.count -= removed;
        block.span = span;
        outcome.reshaped = outcome.reshaped || block.count == 0;
    }

    static void restoreInBlock(Block& block, std::size_t index, long long rank,
                               std::vector<IndexedText>::const_iterator& unplain,
                               std::vector<IndexedText>::const_iterator unplainEnd,
                               PartOutcome& outcome, std::vector<char>& spare) {
        const std::size_t end = index + block.count;
        const bool restoresTexts = unplain != unplainEnd && unplain->index < end;
        if (block.span.high < rank && !restoresTexts) {
            return;
        }
        char* const bytes = block.bytes.data();
        const std::size_t size = block.bytes.size();
        BlockRewriter out(block.bytes, spare);
        RankSpan span;
        RankPairBuffer buffer;
        for (std::size_t offset = 0; offset < size; ++index) {
            const auto header = static_cast<unsigned char>(bytes[offset]);
            PlainRank first{};
            PlainRank second{};
            if (unplain != unplainEnd && unplain->index == index) {
                const std::size_t next = decode(bytes, offset).next;
                out.write(unplain->text, next);
                span.add(unplain->text);
                ++unplain;
                offset = next;
                continue;
            }
            if (rank >= 0 && header < 0x80 &&
                readPlainPair(bytes + offset + 1, header, first, second)) {
                const std::size_t next = offset + 1 + header;
                const bool movesFirst = first.value >= rank;
                const bool movesSecond = second.value >= rank;
                if ((movesFirst && allNines(first)) || (movesSecond && allNines(second))) {
                    const long long a = first.value + (movesFirst ? 1 : 0);
                    const long long b = second.value + (movesSecond ? 1 : 0);
                    out.write(rankPairText(a, b, buffer), next);
                    span.addPair(a, b);
                } else {
                    if (movesFirst) {
                        increment(first);
                    }
                    if (movesSecond) {
                        increment(second);
                    }
                    out.keep(offset, next);
                    span.addPair(first.value, second.value);
                }
                offset = next;
                continue;
            }
            const Decoded entry = decode(bytes, offset);
            const std::optional<RankPairReading> pair = readRankPair(entry.text);
            if (!pair || (pair->ranks.first < rank && pair->ranks.second < rank)) {
                span.add(entry.text);
                out.keep(offset, entry.next);
            } else {
                const auto moved = [rank](long long value) {
                    return value >= rank ? saturatingAdd(value, 1) : value;
                };
                const std::string_view text =
                    rankPairText(moved(pair->ranks.first), moved(pair->ranks.second), buffer);
                span.add(text);
                out.write(text, entry.next);
            }
            offset = entry.next;
        }
        outcome.reshaped = !out.finish() || outcome.reshaped;
        block.span = span;
    }
};

RankRemoval removeRankFromLines(TextList& lines, long long rank) {
    return RankRenumbering::remove(lines, rank);
}

void restoreRankToLines(TextList& lines, long long rank, RankRemoval removal) {
    RankRenumbering::restore(lines, rank, std::move(removal));
}
