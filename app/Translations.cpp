#include "Translations.h"

#include <QCoreApplication>
#include <QFile>
#include <QTranslator>

namespace Translations {

QStringList install(const QString& folder, const QString& locale,
                    std::unique_ptr<QTranslator> translators[3]) {
    const char* const prefixes[3] = {"qt_", "qtbase_", "Ravlix360Player_"};
    QStringList installed;
    for (int i = 0; i < 3; ++i) {
        QString path = folder + prefixes[i] + locale + ".qm";
        if (i == 2 && !QFile::exists(path)) path = folder + "Ravlix360Player_en_US.qm";
        translators[i] = std::make_unique<QTranslator>();
        if (translators[i]->load(path) && QCoreApplication::installTranslator(translators[i].get()))
            installed << path;
    }
    return installed;
}

}  // namespace Translations
