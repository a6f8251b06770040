#pragma once

#include <QString>

// Makes the files embedded in the program (":/...") reachable; any number of calls.
void registerResources();

// The text of an embedded file, or an empty text when there is none.
QString readResourceText(const QString& path);
