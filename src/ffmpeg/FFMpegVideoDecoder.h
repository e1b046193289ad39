#pragma once

// Sequential decoder of one video file: frames in presentation order as
// VideoSrcFrame objects, either BGRA (optionally scaled) or packed YUV 4:2:0
// at the source size. Synchronous; one thread at a time. Logs under
// "ffmpegVDec".

#include "FFMpegFrameConverter.h"
#include "FFMpegMediaInput.h"
#include "FFMpegVSrcFrame.h"
#include "VideoColour.h"
#include "VideoSrcFrame.h"

class FFMpegVideoDecoder {
  public:
    // toBGRA: BGRA frames, else packed YUV 4:2:0 (planes Y, U, V at
    // alignment 1). tryHardwareDecoder: prefer a hardware decoder when the
    // library has one for the stream's codec.
    FFMpegVideoDecoder(bool toBGRA, bool tryHardwareDecoder);
    ~FFMpegVideoDecoder();
    FFMpegVideoDecoder(const FFMpegVideoDecoder&) = delete;
    FFMpegVideoDecoder& operator=(const FFMpegVideoDecoder&) = delete;

    // Decoding threads for the next initWithFilePath (0 = one per core,
    // default 1). Which frame a seek lands on does not depend on it.
    void setDecodeThreads(int threads) { threads_ = threads; }

    // width, height: BGRA output size; a value below 1 means the source
    // size (always the source size without BGRA conversion).
    // 0, -30 missing file, -3 no pixel format, -2 otherwise.
    int initWithFilePath(const char* path, int width, int height);

    // The next frame, owned by the caller; null at the end, on an error or
    // when not open. Its pixels are getFrameBufferSize() bytes, packed.
    VideoSrcFrame* readNextVideoFrame();
    // Why the last read gave null: 0 at the clean end of the stream (and
    // while frames come), else the FFmpeg code of the failed read, decoding
    // or conversion. Cleared by a seek and by a new open.
    int getReadError() const { return readError_; }

    // The two halves of readNextVideoFrame, for a caller that picks frames
    // before it converts them. The next frame as the codec made it (a new
    // reference to its planes, not converted) with its time, owned by the
    // caller; null as above.
    FFMpegVSrcFrame* readNextDecodedFrame();
    // A decoded frame in the output format, size and packing as
    // readNextVideoFrame gives it, owned by the caller; null when the
    // conversion fails (getReadError() then tells).
    FFMpegVSrcFrame* convertFrame(const FFMpegVSrcFrame& decoded);

    // Positions the decoder so that the next read returns the first frame at
    // or after `seconds`; a seek beyond the end leaves nothing to read.
    // 0, -10001 not open, -2 the container seek failed.
    int seekTo(double seconds);

    int getVideoWidth();  // source size
    int getVideoHeight();
    double getVideoDuration();  // seconds
    double getAudioDuration();  // seconds
    double getFrameRate();      // frames a second
    int getBitRate();           // bits a second
    int getTotalVideoFrames();
    // Bytes of one output picture.
    int getFrameBufferSize();
    int getMetadataEntry(const char* key, const char** value);
    // The colour the stream's YUV frames are read with (BT.709 when not open).
    VideoColour getColour();

    void releaseResource();

  private:
    const AVCodec* chooseDecoder() const;
    int fillFrame();

    const bool toBGRA_;
    const bool tryHardwareDecoder_;
    bool error_ = false;
    FFMpegMediaInput input_;
    FFMpegFrameConverter converter_;
    ffh::FramePtr decoded_;
    int threads_ = 1;
    // decoded_ already holds the next frame to hand out (set by a seek).
    bool framePending_ = false;
    int readError_ = 0;
    int outWidth_ = 0;
    int outHeight_ = 0;
};
