#include "V360TitleSectionBuilder.h"

#include <cstring>

#include "V360Transitor.h"

V360TitleSectionBuilder::V360TitleSectionBuilder(int width, int height, V360Transitor* title,
                                                 QString leadOutImagePath, V360Transitor* second,
                                                 double duration)
    : V360TitleSectionBuilder(width, height, title, QString(), nullptr, std::move(leadOutImagePath),
                              second, duration) {}

V360TitleSectionBuilder::V360TitleSectionBuilder(int width, int height, V360Transitor* title,
                                                 QString leadInImagePath, V360Transitor* first,
                                                 QString leadOutImagePath, V360Transitor* second,
                                                 double duration)
    : V360SectionBuilder(width, height, std::move(leadInImagePath), std::move(leadOutImagePath),
                         first, second),
      title(title),
      duration(duration),
      frames(this->duration > 0 ? static_cast<int>(this->duration * 30) : 0) {}

V360TitleSectionBuilder::~V360TitleSectionBuilder() = default;

int V360TitleSectionBuilder::totalFrames() { return frames; }

void* V360TitleSectionBuilder::prepareSrcFrame(int frameIndex) {
    return frameIndex < frames ? &placeholder : nullptr;
}

// Titles draw the whole frame; one that draws less leaves black, not a stale frame.
int V360TitleSectionBuilder::dewarp(int frameIndex, void*, void* dst) {
    std::memset(dst, 0, static_cast<size_t>(width) * height * 4);
    if (title)
        title->composeTransitionFrame(static_cast<double>(frameIndex) / frames, nullptr, nullptr,
                                      dst);
    return 0;
}

void V360TitleSectionBuilder::releaseSrcFrame(void*) {}
