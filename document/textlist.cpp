#include "textlist.h"

#include "rankpair.h"
#include "textlistencoding.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <utility>

using namespace textlistencoding;

namespace {

RankSpan spanOf(const char* bytes, std::size_t size) {
    RankSpan span;
    for (std::size_t offset = 0; offset < size;) {
        const Decoded entry = decode(bytes, offset);
        span.add(entry.text);
        offset = entry.next;
    }
    return span;
}

RankSpan spanOf(const std::vector<char>& bytes) {
    return spanOf(bytes.data(), bytes.size());
}

} // namespace

// Fills blocks one after another; each new block reserves its full size once, so that a list
// built entry by entry carries no slack beyond its last block.
class TextList::BlockBuilder {
public:
    void add(std::string_view text) {
        Block& block = roomFor(encodedSize(text));
        const std::size_t offset = block.bytes.size();
        block.bytes.resize(offset + encodedSize(text));
        encode(text, block.bytes.data() + offset);
        ++block.count;
        block.span.add(text);
    }

    // Entries already encoded, copied as they are.
    void addEncoded(const char* bytes, std::size_t size, std::size_t count) {
        if (count == 0) {
            return;
        }
        Block& block = roomFor(size);
        block.bytes.insert(block.bytes.end(), bytes, bytes + size);
        block.count += count;
        block.span.merge(spanOf(bytes, size));
    }

    // A block left as it was: joined to the one before when both fit in one, else kept whole.
    void keep(Block block) {
        if (!blocks_.empty() && fits(blocks_.back(), block.bytes.size())) {
            Block& last = blocks_.back();
            last.bytes.insert(last.bytes.end(), block.bytes.begin(), block.bytes.end());
            last.count += block.count;
            last.span.merge(block.span);
        } else {
            blocks_.push_back(std::move(block));
        }
    }

    std::vector<Block> finish() { return std::move(blocks_); }

private:
    static bool fits(const Block& block, std::size_t size) {
        return block.bytes.size() + size <= std::min(blockBytes, block.bytes.capacity());
    }

    Block& roomFor(std::size_t size) {
        if (blocks_.empty() || !fits(blocks_.back(), size)) {
            blocks_.emplace_back().bytes.reserve(std::max(blockBytes, size));
        }
        return blocks_.back();
    }

    std::vector<Block> blocks_;
};

std::string_view TextList::Position::operator*() const {
    return decode(list_->blocks_[block_].bytes, offset_).text;
}

TextList::Position& TextList::Position::operator++() {
    const std::vector<char>& bytes = list_->blocks_[block_].bytes;
    offset_ = decode(bytes, offset_).next;
    if (offset_ == bytes.size()) {
        ++block_;
        offset_ = 0;
    }
    return *this;
}

void TextList::append(std::string_view text) {
    BlockBuilder builder;
    if (!blocks_.empty()) {
        builder.keep(std::move(blocks_.back()));
        blocks_.pop_back();
    }
    builder.add(text);
    for (Block& block : builder.finish()) {
        blocks_.push_back(std::move(block));
    }
    ++size_;
}

std::string_view TextList::last() const {
    assert(!blocks_.empty());
    const Block& block = blocks_.back();
    std::size_t offset = 0;
    for (std::size_t k = 1; k < block.count; ++k) {
        offset = decode(block.bytes, offset).next;
    }
    return decode(block.bytes, offset).text;
}

std::string_view TextList::at(std::size_t index) const {
    assert(index < size_);
    return *positionOf(index);
}

TextList::Position TextList::remove(Position position) {
    assert(position.block_ < blocks_.size());
    Block& block = blocks_[position.block_];
    const std::size_t next = decode(block.bytes, position.offset_).next;
    block.bytes.erase(block.bytes.begin() + static_cast<std::ptrdiff_t>(position.offset_),
                      block.bytes.begin() + static_cast<std::ptrdiff_t>(next));
    --block.count;
    --size_;
    if (block.count == 0) {
        blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(position.block_));
        return {this, position.block_, 0};
    }
    block.span = spanOf(block.bytes);
    if (position.offset_ == block.bytes.size()) {
        return {this, position.block_ + 1, 0};
    }
    return position;
}

bool TextList::removeAt(std::size_t index) {
    if (index >= size_) {
        return false;
    }
    remove(positionOf(index));
    return true;
}

void TextList::clear() {
    blocks_.clear();
    size_ = 0;
}

