#include "SectionVideoSource.h"

#include <QThread>

#include <algorithm>

#include "FFMpegUtil.h"
extern "C" {
#include <libavutil/buffer.h>
}

#include "FFMpegVSrcFrame.h"
#include "FFMpegVideoDecoder.h"
#include "LogSystem.h"
#include "ResultCode.h"

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
    if (end <= 0 || frames <= 0) return ResultCode::kMediaError;
    this->planar = planar;
    decoder.reset(new FFMpegVideoDecoder(!planar, false));
    decoder->setDecodeThreads(std::max(1, QThread::idealThreadCount() / 2));
    const int result = decoder->initWithFilePath(srcPath.toUtf8().constData(), outWidth, outHeight);
    if (result < 0) return result;
    statedFrames = std::min(frames, framesIn(decoder->getVideoDuration() - start));
    width = decoder->getVideoWidth();
    height = decoder->getVideoHeight();
    sourceColour = decoder->getColour();
    // Packed planes until planeStrides reads the decoder's own.
    lumaStride = width;
    chromaStride = (width + 1) / 2;
    return 0;
}

int SectionVideoSource::seekToStart() {
    if (!decoder || startFrame <= 0) return 0;
    peeked.reset();
    return decoder->seekTo(startFrame / kRate);
}

void SectionVideoSource::planeStrides(int* luma, int* chroma) {
    if (!peeked && decoder && !decoding.joinable()) peeked.reset(decoder->readNextDecodedFrame());
    const AVFrame* first = peeked ? peeked->frame() : nullptr;
    const bool own = first && (first->format == AV_PIX_FMT_YUV420P ||
                               first->format == AV_PIX_FMT_YUVJ420P) &&
                     first->width == width && first->height == height &&
                     first->linesize[0] >= width && first->linesize[1] >= (width + 1) / 2 &&
                     first->linesize[1] == first->linesize[2];
    lumaStride = own ? first->linesize[0] : width;
    chromaStride = own ? first->linesize[1] : (width + 1) / 2;
    *luma = lumaStride;
    *chroma = chromaStride;
}

void* SectionVideoSource::next(int* failure) {
    const AVFrame* picture = nextPicture(failure);
    return picture ? picture->data[0] : nullptr;
}

const AVFrame* SectionVideoSource::nextPicture(int* failure) {
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
    return shown.frame->frame();
}

// The decoding thread: for each output time, the frame on screen then, converted once however
// often it is shown.
void SectionVideoSource::decodeAhead() {
    Frame current;
    Frame upcoming;
    Frame previous;
    Frame shown;
    int failure = 0;
    readUpcoming(&upcoming, &failure);
    const double base = upcoming ? upcoming->getFrameSecs() : 0;
    int n = 0;
    for (; n < frames && failure == 0; ++n) {
        const double at = base + n / kRate + kTolerance;
        while (upcoming && upcoming->getFrameSecs() <= at) {
            previous = current;
            current = upcoming;
            shown.reset();
            if (!readUpcoming(&upcoming, &failure)) break;
        }
        if (failure != 0 || !current) break;
        // Past the last frame it stays on screen for one frame interval, then the end.
        if (!upcoming) {
            const double interval =
                previous ? current->getFrameSecs() - previous->getFrameSecs() : 1 / kRate;
            if (at - kTolerance >= current->getFrameSecs() + interval) break;
        }
        if (!shown) shown = present(current, &failure);
        if (!shown) break;
        if (!hand({shown, 0})) return;
    }
    hand({nullptr, failure != 0 ? failure : checkLength(n)});
}

// The next decoded frame into *upcoming (null at the end); false at the end or on a failure
// (*failure set).
bool SectionVideoSource::readUpcoming(Frame* upcoming, int* failure) {
    if (peeked)
        *upcoming = std::move(peeked);
    else
        upcoming->reset(decoder->readNextDecodedFrame());
    if (*upcoming && !(*upcoming)->getDatePtr()) {
        upcoming->reset();
        *failure = ResultCode::kNoMemory;
    } else if (!*upcoming && decoder->getReadError() != 0) {
        LogSystem::e(kTag, "reading %s failed: %d", srcPath.toUtf8().constData(),
                     decoder->getReadError());
        *failure = ResultCode::kIoError;
    }
    return *upcoming != nullptr;
}

// A picked frame as it is handed out: BGRA converted by the decoder; planar, the decoder's own
// planes when they have the layout planeStrides gave, else converted to it. Null with
// *failure set when the conversion fails.
SectionVideoSource::Frame SectionVideoSource::present(const Frame& decoded, int* failure) {
    if (planar && fitsLayout(decoded->frame())) return decoded;
    Frame converted;
    if (!planar) {
        converted.reset(decoder->convertFrame(*decoded));
    } else {
        ffh::FramePtr picture = ffh::makeFrame();
        const int chromaRows = (height + 1) / 2;
        const size_t bytes = static_cast<size_t>(lumaStride) * height +
                             2 * static_cast<size_t>(chromaStride) * chromaRows;
        if (picture) picture->buf[0] = av_buffer_alloc(bytes + FFMpegFrameConverter::kScalerSlack);
        if (picture && picture->buf[0]) {
            picture->format = AV_PIX_FMT_YUV420P;
            picture->width = width;
            picture->height = height;
            picture->data[0] = picture->buf[0]->data;
            picture->data[1] = picture->data[0] + static_cast<size_t>(lumaStride) * height;
            picture->data[2] = picture->data[1] + static_cast<size_t>(chromaStride) * chromaRows;
            picture->linesize[0] = lumaStride;
            picture->linesize[1] = picture->linesize[2] = chromaStride;
            if (planarConverter.convertInto(decoded->frame(), picture.get()) == 0)
                converted = std::make_shared<FFMpegVSrcFrame>(picture.release(), decoded->seconds());
        }
    }
    if (!converted) {
        LogSystem::e(kTag, "converting a frame of %s failed", srcPath.toUtf8().constData());
        *failure = ResultCode::kNoMemory;
    }
    return converted;
}

// Planar frames keep the decoder's planes when they are YUV 4:2:0 of the source size with the
// line sizes the tables were built for.
bool SectionVideoSource::fitsLayout(const AVFrame* frame) const {
    return frame && lumaStride > 0 &&
           (frame->format == AV_PIX_FMT_YUV420P || frame->format == AV_PIX_FMT_YUVJ420P) &&
           frame->width == width && frame->height == height && frame->linesize[0] == lumaStride &&
           frame->linesize[1] == chromaStride && frame->linesize[2] == chromaStride;
}

// 0 when `handed` frames end the stream where its stated duration does, else -12.
int SectionVideoSource::checkLength(int handed) const {
    if (handed >= statedFrames - kShortfall) return 0;
    LogSystem::e(kTag, "%s ends at frame %d of %d", srcPath.toUtf8().constData(), handed,
                 statedFrames);
    return ResultCode::kIoError;
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
    peeked.reset();
    if (decoder) decoder->releaseResource();
    decoder.reset();
    width = height = 0;
}
