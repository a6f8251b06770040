#pragma once

#include <optional>
#include <string>

// What quadrel-convert was asked to do, as its arguments say.
struct ConvertOptions {
    std::string input;
    std::string output;
    bool json = false;
    bool collisionOnly = false;
    bool intersections = false;
    std::optional<unsigned long long> firstId;
};
