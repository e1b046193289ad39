#include "PanoramaConversion.h"

#include <QImage>
#include <QPointer>

#include "CircleCheckTask.h"
#include "VideoSimple360Generator.h"

namespace PanoramaConversion {

namespace {

QPointer<VideoSimple360Generator>& lastJob() {
    static QPointer<VideoSimple360Generator> job;
    return job;
}

}  // namespace

CircleCheckTask* findCircle(const QString& source, QObject* receiver, const char* slot) {
    const QImage frame = CircleCheckTask::firstFrameHalfSize(source);
    if (frame.isNull()) return nullptr;
    auto* task = new CircleCheckTask(frame);
    QObject::connect(task, SIGNAL(finished()), receiver, slot);
    QObject::connect(task, SIGNAL(finished()), task, SLOT(deleteLater()));
    task->start(QThread::InheritPriority);
    return task;
}

CircleInfo foundCircle(const CircleCheckTask& task) {
    const QImage examined = task.getImage();
    CircleInfo full;
    if (CircleInfo::toFullFrame(task.getResult(), examined.width(), examined.height(), &full) != 0)
        full = CircleInfo{-1, -1, -1};
    return full;
}

bool waitForPreviousJob(QObject* context, std::function<void()> retry) {
    if (!lastJob()) return false;
    QObject::connect(lastJob(), &QObject::destroyed, context, std::move(retry),
                     Qt::QueuedConnection);
    return true;
}

VideoSimple360Generator* start(const QString& source, const QString& target, QSize size,
                               const CircleInfo& circle, QObject* receiver) {
    VideoSimple360Generator* job = VideoSimple360Generator::genPanoramaVideo(
        source, target, size.width(), size.height(), circle.centerX, circle.centerY, circle.radius,
        -1, -1);
    lastJob() = job;
    QObject::connect(job, SIGNAL(videoGenProgressUpdate(float, float, int, int)), receiver,
                     SLOT(onVideoGenProgressUpdate(float, float, int, int)));
    QObject::connect(job, SIGNAL(videoGenerationFinished(QString)), receiver,
                     SLOT(onVideoGenerationFinished(QString)));
    QObject::connect(job, SIGNAL(videoGenerationFailed(int)), receiver,
                     SLOT(onVideoGenerationFailed(int)));
    return job;
}

}  // namespace PanoramaConversion
