#include "rankrenumbering.h"

#include "leadinginteger.h"
#include "parallelparts.h"
#include "rankpair.h"
#include "textlistencoding.h"

#include <algorithm>
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
// The greatest rank of that many digits.
constexpr long long largestShortRank = 999'999'999'999'999'999;

// A line written "a b" in plain decimal without sign, as nearly every line of a file is: read
// without the general rules, and renumbered digit by digit.
bool readPlainPair(char* text, std::size_t length, PlainRank& first, PlainRank& second) {
    char* at = text;
    char* const end = text + length;
    // Digits without a leading zero, read from at and moved past.
    const auto rank = [&](PlainRank& read) {
        read.begin = at;
        read.value = 0;
        for (; at != end && static_cast<unsigned char>(*at - '0') < 10; ++at) {
            if (at - read.begin == mostPlainDigits) {
                return false;
            }
            read.value = read.value * 10 + (*at - '0');
        }
        read.end = at;
        const std::ptrdiff_t digits = at - read.begin;
        return digits == 1 || (digits > 1 && *read.begin != '0');
    };
    if (!rank(first) || at == end || *at != ' ') {
        return false;
    }
    ++at;
    return rank(second) && at == end;
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

// Writes the rank one above over its digits. False when it needs one more digit ("99" becomes
// "100"): the digits are then left as they were.
bool increment(PlainRank& rank) {
    char* digit = rank.end - 1;
    for (; digit >= rank.begin && *digit == '9'; --digit) {
    }
    if (digit < rank.begin) {
        return false;
    }
    ++*digit;
    std::fill(digit + 1, rank.end, '0');
    ++rank.value;
    return true;
}

// Appends the digits of a rank to out, one above when moved, and moves out past them.
void appendDigits(const PlainRank& rank, bool moved, char*& out) {
    const auto length = static_cast<std::size_t>(rank.end - rank.begin);
    if (moved && std::all_of(rank.begin, rank.end, [](char digit) { return digit == '9'; })) {
        *out++ = '1';
        std::fill(out, out + length, '0');
    } else {
        std::memcpy(out, rank.begin, length);
        PlainRank copy{out, out + length, 0};
        if (moved) {
            increment(copy);
        }
    }
    out += length;
}

// "a b" from the digits of two ranks, each one above when moved, in the caller's buffer.
std::string_view joined(const PlainRank& first, bool movesFirst, const PlainRank& second,
                        bool movesSecond, RankPairBuffer& buffer) {
    char* out = buffer.data();
    appendDigits(first, movesFirst, out);
    *out++ = ' ';
    appendDigits(second, movesSecond, out);
    return std::string_view(buffer.data(), static_cast<std::size_t>(out - buffer.data()));
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
        const std::vector<Part> parts =
            partsOf(lines, [rank](const Block& block) { return !skipsRemoval(block, rank); });
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
        const std::vector<Part> parts =
            partsOf(lines, [rank](const Block& block) { return block.span.high >= rank; });
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
    // Divides the blocks between the parts so that each has as many blocks to work on: the
    // others cost next to nothing.
    template <typename Worked>
    static std::vector<Part> partsOf(const TextList& lines, Worked worked) {
        const std::vector<Block>& blocks = lines.blocks_;
        const auto working =
            static_cast<std::size_t>(std::count_if(blocks.begin(), blocks.end(), worked));
        const std::size_t partCount = partsForBlocks(working);
        std::vector<Part> parts;
        std::size_t index = 0;
        std::size_t block = 0;
        std::size_t seen = 0;
        for (std::size_t p = 0; p < partCount; ++p) {
            Part part{block, block, index};
            const std::size_t share = working * (p + 1) / partCount;
            for (; block < blocks.size() && (p + 1 == partCount || seen < share); ++block) {
                seen += worked(blocks[block]) ? 1 : 0;
                index += blocks[block].count;
            }
            part.endBlock = block;
            parts.push_back(part);
        }
        return parts;
    }

    // Whether every entry of the block is a plain pair of ranks short enough that moving them
    // by one never saturates.
    static bool onlyShortPlainPairs(const Block& block) {
        return !block.span.unplain && !block.span.nonPairs && block.span.high < largestShortRank;
    }

    // Whether no line of the block names the rank or one above it, and none is to be made plain.
    static bool skipsRemoval(const Block& block, long long rank) {
        return block.span.high < rank && !block.span.unplain;
    }

    static void removeFromBlock(Block& block, std::size_t index, long long rank,
                                PartOutcome& outcome, std::vector<char>& spare) {
        if (skipsRemoval(block, rank)) {
            return;
        }
        if (rank >= 0 && onlyShortPlainPairs(block) && block.span.low > rank) {
            moveWholeBlock(block, -1, outcome, spare);
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
                        out.write(joined(first, false, second, false, buffer), next);
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
        if (rank >= 0 && !restoresTexts && onlyShortPlainPairs(block) && block.span.low >= rank) {
            moveWholeBlock(block, 1, outcome, spare);
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
                span.addPair(first.value + (movesFirst ? 1 : 0),
                             second.value + (movesSecond ? 1 : 0));
                const bool firstInPlace = !movesFirst || increment(first);
                const bool secondInPlace = !movesSecond || increment(second);
                if (firstInPlace && secondInPlace) {
                    out.keep(offset, next);
                } else {
                    out.write(joined(first, !firstInPlace, second, !secondInPlace, buffer), next);
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

    // Moves every rank of a block of plain pairs by delta, one down or one up, digit by digit:
    // most blocks of a large file, which lie wholly above the rank.
    static void moveWholeBlock(Block& block, int delta, PartOutcome& outcome,
                               std::vector<char>& spare) {
        char* const bytes = block.bytes.data();
        const std::size_t size = block.bytes.size();
        BlockRewriter out(block.bytes, spare);
        RankPairBuffer buffer;
        // Most ranks change in their last digit alone, which is all the loop writes for them.
        const char last = delta < 0 ? '0' : '9';
        for (std::size_t offset = 0; offset < size;) {
            const auto length = static_cast<unsigned char>(bytes[offset]);
            const std::size_t next = offset + 1 + length;
            char* const text = bytes + offset + 1;
            char* const end = text + length;
            char* space = text;
            while (*space != ' ') {
                ++space;
            }
            if (space[-1] != last && end[-1] != last) {
                space[-1] = static_cast<char>(space[-1] + delta);
                end[-1] = static_cast<char>(end[-1] + delta);
                out.keep(offset, next);
                offset = next;
                continue;
            }
            PlainRank first{text, space, 0};
            PlainRank second{space + 1, end, 0};
            if (delta < 0) {
                const bool firstShorter = decrement(first);
                if (decrement(second) || firstShorter) {
                    out.write(joined(first, false, second, false, buffer), next);
                } else {
                    out.keep(offset, next);
                }
            } else {
                const bool firstInPlace = increment(first);
                const bool secondInPlace = increment(second);
                if (firstInPlace && secondInPlace) {
                    out.keep(offset, next);
                } else {
                    out.write(joined(first, !firstInPlace, second, !secondInPlace, buffer), next);
                }
            }
            offset = next;
        }
        outcome.reshaped = !out.finish() || outcome.reshaped;
        block.span.low += delta;
        block.span.high += delta;
    }
};

RankRemoval removeRankFromLines(TextList& lines, long long rank) {
    return RankRenumbering::remove(lines, rank);
}

void restoreRankToLines(TextList& lines, long long rank, RankRemoval removal) {
    RankRenumbering::restore(lines, rank, std::move(removal));
}
