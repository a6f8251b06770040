#pragma once

#include <string>
#include <string_view>

// The name of a file that stands beside another during a save (its temporary file, the copy of
// its old content): the folder part, then "." and the base name cut to a length every system
// takes, a random part, and the suffix. Both file-access implementations name them this way.
std::string companionName(std::string_view folderPart, std::string_view baseName,
                          unsigned long long randomValue, std::string_view suffix);
