#include "problemrows.h"

#include <algorithm>
#include <iterator>

std::pair<std::size_t, std::size_t> ProblemRows::sectionRows(Section section) const {
    std::size_t first = 0;
    for (std::size_t s = 0; s < static_cast<std::size_t>(section); ++s) {
        first += sizes_[s];
    }
    return {first, first + sizes_[section]};
}

std::pair<std::size_t, std::size_t> ProblemRows::rowsOf(Section section, std::uint64_t key) const {
    const auto [first, last] = sectionRows(section);
    const auto begin = keys_.begin() + static_cast<std::ptrdiff_t>(first);
    const auto end = keys_.begin() + static_cast<std::ptrdiff_t>(last);
    const auto [low, high] = std::equal_range(begin, end, key);
    return {static_cast<std::size_t>(low - keys_.begin()),
            static_cast<std::size_t>(high - keys_.begin())};
}

void ProblemRows::replace(Section section, std::vector<Block> blocks) {
    // Blocks whose rows follow each other, with no row of another key between, make one run,
    // spliced at once; runs go from the last up, so that the places of those above hold.
    struct Run {
        std::size_t first;
        std::size_t last;
        std::vector<Problem> rows;
        std::vector<std::uint64_t> keys;
    };
    std::vector<Run> runs;
    for (Block& block : blocks) {
        const auto [first, last] = rowsOf(section, block.key);
        if (runs.empty() || runs.back().last != first) {
            runs.push_back({first, first, {}, {}});
        }
        Run& run = runs.back();
        run.last = last;
        run.keys.insert(run.keys.end(), block.rows.size(), block.key);
        std::move(block.rows.begin(), block.rows.end(), std::back_inserter(run.rows));
    }
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        splice(section, run->first, run->last - run->first, std::move(run->rows),
               std::move(run->keys));
    }
}

void ProblemRows::splice(Section section, std::size_t first, std::size_t count,
                         std::vector<Problem> rows, std::vector<std::uint64_t> keys) {
    std::size_t same = 0;
    while (same < count && same < rows.size() && rows_[first + same] == rows[same] &&
           keys_[first + same] == keys[same]) {
        ++same;
    }
    std::size_t sameAtEnd = 0;
    while (sameAtEnd + same < count && sameAtEnd + same < rows.size() &&
           rows_[first + count - 1 - sameAtEnd] == rows[rows.size() - 1 - sameAtEnd] &&
           keys_[first + count - 1 - sameAtEnd] == keys[rows.size() - 1 - sameAtEnd]) {
        ++sameAtEnd;
    }
    const std::size_t start = first + same;
    const std::size_t oldCount = count - same - sameAtEnd;
    const std::size_t newCount = rows.size() - same - sameAtEnd;
    const std::size_t inPlace = std::min(oldCount, newCount);
    bool changed = false;
    for (std::size_t i = 0; i < inPlace; ++i) {
        changed = changed || !(rows_[start + i] == rows[same + i]);
        rows_[start + i] = std::move(rows[same + i]);
        keys_[start + i] = keys[same + i];
    }
    if (changed && listener_ != nullptr) {
        listener_->rowsChanged(start, inPlace);
    }
    const auto at = [](auto& vector, std::size_t index) {
        return vector.begin() + static_cast<std::ptrdiff_t>(index);
    };
    if (oldCount > newCount) {
        const std::size_t removed = oldCount - newCount;
        if (listener_ != nullptr) {
            listener_->rowsAboutToBeRemoved(start + inPlace, removed);
        }
        rows_.erase(at(rows_, start + inPlace), at(rows_, start + oldCount));
        keys_.erase(at(keys_, start + inPlace), at(keys_, start + oldCount));
        sizes_[section] -= removed;
        if (listener_ != nullptr) {
            listener_->rowsRemoved();
        }
    } else if (newCount > oldCount) {
        const std::size_t inserted = newCount - oldCount;
        if (listener_ != nullptr) {
            listener_->rowsAboutToBeInserted(start + inPlace, inserted);
        }
        rows_.insert(at(rows_, start + inPlace), std::make_move_iterator(at(rows, same + inPlace)),
                     std::make_move_iterator(at(rows, same + newCount)));
        keys_.insert(at(keys_, start + inPlace), at(keys, same + inPlace),
                     at(keys, same + newCount));
        sizes_[section] += inserted;
        if (listener_ != nullptr) {
            listener_->rowsInserted();
        }
    }
}

void ProblemRows::renumber(Section section, const std::function<std::uint64_t(std::uint64_t)>& key,
                           const std::function<void(Problem&, std::uint64_t)>& rerender) {
    // Named, not bound: the clang of Debian 12 cannot capture a structured binding in a lambda.
    const auto rows = sectionRows(section);
    const std::size_t first = rows.first;
    const std::size_t last = rows.second;
    std::size_t changedFrom = last;
    const auto tell = [&](std::size_t end) {
        if (changedFrom < end && listener_ != nullptr) {
            listener_->rowsChanged(changedFrom, end - changedFrom);
        }
        changedFrom = last;
    };
    for (std::size_t row = first; row < last; ++row) {
        const std::uint64_t renumbered = key(keys_[row]);
        if (renumbered == keys_[row]) {
            tell(row);
            continue;
        }
        keys_[row] = renumbered;
        const Problem before = rows_[row];
        rerender(rows_[row], renumbered);
        if (rows_[row] == before) {
            tell(row);
        } else if (changedFrom == last) {
            changedFrom = row;
        }
    }
    tell(last);
}

void ProblemRows::assign(std::vector<Problem> rows, std::vector<std::uint64_t> keys,
                         const std::array<std::size_t, SectionCount>& sizes) {
    // One splice over everything, keeping the rows that begin and end both lists alike; the
    // sections' sizes are those of the whole list while it is made.
    const std::size_t total = rows_.size();
    sizes_ = {};
    sizes_[Count] = total;
    splice(Count, 0, total, std::move(rows), std::move(keys));
    sizes_ = sizes;
}
