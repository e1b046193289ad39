#pragma once

#include "V360SectionBuilder.h"

// A section that is nothing but a title transitor played from progress 0 to 1, at 30 frames a
// second: frame k is drawn at k / total frames. The sound is the base's white noise.
class V360TitleSectionBuilder : public V360SectionBuilder {
  public:
    // title, second: borrowed; duration: seconds.
    V360TitleSectionBuilder(int width, int height, V360Transitor* title, QString leadOutImagePath,
                            V360Transitor* second, double duration);
    ~V360TitleSectionBuilder() override;

    int totalFrames() override;
    void* prepareSrcFrame(int frameIndex) override;
    int dewarp(int frameIndex, void* src, void* dst) override;
    void releaseSrcFrame(void* src) override;

  protected:
    V360TitleSectionBuilder(int width, int height, V360Transitor* title, QString leadInImagePath,
                            V360Transitor* first, QString leadOutImagePath, V360Transitor* second,
                            double duration);

  private:
    V360Transitor* const title;
    const double duration;
    const int frames;
    // Handed out as the source of every frame; never read.
    unsigned char placeholder = 0;
};
