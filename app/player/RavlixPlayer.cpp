#include "RavlixPlayer.h"

#include <algorithm>
#include <limits>

#include <QFutureWatcher>
#include <QMetaObject>
#include <QMutexLocker>
#include <QSignalBlocker>
#include <QtConcurrent>

#include "FFMpegUtil.h"
#include "LogSystem.h"
#include "VideoFormat.h"

namespace {

const char* const kTag = "RavlixPlayer";
// The longest duration and the latest position taken from the playback layer.
const qint64 kMaxDurationMs = qint64(FFMpegUtil::kMaxDurationSeconds) * 1000;

}  // namespace

RavlixPlayer* RavlixPlayer::current = nullptr;

RavlixPlayer* RavlixPlayer::newPlayer(QObject* parent) {
    current = new RavlixPlayer(parent);
    return current;
}

RavlixPlayer* RavlixPlayer::currentPlayer() { return current; }

void RavlixPlayer::deletePlayer(RavlixPlayer* player) {
    if (player == current) current = nullptr;
    delete player;
}

RavlixPlayer::RavlixPlayer(QObject* parent)
    : QtAV::VideoOutput(parent),
      avPlayer(new QtAV::AVPlayer(this)),
      frameExtractor(new QtAV::VideoFrameExtractor) {
    QtAV::registerMetaTypes();
    qRegisterMetaType<SharedGyroInfo>("SharedGyroInfo");

    forcePreferredPixelFormat(true);
    avPlayer->setRenderer(this);
    avPlayer->setNotifyInterval(100);
    avPlayer->masterClock()->setClockType(QtAV::AVClock::VideoClock);
    avPlayer->setMediaEndAction(QtAV::MediaEndAction_KeepDisplay);
    avPlayer->setRepeat(-1);
    avPlayer->setStartPosition(0);
    avPlayer->audio()->setVolume(1.0);

    // Runs on the emitting thread before the result is queued to the slots,
    // so each queued result carries the request it answers.
    auto stamp = [this] {
        QMutexLocker lock(&mutex);
        extractionRequests.push_back(frameExtractor->answeredRequest());
    };
    connect(frameExtractor, &QtAV::VideoFrameExtractor::frameExtracted, this, stamp,
            Qt::DirectConnection);
    connect(frameExtractor, &QtAV::VideoFrameExtractor::error, this, stamp, Qt::DirectConnection);
    connect(frameExtractor, SIGNAL(frameExtracted(QtAV::VideoFrame)), this,
            SLOT(extractedFrame(QtAV::VideoFrame)));
    connect(frameExtractor, SIGNAL(error(QString)), this, SLOT(extractedError(QString)));
    // A file that fails once it plays (cut short or damaged since) cannot be shown either. Sent
    // from the event loop, never inside the receiver's own call that started playback, and
    // dropped when a later open() came first.
    connect(avPlayer, &QtAV::AVPlayer::error, this, [this](const QString& message) {
        LogSystem::w(kTag, "Playing \"%s\": %s", qUtf8Printable(filePath), qUtf8Printable(message));
        QMetaObject::invokeMethod(
            this,
            [this, generation = generationOfOpen()] {
                if (generation == generationOfOpen()) emit sigOpenFailed(-1);
            },
            Qt::QueuedConnection);
    });
}

RavlixPlayer::~RavlixPlayer() {
    // The player calls back into this renderer until its threads are joined.
    avPlayer->stop();
    avPlayer->setRenderer(nullptr);
    delete avPlayer;
    delete frameExtractor;
}

void RavlixPlayer::open(QString path) {
    firstFrame = true;
    // Joins the old session first, so that a frame it hands over meanwhile carries the old stamp.
    avPlayer->stop();
    avPlayer->setStartPosition(0);
    quint64 generation;
    {
        QMutexLocker lock(&mutex);
        // None until this file's are read; the earlier file's live on in whatever holds them.
        gyroInfoList = GyroInfoList();
        lastGyroIndex = -1;
        generation = ++openGeneration;
    }
    openRequest = std::numeric_limits<quint64>::max();

    filePath = path;
    avPlayer->setFile(path);
    {
        // Its result is not examined, nor its error sent: a file that does not load gives no
        // first frame, which reports the failure.
        const QSignalBlocker quiet(avPlayer);
        avPlayer->load();
    }

    // A crafted index can take a long time to read.
    auto* reading = new QFutureWatcher<GyroInfoList>(this);
    connect(reading, &QFutureWatcherBase::finished, this, [this, reading, generation] {
        reading->deleteLater();
        recordsRead(generation, reading->result());
    });
    reading->setFuture(QtConcurrent::run([path] { return GyroInfoList::read(path); }));
}

void RavlixPlayer::recordsRead(quint64 generation, GyroInfoList records) {
    {
        QMutexLocker lock(&mutex);
        if (generation != openGeneration) return;  // a later open replaced this one
        std::swap(gyroInfoList, records);
        lastGyroIndex = -1;
    }
    frameExtractor->setSource(filePath);
    frameExtractor->setPosition(0);
    frameExtractor->extract();
    openRequest = frameExtractor->lastRequest();
    emit sigVideoChanged();
}

