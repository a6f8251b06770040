#pragma once

#include <string>
#include <string_view>

// Values and texts as the French messages of the checks show them, whatever the process locale.

// At most the given number of decimals, trailing zeros dropped, with a decimal comma: "0,96".
std::string frenchNumber(double value, int decimals = 4);
// A file's text between French quotation marks, cut short when it is long: « 1a ».
std::string quoted(std::string_view text);
// The same with control characters written as escapes, "\x00": a file that a crash cut short
// often holds NUL bytes, which a terminal would not show.
std::string quotedBytes(std::string_view text);
