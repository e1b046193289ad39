#include "V360VideoEncodeStage.h"

#include <cerrno>

extern "C" {
#include <libavutil/error.h>
}

#include "FFMpegEncoder360G.h"
#include "LogSystem.h"
#include "ResultCode.h"

namespace {

const char* const kTag = "V360DispatchThread";

bool failed(int result) { return result < 0 && result != AVERROR(EAGAIN); }

}  // namespace

V360VideoEncodeStage::V360VideoEncodeStage(QString path, int width, int height, int bitRate,
                                           QString comment)
    : path(std::move(path)),
      width(width),
      height(height),
      bitRate(bitRate),
      comment(std::move(comment)) {}

V360VideoEncodeStage::~V360VideoEncodeStage() { stop(); }

int V360VideoEncodeStage::open(const VideoColour& colour, Taken onTaken, Ended onEnded) {
    const QByteArray file = path.toUtf8();
    const QByteArray text = comment.toUtf8();
    encoder.reset(new FFMpegEncoder360G(file.constData(), width, height, bitRate,
                                        comment.isEmpty() ? nullptr : text.constData(), colour));
    const int result = encoder->getInitError();
    if (result != 0) {
        encoder->endEncode();
        encoder.reset();
        return result;
    }
    taken = std::move(onTaken);
    ended = std::move(onEnded);
    worker = std::thread(&V360VideoEncodeStage::run, this);
    return 0;
}

void V360VideoEncodeStage::encode(BufferInfo* buffer) {
    std::lock_guard<std::mutex> hold(lock);
    queue.push_back(buffer);
    wake.notify_one();
}

void V360VideoEncodeStage::finish() {
    std::lock_guard<std::mutex> hold(lock);
    finishing = true;
    wake.notify_one();
}

void V360VideoEncodeStage::stop() {
    {
        std::lock_guard<std::mutex> hold(lock);
        stopping = true;
        wake.notify_one();
    }
    if (worker.joinable()) worker.join();
    if (encoder) encoder->endEncode(&stopping);
    encoder.reset();
}

void V360VideoEncodeStage::run() {
    BufferInfo* buffer = nullptr;
    while (waitForWork(&buffer)) encodeOne(buffer);
    std::deque<BufferInfo*> dropped;
    bool drain = false;
    {
        std::lock_guard<std::mutex> hold(lock);
        dropped.swap(queue);
        drain = !stopping;
    }
    for (BufferInfo* left : dropped) taken(left, error);
    if (!drain) return;
    const int result = encoder->endEncode(&stopping);
    encoder.reset();
    if (result == 0) ended(error);
}

// The next buffer to encode; false when the queue is done (finished or stopped).
bool V360VideoEncodeStage::waitForWork(BufferInfo** buffer) {
    std::unique_lock<std::mutex> hold(lock);
    wake.wait(hold, [this] { return stopping || !queue.empty() || finishing; });
    if (stopping || queue.empty()) return false;
    *buffer = queue.front();
    queue.pop_front();
    return true;
}

// A YUV picture goes to the codec by reference (it reads it during the call); a BGRA one is
// converted into the encoder's frame first, and its buffer is free again before the codec works.
void V360VideoEncodeStage::encodeOne(BufferInfo* buffer) {
    int result = 0;
    if (buffer->planar) {
        result = encoder->encodeYuvBuffer(buffer->ref, 1);
        noteFailure(result);
        taken(buffer, error);
        return;
    }
    result = encoder->loadArgbData(buffer->data);
    if (failed(result)) {
        taken(buffer, ResultCode::kIoError);
    } else {
        taken(buffer, error);
        result = encoder->encodeLoaded(1);
    }
    noteFailure(result);
}

void V360VideoEncodeStage::noteFailure(int result) {
    if (!failed(result) || error != 0) return;
    LogSystem::e(kTag, "encode failed: %d", result);
    error = ResultCode::kIoError;
}
