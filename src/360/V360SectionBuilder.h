#pragma once

#include <QImage>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

#include "VideoColour.h"

class V360DispatchThread;
class V360Transitor;
class Video360GeneratorHelper;

// One stretch of a produced video: its frames and its sound, driven by the dispatch thread
// (see V360DispatchThread for the threads). dewarp runs on up to four dewarp threads at once
// and may touch only read-only state and its own frames; the sound is handed to the sound
// stage as a value (takeSound), so nothing of the section is touched off those threads.
class V360SectionBuilder {
  public:
    // Makes a section's sound of its length at `volume` into outPath (AAC): 0 or the failure.
    // It holds copies of what it needs, never the section, and may run on any one thread.
    using Sound = std::function<int(const QString& outPath, double volume)>;
    // The white-noise files a job's sections share (the owner's; empty without an owner).
    struct NoiseFiles {
        QString copy;         // the embedded noise, copied out
        QString volumeReady;  // the copy at the volume of the first section that needed it
    };

    // width, height: output frame size; image paths may be empty; transitors are borrowed.
    V360SectionBuilder(int width, int height, QString firstImagePath, QString secondImagePath,
                       V360Transitor* first, V360Transitor* second);
    virtual ~V360SectionBuilder();
    V360SectionBuilder(const V360SectionBuilder&) = delete;
    V360SectionBuilder& operator=(const V360SectionBuilder&) = delete;

    virtual int totalFrames() = 0;
    // Steps reported during an asynchronous preparation.
    virtual int totalIASteps();
    // 0, a negative error, or 10000008 when the preparation goes on asynchronously. The base
    // loads the lead images as ARGB32 pictures of the output size.
    virtual int prepare();
    // Pixels of the next source frame (borrowed until releaseSrcFrame), or null when the
    // section is exhausted or failed.
    virtual void* prepareSrcFrame(int frameIndex) = 0;
    // Renders one width x height frame of 32-bit pixels into dst.
    virtual int dewarp(int frameIndex, void* src, void* dst) = 0;
    virtual void releaseSrcFrame(void* src) = 0;
    // The base drops both lead images.
    virtual void releaseAllDecodeDewarpResource();
    // The section's sound as a value, taken once its frames are all handed out (so its length
    // is known). The base: white noise of totalFrames() / 30 seconds.
    virtual Sound takeSound();
    // takeSound(), made now into outPath.
    int extractAudioToSectionLength(QString outPath, double volume);

    // The colour of the source the frames are read from; valid after prepare. The base:
    // BT.709, the colour of pictures.
    virtual VideoColour sourceColour();
    // Whether dewarp writes packed YUV 4:2:0 in the source's colour instead of BGRA; a
    // section may only when it was allowed to before its prepare. The base: never.
    virtual bool rendersPlanar();
    // Set by the dispatch thread before prepare: nothing is drawn over the frames.
    void allowPlanarOutput(bool allowed) { planarAllowed = allowed; }

    // `seconds` of the embedded white noise at `volume` into outPath (AAC), through the
    // owner's white-noise copies. 0; -3 no resource, no owner or the copy failed; -2 the
    // noise has no length; otherwise the audio job's code.
    int generateWhiteNoise(QString outPath, double seconds, double volume);
    // The same through `noise` (any thread).
    static int makeWhiteNoise(const NoiseFiles& noise, const QString& outPath, double seconds,
                              double volume);
    NoiseFiles noiseFiles() const;
    // The owner's stop flag, set once the job stops, for work a section runs for the job off
    // the dispatch thread (its sound) to poll; null without an owner.
    std::shared_ptr<const std::atomic<bool>> stopFlag() const;

    // Holders of the decode resources; dispatch thread only.
    int userCount = 0;
    int nextFrameIndex = 0;
    // Set by a subclass whose source fails: -6 a decoded frame without pixel data, -12 the
    // source could not be read to its end. 0: none.
    int failure = 0;
    V360DispatchThread* owner = nullptr;

  protected:
    bool planarAllowed = false;

    // The half transitions of a section of `frames` frames, on dst in place: frames 0 to 14 run
    // the first transitor from the lead-in image at progress 0.5 to 0.967, the last 15 the
    // second one into the lead-out image at 0 to 0.467 (the first wins where both apply).
    void composeLeadTransitions(int frameIndex, int frames, void* dst);
    bool loadImage(const QString& path, QImage* image, const unsigned char** pixels);

    const int width;
    const int height;
    const QString firstImagePath;
    const QString secondImagePath;
    QImage secondImage;
    QImage firstImage;
    const unsigned char* firstImagePixels = nullptr;
    const unsigned char* secondImagePixels = nullptr;
    V360Transitor* const firstTransitor;
    V360Transitor* const secondTransitor;
    Video360GeneratorHelper* const helper;
};
