#pragma once

#include <string_view>

// Reads a number the way counts and ranks are read back from text: optional leading white
// space, an optional sign, then the digits up to the first other character. A text without such
// digits is 0. Values beyond the range of long long saturate at its limits instead of wrapping.
long long parseLeadingInteger(std::string_view text);

// a + b, held at the limits of long long instead of overflowing.
long long saturatingAdd(long long a, long long b);