TextList::Position TextList::replace(Position position, std::string_view text) {
    assert(position.block_ < blocks_.size());
    Block& block = blocks_[position.block_];
    const std::size_t next = decode(block.bytes, position.offset_).next;
    const std::size_t oldSize = next - position.offset_;
    const std::size_t newSize = encodedSize(text);
    if (block.bytes.size() - oldSize + newSize <= block.bytes.capacity()) {
        const auto at = block.bytes.begin() + static_cast<std::ptrdiff_t>(position.offset_);
        if (newSize > oldSize) {
            block.bytes.insert(at + static_cast<std::ptrdiff_t>(oldSize), newSize - oldSize, 0);
        } else {
            block.bytes.erase(at + static_cast<std::ptrdiff_t>(newSize),
                              at + static_cast<std::ptrdiff_t>(oldSize));
        }
        encode(text, block.bytes.data() + position.offset_);
        block.span = spanOf(block.bytes);
        return position;
    }
    // The block outgrows its bytes: rebuilt, it may split, and the entry moves with its half.
    std::size_t before = 0;
    for (std::size_t offset = 0; offset < position.offset_; ++before) {
        offset = decode(block.bytes, offset).next;
    }
    BlockBuilder builder;
    builder.addEncoded(block.bytes.data(), position.offset_, before);
    builder.add(text);
    builder.addEncoded(block.bytes.data() + next, block.bytes.size() - next,
                       block.count - before - 1);
    std::vector<Block> rebuilt = builder.finish();
    const auto first = blocks_.begin() + static_cast<std::ptrdiff_t>(position.block_);
    blocks_.erase(first);
    blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(position.block_),
                   std::make_move_iterator(rebuilt.begin()),
                   std::make_move_iterator(rebuilt.end()));
    Position found{this, position.block_, 0};
    for (std::size_t k = 0; k < before; ++k) {
        ++found;
    }
    return found;
}

TextList::Position TextList::find(std::string_view text) const {
    const std::optional<IntersectionRanks> pair = parseRankPair(text);
    for (std::size_t block = 0; block < blocks_.size(); ++block) {
        const Block& candidate = blocks_[block];
        if (pair ? !candidate.span.mayHold(*pair) : !candidate.span.nonPairs) {
            continue;
        }
        for (std::size_t offset = 0; offset < candidate.bytes.size();) {
            const Decoded entry = decode(candidate.bytes, offset);
            if (entry.text == text) {
                return {this, block, offset};
            }
            offset = entry.next;
        }
    }
    return end();
}

namespace {

// The texts firstIndexesOf looks for, each with the number of equal entries still to find, and
// the pairs among them ordered by their lesser rank, so that a block's span picks out the few
// that may lie in it.
class WantedTexts {
public:
    explicit WantedTexts(const std::vector<std::string>& texts) {
        for (const std::string& text : texts) {
            ++left_[text];
        }
        for (auto& wanted : left_) {
            if (const std::optional<IntersectionRanks> pair = parseRankPair(wanted.first)) {
                pairs_.push_back({std::min(pair->first, pair->second),
                                  std::max(pair->first, pair->second), &wanted});
            } else {
                nonPairs_.push_back(&wanted);
            }
        }
        std::sort(pairs_.begin(), pairs_.end(),
                  [](const Pair& a, const Pair& b) { return a.low < b.low; });
    }

    using Entry = std::pair<const std::string_view, std::size_t>;

    // The wanted text equal to the entry, if any still is.
    Entry* find(std::string_view text) {
        const auto found = left_.find(text);
        return found != left_.end() && found->second > 0 ? &*found : nullptr;
    }

    // The texts still wanted that the block's span may hold.
    void candidatesIn(const RankSpan& span, std::vector<Entry*>& candidates) const {
        candidates.clear();
        auto pair = std::lower_bound(pairs_.begin(), pairs_.end(), span.low,
                                     [](const Pair& a, long long low) { return a.low < low; });
        for (; pair != pairs_.end() && pair->low <= span.high; ++pair) {
            if (pair->high <= span.high && pair->wanted->second > 0) {
                candidates.push_back(pair->wanted);
            }
        }
        if (span.nonPairs) {
            for (Entry* wanted : nonPairs_) {
                if (wanted->second > 0) {
                    candidates.push_back(wanted);
                }
            }
        }
    }

private:
    struct Pair {
        long long low;
        long long high;
        Entry* wanted;
    };

    std::unordered_map<std::string_view, std::size_t> left_;
    std::vector<Pair> pairs_;
    std::vector<Entry*> nonPairs_;
};

} // namespace

