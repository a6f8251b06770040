#pragma once

#include <QIcon>

// Icon resource id, with every size the program carries; a null icon when there is none.
QIcon loadIcon(int id);
