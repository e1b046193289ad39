#pragma once

#include <memory>

#include <QString>
#include <QStringList>

class QTranslator;

// The program's translations, loaded from one folder for one locale name ("ja_JP").
namespace Translations {

// Loads folder + prefix + locale + ".qm" for the prefixes "qt_", "qtbase_" and
// "Ravlix360Player_" in that order into `translators` (owned by the caller, who keeps them
// alive while installed); the program's own file falls back to "Ravlix360Player_en_US.qm"
// when the locale has none. Each one that loads is installed, so the program's own is searched
// first. `folder` ends with "/". Returns the paths installed, in order.
QStringList install(const QString& folder, const QString& locale,
                    std::unique_ptr<QTranslator> translators[3]);

}  // namespace Translations
