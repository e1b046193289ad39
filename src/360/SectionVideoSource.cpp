#include "SectionVideoSource.h"

#include <QThread>

#include <algorithm>

#include "FFMpegUtil.h"
#include "FFMpegVideoDecoder.h"
#include "LogSystem.h"
#include "VideoSrcFrame.h"

namespace {

const char* const kTag = "SectionVideoSource";

// Frames decoded ahead of the one handed out.
const size_t kAhead = 2;
// A time stamp this much after an output time still counts as shown at it: containers round
// time stamps to their time scale (milliseconds at the coarsest).
const double kTolerance = 0.001;

}  // namespace

int SectionVideoSource::framesIn(double seconds) {
    const double frames = seconds * kRate + 0.5;
    if (!(frames >= 1)) return 0;  // also NaN
    return frames < kMaxFrames ? static_cast<int>(frames) : kMaxFrames;
}

SectionVideoSource::SectionVideoSource(QString srcPath, double startTime, double endTime)
    : srcPath(std::move(srcPath)), start(startTime), end(endTime) {
    if (start > 0) {
        startFrame = framesIn(start);
    } else {
        start = 0;
    }
    if (end < 0) end = FFMpegUtil::getVideoLength(this->srcPath);
    frames = remaining = framesIn(end - start);
}

SectionVideoSource::~SectionVideoSource() { releaseAll(); }

int SectionVideoSource::open(int outWidth, int outHeight, bool planar) {
    // A length probe of 0 would lift the frame limit.
    if (end <= 0 || frames <= 0) return -2;
    decoder.reset(new FFMpegVideoDecoder(!planar, false));
    decoder->setDecodeThreads(std::max(1, QThread::idealThreadCount() / 2));
    const int result = decoder->initWithFilePath(srcPath.toUtf8().constData(), outWidth, outHeight);
    if (result < 0) return result;
    statedFrames = std::min(frames, framesIn(decoder->getVideoDuration() - start));
    width = decoder->getVideoWidth();
    height = decoder->getVideoHeight();
    sourceColour = decoder->getColour();
    return 0;
}

int SectionVideoSource::seekToStart() {
    if (!decoder || startFrame <= 0) return 0;
    return decoder->seekTo(startFrame / kRate);
}

void* SectionVideoSource::next(int* failure) {
    if (!decoder || remaining <= 0) return nullptr;
    if (!decoding.joinable()) decoding = std::thread(&SectionVideoSource::decodeAhead, this);
    Shown shown;
    {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [this] { return !ready.empty(); });
        shown = ready.front();
        if (shown.frame) ready.pop_front();
        changed.notify_all();
    }
    if (shown.failure != 0) *failure = shown.failure;
    if (!shown.frame) return nullptr;
    framesInUse.push_back(shown.frame);
    --remaining;
    ++read;
    return const_cast<unsigned char*>(shown.frame->getDatePtr());
}

// The decoding thread: for each output time, the frame on screen then.
void SectionVideoSource::decodeAhead() {
    Frame current;
    Frame upcoming;
    Frame previous;
    int failure = 0;
    readUpcoming(&upcoming, &failure);
    const double base = upcoming ? upcoming->getFrameSecs() : 0;
    int n = 0;
    for (; n < frames && failure == 0; ++n) {
        const double at = base + n / kRate + kTolerance;
        while (upcoming && upcoming->getFrameSecs() <= at) {
            previous = current;
            current = upcoming;
            if (!readUpcoming(&upcoming, &failure)) break;
        }
        if (failure != 0 || !current) break;
        // Past the last frame it stays on screen for one frame interval, then the end.
        if (!upcoming) {
            const double interval =
                previous ? current->getFrameSecs() - previous->getFrameSecs() : 1 / kRate;
            if (at - kTolerance >= current->getFrameSecs() + interval) break;
        }
        if (!hand({current, 0})) return;
    }
    hand({nullptr, failure != 0 ? failure : checkLength(n)});
}

// The next decoded frame into *upcoming (null at the end); false at the end or on a failure
// (*failure set).
bool SectionVideoSource::readUpcoming(Frame* upcoming, int* failure) {
    upcoming->reset(decoder->readNextVideoFrame());
    if (*upcoming && !(*upcoming)->getDatePtr()) {
        upcoming->reset();
        *failure = -6;
    } else if (!*upcoming && decoder->getReadError() != 0) {
        LogSystem::e(kTag, "reading %s failed: %d", srcPath.toUtf8().constData(),
                     decoder->getReadError());
        *failure = -12;
    }
    return *upcoming != nullptr;
}

// 0 when `handed` frames end the stream where its stated duration does, else -12.
int SectionVideoSource::checkLength(int handed) const {
    if (handed >= statedFrames - kShortfall) return 0;
    LogSystem::e(kTag, "%s ends at frame %d of %d", srcPath.toUtf8().constData(), handed,
                 statedFrames);
    return -12;
}

// Waits for room ahead; false when the source stops.
bool SectionVideoSource::hand(Shown shown) {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [this] { return stopping || ready.size() < kAhead; });
    if (stopping) return false;
    ready.push_back(std::move(shown));
    changed.notify_all();
    return true;
}

void SectionVideoSource::release(void* pixels) {
    for (auto it = framesInUse.begin(); it != framesInUse.end(); ++it) {
        if ((*it)->getDatePtr() == pixels) {
            framesInUse.erase(it);
            return;
        }
    }
}

void SectionVideoSource::stopDecoding() {
    {
        std::lock_guard<std::mutex> hold(lock);
        stopping = true;
        changed.notify_all();
    }
    if (decoding.joinable()) decoding.join();
    std::lock_guard<std::mutex> hold(lock);
    ready.clear();
    stopping = false;
}

void SectionVideoSource::releaseAll() {
    stopDecoding();
    framesInUse.clear();
    if (decoder) decoder->releaseResource();
    decoder.reset();
    width = height = 0;
}
