#include "TransitionResources.h"

#include <mutex>

#include <QCoreApplication>
#include <QFontDatabase>
#include <QThread>

#include "EmbeddedResource.h"
#include "LogSystem.h"

static void initTransitionResources() { RV_INIT_RESOURCE_ONCE(transitions); }

namespace {

constexpr const char* kTag = "V360Transition";

bool onGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

}  // namespace

QImage TransitionResources::loadPicture(const QString& path) {
    initTransitionResources();
    QImage image(path);
    if (image.isNull()) {
        LogSystem::w(kTag, "Picture %s not loaded?", qPrintable(path));
        QImage empty(1, 1, QImage::Format_ARGB32);
        empty.fill(0);
        return empty;
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

QString TransitionResources::titleFontFamily() {
    static std::mutex lock;
    static bool registered = false;
    static QString family;
    std::lock_guard<std::mutex> guard(lock);
    if (!registered && onGuiThread()) {
        registered = true;
        initTransitionResources();
        const int id = QFontDatabase::addApplicationFont(":font/blkchcry.ttf");
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (families.isEmpty())
            LogSystem::w(kTag, "Font :font/blkchcry.ttf not loaded?");
        else
            family = families.first();
    }
    return family;
}
