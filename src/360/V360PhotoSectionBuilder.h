#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include "V360SectionBuilder.h"

class ColorFilter;

// One 360 photo shown for a duration at 30 frames a second.
//
// 1. prepare loads the 3000x3000 fisheye JPEG (a square photo of another size is scaled to
//    it), levels it with the first rotation of its attitude data, applies the section's colour
//    filter and dewarps it once through the helper.
// 2. Each frame is that picture, with the half transitions of the first and last 15 frames.
// 3. The sound is the base's white noise.
class V360PhotoSectionBuilder : public V360SectionBuilder {
  public:
    // duration: seconds. Transitors are borrowed; no colour filter when all three filter
    // values are negative.
    V360PhotoSectionBuilder(int width, int height, QString photoPath, QString eyePath,
                            double duration, QString leadInImagePath, QString leadOutImagePath,
                            V360Transitor* first, V360Transitor* second, double filter1,
                            double filter2, double filter3);
    ~V360PhotoSectionBuilder() override;

    int totalFrames() override;
    // 0; -7 the photo does not load; -4 it is not square or there is no helper.
    int prepare() override;
    void* prepareSrcFrame(int frameIndex) override;
    int dewarp(int frameIndex, void* src, void* dst) override;
    void releaseSrcFrame(void* src) override;
    void releaseAllDecodeDewarpResource() override;

  private:
    static constexpr int kPhotoSide = 3000;

    const QString photoPath;
    const QString eyePath;
    const double duration;
    // The dewarped photo, width x height BGRA; empty until prepare.
    std::vector<uint8_t> frame;
    const int frames;
    const double centerX = 1500;
    const double centerY = 1500;
    const double radius = 1437.5;
    std::unique_ptr<ColorFilter> colorFilter;
};
