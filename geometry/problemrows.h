#pragma once

#include "problem.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

// What a list that shows the rows must hear to follow them in place: each removal and insertion
// before and after it is made, and the rows changed once they are.
class ProblemRowsListener {
public:
    virtual ~ProblemRowsListener() = default;
    virtual void rowsAboutToBeRemoved(std::size_t first, std::size_t count) = 0;
    virtual void rowsRemoved() = 0;
    virtual void rowsAboutToBeInserted(std::size_t first, std::size_t count) = 0;
    virtual void rowsInserted() = 0;
    virtual void rowsChanged(std::size_t first, std::size_t count) = 0;
};

// The problems of a document in the order the checks give them, in sections: the count, the
// boxes, the listed intersections, the missing ones, the faces between boxes. Within its section
// each row has a key (a rank, a line, a pair) that orders it; the rows of one key are changed
// together, and only rows that differ are touched, so that a list keeps its selection.
class ProblemRows {
public:
    enum Section { Count, Boxes, Lines, Missing, Play, SectionCount };
    struct Block {
        std::uint64_t key;
        std::vector<Problem> rows;
    };

    const std::vector<Problem>& problems() const { return rows_; }
    void setListener(ProblemRowsListener* listener) { listener_ = listener; }

    // The rows of each block's key replaced by the block's: blocks by increasing key, each once.
    void replace(Section section, std::vector<Block> blocks);
    // New keys for the rows of the section, in the same order: key gives each key its new one,
    // and rerender the row again once its key is changed.
    void renumber(Section section, const std::function<std::uint64_t(std::uint64_t)>& key,
                  const std::function<void(Problem&, std::uint64_t)>& rerender);
    // Rows and keys of every section at once, as a whole check gives them.
    void assign(std::vector<Problem> rows, std::vector<std::uint64_t> keys,
                const std::array<std::size_t, SectionCount>& sizes);
    // Where the rows of a key are, as a range of rows of the whole list.
    std::pair<std::size_t, std::size_t> rowsOf(Section section, std::uint64_t key) const;
    std::pair<std::size_t, std::size_t> sectionRows(Section section) const;
    std::uint64_t keyAt(std::size_t row) const { return keys_[row]; }

private:
    // Replaces count rows from first by the new ones, touching only those that differ.
    void splice(Section section, std::size_t first, std::size_t count, std::vector<Problem> rows,
                std::vector<std::uint64_t> keys);

    std::vector<Problem> rows_;
    std::vector<std::uint64_t> keys_;
    std::array<std::size_t, SectionCount> sizes_{};
    ProblemRowsListener* listener_ = nullptr;
};
