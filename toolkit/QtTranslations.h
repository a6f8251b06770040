#pragma once

#include <QString>

// Makes Qt's own texts (file chooser, edit-field menus, standard buttons) speak the given
// language, whatever the user's locale: a program whose own texts are in one language must not
// mix in the system's. Qt's translations of that language must be installed; returns false when
// they are not, and Qt then speaks English. Call once the application object exists.
bool installQtTranslations(const QString& language);