void RavlixPlayer::play() {
    if (avPlayer->state() == QtAV::AVPlayer::PausedState)
        avPlayer->pause(false);
    else if (avPlayer->state() == QtAV::AVPlayer::StoppedState)
        avPlayer->play();
}

void RavlixPlayer::pause() {
    if (avPlayer->state() == QtAV::AVPlayer::PlayingState) avPlayer->pause(true);
}

void RavlixPlayer::stop() {
    avPlayer->stop();
    avPlayer->setStartPosition(0);
}

void RavlixPlayer::seek(long ms) {
    avPlayer->seek(ms);
    if (ms != avPlayer->startPosition()) avPlayer->setStartPosition(ms);
    if (avPlayer->state() == QtAV::AVPlayer::StoppedState) extract(ms);
}

void RavlixPlayer::extract(qint64 ms) {
    frameExtractor->setPosition(ms);
    frameExtractor->extract();
}

void RavlixPlayer::setVolume(double volume) { avPlayer->audio()->setVolume(volume); }

double RavlixPlayer::getVolume() { return avPlayer->audio()->volume(); }

long RavlixPlayer::getDurtion() {
    // Bounded: the panels keep milliseconds in an int.
    return long(std::clamp<qint64>(avPlayer->duration(), 0, kMaxDurationMs));
}

long RavlixPlayer::getCurrentPosition() {
    return long(std::clamp<qint64>(avPlayer->position(), 0, kMaxDurationMs));
}

QString RavlixPlayer::getFilePath() { return filePath; }

GyroInfoList RavlixPlayer::getAllGyroInfo() {
    QMutexLocker lock(&mutex);
    return gyroInfoList;
}

bool RavlixPlayer::receiveFrame(const QtAV::VideoFrame& frame) {
    emit sigFrameUpdated(frame);
    double t = frame.timestamp();
    if (t >= 0) {
        // Moved, so that the main thread alone holds the record from here on.
        QMetaObject::invokeMethod(
            this, [this, report = takeReport(t)] { deliver(report); }, Qt::QueuedConnection);
    }
    return QtAV::VideoOutput::receiveFrame(frame);
}

RavlixPlayer::Report RavlixPlayer::takeReport(double t) {
    Report report;
    // Bounded like the duration: time stamps from a file may be absurdly large.
    const double seconds = std::min(t, FFMpegUtil::kMaxDurationSeconds);
    report.ms = long(1000 * seconds);
    int n = int(seconds);
    QMutexLocker lock(&mutex);
    report.generation = openGeneration;
    if (n != lastGyroIndex && n >= 0 && n < gyroInfoList.size()) {
        lastGyroIndex = n;
        report.index = n;
        report.info = gyroInfoList.at(n);
    }
    return report;
}

void RavlixPlayer::deliver(const Report& report) {
    {
        QMutexLocker lock(&mutex);
        if (report.generation != openGeneration) return;
    }
    emit sigCurrentPositionUpdated(report.ms);
    if (report.index >= 0) emit sigGyroInfoUpdated(report.index, report.info);
}

quint64 RavlixPlayer::generationOfOpen() {
    QMutexLocker lock(&mutex);
    return openGeneration;
}

bool RavlixPlayer::extractionIsCurrent() {
    QMutexLocker lock(&mutex);
    if (extractionRequests.empty())
        return true;  // emitted without the stamp (not by the extractor's thread)
    const quint64 request = extractionRequests.front();
    extractionRequests.pop_front();
    return request >= openRequest;
}

void RavlixPlayer::extractedFrame(QtAV::VideoFrame frame) {
    if (!extractionIsCurrent()) return;
    if (firstFrame) {
        firstFrame = false;
        QtAV::VideoFrame converted =
            // A converter of its own: a kept one would hold a frame's buffer in its pool.
            QtAV::VideoFrameConverter().convert(frame, QtAV::VideoFormat::Format_BGRA32);
        if (converted.width() == 0 || converted.height() == 0) {
            LogSystem::e(kTag, "Can not open \"%s\": its first frame is empty",
                         qUtf8Printable(filePath));
            emit sigFrameExtracted(frame);
            emit sigOpenFailed(-1);
            return;
        }
    }
    emit sigFrameExtracted(frame);
    deliver(takeReport(frame.timestamp()));
}

void RavlixPlayer::extractedError(QString errorMessage) {
    if (!extractionIsCurrent()) return;
    if (!firstFrame) {
        // Logged only: the open has been reported already (its first frame or its failure), and
        // a still frame after a seek that cannot be had leaves the picture as it is.
        LogSystem::w(kTag, "No still frame of \"%s\": %s", qUtf8Printable(filePath),
                     qUtf8Printable(errorMessage));
        return;
    }
    LogSystem::e(kTag, "Can not open \"%s\": %s", qUtf8Printable(filePath),
                 qUtf8Printable(errorMessage));
    firstFrame = false;
    emit sigOpenFailed(-1);
}