std::vector<std::size_t> TextList::firstIndexesOf(const std::vector<std::string>& texts) const {
    WantedTexts wanted(texts);
    std::vector<std::size_t> indexes;
    std::vector<WantedTexts::Entry*> candidates;
    std::size_t first = 0;
    for (const Block& block : blocks_) {
        wanted.candidatesIn(block.span, candidates);
        // Beyond a few candidates, one look-up by hash costs less than comparing each.
        const bool hashing = candidates.size() > 8;
        std::size_t index = first;
        for (std::size_t offset = 0; !candidates.empty() && offset < block.bytes.size(); ++index) {
            const Decoded entry = decode(block.bytes, offset);
            offset = entry.next;
            if (hashing) {
                if (WantedTexts::Entry* found = wanted.find(entry.text)) {
                    indexes.push_back(index);
                    --found->second;
                }
                continue;
            }
            const auto candidate =
                std::find_if(candidates.begin(), candidates.end(),
                             [&](const WantedTexts::Entry* c) { return c->first == entry.text; });
            if (candidate != candidates.end()) {
                indexes.push_back(index);
                if (--(*candidate)->second == 0) {
                    candidates.erase(candidate);
                }
            }
        }
        first += block.count;
    }
    return indexes;
}

void TextList::appendAll(TextList& other) {
    if (this == &other) {
        return;
    }
    blocks_.insert(blocks_.end(), std::make_move_iterator(other.blocks_.begin()),
                   std::make_move_iterator(other.blocks_.end()));
    size_ += other.size_;
    other.clear();
}

std::vector<std::string_view> TextList::textsAt(const std::vector<std::size_t>& indexes) const {
    std::vector<std::string_view> texts;
    texts.reserve(indexes.size());
    auto next = indexes.begin();
    std::size_t first = 0;
    for (const Block& block : blocks_) {
        if (next == indexes.end()) {
            break;
        }
        if (*next >= first + block.count) {
            first += block.count;
            continue;
        }
        std::size_t offset = 0;
        for (std::size_t index = first; index < first + block.count && next != indexes.end();
             ++index) {
            const Decoded entry = decode(block.bytes, offset);
            for (; next != indexes.end() && *next == index; ++next) {
                texts.push_back(entry.text);
            }
            offset = entry.next;
        }
        first += block.count;
    }
    assert(next == indexes.end());
    return texts;
}

void TextList::insertAtIndexes(std::vector<IndexedText> entries) {
    // Where each text goes among the entries already there: before the one of this index.
    std::vector<std::size_t> before(entries.size());
    for (std::size_t k = 0; k < entries.size(); ++k) {
        assert(entries[k].index >= k && entries[k].index - k <= size_);
        assert(k == 0 || entries[k].index > entries[k - 1].index);
        before[k] = entries[k].index - k;
    }
    BlockBuilder builder;
    std::size_t next = 0;
    std::size_t first = 0;
    for (Block& block : blocks_) {
        if (next == entries.size() || before[next] >= first + block.count) {
            first += block.count;
            builder.keep(std::move(block));
            continue;
        }
        // The entries between two insertions go over in one piece.
        std::size_t runFrom = 0;
        std::size_t runCount = 0;
        std::size_t offset = 0;
        for (std::size_t index = first; index < first + block.count; ++index) {
            if (next < entries.size() && before[next] == index) {
                builder.addEncoded(block.bytes.data() + runFrom, offset - runFrom, runCount);
                for (; next < entries.size() && before[next] == index; ++next) {
                    builder.add(entries[next].text);
                }
                runFrom = offset;
                runCount = 0;
            }
            offset = decode(block.bytes, offset).next;
            ++runCount;
        }
        builder.addEncoded(block.bytes.data() + runFrom, offset - runFrom, runCount);
        first += block.count;
    }
    for (; next < entries.size(); ++next) {
        builder.add(entries[next].text);
    }
    adoptBlocks(builder.finish());
}

std::vector<IndexedText> TextList::removeAtIndexes(const std::vector<std::size_t>& indexes) {
    std::vector<IndexedText> removed;
    removed.reserve(indexes.size());
    BlockBuilder builder;
    auto next = indexes.begin();
    std::size_t first = 0;
    for (Block& block : blocks_) {
        if (next == indexes.end() || *next >= first + block.count) {
            first += block.count;
            builder.keep(std::move(block));
            continue;
        }
        // The entries between two removals go over in one piece.
        std::size_t runFrom = 0;
        std::size_t runCount = 0;
        std::size_t offset = 0;
        for (std::size_t index = first; index < first + block.count; ++index) {
            const Decoded entry = decode(block.bytes, offset);
            if (next != indexes.end() && *next == index) {
                builder.addEncoded(block.bytes.data() + runFrom, offset - runFrom, runCount);
                removed.push_back({index, std::string(entry.text)});
                ++next;
                runFrom = entry.next;
                runCount = 0;
            } else {
                ++runCount;
            }
            offset = entry.next;
        }
        builder.addEncoded(block.bytes.data() + runFrom, offset - runFrom, runCount);
        first += block.count;
    }
    assert(next == indexes.end());
    adoptBlocks(builder.finish());
    return removed;
}

