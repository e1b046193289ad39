#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include "SectionVideoSource.h"
#include "V360SectionBuilder.h"

// A time range of a fisheye recording as equirectangular frames.
//
// 1. prepare opens the decoder and builds the lookup table once: per output pixel the index
//    of its source pixel (an equidistant 210-degree lens whose axis is the bottom row), or -1
//    for directions more than 15 degrees above the horizon and points outside the frame.
//    When allowed, frames stay YUV 4:2:0 from decoder to encoder: the table then indexes the
//    decoder's own Y plane by its line size, and a second table maps each output chroma
//    sample (taken at its centre) to a U and V one.
// 2. Each output frame shows the source frame on screen at its time: dewarp gathers it
//    through the table (32-bit pixels, or the bytes of each plane) into a packed frame.
// 3. The sound is the recording's own track, or white noise of the produced length. prepare
//    starts taking the track at once into a private temporary folder, beside the frames (it
//    does not depend on them); the sound step waits for it and moves it into place. Once the
//    job stops, the tool taking it is ended.
struct AVFrame;

class V360PanoramaVideoSectionBuilder : public V360SectionBuilder {
  public:
    // startTime, endTime: seconds (-1: from the start, to the end). A negative centre
    // coordinate or radius is taken from the recording (frame centre, half its width).
    V360PanoramaVideoSectionBuilder(int width, int height, QString srcPath, double startTime,
                                    double endTime, float centerX, float centerY, float radius);
    ~V360PanoramaVideoSectionBuilder() override;

    int totalFrames() override;
    // 0; the decoder's code; -2 when the recording has no length or is too short.
    int prepare() override;
    void* prepareSrcFrame(int frameIndex) override;
    int dewarp(int frameIndex, void* src, void* dst) override;
    void releaseSrcFrame(void* src) override;
    void releaseAllDecodeDewarpResource() override;
    // The recording's track (the one taken since prepare), else white noise of the frames
    // read / 27 seconds; the volume is not applied to the recording's own track.
    Sound takeSound() override;
    VideoColour sourceColour() override;
    bool rendersPlanar() override;

    // The table of the last prepare: width x height source indices, -1 for none.
    const std::vector<int32_t>& lookupTable() const { return table; }

  private:
    void buildTables();
    void buildRows(int firstRow, int endRow);
    bool sourcePoint(float row, float column, int* x, int* y) const;
    void dewarpPlanar(const AVFrame* src, uint8_t* dst) const;
    void startSoundAhead();

    SectionVideoSource source;
    int srcWidth = 0;
    int srcHeight = 0;
    // Source line sizes the tables index with: of the BGRA pixels (in pixels), or of the Y
    // and of the U and V planes.
    int lumaStride = 0;
    int chromaStride = 0;
    float centerX;
    float centerY;
    float radius;
    bool planar = false;
    // Read-only while frames are in flight.
    std::vector<int32_t> table;
    std::vector<int32_t> chromaTable;  // planar only: (width + 1) / 2 x (height + 1) / 2
    // The track being taken since prepare; shared with the sound value that takeSound hands
    // out, which ends it (the last holder waits for the extraction and removes its folder).
    struct SoundAhead;
    std::shared_ptr<SoundAhead> soundAhead;
};
