#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A file's texts are kept as bytes; these read them as characters, as the editor's lists show
// them.

// The length of the valid UTF-8 sequence that starts the text, or 0 (also for an empty text).
std::size_t utf8SequenceLength(std::string_view text);
bool isValidUtf8(std::string_view text);
// The bytes as UTF-8: kept when they are valid UTF-8, else decoded as Windows-1252, the code page
// of files written by older Windows programs. The five bytes Windows-1252 leaves undefined become
// the control characters of the same value, as Windows itself decodes them.
std::string fileTextAsUtf8(std::string_view bytes);
