// The extractor's worker, for each request in turn:
// 1. take the latest request (older ones not started are gone);
// 2. (re)open the source when it differs from the open one;
// 3. seek to the key frame at or before the position and decode forward to
//    the first frame at or after position - precision; emit it, or the last
//    frame of the file when the position lies beyond it, or an error.
#include "VideoFrameExtractor.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "FFMpegMediaInput.h"

namespace QtAV {

namespace {

struct Request {
    QString source;
    qint64 ms = 0;
    int precision = 0;
    quint64 id = 0;
    bool sameAs(const Request& o) const {
        return source == o.source && ms == o.ms && precision == o.precision;
    }
};

// A time stamp this close before the accepted start counts as at it.
constexpr double kSlackSec = 0.001;

}  // namespace

struct VideoFrameExtractor::Private {
    // The extractor's own thread.
    QString source;
    qint64 position = 0;
    bool autoExtract = true;
    int precision = 0;

    std::mutex lock;
    std::condition_variable wake;
    // Guarded by lock.
    std::optional<Request> pending;
    std::optional<Request> running;
    bool quit = false;

    // Held while a result is emitted, so that the destructor waits for it.
    std::mutex emitting;
    std::atomic<quint64> answering{0};
    // The extractor's own thread.
    quint64 issued = 0;
    quint64 lastId = 0;

    // Worker thread only.
    std::unique_ptr<FFMpegMediaInput> input;
    QString openSource;

    std::thread worker;

    bool quitting() {
        std::lock_guard<std::mutex> locker(lock);
        return quit;
    }
};

VideoFrameExtractor::VideoFrameExtractor(QObject* parent) : QObject(parent), d(new Private) {
    registerMetaTypes();
    d->worker = std::thread([this] {
        for (;;) {
            Request request;
            {
                std::unique_lock<std::mutex> locker(d->lock);
                d->wake.wait(locker, [this] { return d->quit || d->pending; });
                if (d->quit) return;
                request = *d->pending;
                d->pending.reset();
                d->running = request;
            }
            d->answering = request.id;
            serve(request.source, request.ms, request.precision);
            std::lock_guard<std::mutex> locker(d->lock);
            d->running.reset();
        }
    });
}

VideoFrameExtractor::~VideoFrameExtractor() {
    {
        std::lock_guard<std::mutex> locker(d->lock);
        d->quit = true;
    }
    d->wake.notify_all();
    { std::lock_guard<std::mutex> emitting(d->emitting); }
    d->worker.join();
}

void VideoFrameExtractor::setSource(const QString& path) { d->source = path; }

QString VideoFrameExtractor::source() const { return d->source; }

void VideoFrameExtractor::setPosition(qint64 ms) {
    if (ms == d->position) return;
    d->position = ms;
    if (d->autoExtract) extract();
}

qint64 VideoFrameExtractor::position() const { return d->position; }

void VideoFrameExtractor::setAutoExtract(bool on) { d->autoExtract = on; }

bool VideoFrameExtractor::autoExtract() const { return d->autoExtract; }

void VideoFrameExtractor::setPrecision(int ms) { d->precision = std::max(ms, 0); }

int VideoFrameExtractor::precision() const { return d->precision; }

void VideoFrameExtractor::extract() {
    const Request request{d->source, d->position, d->precision, ++d->issued};
    {
        std::lock_guard<std::mutex> locker(d->lock);
        d->pending.reset();
        if (d->running && d->running->sameAs(request)) {
            d->lastId = d->running->id;
            return;
        }
        d->lastId = request.id;
        d->pending = request;
    }
    d->wake.notify_all();
}

quint64 VideoFrameExtractor::lastRequest() const { return d->lastId; }

quint64 VideoFrameExtractor::answeredRequest() const { return d->answering; }

void VideoFrameExtractor::sendFrame(const VideoFrame& frame) {
    std::lock_guard<std::mutex> emitting(d->emitting);
    if (!d->quitting()) emit frameExtracted(frame);
}

void VideoFrameExtractor::sendError(const QString& message) {
    std::lock_guard<std::mutex> emitting(d->emitting);
    if (!d->quitting()) emit error(message);
}

bool VideoFrameExtractor::openSource(const QString& path) {
    if (d->input && d->openSource == path) return true;
    d->input.reset();
    d->openSource.clear();
    auto input = std::make_unique<FFMpegMediaInput>();
    if (input->open(path.toUtf8().constData(), false) < 0) {
        sendError(QString::fromStdString(input->failure()));
        return false;
    }
    d->input = std::move(input);
    d->openSource = path;
    return true;
}

bool VideoFrameExtractor::seekTo(qint64 ms) {
    if (d->input->seek(ms / 1000.0)) {
        d->input->videoDecoder().flush();
        return true;
    }
    // The reading position is unknown now: decode from a freshly opened start instead.
    const QString path = d->openSource;
    d->input.reset();
    return openSource(path);
}

void VideoFrameExtractor::serve(const QString& path, qint64 ms, int precisionMs) {
    if (path.isEmpty()) {
        sendError(QStringLiteral("No source"));
        return;
    }
    if (!openSource(path)) return;
    const double accept = (ms - precisionMs) / 1000.0 - kSlackSec;
    if (!seekTo(ms)) return;
    FFMpegMediaInput& input = *d->input;
    ffh::FramePtr frame = ffh::makeFrame();
    if (!frame) {
        sendError(QStringLiteral("Out of memory"));
        return;
    }
    VideoFrame last;
    // A frame without a time stamp follows the one before; the first is at 0.
    double lastT = -input.frameInterval();
    while (!d->quitting() && input.receiveFrame(frame.get()) == 0) {
        lastT = input.videoDecoder().seconds(frame.get(), input.origin(),
                                             lastT + input.frameInterval());
        last = VideoFrame::fromAVFrame(frame.get(), lastT);
        if (lastT >= accept) {
            sendFrame(last);
            return;
        }
    }
    if (last.isValid())
        sendFrame(last);
    else
        sendError(QStringLiteral("No frame at %1 ms: %2").arg(ms).arg(path));
}

}  // namespace QtAV
