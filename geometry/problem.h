#pragma once

#include "problemkind.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

// One fault found in a document.
struct Problem {
    ProblemKind kind = ProblemKind::CountMismatch;
    std::optional<std::size_t> rank; // the box, when it concerns one box
    std::optional<std::string> id;
    std::optional<int> plane;                // 0 to 5, when it concerns one plane
    std::optional<std::string> intersection; // the pair's text, when it concerns one
    // The second face concerned, of this box or another, when the problem lies between two.
    std::optional<std::size_t> otherRank;
    std::optional<int> otherPlane;
    std::string message; // French, names the values involved

    bool operator==(const Problem&) const = default;

    Severity severity() const { return severityOf(kind); }
    ProblemFix fix() const { return fixOf(kind); }
};

using ProblemSink = std::function<void(const Problem&)>;
