#pragma once

#include <string>
#include <string_view>

// A JSON string literal of the text. Valid UTF-8 is kept; a byte that is not part of valid
// UTF-8 (a file's tokens may hold any) is written as the code point of the same number, so that
// the line stays valid JSON.
std::string jsonString(std::string_view text);
