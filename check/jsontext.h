#pragma once

#include <optional>
#include <string>
#include <string_view>

// A JSON string literal of the text. Valid UTF-8 is kept; a byte that is not part of valid
// UTF-8 (a file's tokens may hold any) is written as the code point of the same number, so that
// the line stays valid JSON.
std::string jsonString(std::string_view text);
// A text of a file (an ID, an intersection, a name) as the editor's lists show it: UTF-8, or
// else Windows-1252; null when there is none.
std::string jsonFileText(const std::optional<std::string>& text);
