#pragma once

#include <cstdint>
#include <vector>

// Sorts keys whose set bits all lie below keyBits in increasing order, as std::sort would, in a
// few passes over their digits: the long lists of a large scene's pairs are read a handful of
// times rather than twenty.
void sortByDigits(std::vector<std::uint64_t>& keys, int keyBits);
