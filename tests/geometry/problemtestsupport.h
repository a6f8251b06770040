#pragma once

#include "problemkind.h"
#include "problems.h"

#include <sstream>
#include <string>

// A problem as one line holding every field it has, so that lists of problems found two ways
// compare, and print, whole.
inline std::string describe(const Problem& problem) {
    std::ostringstream text;
    text << kindIdentifier(problem.kind) << '|'
         << (problem.rank ? std::to_string(*problem.rank) : "-") << '|' << problem.id.value_or("-")
         << '|' << (problem.plane ? std::to_string(*problem.plane) : "-") << '|'
         << problem.intersection.value_or("-") << '|'
         << (problem.otherRank ? std::to_string(*problem.otherRank) : "-") << '|'
         << (problem.otherPlane ? std::to_string(*problem.otherPlane) : "-") << '|'
         << problem.message;
    return text.str();
}
