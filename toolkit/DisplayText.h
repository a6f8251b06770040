#pragma once

#include <QString>
#include <string>
#include <string_view>

// Texts come from files as bytes and are kept as bytes; these only decide how they look.

// The bytes decoded as UTF-8 when they are valid UTF-8, else as Windows-1252, the code page of
// files written by older Windows programs: accents show as accents, never as replacement marks.
QString decodeForDisplay(std::string_view bytes);

// Past this many characters a list line or a label shows only the start of its text: laying out
// a text of megabytes takes seconds at each repaint, and nobody reads that far on one line.
inline constexpr qsizetype displayLimit = 300;

// The text as a list line or a label shows it: decoded, and cut past displayLimit characters
// with an ellipsis.
QString shortenedForDisplay(std::string_view bytes);
