#pragma once

// The translations of the user interface. Japanese is the language the texts are written in; English comes from
// translations/orvane_en.qm, found where the documents are (beside the executable, then ../share/orvane/), and Qt's
// own dialog texts from Qt's translations folder (or translations/ beside the executable, as windeployqt lays it
// out) where they are installed.

#include <QString>

namespace bundle {

// The program's translation file of a language ("en"), relative to the bundle folders.
QString translationFile(const QString& language);

// Installs the translations of the chosen language into the running application object, replacing those installed
// before; the program's own are looked for in programDir's bundle folders (default: the running program's). Call it
// again for a new application object. False when the program's own translation of a language other than Japanese
// was not found: the texts then stay Japanese.
bool installTranslations(bool japanese, const QString& programDir = {});

} // namespace bundle
