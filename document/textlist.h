#pragma once

#include "rankspan.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A text with the zero-based index it stands at, or stood at, in a list.
struct IndexedText {
    std::size_t index;
    std::string text;

    bool operator==(const IndexedText&) const = default;
};

// An ordered list of owned texts, any bytes of any length, packed for files of millions of short
// lines: the texts lie one after another in blocks of a few kilobytes, each behind its length,
// so that a line costs its bytes and one more. A change touches one block, or in the calls that
// take many entries, each block once.
//
// Positions read the list and stay valid until it changes; remove and replace hand back the
// position to go on from.
//
// Each block also keeps the span of ranks its entries name when read as intersection lines, so
// that the searches and renumberings of those lines pass over the blocks they cannot concern.
class TextList {
public:
    class Position {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;

        Position() = default;
        std::string_view operator*() const;
        Position& operator++();
        Position operator++(int) {
            Position previous = *this;
            ++*this;
            return previous;
        }
        bool operator==(const Position& other) const {
            return block_ == other.block_ && offset_ == other.offset_;
        }

    private:
        friend class TextList;
        Position(const TextList* list, std::size_t block, std::size_t offset)
            : list_(list), block_(block), offset_(offset) {}

        const TextList* list_ = nullptr;
        std::size_t block_ = 0;
        std::size_t offset_ = 0;
    };

    void append(std::string_view text);
    // Precondition: the list is not empty.
    std::string_view last() const;
    // Precondition: index below the size.
    std::string_view at(std::size_t index) const;
    Position begin() const { return {this, 0, 0}; }
    Position end() const { return {this, blocks_.size(), 0}; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Removes the entry at the position; returns the position of the entry that followed it.
    Position remove(Position position);
    // Removes the entry at the zero-based index, whatever its text: of equal texts, the one at
    // the index leaves. False, and nothing changes, past the end.
    bool removeAt(std::size_t index);
    void clear();
    // Returns the position of the replaced entry, which now holds the text.
    Position replace(Position position, std::string_view text);
    // The first entry equal to the text, compared exactly, or end().
    Position find(std::string_view text) const;
    // The indexes of the first entries equal to the texts, ascending: a text given n times names
    // its first n equal entries, and a text no entry equals names none.
    std::vector<std::size_t> firstIndexesOf(const std::vector<std::string>& texts) const;
    // Moves every entry of the other list to the end of this one, leaving the other empty.
    void appendAll(TextList& other);

    // The calls below walk the list once, however many entries they touch. Their indexes are
    // ascending and name entries that exist (for insertion: at most the size reached so far).
    // The texts at the indexes, found in one walk that passes over whole blocks.
    std::vector<std::string_view> textsAt(const std::vector<std::size_t>& indexes) const;
    // Inserts each text so that, once all are in, it stands at its index.
    void insertAtIndexes(std::vector<IndexedText> entries);
    // Removes the entries at the indexes and returns them, each with the index it had.
    std::vector<IndexedText> removeAtIndexes(const std::vector<std::size_t>& indexes);
    // Exchanges each entry's text with the text at its index: the entries then hold what was
    // replaced, so that the same call takes the replacement back.
    void exchangeAtIndexes(std::vector<IndexedText>& entries);
    // Removes every entry for which leaves is true.
    void removeIf(const std::function<bool(std::string_view)>& leaves);
    // Gives each entry the text newText returns for it, if any. The view returned must stay
    // valid until the next call.
    void rewrite(const std::function<std::optional<std::string_view>(std::string_view)>& newText);

    // What a walk of the whole list makes of one entry.
    struct Fate {
        enum Kind : unsigned char { Kept, Removed, Replaced };
        Kind kind = Kept;
        // The new text of a replaced entry, valid until the walk asks about the next one.
        std::string_view text;
    };
    // Asks fate about each entry in order and removes or replaces it as told. A block whose
    // entries all stay keeps its bytes where they are; the others are written again in place.
    void transform(const std::function<Fate(std::string_view)>& fate);

    // How the entries lie in blocks, first block first: what the walks above pass over or not.
    struct BlockSummary {
        std::size_t count;
        RankSpan span;

        bool operator==(const BlockSummary&) const = default;
    };
    std::vector<BlockSummary> blockSummaries() const;

private:
    // Texts one after another, each behind its length in seven-bit groups, low group first.
    struct Block {
        std::vector<char> bytes;
        std::size_t count = 0;
        RankSpan span;
    };
    class BlockBuilder;
    // Renumbers the ranks of intersection lines block by block, in place.
    friend class RankRenumbering;

    // The block and first index of the entry at the index, or of the end.
    std::pair<std::size_t, std::size_t> blockOf(std::size_t index) const;
    Position positionOf(std::size_t index) const;
    // Puts the blocks in place of the list's, recounting its size.
    void adoptBlocks(std::vector<Block> blocks);
    // Drops the blocks a walk in place emptied and divides those it grew past a block's size.
    void settleBlocks();

    std::vector<Block> blocks_;
    std::size_t size_ = 0;
};
