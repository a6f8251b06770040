#pragma once

#include <QString>

// The text of a file embedded in the program (":/..."), or an empty text when there is none.
QString readResourceText(const QString& path);
