#pragma once

#include "problems.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The fixes of the 3D view's problem list, for the problems whose fix is certain.

bool isInvalidIntersection(const Problem& problem);
bool isMissingIntersection(const Problem& problem);

// The four texts of a plane (a, b, c, d) with all four values scaled by one factor so that the
// normal has unit length, written as the form writes what the user types in decimal. Nothing
// when the normal is zero or a scaled value would not fit its field.
std::optional<std::array<std::string, 4>>
normalisedPlaneTexts(const std::array<std::string_view, 4>& texts);

// The listed texts to remove, and the pairs to add, in the order of the problems.
std::vector<std::string> invalidIntersections(const std::vector<Problem>& problems);
std::vector<std::string> missingIntersections(const std::vector<Problem>& problems);
