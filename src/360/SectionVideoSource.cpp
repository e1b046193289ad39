#include "SectionVideoSource.h"

#include <QThread>

#include <algorithm>

#include "FFMpegUtil.h"
#include "FFMpegVideoDecoder.h"
#include "VideoSrcFrame.h"

SectionVideoSource::SectionVideoSource(QString srcPath, double startTime, double endTime)
    : srcPath(std::move(srcPath)), start(startTime), end(endTime) {
    if (start > 0) {
        startFrame = static_cast<int>(start * kRate + 0.5);
    } else {
        start = 0;
    }
    if (end < 0) end = FFMpegUtil::getVideoLength(this->srcPath);
    const double span = (end - start) * kRate + 0.5;
    frames = remaining = span > 0 ? static_cast<int>(span) : 0;
}

SectionVideoSource::~SectionVideoSource() { releaseAll(); }

int SectionVideoSource::open(int width, int height) {
    // A length probe of 0 would lift the frame limit.
    if (end <= 0 || frames <= 0) return -2;
    decoder.reset(new FFMpegVideoDecoder(true, false));
    decoder->setDecodeThreads(std::max(1, QThread::idealThreadCount() / 2));
    return decoder->initWithFilePath(srcPath.toUtf8().constData(), width, height);
}

int SectionVideoSource::seekToStart() {
    if (!decoder || startFrame <= 0) return 0;
    return decoder->seekTo(startFrame / kRate);
}

void* SectionVideoSource::next(bool* failed) {
    if (!decoder || (end > 0 && remaining <= 0)) return nullptr;
    VideoSrcFrame* frame = decoder->readNextVideoFrame();
    if (!frame) return nullptr;
    if (!frame->getDatePtr()) {
        delete frame;
        *failed = true;
        return nullptr;
    }
    framesInUse.push_back(frame);
    if (end > 0) --remaining;
    ++read;
    return const_cast<unsigned char*>(frame->getDatePtr());
}

void SectionVideoSource::release(void* pixels) {
    for (auto it = framesInUse.begin(); it != framesInUse.end(); ++it) {
        if ((*it)->getDatePtr() == pixels) {
            delete *it;
            framesInUse.erase(it);
            return;
        }
    }
}

void SectionVideoSource::releaseAll() {
    for (VideoSrcFrame* frame : framesInUse) delete frame;
    framesInUse.clear();
    if (decoder) decoder->releaseResource();
    decoder.reset();
}

int SectionVideoSource::sourceWidth() const { return decoder ? decoder->getVideoWidth() : 0; }

int SectionVideoSource::sourceHeight() const { return decoder ? decoder->getVideoHeight() : 0; }
