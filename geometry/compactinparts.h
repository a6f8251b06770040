#pragma once

#include "parallelparts.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

// Walks over lists of millions of entries that follow an edit, shared between the cores.

// Each value replaced by next(value, part), or taken out where that gives nothing, the order
// kept, in one pass divided into parts that run at once (runParts): part tells next which walk
// calls it, so that each may note what leaves in a share of its own. A value is written only
// where it changes, so that a list whose end alone moves writes nothing before; the parts after
// one that lost values then move down as wholes.
template <typename Value, typename Next>
void compactInParts(std::vector<Value>& values, std::size_t parts, Next next) {
    const std::size_t count = values.size();
    const auto start = [&](std::size_t part) { return count * part / parts; };
    std::vector<std::size_t> ends(parts);
    runParts(parts, [&](std::size_t part) {
        std::size_t kept = start(part);
        for (std::size_t read = kept; read < start(part + 1); ++read) {
            const std::optional<Value> now = next(values[read], part);
            if (!now) {
                continue;
            }
            if (kept != read || !(values[read] == *now)) {
                values[kept] = *now;
            }
            ++kept;
        }
        ends[part] = kept;
    });
    std::size_t kept = ends.empty() ? 0 : ends[0];
    for (std::size_t part = 1; part < parts; ++part) {
        const auto first = values.begin() + static_cast<std::ptrdiff_t>(start(part));
        const auto last = values.begin() + static_cast<std::ptrdiff_t>(ends[part]);
        if (kept != start(part)) {
            std::move(first, last, values.begin() + static_cast<std::ptrdiff_t>(kept));
        }
        kept += ends[part] - start(part);
    }
    values.resize(kept);
}

// The shares of the parts one after the other.
template <typename Value> std::vector<Value> joined(std::vector<std::vector<Value>> shares) {
    std::vector<Value> all = std::move(shares.front());
    for (std::size_t part = 1; part < shares.size(); ++part) {
        all.insert(all.end(), shares[part].begin(), shares[part].end());
    }
    return all;
}
