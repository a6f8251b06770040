#include "companionname.h"

#include <algorithm>
#include <cstddef>

namespace {

// Room left in a file name for the prefix and the suffix.
constexpr std::size_t maximumBaseNameLength = 200;
constexpr std::size_t randomCharacters = 8;
constexpr std::size_t maximumProcessIdDigits = 19;
constexpr std::string_view temporarySuffix = ".quadrel-tmp";
constexpr std::string_view copySuffix = ".quadrel-copy";
constexpr std::string_view randomDigits = "0123456789abcdefghijklmnopqrstuvwxyz";

std::string companionPrefix(std::string_view folderPart, std::string_view baseName) {
    std::string name(folderPart);
    name += '.';
    name += baseName.substr(0, maximumBaseNameLength);
    name += '.';
    return name;
}

bool allOf(std::string_view text, std::string_view characters) {
    return std::all_of(text.begin(), text.end(), [characters](char c) {
        return characters.find(c) != std::string_view::npos;
    });
}

} // namespace

std::string temporaryName(std::string_view folderPart, std::string_view baseName,
                          unsigned long long processId, unsigned long long randomValue) {
    std::string name = companionPrefix(folderPart, baseName);
    name += std::to_string(processId);
    name += '.';
    for (std::size_t i = 0; i < randomCharacters; ++i) {
        name += randomDigits[randomValue % randomDigits.size()];
        randomValue /= randomDigits.size();
    }
    name += temporarySuffix;
    return name;
}

std::string copyName(std::string_view folderPart, std::string_view baseName) {
    std::string name = companionPrefix(folderPart, baseName);
    name.pop_back();
    name += copySuffix;
    return name;
}

std::optional<unsigned long long> temporaryOwner(std::string_view name, std::string_view baseName) {
    const std::string prefix = companionPrefix({}, baseName);
    if (name.size() <= prefix.size() + randomCharacters + 1 + temporarySuffix.size() ||
        name.substr(0, prefix.size()) != prefix ||
        name.substr(name.size() - temporarySuffix.size()) != temporarySuffix) {
        return std::nullopt;
    }
    name.remove_prefix(prefix.size());
    name.remove_suffix(temporarySuffix.size());
    const std::string_view random = name.substr(name.size() - randomCharacters);
    name.remove_suffix(randomCharacters);
    if (name.back() != '.' || !allOf(random, randomDigits)) {
        return std::nullopt;
    }
    name.remove_suffix(1);
    if (name.empty() || name.size() > maximumProcessIdDigits || !allOf(name, "0123456789")) {
        return std::nullopt;
    }
    unsigned long long processId = 0;
    for (const char digit : name) {
        processId = processId * 10 + static_cast<unsigned long long>(digit - '0');
    }
    return processId;
}
