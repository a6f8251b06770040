#pragma once

#include <string>
#include <string_view>

// A file name or a text as one line of the compiler-style report shows it: every control
// character and line separator escaped (\n, \r, \t, \x0b, \u2028...), and every byte that is not
// part of valid UTF-8 as \xHH, so that no name or text can end a line or forge another.
std::string escapedForLine(std::string_view text);
