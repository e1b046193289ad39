#pragma once

#include <QString>

#include <atomic>
#include <memory>

#include "List.h"
#include "SectionVideoSource.h"
#include "V360SectionBuilder.h"

class ColorFilter;
class VideoRotationFeeder;

// A time range of a 2016x2016 fisheye recording, levelled frame by frame.
//
// 1. prepare opens the decoder at 2016x2016 (smaller or larger sources are scaled) and takes
//    the rotation feeder: its own one (sub-video flag 0x01 or 0x80) or the master section's.
// 2. Per frame: the rotation of the frame, the section's colour filter on a copy of the source
//    (a source frame may serve several output frames), the helper's fisheye dewarp, then the
//    half transitions of the first and last 15 frames.
// 3. The sound is the recording's (or the alternative file's) over the range, patched with
//    white noise when short; white noise alone when neither can be read.
//
// The feeder is deleted with the decode resources when flag 0x02 or 0x80 is set. The CPU dewarp
// draws nothing until its lens is set; frames are zeroed first so nothing undefined is encoded.
class V360VideoSectionBuilder : public V360SectionBuilder {
  public:
    // filterStart, rotationOffset, startTime, endTime: seconds (endTime below 0: to the end).
    // Transitors are borrowed; no colour filter when all three filter values are negative.
    V360VideoSectionBuilder(int width, int height, QString srcPath, QString eyePath,
                            double filterStart, double rotationOffset, double startTime,
                            double endTime, QString leadInImagePath, QString leadOutImagePath,
                            V360Transitor* first, V360Transitor* second, QString altSoundPath,
                            double filter1, double filter2, double filter3);
    ~V360VideoSectionBuilder() override;

    enum PreparationState { kNotPrepared = 0, kPreparing = 1, kPrepared = 2 };

    void setSubVideoFlags(int flags);
    void setSubVideoFiles(List<QString>& files);
    void setEyeEndTime(double seconds);
    // Borrowed; the source of the feeder when flags 0x01 and 0x80 are clear.
    void setMasterBuilder(V360VideoSectionBuilder* master);
    // Marks the section prepared and tells the owner (any thread).
    void prepared();
    // Tells the owner the preparation steps done for `fraction` in [0, 1] (any thread).
    void onProgress(double fraction);
    static void _onProgress(void* section, double fraction);

    int totalFrames() override;
    // 0 (also when already prepared); 10000008 while preparing; -2 an empty range; -4 a
    // borrowing section without a prepared master; otherwise the decoder's code.
    int prepare() override;
    void* prepareSrcFrame(int frameIndex) override;
    int dewarp(int frameIndex, void* src, void* dst) override;
    void releaseSrcFrame(void* src) override;
    void releaseAllDecodeDewarpResource() override;
    // The recording's sound over the frames read (or the alternative file's), patched with
    // white noise when short; white noise alone when neither can be read.
    Sound takeSound() override;

    int preparationState() const { return state; }
    VideoRotationFeeder* rotationFeeder() const { return feeder; }

  protected:
    // Decoder output side: the fisheye's 2016, or below 1 for the source size.
    int decodeSide = kSourceSide;
    SectionVideoSource source;

  private:
    static constexpr int kSourceSide = 2016;

    int takeFeeder();

    const QString eyePath;
    const double filterStart;
    const double rotationOffset;
    const QString altSoundPath;
    const double centerX = 1008;
    const double centerY = 1008;
    const double radius = 966;
    // Dispatch thread; dewarp threads read it once prepared.
    VideoRotationFeeder* feeder = nullptr;
    int subVideoFlags = 128;
    List<QString> subVideoFiles;
    double eyeEndTime = -1.0;
    V360VideoSectionBuilder* master = nullptr;
    int preparationSteps = -1;
    // Written by a preparation task, read on the dispatch thread.
    std::atomic<int> state{kNotPrepared};
    std::unique_ptr<ColorFilter> colorFilter;
};
