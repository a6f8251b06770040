#pragma once

#include <QString>

// The text of string resource id, or an empty text when the program carries none.
QString loadString(int id);
