#pragma once

#include <optional>
#include <string>
#include <string_view>

// The names of the files that stand beside a file while it is saved. Both file-access
// implementations name them this way, so that either recognises what the other left.
//
// A temporary file: the folder part, "." and the base name cut to a length every system takes,
// then the saving process's ID, a random part, and ".quadrel-tmp". The process ID tells whether
// the save that made it may still be running.
std::string temporaryName(std::string_view folderPart, std::string_view baseName,
                          unsigned long long processId, unsigned long long randomValue);

// The copy of a file's old content kept while the file is overwritten in place: the folder
// part, "." and the base name cut as above, then ".quadrel-copy". One name per file, so that
// whoever opens the file next finds it.
std::string copyName(std::string_view folderPart, std::string_view baseName);

// The ID of the process that made a temporary file of baseName named name (a name alone, with
// no folder), or none when name is not such a temporary.
std::optional<unsigned long long> temporaryOwner(std::string_view name, std::string_view baseName);
