#include "collisionname.h"

#include <algorithm>
#include <array>

namespace {

bool sameLetters(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

constexpr std::array<std::string_view, 2> PREFIXES{"ubx_", "ucx_"};
constexpr std::array<std::string_view, 3> SUFFIXES{"-col", "-colonly", "-convcolonly"};

} // namespace

bool isCollisionName(std::string_view name) {
    return std::any_of(PREFIXES.begin(), PREFIXES.end(),
                       [&](std::string_view prefix) {
                           return name.size() >= prefix.size() &&
                                  sameLetters(name.substr(0, prefix.size()), prefix);
                       }) ||
           std::any_of(SUFFIXES.begin(), SUFFIXES.end(), [&](std::string_view suffix) {
               return name.size() >= suffix.size() &&
                      sameLetters(name.substr(name.size() - suffix.size()), suffix);
           });
}
