#pragma once

#include <optional>
#include <string_view>

// A positive amount as a level designer types it: "0.05", "0,05" or a fraction such as "1/16";
// nothing for any other text, a negative or zero amount included.
std::optional<double> parseAmount(std::string_view text);
