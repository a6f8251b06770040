#include "companionname.h"

#include <cstddef>

namespace {

// Room left in a file name for the prefix and the suffix.
constexpr std::size_t maximumBaseNameLength = 200;
constexpr int randomCharacters = 8;

} // namespace

std::string companionName(std::string_view folderPart, std::string_view baseName,
                          unsigned long long randomValue, std::string_view suffix) {
    std::string name(folderPart);
    name += '.';
    name += baseName.substr(0, maximumBaseNameLength);
    name += '.';
    constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int i = 0; i < randomCharacters; ++i) {
        name += digits[randomValue % 36];
        randomValue /= 36;
    }
    name += suffix;
    return name;
}
