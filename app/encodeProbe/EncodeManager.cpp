#include "EncodeManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "EmbeddedResource.h"
#include "VideoEncodeTask.h"

static void initEncodeProbeResources() { RV_INIT_RESOURCE_ONCE(encodeProbe); }

namespace {

QString dataLocation() { return QStandardPaths::writableLocation(QStandardPaths::DataLocation); }

}  // namespace

EncodeManager* EncodeManager::instance() {
    static EncodeManager* manager = new EncodeManager(defaultSamplePath());
    return manager;
}

QString EncodeManager::defaultSamplePath() { return dataLocation() + "/sample.mov"; }

QString EncodeManager::trialOutputPath() { return dataLocation() + "/testEncode.mov"; }

EncodeManager::EncodeManager(QString samplePath) : samplePath(samplePath) {
    initEncodeProbeResources();
    if (QFile::exists(samplePath)) return;
    QDir().mkpath(QFileInfo(samplePath).absolutePath());
    // A failed copy shows as failed trials.
    if (QFile::copy(":/video/sample.mov", samplePath))
        QFile::setPermissions(
            samplePath, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}

int EncodeManager::init() {
    stopped = false;
    startTrial(2160, 1080);
    return 0;
}

void EncodeManager::startTrial(int width, int height) {
    running = new VideoEncodeTask(this, samplePath, width, height);
    connect(running, SIGNAL(finished()), this, SLOT(onEncodeDone()), Qt::QueuedConnection);
    running->start(QThread::InheritPriority);
}

void EncodeManager::stopTrials() {
    stopped = true;
    if (!running) return;
    running->cancel();
    running->wait();
    delete running;
    running = nullptr;
}

void EncodeManager::disableSize(int width) {
    if (width == 2160)
        is2160x1080Enable = false;
    else if (width == 2880)
        is2880x1440Enable = false;
    else
        is3840x1920Enable = false;
}

void EncodeManager::onEncodeDone() {
    auto* task = qobject_cast<VideoEncodeTask*>(sender());
    if (!task || task != running) return;
    running = nullptr;
    const int width = task->getWidth();
    if (task->getResult() != 0) disableSize(width);
    delete task;
    if (stopped) return;
    if (width == 2160)
        startTrial(2880, 1440);
    else if (width == 2880)
        startTrial(3840, 1920);
    else
        done = true;
}
