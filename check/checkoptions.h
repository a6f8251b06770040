#pragma once

#include "playlimits.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

struct CheckOptions {
    bool help = false;
    bool json = false;
    bool intersections = false;
    PlayLimits limits;
    std::vector<std::string> files;
};

// The options and files of quadrel-check's arguments; nothing, after saying why on err, when an
// argument is wrong or no file is named. Reading stops at --help.
std::optional<CheckOptions> readCheckArguments(const std::vector<std::string>& arguments,
                                               std::ostream& err);
