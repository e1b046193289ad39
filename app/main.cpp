#include <clocale>
#include <cstdlib>
#include <memory>

#include <QLocale>
#include <QSurfaceFormat>
#include <QTranslator>
#include <QUuid>

#include "AVPlayer.h"
#include "AppAdapter.h"
#include "AppSetting.h"
#include "AutoSerialFileLogger.h"
#include "CommonQTAppAdapter.h"
#include "CommonQTAppSetting.h"
#include "FFMpegUtil.h"
#include "FontStyle.h"
#include "LogSystem.h"
#include "MainWindow.h"
#include "Ravlix360Player.h"
#include "Translations.h"

namespace {

const char* const kProductTitle = "QUENDRA TRELLIQ";

void setupSurface() {
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    QSurfaceFormat::setDefaultFormat(format);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

// The device id, created and stored on the first run; a malloc'd copy.
char* deviceId() {
    char* id = AppSetting::getAndDupString("deviceId");
    if (id) return id;
    QByteArray created = QUuid::createUuid().toString().toUtf8();
    AppSetting::setString("deviceId", created.constData());
    AppSetting::commitBatchMode();
    return strdup(created.constData());
}

void installServices() {
    AppSetting::_setAppSetting(new CommonQTAppSetting(kProductTitle));
    char* id = deviceId();
    AppAdapter::_setAppAdapter(new CommonQTAppAdapter(kProductTitle, id));
    std::free(id);
    auto* logger = new AutoSerialFileLogger(AppAdapter::getFullAppLogPath(), kProductTitle, 30, 0);
    LogSystem::getSysLogSystem()->setLogger(logger);
    LogSystem::getSysLogSystem()->startLog();
    LogSystem::i("MAIN", "QUENDRA TRELLIQ, ver. 3.0.0");
}

}  // namespace

int main(int argc, char** argv) {
    QtAV::AVPlayer::shareFewArenas();
    FFMpegUtil::quietLibraryLog();
    setupSurface();
    Ravlix360Player app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    installServices();
    std::unique_ptr<QTranslator> translators[3];
    Translations::install(QCoreApplication::applicationDirPath() + "/languages/",
                          QLocale::system().name(), translators);
    FontStyle::init();
    QFont font = QApplication::font();
    font.setFamily(FontStyle::getFontFamily());
    QApplication::setFont(font);
    int exitCode = 0;
    if (app.isPrimary()) {
        MainWindow window;
        window.show();
        exitCode = app.exec();
    }
    return exitCode;
}