void TextList::exchangeAtIndexes(std::vector<IndexedText>& entries) {
    BlockBuilder builder;
    auto next = entries.begin();
    std::size_t first = 0;
    for (Block& block : blocks_) {
        if (next == entries.end() || next->index >= first + block.count) {
            first += block.count;
            builder.keep(std::move(block));
            continue;
        }
        std::size_t offset = 0;
        for (std::size_t index = first; index < first + block.count; ++index) {
            const Decoded entry = decode(block.bytes, offset);
            if (next != entries.end() && next->index == index) {
                builder.add(next->text);
                next->text.assign(entry.text);
                ++next;
            } else {
                builder.add(entry.text);
            }
            offset = entry.next;
        }
        first += block.count;
    }
    assert(next == entries.end());
    adoptBlocks(builder.finish());
}

void TextList::removeIf(const std::function<bool(std::string_view)>& leaves) {
    transform([&](std::string_view text) {
        return leaves(text) ? Fate{Fate::Removed, {}} : Fate{};
    });
}

void TextList::rewrite(
    const std::function<std::optional<std::string_view>(std::string_view)>& newText) {
    transform([&](std::string_view text) {
        const std::optional<std::string_view> replacement = newText(text);
        return replacement && *replacement != text ? Fate{Fate::Replaced, *replacement} : Fate{};
    });
}

void TextList::transform(const std::function<Fate(std::string_view)>& fate) {
    BlockBuilder builder;
    // A changed block is written here first, then copied back into its own bytes when it fits.
    std::vector<char> written;
    written.reserve(2 * blockBytes);
    for (Block& block : blocks_) {
        bool changed = false;
        std::size_t count = block.count;
        // The entries kept since the last change, copied in one piece when the next comes.
        std::size_t keptFrom = 0;
        for (std::size_t offset = 0; offset < block.bytes.size();) {
            const Decoded entry = decode(block.bytes, offset);
            const Fate what = fate(entry.text);
            if (what.kind != Fate::Kept) {
                if (!changed) {
                    written.clear();
                    changed = true;
                }
                written.insert(written.end(),
                               block.bytes.begin() + static_cast<std::ptrdiff_t>(keptFrom),
                               block.bytes.begin() + static_cast<std::ptrdiff_t>(offset));
                if (what.kind == Fate::Replaced) {
                    const std::size_t at = written.size();
                    written.resize(at + encodedSize(what.text));
                    encode(what.text, written.data() + at);
                } else {
                    --count;
                }
                keptFrom = entry.next;
            }
            offset = entry.next;
        }
        if (!changed) {
            builder.keep(std::move(block));
            continue;
        }
        written.insert(written.end(), block.bytes.begin() + static_cast<std::ptrdiff_t>(keptFrom),
                       block.bytes.end());
        if (count == 0) {
            continue;
        }
        if (written.size() <= std::max(blockBytes, block.bytes.capacity())) {
            block.bytes.assign(written.begin(), written.end());
            block.count = count;
            block.span = spanOf(block.bytes);
            builder.keep(std::move(block));
            continue;
        }
        // Grown past a block: split entry by entry.
        for (std::size_t offset = 0; offset < written.size();) {
            const Decoded entry = decode(written, offset);
            builder.add(entry.text);
            offset = entry.next;
        }
    }
    adoptBlocks(builder.finish());
}

std::pair<std::size_t, std::size_t> TextList::blockOf(std::size_t index) const {
    std::size_t first = 0;
    for (std::size_t block = 0; block < blocks_.size(); ++block) {
        if (index < first + blocks_[block].count) {
            return {block, first};
        }
        first += blocks_[block].count;
    }
    return {blocks_.size(), first};
}

TextList::Position TextList::positionOf(std::size_t index) const {
    const auto [block, first] = blockOf(index);
    Position position{this, block, 0};
    for (std::size_t k = first; k < index; ++k) {
        ++position;
    }
    return position;
}

void TextList::adoptBlocks(std::vector<Block> blocks) {
    blocks_ = std::move(blocks);
    size_ = 0;
    for (const Block& block : blocks_) {
        size_ += block.count;
    }
}

void TextList::settleBlocks() {
    BlockBuilder builder;
    for (Block& block : blocks_) {
        if (block.count == 0) {
            continue;
        }
        if (block.bytes.size() <= blockBytes || block.count == 1) {
            builder.keep(std::move(block));
            continue;
        }
        for (std::size_t offset = 0; offset < block.bytes.size();) {
            const Decoded entry = decode(block.bytes, offset);
            builder.add(entry.text);
            offset = entry.next;
        }
    }
    adoptBlocks(builder.finish());
}

std::vector<TextList::BlockSummary> TextList::blockSummaries() const {
    std::vector<BlockSummary> summaries;
    summaries.reserve(blocks_.size());
    for (const Block& block : blocks_) {
        summaries.push_back({block.count, block.span});
    }
    return summaries;
}
